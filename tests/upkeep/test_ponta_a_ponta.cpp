// The real monitor program, started in normal mode in a temporary ERP installation whose database
// predates the version columns and whose update folder publishes a differing executable: the start
// upgrades the parameter table, hands over to a stand-in updater and ends.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/banco_teste.h"

extern char** environ;

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

struct Fim {
    bool terminou = false;  // false: still running when the time ran out (then killed)
    int status = -1;        // exit status when it exited normally, -1 otherwise
};

// Starts the program and waits for it, up to `limite`.
Fim Executar(const std::string& programa, const std::vector<std::string>& ambienteExtra,
             std::chrono::seconds limite) {
    std::vector<std::string> ambiente;
    for (char** e = environ; *e != nullptr; ++e) ambiente.emplace_back(*e);
    for (const std::string& v : ambienteExtra) ambiente.push_back(v);
    std::vector<char*> envp;
    for (std::string& v : ambiente) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string nome = programa;
    char* argv[] = {nome.data(), nullptr};

    pid_t pid = 0;
    if (::posix_spawn(&pid, programa.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return {};
    const auto prazo = std::chrono::steady_clock::now() + limite;
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (std::chrono::steady_clock::now() > prazo) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {true, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::vector<std::string> LerLinhas(const std::string& arquivo) {
    std::vector<std::string> linhas;
    std::ifstream entrada(arquivo);
    for (std::string linha; std::getline(entrada, linha);) linhas.push_back(linha);
    return linhas;
}

std::vector<std::string> EsperarLinhas(const std::string& arquivo) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(arquivo) && std::chrono::steady_clock::now() < limite)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return LerLinhas(arquivo);
}

class MonitorPontaAPonta : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dadosErp);
        fs::create_directories(pastaAtualizacao);
        fs::create_directories(estacao);
        fs::create_directories(areaDeTrabalho);

        CriarBancoDoEsquema(dadosErp + "/erp.fdb");
        {
            DadosTeste dados(dadosErp + "/erp.fdb");
            dados.Parametro();
            for (int n = 1; n <= 57; ++n)
                dados.Executar("insert into mov_log_atualizacao (no_log_atualizacao) values (" + std::to_string(n) +
                               ")");
        }  // embedded: the monitor may only open the file once this connection is gone

        EscreverArquivo(dadosErp + "/zelprax.ini",
                        "[Database]\nServidor=\npath=" + dadosErp + "/\nname=erp.fdb\n");
        EscreverArquivo(estacao + "/zelpraxempresa.ini", "[IniServidor]\nnomearquivo=" + dadosErp + "/zelprax.ini\n");

        fs::copy_file(ZELPRAX_PROGRAMA, executavel);
        fs::permissions(executavel, fs::perms::owner_all);
        // The published executable: the same program, one day older.
        fs::copy_file(ZELPRAX_PROGRAMA, pastaAtualizacao + "/zelpraxComissao2");
        struct stat dados {};
        ASSERT_EQ(::stat(executavel.c_str(), &dados), 0);
        const timespec tempos[2] = {{dados.st_mtime - 86400, 0}, {dados.st_mtime - 86400, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (pastaAtualizacao + "/zelpraxComissao2").c_str(), tempos, 0), 0);

        EscreverArquivo(atualizador, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + registro + ".tmp' && mv '" + registro +
                                         ".tmp' '" + registro + "'\n");
        fs::permissions(atualizador, fs::perms::owner_all);
    }

    Fim IniciarMonitor() {
        return Executar(executavel, {"QT_QPA_PLATFORM=offscreen", "XDG_DESKTOP_DIR=" + areaDeTrabalho},
                        std::chrono::seconds(60));
    }

    PastaTemporaria pasta;
    std::string raiz = pasta.Caminho().string();
    std::string dadosErp = raiz + "/Servidor ERP/Dados";
    std::string pastaAtualizacao = raiz + "/Servidor ERP/Update";
    std::string estacao = raiz + "/Estação 1";
    std::string executavel = estacao + "/zelpraxComissao2";
    std::string atualizador = pastaAtualizacao + "/zelpraxAtualizador";
    std::string registro = raiz + "/argumentos.txt";
    std::string areaDeTrabalho = raiz + "/Desktop";
};

TEST_F(MonitorPontaAPonta, BancoAntigoEExecutavelPublicadoDiferente) {
    const Fim primeiro = IniciarMonitor();
    ASSERT_TRUE(primeiro.terminou) << "the monitor did not end within a minute";
    EXPECT_EQ(primeiro.status, 0);

    EXPECT_EQ(EsperarLinhas(registro),
              (std::vector<std::string>{"@F1", "@M" + raiz + "/Servidor\u00A7ERP/Update",
                                        "@E" + raiz + "/Estação\u00A71", "@AzelpraxComissao2"}));
    // The hand-over leaves the instance lock in place, as any end without clean-up does.
    EXPECT_TRUE(fs::exists(dadosErp + "/zelpraxComissao2.lock"));
    {
        DadosTeste dados(dadosErp + "/erp.fdb");
        EXPECT_EQ(dados.Linhas("select script_rodado, versao_erp from tab_parametro"),
                  (std::vector<std::vector<std::string>>{{"57", "Versao Inicial"}}));
        // Marks what the first start wrote, so the second start is seen to leave it alone.
        dados.Executar("update tab_parametro set versao_erp = '4.1.7', script_rodado = 60");
    }

    // Started again (the lock removed, as the updater's restart would find it): the table already
    // has its columns, and the hand-over happens again.
    fs::remove(dadosErp + "/zelpraxComissao2.lock");
    fs::remove(registro);
    const Fim segundo = IniciarMonitor();
    ASSERT_TRUE(segundo.terminou);
    EXPECT_EQ(segundo.status, 0);
    EXPECT_EQ(EsperarLinhas(registro).size(), 4u);
    DadosTeste dados(dadosErp + "/erp.fdb");
    EXPECT_EQ(dados.Linhas("select script_rodado, versao_erp from tab_parametro"),
              (std::vector<std::vector<std::string>>{{"60", "4.1.7"}}));
}

}  // namespace
}  // namespace zelprax::teste
