// A run cut off at any statement loses nothing and writes nothing twice: for every operation k of a
// complete run on a generated database, a run that fails at its k-th operation followed by a
// complete run leaves the invariants intact and the rebuilt entries equal to those of one complete
// run on a copy of the same start. Also: the same run over the server and embedded gives the same
// database.
//
// ZELPRAX_INTERRUPCOES_NOTAS (default 3) sets the size of the generated database and
// ZELPRAX_INTERRUPCOES_AMOSTRA (default 0: every k) the number of evenly spread k to try;
// scripts/interrupcoes runs a larger sample.

#include <cstdlib>
#include <iostream>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "app/execucao.h"
#include "app/trava.h"
#include "commission/motor.h"
#include "db/banco.h"
#include "support/banco_teste.h"
#include "support/interacao_gravada.h"
#include "support/invariantes.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {
namespace {

class PainelMudo : public comissao::PainelExecucao {
public:
    void MostrarLegenda(const std::string&) override {}
    void OcultarLegenda() override {}
    void MostrarBarra(bool) override {}
    void DefinirMaximo(int) override {}
    void DefinirPosicao(int) override {}
    void Avancar() override {}
    void ProcessarEventos() override {}
    bool EmissaoAPartir() const override { return false; }
    db::DataHora DataEmissaoAPartir() const override { return {}; }
};

int Ambiente(const char* nome, int padrao) {
    const char* valor = std::getenv(nome);
    return valor != nullptr && *valor != '\0' ? std::atoi(valor) : padrao;
}

// One run as the monitor makes it: the phases and closing statements, the inactive mark, and the
// release of the connection (committing after a completed run, rolling back after a failed one).
// With falharEm > 0 the falharEm-th operation after the connection fails. True when it completed.
// `operacoes` receives the number of operations the run made after connecting, up to its release.
bool Executar(const std::string& conexao, std::int64_t falharEm = 0, std::string* erro = nullptr,
              std::int64_t* operacoes = nullptr) {
    SistemaFalso sistema;
    InteracaoGravada interacao;
    PainelMudo painel;
    comissao::Motor motor(sistema, interacao, painel);
    motor.ConectarBanco(conexao);
    const std::int64_t inicio = db::EstatisticasDoProcesso().operacoes;
    db::FalharNaOperacao(falharEm);
    try {
        monitor::ExecutarFases(motor, {});
        monitor::AtualizarMonitorAtivo(false, *motor.IBD_BancoDados);
        db::FalharNaOperacao(0);
        if (operacoes != nullptr) *operacoes = db::EstatisticasDoProcesso().operacoes - inicio;
        motor.DesconectarBanco(true);
        return true;
    } catch (const std::exception& e) {
        db::FalharNaOperacao(0);
        if (erro != nullptr) *erro = e.what();
        motor.DesconectarBanco(false);
        return false;
    }
}

TEST(Interrupcoes, CadaOperacaoInterrompidaESeguidaDeUmaExecucaoCompleta) {
    PastaTemporaria pasta;
    const std::string inicio = pasta / "inicio.fdb";
    CriarBancoGerado(inicio, Ambiente("ZELPRAX_INTERRUPCOES_NOTAS", 3), 7);
    Inicio estadoInicial;
    {
        DadosTeste dados(inicio);
        estadoInicial = CapturarInicio(dados);
    }

    // The reference: one complete run, and how many operations it takes.
    const std::string referencia = CopiarBanco(inicio, pasta / "referencia.fdb");
    std::int64_t total = 0;
    ASSERT_TRUE(Executar(referencia, 0, nullptr, &total));
    std::string retratoReferencia;
    {
        DadosTeste dados(referencia);
        retratoReferencia = RetratoDasEntradas(dados);
        const auto falhas = VerificarInvariantes(dados, estadoInicial);
        ASSERT_TRUE(falhas.empty()) << falhas.front();
    }
    ASSERT_GT(total, 50);

    const int amostra = Ambiente("ZELPRAX_INTERRUPCOES_AMOSTRA", 0);
    const std::int64_t passo = amostra > 0 && amostra < total ? total / amostra : 1;
    int tentados = 0, quebrados = 0;
    for (std::int64_t k = 1; k <= total; k += passo) {
        ++tentados;
        const std::string copia = CopiarBanco(inicio, pasta / "corte.fdb");
        std::string erro;
        const bool completou = Executar(copia, k, &erro);
        EXPECT_FALSE(completou) << "a operação " << k << " não foi alcançada";
        ASSERT_TRUE(Executar(copia, 0, &erro)) << "depois do corte na operação " << k << ": " << erro;

        DadosTeste dados(copia);
        std::vector<std::string> falhas = VerificarInvariantes(dados, estadoInicial);
        if (RetratoDasEntradas(dados) != retratoReferencia)
            falhas.push_back("as entradas e marcas diferem das de uma execução completa");
        if (!falhas.empty()) {
            ++quebrados;
            ADD_FAILURE() << "corte na operação " << k << " (" << erro << "): " << falhas.front()
                          << (falhas.size() > 1 ? " (e mais " + std::to_string(falhas.size() - 1) + ")" : "");
        }
    }
    std::cout << "interrupções: " << tentados << " pontos de corte tentados de " << total << " operações, "
              << quebrados << " quebraram uma regra\n";
    RecordProperty("pontos", tentados);
    RecordProperty("quebras", quebrados);
    EXPECT_EQ(quebrados, 0);
}

// Every row the run touches, without the keys the runs number themselves and without the clock.
std::string RetratoCompleto(DadosTeste& dados) {
    std::string s = RetratoDasEntradas(dados);
    const auto juntar = [&](const std::string& rotulo, const std::string& sql) {
        for (const auto& linha : dados.Linhas(sql)) {
            s += rotulo;
            for (const auto& c : linha) s += " " + c;
            s += "\n";
        }
    };
    juntar("comissao", "select tp_registro, id_nf_comercio, id_financeiro, id_vendedor, vl_comissao, st_bloqueio_1, "
                       "st_estorno_1, id_comissao_gerada from mov_comissao order by 1, 2, 3, 4, 5, 6, 7, 8");
    juntar("acerto", "select dt_pagamento, id_vendedor, vl_acerto, tp_acerto, st_irrf, ds_acerto, id_empresa, "
                     "st_calc_comissao, id_comissao_estornada from mov_acerto_comissao order by 1, 2, 3, 4, 5, 6, 7, 8, 9");
    juntar("nota", "select id_nf_comercio, st_calc_estorno, po_comissao_estornada, id_comissao_estornada, "
                   "st_credito_fat, st_credito_fat2, st_credito_fat3, st_credito_fat4, st_credito_fat5, "
                   "po_comissao2, po_comissao3, po_comissao4, po_comissao5, vl_po_produto_total "
                   "from mov_nf_comercio order by 1");
    juntar("item", "select id_nf_comercio_item, po_comissao from mov_nf_comercio_item order by 1");
    juntar("receber", "select id_financeiro, st_estornar_comissao from mov_financeiro order by 1");
    juntar("log", "select id_log_evento, id_log_usuario, id_log_registro, ds_log_observacao from mov_log_controle "
                  "order by 3");
    juntar("parametro", "select * from tab_parametro");
    return s;
}

TEST(Servidor, ExecucaoPeloServidorIgualAEmbutida) {
    const char* servidor = std::getenv("ZELPRAX_SERVIDOR");
    if (servidor == nullptr || *servidor == '\0') GTEST_SKIP() << "sem servidor Firebird (ZELPRAX_SERVIDOR)";
    PastaTemporaria pasta;
    const std::string inicio = pasta / "inicio.fdb";
    CriarBancoGerado(inicio, 40, 7);
    const std::string embutido = CopiarBanco(inicio, pasta / "embutido.fdb");
    const std::string remoto = CopiarBanco(inicio, pasta / "remoto.fdb");
    ASSERT_TRUE(Executar(embutido));
    std::string erro;
    ASSERT_TRUE(Executar(std::string(servidor) + ":" + remoto, 0, &erro)) << erro;
    std::string retratoEmbutido, retratoRemoto;
    {
        DadosTeste dados(embutido);
        retratoEmbutido = RetratoCompleto(dados);
    }
    {
        DadosTeste dados(std::string(servidor) + ":" + remoto);
        retratoRemoto = RetratoCompleto(dados);
    }
    EXPECT_GT(retratoEmbutido.size(), 1000u);
    EXPECT_EQ(retratoEmbutido, retratoRemoto);
}

}  // namespace
}  // namespace zelprax::teste
