// Two writers at once. Against one data folder the monitor's lock lets one of the monitor and the
// headless runner run and stops the other with its message. Against one database without a
// shared data folder only the database guards the run: two runners race for the entries'
// identifiers and the documents' row locks, the loser stops with the server's error, and a final
// complete run leaves the rules intact.

#include <signal.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../app/aplicativo_teste.h"
#include "../app/erp_teste.h"
#include "apoio_confiabilidade.h"
#include "app/UnPrincipal.h"
#include "app/trava.h"
#include "programas.h"
#include "support/interacao_gravada.h"
#include "support/invariantes.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

const char kMensagemRunner[] = "o monitor de comissões está em execução";

std::string AvisoDeOutraSessao(const std::string& executavel) {
    return "O aplicativo " + executavel + " já está sendo executado em outra sessão de trabalho.";
}

// The installation of the monitor with a generated database; the window's start-up finds the
// parameter table already upgraded, so that it alters nothing while another program is attached.
class MesmaPasta : public ::testing::Test {
protected:
    void Preparar(const std::string& servidor) {
        Aplicativo();
        CriarBancoGerado(erp.banco, 120, 6);
        DadosTeste dados(erp.banco);
        dados.Executar("alter table tab_parametro add script_rodado integer");
        dados.Executar("alter table tab_parametro add VERSAO_ERP varchar(30)");
        dados.Executar("update tab_parametro set VERSAO_ERP = 'Versao Inicial'");
        if (!servidor.empty())
            EscreverArquivo(erp.iniServidor,
                            "[Database]\nServidor=" + servidor + "\npath=" + erp.pastaDados + "\nname=erp.fdb\n");
    }

    std::unique_ptr<monitor::TfrmPrincipal> Monitor() {
        return std::make_unique<monitor::TfrmPrincipal>(erp.sistema, RelogioDoTeste(), false, &interacao, &erros);
    }

    InstalacaoERP erp;
    InteracaoGravada interacao;
    std::ostringstream erros;
};

TEST_F(MesmaPasta, MonitorComATravaBarraORunner) {
    Preparar("");
    auto janela = Monitor();
    janela->FormCreate();
    ASSERT_TRUE(fs::exists(erp.trava)) << erros.str();

    // The runner started while the monitor waits for its hour: it leaves the database alone.
    const std::string antes = RetratoDasEntradas(*std::make_unique<DadosTeste>(erp.banco));
    const ResultadoPrograma barrado = ExecutarPrograma(ZELPRAX_RUNNER, {"--pasta", erp.raiz / "Monitor"});
    EXPECT_EQ(barrado.status, 2) << barrado.erros;
    EXPECT_NE(barrado.erros.find(kMensagemRunner), std::string::npos) << barrado.erros;
    EXPECT_NE(barrado.erros.find(erp.trava), std::string::npos) << barrado.erros;
    EXPECT_TRUE(fs::exists(erp.trava)) << "a trava é do monitor";
    EXPECT_EQ(RetratoDasEntradas(*std::make_unique<DadosTeste>(erp.banco)), antes) << "o runner barrado não gravou nada";

    // The monitor's own run goes through and gives the folder back.
    janela->BitBtn2Click();
    EXPECT_FALSE(fs::exists(erp.trava)) << erros.str();
    ASSERT_FALSE(erp.sistema.encerrados.empty());
    EXPECT_EQ(erp.sistema.encerrados.back(), monitor::NomeProgramaMonitor());
    janela.reset();
    const ResultadoPrograma depois = ExecutarPrograma(ZELPRAX_RUNNER, {"--pasta", erp.raiz / "Monitor"});
    EXPECT_EQ(depois.status, 0) << depois.erros;
}

TEST_F(MesmaPasta, RunnerComATravaBarraOMonitor) {
    const std::string servidor = ServidorDeTeste();
    if (servidor.empty()) GTEST_SKIP() << "sem servidor Firebird (ZELPRAX_SERVIDOR): dois processos num só banco";
    Preparar(servidor);

    ProcessoFilho runner(ZELPRAX_RUNNER, {"--pasta", erp.raiz / "Monitor"});
    const bool rodando = runner.AguardarQue(
        [&] { return fs::exists(erp.trava) && runner.Saida().find("Fase 1/9") != std::string::npos; }, 60000);
    ASSERT_TRUE(rodando) << runner.Saida() << runner.Erros();
    // The runner held still in the middle of its run while the monitor starts.
    ASSERT_EQ(::kill(runner.Pid(), SIGSTOP), 0);
    const std::string travaDoRunner = erp.LerArquivo(erp.trava);
    {
        auto janela = Monitor();
        janela->FormCreate();
        // The system's text, then the runner named as the holder, with its process.
        ASSERT_EQ(interacao.avisos.size(), 1u);
        EXPECT_EQ(interacao.avisos[0].rfind(AvisoDeOutraSessao(erp.executavel) + "\nO arquivo de trava " + erp.trava +
                                                " é mantido pelo programa zelprax-comissao, processo " +
                                                std::to_string(runner.Pid()) + ", no computador ",
                                            0),
                  0u)
            << interacao.avisos[0];
        EXPECT_EQ(interacao.pedidosDeEncerramento, 1);
        EXPECT_TRUE(janela->EncerramentoSolicitado());
        EXPECT_EQ(erp.LerArquivo(erp.trava), travaDoRunner) << "a trava continua a do runner";
    }
    ::kill(runner.Pid(), SIGCONT);
    EXPECT_EQ(runner.Esperar(), 0) << runner.Erros();
    EXPECT_FALSE(fs::exists(erp.trava));
    EXPECT_NE(runner.Saida().find("Processamento concluído com sucesso!"), std::string::npos) << runner.Saida();
}

