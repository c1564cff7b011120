#pragma once
// One headless commission run: find the database (or take it from the command line), honour the
// monitor's instance lock, run the phases and the closing statements through the monitor's own
// run driver, mark the monitor inactive, release, and report.

#include <cstdio>
#include <optional>
#include <string>

#include "app/registro.h"
#include "opcoes.h"
#include "resumo.h"

namespace zelprax::executor {

// Exit statuses of the runner.
inline constexpr int kSaidaConcluida = 0;
inline constexpr int kSaidaFalhou = 1;
inline constexpr int kSaidaUso = 2;
inline constexpr int kSaidaPlanilha = monitor::kRegistroSemPlanilha;  // the run completed, its --csv spreadsheet could not be written
inline constexpr int kSaidaInterrompida = monitor::kRegistroInterrompida;  // ended by SIGTERM, SIGINT or SIGHUP; what was pending rolled back

struct AmbienteRunner {
    std::string caminhoPrograma;        // the runner's own program file
    std::optional<std::string> usuario;  // ISC_USER, when set
    std::optional<std::string> senha;    // ISC_PASSWORD, when set
    std::FILE* saida = stdout;
    std::FILE* erros = stderr;
    bool saidaTerminal = false;
    bool errosTerminal = false;
    // Where the requests to end wait (plataforma::ReterPedidosDeEncerramento); -1: none, and the
    // signals act by their handlers.
    int pedidosDeEncerramento = -1;
};

// One run, recorded in the journal of runs (unless --sem-registro).
int ExecutarRunner(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente);

// Appends the record to the journal the options name (--registro, else the default one); a
// journal that cannot be written costs a line on standard error, never the run's status. Returns
// the journal's file and why it was not written, none with --sem-registro.
std::optional<ArquivoGravado> RegistrarExecucao(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente,
                                                const monitor::RegistroExecucao& registro);

// --historico: the journal's last runs as a table, or as a JSON array with --json; the lines
// that are not records are counted, not shown. A journal that cannot be read is reported on
// standard error with the usage status, never as a journal without runs.
int MostrarHistorico(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente);

}  // namespace zelprax::executor
