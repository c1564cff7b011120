// The database server dies (SIGKILL) while a run is in the middle of a phase: the error carries
// one of the run driver's server-loss texts, the server-loss steps follow and the process ends.
// Once the server is back, one more run leaves the database as one complete run on a copy of the
// same start would, with nothing lost and nothing written twice.
//
// These cases stop the shared server of the test command: they run alone (RUN_SERIAL) and bring
// the server back however they end.

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "app/agendador.h"
#include "app/execucao.h"
#include "commission/motor.h"
#include "db/localizacao.h"
#include "support/interacao_gravada.h"
#include "support/invariantes.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

// The first statement after the loss reads its answer ("Error reading data"), unless the client
// still had a request to send, which fails first ("Error writing data"); either way the server is
// gone, and the monitor takes the server-loss steps for both.
bool TextoDeServidorPerdido(const std::string& texto) {
    return monitor::PerdaDoServidor(texto) || texto.find("Error writing data to the connection.") != std::string::npos;
}

class ServidorPerdido : public ::testing::Test {
protected:
    void SetUp() override {
        servidor = ServidorDeTeste();
        if (servidor.empty()) GTEST_SKIP() << "sem servidor Firebird (ZELPRAX_SERVIDOR)";
        if (servidor != "127.0.0.1") GTEST_SKIP() << "o servidor " << servidor << " não é o desta máquina";
        IniciarServidor();

        for (const char* p : {"Monitor", "Dados"}) fs::create_directories(pasta.Caminho() / p);
        EscreverArquivo(executavel, "programa");
        EscreverArquivo(pasta / "Monitor/zelpraxempresa.ini", "[IniServidor]\nnomearquivo=" + pastaDados + "zelprax.ini\n");
        sistema.executavel = executavel;

        // The start, the database the run works on, and a complete run on a copy for reference.
        CriarBancoGerado(inicio, 150, 11);
        {
            DadosTeste dados(inicio);
            dados.Executar("update tab_parametro set st_monitor_comissao_ativo = 'S'");
            estadoInicial = CapturarInicio(dados);
        }
        const std::string referencia = CopiarBanco(inicio, pasta / "referencia.fdb");
        std::string erro;
        ASSERT_TRUE(ExecutarCompleta(referencia, &erro)) << erro;
        DadosTeste dados(referencia);
        retratoReferencia = RetratoDasEntradas(dados);
        const std::vector<std::string> falhas = VerificarInvariantes(dados, estadoInicial);
        ASSERT_TRUE(falhas.empty()) << "referência: " << falhas.front();
    }

    // The server ini names a fresh copy of the start in the data folder; returns its connection.
    std::string ApontarBanco(const std::string& nome) {
        EscreverArquivo(pastaDados + "zelprax.ini",
                        "[Database]\nServidor=" + servidor + "\npath=" + pastaDados + "\nname=" + nome + "\n");
        if (fs::exists(inicio)) CopiarBanco(inicio, pastaDados + nome);
        return servidor + ":" + pastaDados + nome;
    }

    // After the server is back: one complete run, then the rules and the comparison.
    void ConferirComOServidorDeVolta(const std::string& conexao) {
        IniciarServidor();
        ConferirDepoisDeMaisUmaExecucao(conexao, estadoInicial, retratoReferencia);
    }

    ServidorGarantido garantia;  // declared first: the server comes back after everything else
    std::string servidor;
    PastaTemporaria pasta;
    std::string executavel = pasta / "Monitor/zelpraxComissao2";
    std::string pastaDados = pasta / "Dados/";
    std::string inicio = pasta / "inicio.fdb";
    Inicio estadoInicial;
    std::string retratoReferencia;
    SistemaFalso sistema;
};

