// The real monitor asked to end from outside, as a session manager, `systemctl --user stop` or a
// shutdown asks: SIGTERM, SIGINT or SIGHUP end it within seconds in every state it can be in, and
// the lock file it wrote goes with it, so the next login starts cleanly (a manual monitor writes
// none, and leaves the one it found). The cases with a message box open run on a virtual X
// display, where the box can be seen.

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "programas.h"
#include "support/banco_teste.h"
#include "support/invariantes.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool Esperar(const std::function<bool()>& condicao, std::chrono::milliseconds prazo) {
    const auto fim = std::chrono::steady_clock::now() + prazo;
    while (!condicao()) {
        if (std::chrono::steady_clock::now() > fim) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// A virtual X display of its own: Xvfb picks a free number and reports it once it accepts clients.
class TelaVirtual {
public:
    TelaVirtual() {
        std::FILE* saida = ::popen("Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo pid=$!", "r");
        if (saida == nullptr) return;
        char linha[64];
        while (std::fgets(linha, sizeof linha, saida) != nullptr) {
            const std::string texto(linha, std::strcspn(linha, "\n"));
            if (texto.starts_with("pid=")) {
                pid_ = std::stoi(texto.substr(4));
            } else {
                numero_ = ":" + texto;
                break;
            }
        }
        ::pclose(saida);
    }
    ~TelaVirtual() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
    }
    TelaVirtual(const TelaVirtual&) = delete;
    TelaVirtual& operator=(const TelaVirtual&) = delete;

    const std::string& Numero() const { return numero_; }
    // True while a message box titled "Aviso do Sistema" is shown on it.
    bool CaixaAberta() const {
        return std::system(("DISPLAY=" + numero_ +
                            " xdotool search --onlyvisible --name '^Aviso do Sistema$' >/dev/null 2>&1")
                               .c_str()) == 0;
    }

private:
    pid_t pid_ = 0;
    std::string numero_;
};

// An ERP installation with the built monitor copied into it (a copy: the monitor finds the ERP's
// ini files beside its own resolved path) and the demo's database.
class Instalacao {
public:
    explicit Instalacao(int notas) {
        for (const char* pasta : {"Monitor", "Dados", "Update"}) fs::create_directories(raiz.Caminho() / pasta);
        fs::copy_file(ZELPRAX_PROGRAMA, programa);
        fs::copy_file(ZELPRAX_PROGRAMA, raiz / "Update/zelpraxComissao2");
        fs::last_write_time(raiz / "Update/zelpraxComissao2", fs::last_write_time(programa));
        EscreverArquivo(raiz / "Update/zelpraxAtualizador", "#!/bin/sh\n");
        EscreverArquivo(raiz / "Monitor/zelpraxempresa.ini",
                        "[IniServidor]\nnomearquivo=" + (raiz / "Dados/zelprax.ini") + "\n");
        EscreverArquivo(raiz / "Dados/zelprax.ini",
                        "[Database]\nServidor=\npath=" + (raiz / "Dados/") + "\nname=erp.fdb\n");
        const ResultadoPrograma demo = ExecutarPrograma(
            ZELPRAX_DEMO, {"--banco", banco, "--notas", std::to_string(notas), "--semente", "1"});
        if (demo.status != 0) throw std::runtime_error("zelprax-demo: " + demo.erros);
    }

    PastaTemporaria raiz;
    std::string programa = raiz / "Monitor/zelpraxComissao2";
    std::string banco = raiz / "Dados/erp.fdb";
    std::string trava = raiz / "Dados/zelpraxComissao2.lock";
};

struct Caso {
    const char* estado;
    int notas;
    bool manual;
    // Prepares the installation before the start.
    std::function<void(Instalacao&)> preparar;
    // True once the monitor is on its way to the state to be tried (given its standard error).
    std::function<bool(Instalacao&, const std::string& erros)> pronto;
    std::chrono::milliseconds espera;  // then into the state: the run under way
    bool naTela;  // on the virtual display, `pronto` once the message box is seen there
    int sinal;
    int pendentesDepois;  // invoices still awaiting calculation after the end: -1 any, 0 none, 1 some
};

bool Sempre(Instalacao&, const std::string&) { return true; }
bool ComTrava(Instalacao& i, const std::string&) { return fs::exists(i.trava); }
void Nada(Instalacao&) {}
void TravaAnterior(Instalacao& i) { EscreverArquivo(i.trava, "trava"); }