// Two runners on one database through the server, each naming it directly (no data folder, no
// lock). A race runs both at once, then one complete run, and reports how they ended and which
// rules the database breaks.
class MesmoBanco : public ::testing::Test {
protected:
    void SetUp() override {
        servidor = ServidorDeTeste();
        if (servidor.empty()) GTEST_SKIP() << "sem servidor Firebird (ZELPRAX_SERVIDOR)";
        CriarBancoGerado(inicio, 200, 4);
        DadosTeste dados(inicio);
        estadoInicial = CapturarInicio(dados);
    }

    struct Corrida {
        int concluidos = 0;
        std::vector<std::string> falhas;  // the losers' error texts
        std::vector<std::string> quebras;
    };

    Corrida Correr(const std::string& nome) {
        const std::string arquivo = CopiarBanco(inicio, pasta / nome);
        const std::string conexao = servidor + ":" + arquivo;
        Corrida c;
        {
            ProcessoFilho primeiro(ZELPRAX_RUNNER, {"--banco", conexao});
            ProcessoFilho segundo(ZELPRAX_RUNNER, {"--banco", conexao});
            for (ProcessoFilho* p : {&primeiro, &segundo}) {
                const int status = p->Esperar();
                EXPECT_TRUE(status == 0 || status == 1) << "status " << status << ": " << p->Erros();
                if (status == 0) ++c.concluidos;
                if (status == 1) c.falhas.push_back(p->Erros());
            }
        }
        std::string erro;
        EXPECT_TRUE(ExecutarCompleta(conexao, &erro)) << "a execução final: " << erro;
        DadosTeste dados(conexao);
        c.quebras = VerificarInvariantes(dados, estadoInicial);
        return c;
    }

    std::string servidor;
    PastaTemporaria pasta;
    std::string inicio = pasta / "inicio.fdb";
    Inicio estadoInicial;
};

bool ErroDaCorrida(const std::string& texto) {
    return texto.find("violation of PRIMARY or UNIQUE KEY") != std::string::npos ||
           texto.find("update conflicts with concurrent update") != std::string::npos ||
           texto.find("lock conflict on no wait transaction") != std::string::npos;
}

// A race the two runs finish without meeting shows nothing about the loser, so races are run
// until one has a loser, and one must have had it within a few.
constexpr int kCorridas = 5;

TEST_F(MesmoBanco, QuemPerdeACorridaParaComOErroDoServidor) {
    int perdidas = 0;
    for (int i = 0; i < kCorridas && perdidas == 0; ++i) {
        SCOPED_TRACE("corrida " + std::to_string(i));
        const Corrida c = Correr("corrida-" + std::to_string(i) + ".fdb");
        // One stops at the first identifier or row the other holds; never both, and never with
        // another error.
        EXPECT_GE(c.concluidos, 1);
        for (const std::string& falha : c.falhas) EXPECT_TRUE(ErroDaCorrida(falha)) << falha;
        EXPECT_TRUE(c.quebras.empty()) << c.quebras.size() << " regras quebradas; a primeira: " << c.quebras.front();
        std::cout << "corrida: " << c.concluidos << " concluída(s), " << c.falhas.size()
                  << " parou(aram) com o erro do servidor\n";
        perdidas += static_cast<int>(c.falhas.size());
        fs::remove(pasta / ("corrida-" + std::to_string(i) + ".fdb"));
    }
    EXPECT_GT(perdidas, 0) << "em " << kCorridas << " corridas os dois runners nunca se encontraram";
}

// The race repeated: wherever the two runs meet, no document keeps two sets of entries and no
// settlement or reversal is written twice.
TEST_F(MesmoBanco, NuncaDuplicamEntradas) {
    int perdidas = 0;
    for (int i = 0; i < kCorridas; ++i) {
        SCOPED_TRACE("corrida " + std::to_string(i));
        const Corrida c = Correr("corrida-" + std::to_string(i) + ".fdb");
        for (const std::string& falha : c.falhas) EXPECT_TRUE(ErroDaCorrida(falha)) << falha;
        EXPECT_TRUE(c.quebras.empty()) << c.quebras.size() << " regras quebradas; a primeira: " << c.quebras.front();
        perdidas += static_cast<int>(c.falhas.size());
        fs::remove(pasta / ("corrida-" + std::to_string(i) + ".fdb"));
    }
    EXPECT_GT(perdidas, 0) << "em " << kCorridas << " corridas os dois runners nunca se encontraram";
}

}  // namespace
}  // namespace zelprax::teste