// The monitor's tick in this process, the server killed after a few invoices of Phase 5, or of
// Phase 6, left down or brought back before the tick handles the failure.
TEST_F(ServidorPerdido, TiqueDoMonitorSegueOsPassosDePerdaDoServidor) {
    struct Caso {
        const char* fase;
        bool voltaLogo;  // the server is back by the time the tick handles the failure
    };
    const Caso casos[] = {{"Fase 5/9", false}, {"Fase 6/9", false}, {"Fase 6/9", true}};
    for (const Caso& caso : casos) {
        SCOPED_TRACE(std::string(caso.fase) + (caso.voltaLogo ? ", servidor de volta" : ", servidor fora"));
        IniciarServidor();
        const std::string conexao = ApontarBanco(std::string("erp-") + (caso.voltaLogo ? "volta" : "fora") + caso.fase[5] + ".fdb");

        InteracaoGravada interacao;
        PainelObservado painel;
        const db::Relogio& relogio = RelogioDoTeste();
        comissao::Motor motor(sistema, interacao, painel, relogio);
        TelaGravada tela;
        std::ostringstream erros;
        monitor::AgendadorComissao agendador(motor, tela, relogio, false, erros);
        agendador.bMesnagemClickBotao = true;  // "Atualizar as Comissões": due at any hour
        sistema.encerrados.clear();

        bool derrubado = false;
        int passosAteAQueda = 0;
        painel.aoAvancar = [&](PainelObservado& p) {
            if (derrubado || p.legendas.empty() || p.legendas.back().rfind(caso.fase, 0) != 0 || p.passosNaFase < 5)
                return;
            derrubado = true;
            passosAteAQueda = p.passosNaFase;
            DerrubarServidor();
            if (caso.voltaLogo) IniciarServidor();
        };
        agendador.Timer1Timer();

        ASSERT_TRUE(derrubado) << "a fase não chegou ao quinto passo";
        EXPECT_GT(painel.maximo, passosAteAQueda) << "a queda devia cair no meio da fase";
        EXPECT_TRUE(TextoDeServidorPerdido(erros.str())) << erros.str();
        EXPECT_FALSE(tela.temporizadores);
        EXPECT_FALSE(motor.TemConexao());
        EXPECT_EQ(tela.final, monitor::kSemAtualizacao) << "a execução não terminou";
        ASSERT_FALSE(sistema.encerrados.empty()) << "o processo termina";
        EXPECT_EQ(sistema.encerrados.back(), monitor::NomeProgramaMonitor());
        EXPECT_TRUE(interacao.mensagens.empty()) << "nada é mostrado: " << interacao.mensagens.front().texto;

        IniciarServidor();
        {
            DadosTeste dados(conexao);
            if (caso.voltaLogo) {
                // A fresh connection marked the monitor inactive before the end.
                EXPECT_EQ(sistema.encerrados, std::vector<std::string>{monitor::NomeProgramaMonitor()});
                EXPECT_EQ(dados.Valor("select st_monitor_comissao_ativo from tab_parametro"), "N");
            } else {
                // The attempt at the inactive mark found no server: the failed connection ends the
                // ERP's monitor process, as any failed connection does, and the mark is left out.
                EXPECT_EQ(sistema.encerrados, (std::vector<std::string>{db::NomePrograma("zelpraxMonitorComissao2"),
                                                                        monitor::NomeProgramaMonitor()}));
                EXPECT_EQ(dados.Valor("select st_monitor_comissao_ativo from tab_parametro"), "S");
            }
        }
        ConferirComOServidorDeVolta(conexao);
    }
}

// The headless runner as its own process, the server killed once Phase 6 is under way.
TEST_F(ServidorPerdido, RunnerTerminaComOTextoDoServidorELiberaATrava) {
    const std::string trava = pastaDados + "zelpraxComissao2.lock";
    const std::string conexao = ApontarBanco("erp.fdb");
    {
        ProcessoFilho runner(ZELPRAX_RUNNER, {"--pasta", pasta / "Monitor"});
        const bool naFase = runner.AguardarQue([&] { return runner.Saida().find("Fase 6/9") != std::string::npos; }, 60000);
        ASSERT_TRUE(naFase) << runner.Saida() << runner.Erros();
        EXPECT_TRUE(fs::exists(trava)) << "o runner segura a trava durante a execução";
        DerrubarServidor();
        const int status = runner.Esperar();
        EXPECT_EQ(status, 1) << runner.Saida() << runner.Erros();
        EXPECT_TRUE(TextoDeServidorPerdido(runner.Erros())) << runner.Erros();
        EXPECT_NE(runner.Saida().find("(interrompida)"), std::string::npos) << runner.Saida();
        EXPECT_FALSE(fs::exists(trava)) << "a trava sai com o processo";
    }
    ConferirComOServidorDeVolta(conexao);
}

}  // namespace
}  // namespace zelprax::teste
