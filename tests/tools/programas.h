#pragma once
// Runs one of the built programs as its own process, the way cron or an operator would, and
// captures its exit status, standard output and standard error.

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zelprax::teste {

struct ResultadoPrograma {
    int status = -1;  // exit status; 128 + signal when killed
    std::string saida;
    std::string erros;
};

// Starts the program with its standard output and error going to the two files (files, not pipes:
// a chatty program can never block on a full pipe) and its input from /dev/null. `ambiente` adds
// or replaces variables; a variable mapped to "" is removed. Returns the process id; raises when
// the program cannot be started.
pid_t IniciarPrograma(const std::string& programa, const std::vector<std::string>& argumentos,
                      const std::map<std::string, std::string>& ambiente, const std::string& arquivoSaida,
                      const std::string& arquivoErros);

// Runs the program to its end.
ResultadoPrograma ExecutarPrograma(const std::string& programa, const std::vector<std::string>& argumentos,
                                   const std::map<std::string, std::string>& ambiente = {});

// The same, calling `enquanto` with the process id while the program runs (to signal it, say),
// then waiting for its end.
ResultadoPrograma ExecutarProgramaEnquanto(const std::string& programa, const std::vector<std::string>& argumentos,
                                           const std::map<std::string, std::string>& ambiente,
                                           const std::function<void(pid_t)>& enquanto);

// True when something accepts connections on 127.0.0.1 at the given port.
bool PortaAberta(int porta);

// The Firebird server the test may use: ZELPRAX_SERVIDOR when set, else 127.0.0.1 when a server
// answers on port 3050, else empty.
std::string ServidorFirebird();

}  // namespace zelprax::teste
