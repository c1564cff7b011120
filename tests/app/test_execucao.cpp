// The run itself: the phase order with the two skip boxes, the hour check, the closing statements
// and the warnings, on a real database.

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/execucao.h"
#include "app/hora.h"
#include "db/erro.h"
#include "motor_gravador.h"
#include "support/banco_teste.h"
#include "support/interacao_gravada.h"
#include "support/sistema_falso.h"
#include "../commission/motor_teste.h"

namespace zelprax::monitor {
namespace {

using teste::MotorGravador;

class ExecucaoTeste : public ::testing::Test {
protected:
    void SetUp() override {
        teste::CriarBancoDoEsquema(caminho);
        dados = std::make_unique<teste::DadosTeste>(caminho);
        dados->Parametro({{"HR_ATUALIZAR_COMISSAO", "3"}});
        dados->Parametro({{"ID_PARAMETRO", "2"}, {"HR_ATUALIZAR_COMISSAO", "null"}});
        motor.ConectarBanco(caminho);
    }
    void TearDown() override { motor.DesconectarBanco(false); }

    teste::PastaTemporaria pasta;
    std::string caminho = pasta / "erp.fdb";
    std::unique_ptr<teste::DadosTeste> dados;
    teste::SistemaFalso sistema;
    teste::InteracaoGravada interacao;
    teste::PainelGravado painel;
    MotorGravador motor{sistema, interacao, painel};
};

TEST_F(ExecucaoTeste, FasesNaOrdemComOsDoisSaltos) {
    struct Caso {
        bool naoAcertos, naoEstorno;
        std::vector<std::string> fases;
    };
    const Caso casos[] = {
        {false, false, {"CalcularComissaoVendas", "GerarAcertosFaseProcesso", "GerarComissaoVendas",
                        "GerarComissaoRecebimentos", "GerarComissaoAcertos", "GerarEstornoInadimplentes"}},
        {true, false, {"CalcularComissaoVendas", "GerarComissaoVendas", "GerarComissaoRecebimentos",
                       "GerarComissaoAcertos", "GerarEstornoInadimplentes"}},
        {false, true, {"CalcularComissaoVendas", "GerarAcertosFaseProcesso", "GerarComissaoVendas",
                       "GerarComissaoRecebimentos", "GerarComissaoAcertos"}},
        {true, true, {"CalcularComissaoVendas", "GerarComissaoVendas", "GerarComissaoRecebimentos",
                      "GerarComissaoAcertos"}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(std::to_string(c.naoAcertos) + std::to_string(c.naoEstorno));
        motor.chamadas.clear();
        OpcoesExecucao opcoes;
        opcoes.naoGerarAcertos = c.naoAcertos;
        opcoes.naoGerarEstorno = c.naoEstorno;
        ExecutarFases(motor, opcoes);
        EXPECT_EQ(motor.chamadas, c.fases);
    }
}

TEST_F(ExecucaoTeste, HoraGravadaEmTodasAsLinhasEEntradasZeradasApagadas) {
    dados->Entrada(1, {{"VL_COMISSAO", "0"}});
    dados->Entrada(2, {{"VL_COMISSAO", "0.01"}});
    dados->Entrada(3, {{"VL_COMISSAO", "-0.01"}});
    // A zero entry written by a phase of this run goes too.
    motor.acoes["GerarComissaoAcertos"] = [this](comissao::Motor& m) {
        m.ExecutarComando(m.IBQ_Pesquisa, "update mov_comissao set vl_comissao = 0 where id_comissao = 3", true);
    };
    OpcoesExecucao opcoes;
    opcoes.hora = "07";
    ExecutarFases(motor, opcoes);

    // Read through the other attachment: the closing statements are committed.
    EXPECT_EQ(dados->Linhas("select id_parametro, hr_atualizar_comissao from tab_parametro order by 1"),
              (std::vector<std::vector<std::string>>{{"1", "7"}, {"2", "7"}}));
    EXPECT_EQ(dados->Linhas("select id_comissao from mov_comissao order by 1"),
              (std::vector<std::vector<std::string>>{{"2"}}));
}

// The closing delete clears the zero entries the phases leave, never a paid one: a paid entry is
// a line of the ERP's commission payment, whatever its amount.
TEST_F(ExecucaoTeste, EntradasZeradasPagasFicam) {
    struct Caso {
        const char* tipo;
        const char* valor;
        const char* paga;  // ID_COMISSAO_GERADA
        bool fica;
    };
    const Caso casos[] = {
        {"'1'", "0", "null", false}, {"'2'", "0", "null", false}, {"'3'", "0", "null", false},
        {"'1'", "0", "9", true},     {"'2'", "0", "9", true},     {"'3'", "0", "9", true},
        {"'2'", "0.01", "9", true},  {"'2'", "-0.01", "null", true},
    };
    std::vector<std::vector<std::string>> ficam;
    for (std::size_t i = 0; i < std::size(casos); ++i) {
        const std::string id = std::to_string(i + 1);
        dados->Entrada(static_cast<int>(i + 1), {{"TP_REGISTRO", casos[i].tipo}, {"VL_COMISSAO", casos[i].valor},
                                                 {"ID_COMISSAO_GERADA", casos[i].paga}});
        if (casos[i].fica) ficam.push_back({id});
    }
    ExecutarFases(motor, OpcoesExecucao{});
    EXPECT_EQ(dados->Linhas("select id_comissao from mov_comissao order by 1"), ficam);
}

TEST_F(ExecucaoTeste, SemHoraAHoraGuardadaFicaComoEsta) {
    ExecutarFases(motor, OpcoesExecucao{});
    EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro where id_parametro = 1"), "3");
}

// The hour box is free text: only a whole hour 0 to 23 reaches the statement that stores it.
// Anything else costs the run nothing: every phase runs, the zero entries go, the stored hour
// stays, and the last warning says so.
TEST_F(ExecucaoTeste, HoraSoGravadaQuandoEhUmaHoraInteira) {
    struct Caso {
        const char* texto;
        const char* gravada;  // nullptr: refused, the stored hour stays
    };
    const Caso casos[] = {
        {"0", "0"},        {"07", "7"},      {" 9", "9"},     {"23", "23"},     {"+5", "5"},
        {"24", nullptr},   {"-1", nullptr},  {"100", nullptr}, {"ab", nullptr}, {"", nullptr},
        {"7;", nullptr},   {"7 or 1=1", nullptr}, {"1e1", nullptr}, {"0x1", nullptr},
        {"99999999999", nullptr},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.texto);
        dados->Executar("update tab_parametro set hr_atualizar_comissao = 3");
        dados->Entrada(1, {{"VL_COMISSAO", "0"}});
        motor.chamadas.clear();
        motor.acoes["GerarComissaoAcertos"] = [](comissao::Motor& m) { m.sSituacao3 = "S"; };
        OpcoesExecucao opcoes;
        opcoes.hora = c.texto;
        const ResultadoExecucao r = ExecutarFases(motor, opcoes);

        EXPECT_EQ(motor.chamadas.size(), 6u);
        EXPECT_EQ(dados->Contar("select count(*) from mov_comissao"), 0);
        EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro where id_parametro = 1"),
                  c.gravada != nullptr ? c.gravada : "3");
        std::vector<std::string> avisos{kAvisoAcertos};
        if (c.gravada == nullptr) avisos.push_back(AvisoHoraNaoGravada(c.texto));
        EXPECT_EQ(r.avisos, avisos);
    }
}

TEST_F(ExecucaoTeste, AvisosNaOrdemERegistrosEncontrados) {
    struct Caso {
        const char *s1, *s2, *s3;
        bool comercio, financeiro, acerto;
        std::vector<std::string> avisos;
        bool encontrou;
    };
    const Caso casos[] = {
        {"N", "N", "N", false, false, false, {}, false},
        {"S", "N", "N", true, false, false, {kAvisoNotasVenda}, true},
        {"N", "S", "N", false, true, false, {kAvisoDuplicatas}, true},
        {"N", "N", "S", false, false, true, {kAvisoAcertos}, true},
        {"S", "S", "S", false, false, false, {kAvisoNotasVenda, kAvisoDuplicatas, kAvisoAcertos}, false},
        {"", "s", "SS", false, false, false, {}, false},  // only "S" counts
    };
    for (const Caso& c : casos) {
        motor.acoes["GerarComissaoAcertos"] = [&c](comissao::Motor& m) {
            m.sSituacao1 = c.s1;
            m.sSituacao2 = c.s2;
            m.sSituacao3 = c.s3;
            m.bMensagemComercio = c.comercio;
            m.bMensagemFinanceiro = c.financeiro;
            m.bMensagemAcerto = c.acerto;
        };
        const ResultadoExecucao r = ExecutarFases(motor, OpcoesExecucao{});
        EXPECT_EQ(r.avisos, c.avisos);
        EXPECT_EQ(r.encontrouRegistros, c.encontrou);
    }
}

TEST_F(ExecucaoTeste, ErroDeUmaFaseInterrompeAExecucao) {
    dados->Entrada(1, {{"VL_COMISSAO", "0"}});
    motor.acoes["GerarComissaoVendas"] = [](comissao::Motor&) { throw db::ErroBanco("falhou", {}); };
    OpcoesExecucao opcoes;
    opcoes.hora = "5";
    EXPECT_THROW(ExecutarFases(motor, opcoes), db::ErroBanco);
    EXPECT_EQ(motor.chamadas.back(), "GerarComissaoVendas");
    EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro where id_parametro = 1"), "3");
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao"), 1);
}

// The one line a failure has room for (the window's line shows it for a real trigger's exception):
// texts whose opening line only says what kind of error follows, and one whose first line says why.
TEST(CausaDoErro, ALinhaQueDizPorQue) {
    const std::pair<const char*, const char*> casos[] = {
        {"exception 1\nE_FECHAMENTO\nComissoes do mes fechadas\nAt trigger 'T_X' line: 1, col: 40",
         "Comissoes do mes fechadas"},
        {"exception 3\nE_SEM_TEXTO\nAt trigger 'T_X' line: 1, col: 40", "E_SEM_TEXTO"},
        {"lock conflict on no wait transaction\n-deadlock\n-update conflicts with concurrent update", "deadlock"},
        {"Dynamic SQL Error\nSQL error code = -204\nTable unknown\nMOV_X", "Table unknown"},
        {"violation of FOREIGN KEY constraint \"FK_NF\"\nForeign key reference target does not exist",
         "violation of FOREIGN KEY constraint \"FK_NF\""},
    };
    for (const auto& [texto, causa] : casos) EXPECT_EQ(CausaDoErro(texto), causa) << texto;
}

// With the engine's own phases: whatever captions they show come in phase order, and a skipped
// phase shows none of its captions.
TEST(ExecucaoLegendas, FasesSaltadasNaoMostramSuasLegendas) {
    for (int caso = 0; caso < 4; ++caso) {
        const bool naoAcertos = (caso & 1) != 0, naoEstorno = (caso & 2) != 0;
        SCOPED_TRACE(caso);
        teste::PastaTemporaria pasta;
        const std::string caminho = pasta / "erp.fdb";
        teste::CriarBancoDoEsquema(caminho);
        {
            teste::DadosTeste dados(caminho);
            dados.Parametro();
        }
        teste::SistemaFalso sistema;
        teste::InteracaoGravada interacao;
        teste::PainelGravado painel;
        comissao::Motor motor(sistema, interacao, painel, teste::RelogioDoTeste());
        motor.ConectarBanco(caminho);
        OpcoesExecucao opcoes;
        opcoes.naoGerarAcertos = naoAcertos;
        opcoes.naoGerarEstorno = naoEstorno;
        ExecutarFases(motor, opcoes);
        motor.DesconectarBanco(false);

        int ultima = 0;
        for (const std::string& legenda : painel.legendas) {
            ASSERT_EQ(legenda.rfind("Fase ", 0), 0u) << legenda;
            const int fase = legenda[5] - '0';
            EXPECT_GE(fase, ultima) << legenda;
            ultima = fase;
            if (naoAcertos) {
                EXPECT_FALSE(fase >= 2 && fase <= 4) << legenda;
            }
            if (naoEstorno) {
                EXPECT_FALSE(fase >= 8) << legenda;
            }
        }
        EXPECT_FALSE(painel.legendas.empty());
        EXPECT_EQ(painel.legendas.front(), "Fase 1/9 - Calculando comissão das vendas");
    }
}

}  // namespace
}  // namespace zelprax::monitor
