#pragma once
// The system as tests see it: the real one, except that terminating a process, starting a program
// and ending this process are recorded instead of done, and that the computer's name and
// identity, this process's number and the table of running processes can be set.

#include <map>
#include <optional>
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
    std::string NomeMaquina() const override { return maquina ? *maquina : plataforma::Sistema::NomeMaquina(); }
    std::string IdentidadeMaquina() const override {
        return identidade ? *identidade : plataforma::Sistema::IdentidadeMaquina();
    }
    long IdProcesso() const override { return processo ? *processo : plataforma::Sistema::IdProcesso(); }
    std::optional<std::string> ProgramaDoProcesso(long numero) const override {
        if (!processos) return plataforma::Sistema::ProgramaDoProcesso(numero);
        const auto p = processos->find(numero);
        if (p == processos->end()) return std::nullopt;
        return p->second;
    }

    std::string executavel;  // empty: the test program's own path
    std::vector<std::string> encerrados;
    std::vector<std::string> iniciados;
    std::optional<std::string> maquina;                      // unset: the real computer's name
    std::optional<std::string> identidade;                   // unset: the real computer's identity
    std::optional<long> processo;                            // unset: the real number
    std::optional<std::map<long, std::string>> processos;    // unset: the real processes
};

}  // namespace zelprax::teste
