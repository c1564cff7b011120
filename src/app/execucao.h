#pragma once
// The commission run itself: the phases in their fixed order, the closing statements and the
// warnings the phases left. The main window's tick and the headless runner both drive it; what
// surrounds a run (the connection, the due-time rule, the messages, the end of the process) is
// theirs.

#include <optional>
#include <string>
#include <vector>

#include "commission/motor.h"

namespace zelprax::monitor {

struct OpcoesExecucao {
    bool naoGerarAcertos = false;     // "Não gerar acertos conforme a fase do processo"
    bool naoGerarEstorno = false;     // "Não gerar estorno de comissão de inadimplentes"
    std::optional<std::string> hora;  // the hour box's text, stored by the closing statement once
                                      // it is known to be a whole hour 0 to 23; nullopt: not stored
};

struct ResultadoExecucao {
    std::vector<std::string> avisos;  // warning texts of the run, in order (caption "Aviso do Sistema")
    bool encontrouRegistros = false;  // Phase 5, 6 or 7 found something to process
};

inline constexpr const char* kProcessamentoConcluido = "Processamento concluído com sucesso!";
inline constexpr const char* kNenhumRegistro = "Nenhum registro encontrado para atualização.";

inline constexpr const char* kAvisoNotasVenda =
    "Algumas NFs de venda não tiveram a comissão atualizada pois já foram gerados pagamentos de comissão.";
inline constexpr const char* kAvisoDuplicatas =
    "Algumas Duplicatas não tiveram a comissão atualizada pois já foram gerados pagamentos de comissão.";
inline constexpr const char* kAvisoAcertos =
    "Alguns Acertos de Comissão não tiveram a comissão atualizada pois já foram gerados pagamentos de comissão.";

// Checks the hour (when given) before anything is touched, then runs the phases in order, leaving
// out Phases 2 to 4 and 8 to 9 as the options say, then the closing statements through IBQ_Gen:
// the hour for every parameter row (when given), commit, removal of the zero-amount commission
// entries, commit. Returns the warnings: those of the documents left alone for a paid entry, then
// one line per column whose text the run stored cut. Raises whatever the phases and the statements
// raise, and ErroConversao for an hour that is not a whole hour 0 to 23.
ResultadoExecucao ExecutarFases(comissao::Motor& motor, const OpcoesExecucao& opcoes);

// True when the error text carries one of the three texts of a lost or unreachable server
// (matched case-sensitively, anywhere in the text).
bool PerdaDoServidor(const std::string& textoErro);

}  // namespace zelprax::monitor
