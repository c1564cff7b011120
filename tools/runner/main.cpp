// zelprax-comissao: one commission run without a window, for cron and service timers.

#ifdef _WIN32
#include <io.h>
#else
#include <langinfo.h>
#include <unistd.h>
#endif

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "execucao_runner.h"
#include "opcoes.h"
#include "platform/platform.h"
#include "versao.h"

namespace {

std::optional<std::string> Variavel(const char* nome) {
    const char* valor = std::getenv(nome);
    if (valor == nullptr || *valor == '\0') return std::nullopt;
    return std::string(valor);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zelprax::executor;
    // File names are UTF-8 here, and the database client converts a database's path by the
    // character set of the program's locale: without one of UTF-8, a folder with accents ("Pasta
    // d'Água") cannot be opened. Only the character classes change; numbers keep the C locale.
    // On Windows the client takes the path in the ANSI code page, the C library's default.
#ifndef _WIN32
    if (std::setlocale(LC_CTYPE, "") == nullptr || std::string(nl_langinfo(CODESET)) != "UTF-8")
        std::setlocale(LC_CTYPE, "C.UTF-8");
#endif
    try {
        const LeituraOpcoes leitura = LerOpcoes(std::vector<std::string>(argv + 1, argv + argc));
        AmbienteRunner ambiente;
        if (!leitura.Valida()) {
            std::fprintf(stderr, "zelprax-comissao: %s\nUse --help para ver as opções.\n", leitura.erro.c_str());
            // Recorded too: a timer whose command line is wrong must show in the journal.
            zelprax::monitor::RegistroExecucao registro;
            registro.origem = zelprax::monitor::kOrigemRunner;
            registro.inicio = registro.fim = zelprax::db::RelogioDoSistema().Agora();
            registro.erro = leitura.erro;
            registro.status = kSaidaUso;
            RegistrarExecucao(leitura.opcoes, ambiente, registro);
            return kSaidaUso;
        }
        if (leitura.opcoes.versao && !leitura.opcoes.ajuda) {
            std::fputs("zelprax-comissao " ZELPRAX_VERSAO "\n", stdout);
            return kSaidaConcluida;
        }
        if (leitura.opcoes.ajuda) {
            std::fputs(kAjudaRunner, stdout);
            return kSaidaConcluida;
        }
        if (leitura.opcoes.historico) return MostrarHistorico(leitura.opcoes, ambiente);
        ambiente.caminhoPrograma = zelprax::plataforma::SistemaNativo().CaminhoExecutavel();
        ambiente.usuario = Variavel("ISC_USER");
        ambiente.senha = Variavel("ISC_PASSWORD");
#ifdef _WIN32
        ambiente.saidaTerminal = ::_isatty(::_fileno(stdout)) != 0;
        ambiente.errosTerminal = ::_isatty(::_fileno(stderr)) != 0;
#else
        ambiente.saidaTerminal = ::isatty(STDOUT_FILENO) == 1;
        ambiente.errosTerminal = ::isatty(STDERR_FILENO) == 1;
#endif
        // From here on SIGTERM, SIGINT and SIGHUP wait for the run to read them, before the
        // database client starts a thread or installs a handler of its own.
        ambiente.pedidosDeEncerramento = zelprax::plataforma::ReterPedidosDeEncerramento();
        return ExecutarRunner(leitura.opcoes, ambiente);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zelprax-comissao: %s\n", e.what());
        return kSaidaFalhou;
    }
}
