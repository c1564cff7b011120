#pragma once
// One headless commission run: find the database (or take it from the command line), honour the
// monitor's instance lock, run the phases and the closing statements through the monitor's own
// run driver, mark the monitor inactive, release, and report.

#include <cstdio>
#include <optional>
#include <string>

#include "opcoes.h"

namespace zelprax::executor {

// Exit statuses of the runner.
inline constexpr int kSaidaConcluida = 0;
inline constexpr int kSaidaFalhou = 1;
inline constexpr int kSaidaUso = 2;

struct AmbienteRunner {
    std::string caminhoPrograma;        // the runner's own program file
    std::optional<std::string> usuario;  // ISC_USER, when set
    std::optional<std::string> senha;    // ISC_PASSWORD, when set
    std::FILE* saida = stdout;
    std::FILE* erros = stderr;
    bool saidaTerminal = false;
    bool errosTerminal = false;
};

int ExecutarRunner(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente);

}  // namespace zelprax::executor
