// An ERP user holds an uncommitted change of a row the run is about to need (an invoice, one of its
// commission entries, a receivable, a settlement): the run stops at once with the server's lock
// conflict instead of waiting, keeps what it committed so far, and once the user's transaction
// ends the next run finishes the work with nothing written twice.

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "app/agendador.h"
#include "commission/motor.h"
#include "db/consulta.h"
#include "support/interacao_gravada.h"
#include "support/invariantes.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {
namespace {

// The invoices Phase 5 takes up and will write (not settled), as the run's selection reads them.
const std::string kNotasDaFase5 =
    " from mov_nf_comercio mc inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao) "
    "where mc.st_calc_comissao = 'S' and mc.vl_total_nf > 0 and mc.id_st_nf in (3,5) and not exists (select 1 "
    "from mov_comissao p where p.tp_registro = 1 and p.id_nf_comercio = mc.id_nf_comercio and "
    "p.id_comissao_gerada is not null)";
// ... of which those whose totals agree, so that their entries are rebuilt.
const std::string kNotasConsistentes =
    " and not exists (select 1 from mov_nf_comercio d where d.id_nf_comercio = mc.id_nf_comercio and "
    "(d.vl_produtos <> (select sum(i.vl_total) from mov_nf_comercio_item i where i.id_nf_comercio = "
    "d.id_nf_comercio) or d.vl_financeiro <> (select sum(f.vl_documento) from mov_financeiro f where "
    "f.id_nf_comercio = d.id_nf_comercio)))";

struct TipoDeLinha {
    const char* nome;
    const char* fase;          // caption of the phase that needs the row
    std::string candidato;     // a row of that phase's work not yet reached
    std::string bloqueio;      // the user's change, followed by the row's identifier
    std::string pendente;      // still to do afterwards, followed by the row's identifier
    std::string concluidos;    // documents the phase finished before it stopped
    bool confirmaDepois;       // the user commits (else rolls back) once the run has failed
};

class LinhasBloqueadas : public ::testing::Test {
protected:
    void SetUp() override {
        // The second day of a small ERP: everything calculated once, then every document marked
        // for calculation again, as editing them in the ERP does. Rebuilding deletes entries,
        // so every kind of row has something the run must change.
        Instalar();
        CriarBancoGerado(inicio, 60, 5);
        std::string erro;
        ASSERT_TRUE(ExecutarCompleta(inicio, &erro)) << erro;
        {
            DadosTeste dados(inicio);
            dados.Executar("update mov_nf_comercio set st_calc_comissao = 'S' where id_st_nf in (3,5) and vl_total_nf > 0");
            dados.Executar("update mov_financeiro set st_calc_comissao = 'S' where vl_documento > 0");
            dados.Executar("update mov_acerto_comissao set st_calc_comissao = 'S'");
            estadoInicial = CapturarInicio(dados);
        }
        const std::string referencia = CopiarBanco(inicio, pasta / "referencia.fdb");
        ASSERT_TRUE(ExecutarCompleta(referencia, &erro)) << erro;
        DadosTeste dados(referencia);
        retratoReferencia = RetratoDasEntradas(dados);
        const auto falhas = VerificarInvariantes(dados, estadoInicial);
        ASSERT_TRUE(falhas.empty()) << "referência: " << falhas.front();
    }

    // The ERP installation the monitor's tick finds the database through.
    void Instalar() {
        for (const char* p : {"Monitor", "Dados"}) std::filesystem::create_directories(pasta.Caminho() / p);
        EscreverArquivo(pasta / "Monitor/zelpraxComissao2", "programa");
        EscreverArquivo(pasta / "Monitor/zelpraxempresa.ini", "[IniServidor]\nnomearquivo=" + (pasta / "Dados/zelprax.ini") + "\n");
        EscreverArquivo(pasta / "Dados/zelprax.ini", "[Database]\nServidor=\npath=" + (pasta / "Dados/") + "\nname=erp.fdb\n");
        sistema.executavel = pasta / "Monitor/zelpraxComissao2";
    }