TEST(PedidoDeEncerramento, SinalEncerraOMonitorEmCadaEstadoEApagaATrava) {
    for (const char* programa : {"Xvfb", "xdotool"})
        ASSERT_TRUE(std::system(("command -v " + std::string(programa) + " >/dev/null 2>&1").c_str()) == 0)
            << programa << " is missing: run scripts/setup";
    const TelaVirtual tela;
    ASSERT_FALSE(tela.Numero().empty()) << "Xvfb did not start";
    const auto caixaAberta = [&tela](Instalacao&, const std::string&) { return tela.CaixaAberta(); };
    const Caso casos[] = {
        {"parado esperando a hora", 3, false, Nada, ComTrava, 500ms, false, SIGTERM, 3},
        {"SIGINT", 3, false, Nada, ComTrava, 500ms, false, SIGINT, -1},
        {"SIGHUP", 3, false, Nada, ComTrava, 500ms, false, SIGHUP, -1},
        // The server ini is missing: its message box waits at start-up.
        {"caixa de mensagem aberta no início", 3, false,
         [](Instalacao& i) { fs::remove(i.raiz / "Dados/zelprax.ini"); }, caixaAberta, 0ms, true, SIGTERM, -1},
        // A run the user started ends with its final message, which waits for OK.
        {"caixa de mensagem aberta no fim da execução", 3, true, TravaAnterior, caixaAberta, 0ms, true, SIGTERM, 0},
        {"no meio de uma execução", 1000, true, TravaAnterior, Sempre, 1s, false, SIGTERM, 1},
        {"depois de uma execução que falhou", 3, true,
         [](Instalacao& i) {
             TravaAnterior(i);
             DadosTeste dados(i.banco);
             dados.Executar("create exception e_teste 'falha de teste'");
             dados.Executar("create trigger t_teste for mov_nf_comercio before update as begin "
                            "exception e_teste; end");
         },
         [](Instalacao&, const std::string& erros) { return erros.find("falha de teste") != std::string::npos; },
         500ms, false, SIGTERM, -1},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.estado);
        Instalacao instalacao(c.notas);
        c.preparar(instalacao);
        const Inicio inicio = [&] {
            DadosTeste dados(instalacao.banco);
            return CapturarInicio(dados);
        }();
        const std::string erros = instalacao.raiz / "erros.txt";
        const std::map<std::string, std::string> ambiente =
            c.naTela ? std::map<std::string, std::string>{{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", tela.Numero()}}
                     : std::map<std::string, std::string>{{"QT_QPA_PLATFORM", "offscreen"}};
        const pid_t pid = IniciarPrograma(instalacao.programa, c.manual ? std::vector<std::string>{"manual"}
                                                                        : std::vector<std::string>{},
                                          ambiente, instalacao.raiz / "saida.txt", erros);
        int estado = 0;
        auto terminou = [&] { return ::waitpid(pid, &estado, WNOHANG) == pid; };
        const bool pronto = Esperar(
            [&] {
                std::ifstream arquivo(erros);
                const std::string texto((std::istreambuf_iterator<char>(arquivo)), std::istreambuf_iterator<char>());
                return c.pronto(instalacao, texto);
            },
            60s);
        std::this_thread::sleep_for(c.espera);
        ASSERT_TRUE(pronto);
        ASSERT_FALSE(terminou()) << "the monitor ended by itself";
        ::kill(pid, c.sinal);
        const bool encerrou = Esperar(terminou, 5s);
        if (!encerrou) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &estado, 0);
        }
        ASSERT_TRUE(encerrou) << "still running 5 s after the signal";
        EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
        if (c.manual) {
            std::ifstream restante(instalacao.trava, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(restante), {}), "trava");  // not its own
        } else {
            EXPECT_FALSE(fs::exists(instalacao.trava));
        }

        DadosTeste dados(instalacao.banco);
        const long long pendentes = dados.Contar("select count(*) from mov_nf_comercio where st_calc_comissao = 'S'");
        if (c.pendentesDepois == 0) {
            EXPECT_EQ(pendentes, 0);
        } else if (c.pendentesDepois > 0) {
            EXPECT_GT(pendentes, 0);
        }
        // What was pending was rolled back, what was committed holds.
        EXPECT_EQ(VerificarInvariantes(dados, inicio), std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace zelprax::teste
