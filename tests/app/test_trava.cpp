// The lock file and the monitor flag. The stop signal of "Conectado.txt" is read in every shape by
// the reliability cases (ArquivosInvalidos) and acted on by the window (JanelaTeste).

#include <filesystem>
#include <fstream>
#include <iterator>
#include <csignal>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/trava.h"
#include "support/banco_teste.h"
#include "support/sistema_falso.h"

namespace zelprax::monitor {
namespace {

namespace fs = std::filesystem;
using teste::EscreverArquivo;
using teste::PastaTemporaria;

TEST(ArquivoTrava, CriadoTestadoEApagadoNaPastaDeDados) {
    PastaTemporaria pasta;
    const std::string dados = pasta / "Dados/";
    fs::create_directories(dados);
    const std::string programa = pasta / "Monitor/zelpraxComissao2";
    teste::SistemaFalso sistema;
    sistema.maquina = "CAIXA-01";
    sistema.identidade = "4c2f";
    sistema.processo = 4321;
    sistema.processos = std::map<long, std::string>{{4321, "zelpraxComissao2"}};

    EXPECT_FALSE(ExisteArquivoTrava(programa, dados));
    CriarArquivoTrava(programa, dados, sistema);
    EXPECT_TRUE(ExisteArquivoTrava(programa, dados));
    std::ifstream lido(dados + "zelpraxComissao2.lock", std::ios::binary);
    const std::string conteudo((std::istreambuf_iterator<char>(lido)), std::istreambuf_iterator<char>());
    EXPECT_EQ(conteudo, "Este arquivo indica que o monitor " + programa + " está em execução.\r\n"
                        "maquina=CAIXA-01\r\nprocesso=4321\r\nprograma=zelpraxComissao2\r\nidentidade=4c2f\r\n");

    CriarArquivoTrava(programa, dados, sistema);  // this process's own lock: replaced, not appended
    EXPECT_EQ(fs::file_size(dados + "zelpraxComissao2.lock"), conteudo.size());

    ApagarArquivoTrava(programa, dados);
    EXPECT_FALSE(fs::exists(dados + "zelpraxComissao2.lock"));
    EXPECT_NO_THROW(ApagarArquivoTrava(programa, dados));  // absent: nothing to do

    // One this process did not write (another monitor's, while a manual one ends) is left whole.
    EscreverArquivo(dados + "zelpraxComissao2.lock", conteudo);
    ApagarArquivoTrava(programa, dados);
    EXPECT_EQ(fs::file_size(dados + "zelpraxComissao2.lock"), conteudo.size());
}

// A start on the computer "caixa-01" as process 500, where process 700 runs the monitor, 701 a
// shell and 702 a program that cannot be read; every other number runs nothing.
TEST(ArquivoTrava, SoATravaDeUmProcessoDestaMaquinaQueJaTerminouEhAssumida) {
    const std::string primeira = "Este arquivo indica que o monitor /opt/zelprax/zelpraxComissao2 está em execução.\r\n";
    auto trava = [&primeira](const std::string& maquina, const std::string& processo, const std::string& programa,
                             const std::string& identidade = "-") {
        return primeira + "maquina=" + maquina + "\r\nprocesso=" + processo + "\r\nprograma=" + programa + "\r\n" +
               (identidade == "-" ? "" : "identidade=" + identidade + "\r\n");
    };
    struct Caso {
        const char* descricao;
        std::string conteudo;
        EstadoTrava estado;
    };
    const Caso casos[] = {
        {"só a primeira linha", primeira, EstadoTrava::Ocupada},
        {"qualquer outro texto", "de outro monitor", EstadoTrava::Ocupada},
        {"vazia", "", EstadoTrava::Ocupada},
        {"esta máquina, processo terminado", trava("caixa-01", "900", "zelpraxComissao2"), EstadoTrava::Abandonada},
        {"esta máquina em maiúsculas, processo terminado", trava("CAIXA-01", "900", "zelpraxComissao2"),
         EstadoTrava::Abandonada},
        {"esta máquina, número agora de outro programa", trava("caixa-01", "701", "zelpraxComissao2"),
         EstadoTrava::Abandonada},
        {"esta máquina, número deste processo", trava("caixa-01", "500", "zelpraxComissao2"), EstadoTrava::Abandonada},
        {"esta máquina, monitor vivo", trava("caixa-01", "700", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"esta máquina, monitor vivo, nome em outra caixa", trava("caixa-01", "700", "ZELPRAXCOMISSAO2"),
         EstadoTrava::Ocupada},
        {"esta máquina, programa que não se pode ler", trava("caixa-01", "702", "zelpraxComissao2"),
         EstadoTrava::Ocupada},
        {"esta máquina, vivo, sem programa escrito", trava("caixa-01", "701", ""), EstadoTrava::Ocupada},
        {"outra máquina, processo terminado", trava("caixa-02", "900", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"outra máquina, número deste processo", trava("caixa-02", "500", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"sem máquina", trava("", "900", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"número inválido", trava("caixa-01", "90x", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"número zero", trava("caixa-01", "0", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"número negativo", trava("caixa-01", "-900", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"linhas só com LF", "x\nmaquina=caixa-01\nprocesso=900\nprograma=zelpraxComissao2\n", EstadoTrava::Abandonada},
        {"dono na primeira linha não conta", "maquina=caixa-01\nprocesso=900\n", EstadoTrava::Ocupada},
        // With the computer's identity the advisory lock decides, which no one holds here.
        {"mesma identidade, processo terminado", trava("caixa-01", "900", "zelpraxComissao2", "9F3A"),
         EstadoTrava::Abandonada},
        {"mesma identidade, número ainda do monitor", trava("caixa-01", "700", "zelpraxComissao2", "9f3a"),
         EstadoTrava::Abandonada},
        {"mesmo nome, outra identidade", trava("caixa-01", "900", "zelpraxComissao2", "77aa"), EstadoTrava::Ocupada},
        {"mesmo nome, identidade vazia", trava("caixa-01", "900", "zelpraxComissao2", ""), EstadoTrava::Ocupada},
    };
    teste::SistemaFalso sistema;
    sistema.maquina = "caixa-01";
    sistema.identidade = "9f3a";
    sistema.processo = 500;
    sistema.processos = std::map<long, std::string>{{500, "zelpraxComissao2"}, {700, "zelpraxComissao2"},
                                                    {701, "bash"}, {702, ""}};
    PastaTemporaria pasta;
    const std::string programa = pasta / "Monitor/zelpraxComissao2";
    const std::string dados = pasta / "";
    EXPECT_EQ(ExaminarArquivoTrava(programa, dados, sistema).estado, EstadoTrava::Livre);
    for (const Caso& c : casos) {
        EscreverArquivo(pasta / "zelpraxComissao2.lock", c.conteudo);
        EXPECT_EQ(ExaminarArquivoTrava(programa, dados, sistema).estado, c.estado) << c.descricao;
    }
}

TEST(ArquivoTrava, PastaQueNaoExisteLevantaErroAoCriar) {
    PastaTemporaria pasta;
    EXPECT_THROW(CriarArquivoTrava(pasta / "Monitor/zelpraxComissao2", pasta / "sumiu/"), std::runtime_error);
    EXPECT_FALSE(ExisteArquivoTrava(pasta / "Monitor/zelpraxComissao2", pasta / "sumiu/"));
}

// A lock to honour says what it is on a line of its own; a takeover says why the holder is gone.
TEST(ArquivoTrava, DetalheDizQuemMantemATravaOuOQueOArquivoE) {
    PastaTemporaria pasta;
    const std::string programa = pasta / "Monitor/zelpraxComissao2";
    const std::string lock = pasta / "zelpraxComissao2.lock";
    const std::string dica = "; se nenhum monitor estiver em execução, ele pode ser apagado.";
    teste::SistemaFalso sistema;
    sistema.maquina = "caixa-01";
    auto detalhe = [&] { return ExaminarArquivoTrava(programa, pasta / "", sistema).detalhe; };

    EscreverArquivo(lock, "");
    EXPECT_EQ(detalhe(), "O arquivo de trava " + lock + " está vazio" + dica);
    EscreverArquivo(lock, "de outro monitor");
    EXPECT_EQ(detalhe(), "O arquivo de trava " + lock +
                             " não diz que programa o mantém (foi gravado por outra versão ou outro programa)" + dica);
    EscreverArquivo(lock, "x\r\nmaquina=caixa-02\r\nprocesso=77\r\nprograma=zelprax-comissao\r\n");
    EXPECT_EQ(detalhe(), "O arquivo de trava " + lock +
                             " é mantido pelo programa zelprax-comissao, processo 77, no computador caixa-02.");
    fs::remove(lock);
    fs::create_symlink(pasta / "alvo", lock);
    EXPECT_EQ(detalhe(), "O arquivo de trava " + lock + " não é um arquivo comum (uma ligação simbólica, uma pasta)" + dica);

    DonoTrava dono{"caixa-01", 77, "zelpraxComissao2", std::nullopt, ""};
    EXPECT_EQ(MensagemTravaAssumida(dono), "O arquivo de trava deixado por uma execução anterior (processo 77 em "
                                           "caixa-01), que não está mais em execução, foi assumido por esta execução.");
    dono.programaAgora = "bash";
    EXPECT_EQ(MensagemTravaAssumida(dono), "O arquivo de trava deixado por uma execução anterior (processo 77 em "
                                           "caixa-01) foi assumido por esta execução.\nO processo 77 agora executa "
                                           "outro programa (bash), não o que gravou a trava (zelpraxComissao2).");
}

// A dangling link under the lock's name (in a shared folder, as root): no target is created.
TEST(ArquivoTrava, LigacaoSimbolicaNaoEhSeguidaNaCriacao) {
    PastaTemporaria pasta;
    const std::string programa = pasta / "Monitor/zelpraxComissao2";
    fs::create_symlink(pasta / "criado-pela-ligacao", pasta / "zelpraxComissao2.lock");
    try {
        CriarArquivoTrava(programa, pasta / "");
        ADD_FAILURE() << "criada através da ligação";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("\nO arquivo de trava " + pasta / "zelpraxComissao2.lock" +
                                             " não é um arquivo comum"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(pasta / "criado-pela-ligacao"));
}

// A full disk (here a file size limit) while writing: no lock is left, empty or cut short.
TEST(ArquivoTrava, GravacaoQueFalhaNaoDeixaArquivo) {
    PastaTemporaria pasta;
    const std::string programa = pasta / "Monitor/zelpraxComissao2";
    struct rlimit antes {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &antes), 0);
    const auto sinal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limite = antes;
    limite.rlim_cur = 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limite), 0);
    EXPECT_THROW(CriarArquivoTrava(programa, pasta / ""), std::runtime_error);
    ::setrlimit(RLIMIT_FSIZE, &antes);
    std::signal(SIGXFSZ, sinal);
    EXPECT_FALSE(fs::exists(pasta / "zelpraxComissao2.lock"));
    EXPECT_EQ(ExaminarArquivoTrava(programa, pasta / "", teste::SistemaFalso()).estado, EstadoTrava::Livre);
}

// The holder keeps its advisory lock for as long as it lives: while it runs, its lock is held
// whatever the process table says; once it is killed, the next start takes the lock over.
TEST(ArquivoTrava, TravaConsultivaSeparaDonoVivoDeDonoMorto) {
    PastaTemporaria pasta;
    const std::string programa = pasta / "Monitor/zelpraxComissao2";
    int canal[2];
    ASSERT_EQ(::pipe(canal), 0);
    const pid_t filho = ::fork();
    ASSERT_GE(filho, 0);
    if (filho == 0) {
        ::close(canal[0]);
        CriarArquivoTrava(programa, pasta / "");
        [[maybe_unused]] const ssize_t n = ::write(canal[1], "p", 1);
        ::pause();
        ::_exit(0);
    }
    ::close(canal[1]);
    char pronto = 0;
    ASSERT_EQ(::read(canal[0], &pronto, 1), 1);
    ::close(canal[0]);
    teste::SistemaFalso sistema;
    sistema.processos = std::map<long, std::string>{};  // no process runs, as the table would guess
    const TravaEncontrada viva = ExaminarArquivoTrava(programa, pasta / "", sistema);
    EXPECT_EQ(viva.estado, EstadoTrava::Ocupada);
    EXPECT_NE(viva.detalhe.find("processo " + std::to_string(filho) + ", no computador"), std::string::npos)
        << viva.detalhe;
    EXPECT_THROW(CriarArquivoTrava(programa, pasta / "", sistema), std::runtime_error);

    ::kill(filho, SIGKILL);
    ::waitpid(filho, nullptr, 0);
    EXPECT_EQ(ExaminarArquivoTrava(programa, pasta / "", teste::SistemaFalso()).estado, EstadoTrava::Abandonada);
    CriarArquivoTrava(programa, pasta / "");
    std::ifstream lido(pasta / "zelpraxComissao2.lock", std::ios::binary);
    const std::string conteudo((std::istreambuf_iterator<char>(lido)), std::istreambuf_iterator<char>());
    EXPECT_EQ(LerDonoTrava(conteudo)->processo, ::getpid());
    ApagarArquivoTrava(programa, pasta / "");
}

TEST(AtualizarMonitorAtivo, TodasAsLinhasECommitado) {
    PastaTemporaria pasta;
    const std::string banco = pasta / "erp.fdb";
    teste::CriarBancoDoEsquema(banco);
    teste::DadosTeste dados(banco);
    dados.Parametro({{"ST_MONITOR_COMISSAO_ATIVO", "'S'"}});
    dados.Parametro({{"ID_PARAMETRO", "2"}, {"ST_MONITOR_COMISSAO_ATIVO", "null"}});

    db::BancoDados conexao;
    conexao.DefinirNomeBanco(banco);
    conexao.Abrir();
    AtualizarMonitorAtivo(false, conexao);
    // Read by the other attachment while this one stays open: only committed work shows.
    EXPECT_EQ(dados.Contar("select count(*) from tab_parametro where st_monitor_comissao_ativo = 'N'"), 2);
    AtualizarMonitorAtivo(true, conexao);
    EXPECT_EQ(dados.Contar("select count(*) from tab_parametro where st_monitor_comissao_ativo = 'S'"), 2);
    conexao.Fechar(false);
}

}  // namespace
}  // namespace zelprax::monitor