    PastaTemporaria pasta;
    SistemaFalso sistema;
    std::string inicio = pasta / "inicio.fdb";
    Inicio estadoInicial;
    std::string retratoReferencia;
};

TEST_F(LinhasBloqueadas, ExecucaoParaNaHoraGuardaOQueGravouEAProximaTermina) {
    const TipoDeLinha tipos[] = {
        {"nota", "Fase 5/9", "select first 1 mc.id_nf_comercio" + kNotasDaFase5 + " order by mc.id_nf_comercio desc",
         "update mov_nf_comercio set vl_desconto = vl_desconto where id_nf_comercio = ",
         "select count(*) from mov_nf_comercio where st_calc_comissao = 'S' and id_nf_comercio = ",
         "select count(*) from mov_nf_comercio where st_calc_comissao = 'N' and id_st_nf in (3,5) and vl_total_nf > 0",
         true},
        {"lançamento", "Fase 5/9",
         "select first 1 c.id_comissao from mov_comissao c inner join mov_nf_comercio mc on (mc.id_nf_comercio = "
         "c.id_nf_comercio) inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao) where "
         "c.tp_registro = 1 and " +
             std::string(kNotasDaFase5).substr(std::string(kNotasDaFase5).find("mc.st_calc_comissao")) +
             kNotasConsistentes + " order by c.id_nf_comercio desc",
         "update mov_comissao set vl_comissao = vl_comissao where id_comissao = ",
         "select count(*) from mov_comissao where id_comissao = ",
         "select count(*) from mov_nf_comercio where st_calc_comissao = 'N' and id_st_nf in (3,5) and vl_total_nf > 0",
         false},
        {"duplicata", "Fase 6/9",
         "select first 1 mf.id_financeiro from mov_financeiro mf inner join mov_nf_comercio mc on (mc.id_nf_comercio "
         "= mf.id_nf_comercio) where mf.st_calc_comissao = 'S' and mf.vl_documento > 0 and mc.id_st_nf in (3,5) and "
         "not exists (select 1 from mov_comissao c where c.tp_registro = 2 and c.id_financeiro = mf.id_financeiro "
         "and c.id_comissao_gerada is not null) order by mf.id_financeiro desc",
         "update mov_financeiro set vl_desconto = vl_desconto where id_financeiro = ",
         "select count(*) from mov_financeiro where st_calc_comissao = 'S' and id_financeiro = ",
         "select count(*) from mov_financeiro where st_calc_comissao = 'N' and vl_documento > 0", true},
        {"acerto", "Fase 7/9",
         "select first 1 a.id_acerto_comissao from mov_acerto_comissao a where a.st_calc_comissao = 'S' and not "
         "exists (select 1 from mov_comissao c where c.tp_registro = 3 and c.id_acerto_comissao = "
         "a.id_acerto_comissao and c.id_comissao_gerada is not null) order by 1 desc",
         "update mov_acerto_comissao set ds_acerto = ds_acerto where id_acerto_comissao = ",
         "select count(*) from mov_acerto_comissao where st_calc_comissao = 'S' and id_acerto_comissao = ",
         "select count(*) from mov_acerto_comissao where st_calc_comissao = 'N'", false},
    };

    for (const TipoDeLinha& tipo : tipos) {
        SCOPED_TRACE(tipo.nome);
        const std::string banco = CopiarBanco(inicio, pasta / "Dados/erp.fdb");
        DadosTeste consulta(banco);
        DadosTeste usuario(banco);  // the ERP user: a transaction left open
        db::Consulta edicao;
        edicao.Anexar(&usuario.Banco());

        InteracaoGravada interacao;
        PainelObservado painel;
        comissao::Motor motor(sistema, interacao, painel, RelogioDoTeste());
        TelaGravada tela;
        std::ostringstream erros;
        monitor::AgendadorComissao agendador(motor, tela, RelogioDoTeste(), false, erros);
        agendador.bMesnagemClickBotao = true;
        std::string linha;
        painel.aoAvancar = [&](PainelObservado& p) {
            // A few documents into the phase, the user starts editing one it has not reached.
            if (!linha.empty() || p.legendas.back().rfind(tipo.fase, 0) != 0 || p.passosNaFase < 4) return;
            linha = consulta.Valor(tipo.candidato);
            ASSERT_NE(linha, "<vazio>");
            edicao.DefinirSQL(tipo.bloqueio + linha);
            edicao.Executar();
        };

        // The monitor's tick: the failure is caught there, what is pending rolled back.
        agendador.Timer1Timer();
        const auto espera = std::chrono::steady_clock::now() - painel.ultimoSinal;

        ASSERT_FALSE(linha.empty()) << "a fase não chegou ao quarto documento";
        EXPECT_FALSE(tela.temporizadores) << "a execução devia parar na linha bloqueada";
        EXPECT_EQ(tela.final, monitor::kSemAtualizacao);
        EXPECT_NE(erros.str().find("update conflicts with concurrent update"), std::string::npos) << erros.str();
        EXPECT_TRUE(sistema.encerrados.empty()) << "um conflito não é perda do servidor";
        EXPECT_FALSE(motor.TemConexao());
        EXPECT_LT(espera, std::chrono::milliseconds(1000)) << "o comando esperou pela outra transação";
        EXPECT_EQ(painel.legendas.back().rfind(tipo.fase, 0), 0u) << painel.legendas.back();
        EXPECT_GT(consulta.Contar(tipo.concluidos), 0) << "o que a fase concluiu antes fica gravado";
        EXPECT_EQ(consulta.Contar(tipo.pendente + linha), 1) << "a linha bloqueada continua a fazer";

        // The user's transaction ends; the next run finishes.
        edicao.Fechar();
        if (tipo.confirmaDepois)
            usuario.Banco().TransacaoPadrao().Commit();
        else
            usuario.Banco().TransacaoPadrao().Rollback();
        std::string falha;
        ASSERT_TRUE(ExecutarCompleta(banco, &falha)) << falha;
        const auto falhas = VerificarInvariantes(consulta, estadoInicial);
        EXPECT_TRUE(falhas.empty()) << falhas.size() << " regras quebradas; a primeira: " << falhas.front();
        EXPECT_EQ(RetratoDasEntradas(consulta), retratoReferencia);
    }
}

}  // namespace
}  // namespace zelprax::teste
