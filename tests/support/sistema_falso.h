#pragma once
// The system as tests see it: the real one, except that terminating a process, starting a program
// and ending this process are recorded instead of done.

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zelprax::teste {

// Thrown in place of ending the process, so a test can see that the program would have ended.
struct ProcessoTerminado {
    int codigo;
};

class SistemaFalso : public plataforma::Sistema {
public:
    std::string CaminhoExecutavel() const override {
        return executavel.empty() ? plataforma::Sistema::CaminhoExecutavel() : executavel;
    }
    bool EncerrarProcesso(const std::string& nome) override {
        encerrados.push_back(nome);
        return false;
    }
    bool IniciarPrograma(const std::string& programa, const std::string& parametros) override {
        iniciados.push_back(programa + " " + parametros);
        return true;
    }
    [[noreturn]] void TerminarProcesso(int codigo) override { throw ProcessoTerminado{codigo}; }

    std::string executavel;  // empty: the test program's own path
    std::vector<std::string> encerrados;
    std::vector<std::string> iniciados;
};

}  // namespace zelprax::teste
