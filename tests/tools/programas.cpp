#include "programas.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <csignal>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/banco_teste.h"

extern char** environ;

namespace zelprax::teste {

namespace {

std::string LerArquivo(const std::string& caminho) {
    std::ifstream entrada(caminho, std::ios::binary);
    std::ostringstream texto;
    texto << entrada.rdbuf();
    return texto.str();
}

}  // namespace

pid_t IniciarPrograma(const std::string& programa, const std::vector<std::string>& argumentos,
                      const std::map<std::string, std::string>& ambiente, const std::string& arquivoSaida,
                      const std::string& arquivoErros) {
    std::vector<std::string> variaveis;
    for (char** v = environ; *v != nullptr; ++v) {
        const std::string variavel = *v;
        const std::string nome = variavel.substr(0, variavel.find('='));
        if (ambiente.count(nome) == 0) variaveis.push_back(variavel);
    }
    for (const auto& [nome, valor] : ambiente)
        if (!valor.empty()) variaveis.push_back(nome + "=" + valor);

    std::vector<char*> argv{const_cast<char*>(programa.c_str())};
    for (const std::string& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& v : variaveis) envp.push_back(v.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    posix_spawn_file_actions_addopen(&acoes, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&acoes, STDOUT_FILENO, arquivoSaida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&acoes, STDERR_FILENO, arquivoErros.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int falha = posix_spawn(&pid, programa.c_str(), &acoes, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&acoes);
    if (falha != 0) throw std::runtime_error("não foi possível executar " + programa);
    return pid;
}

ResultadoPrograma ExecutarPrograma(const std::string& programa, const std::vector<std::string>& argumentos,
                                   const std::map<std::string, std::string>& ambiente) {
    return ExecutarProgramaEnquanto(programa, argumentos, ambiente, [](pid_t) {});
}

ResultadoPrograma ExecutarProgramaEnquanto(const std::string& programa, const std::vector<std::string>& argumentos,
                                           const std::map<std::string, std::string>& ambiente,
                                           const std::function<void(pid_t)>& enquanto) {
    PastaTemporaria pasta;
    const std::string arquivoSaida = pasta / "saida.txt";
    const std::string arquivoErros = pasta / "erros.txt";

    const pid_t pid = IniciarPrograma(programa, argumentos, ambiente, arquivoSaida, arquivoErros);

    int estado = 0;
    try {
        enquanto(pid);
    } catch (...) {
        ::kill(pid, SIGKILL);
        waitpid(pid, &estado, 0);
        throw;
    }
    while (waitpid(pid, &estado, 0) < 0) {
    }
    ResultadoPrograma r;
    r.status = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
    r.saida = LerArquivo(arquivoSaida);
    r.erros = LerArquivo(arquivoErros);
    return r;
}

bool PortaAberta(int porta) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return false;
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_port = htons(static_cast<std::uint16_t>(porta));
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool aberta = ::connect(s, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0;
    ::close(s);
    return aberta;
}

std::string ServidorFirebird() {
    if (const char* s = std::getenv("ZELPRAX_SERVIDOR"); s != nullptr && *s != '\0') return s;
    return PortaAberta(3050) ? "127.0.0.1" : "";
}

}  // namespace zelprax::teste
