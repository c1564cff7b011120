#pragma once
// The commission run itself: the phases in their fixed order, the closing statements and the
// warnings the phases left. The main window's tick and the headless runner both drive it; what
// surrounds a run (the connection, the due-time rule, the messages, the end of the process) is
// theirs.

#include <concepts>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "commission/motor.h"

namespace zelprax::monitor {

// One option of a run, read when the run reaches the step it governs: the window stays responsive
// while the phases work, so the user may tick a box or change the hour in the meantime. Holds a
// fixed value (the runner's options, the tests) or a reader of the window.
template <typename T>
class OpcaoLida {
public:
    OpcaoLida() : ler_([] { return T{}; }) {}
    template <typename F>
        requires std::is_invocable_r_v<T, F&>
    OpcaoLida(F ler) : ler_(std::move(ler)) {}
    template <typename U>
        requires(!std::is_invocable_v<U&> && std::constructible_from<T, U>)
    OpcaoLida(U&& valor) : ler_([v = T(std::forward<U>(valor))] { return v; }) {}

    T operator()() const { return ler_(); }

private:
    std::function<T()> ler_;
};

struct OpcoesExecucao {
    OpcaoLida<bool> naoGerarAcertos;  // "Não gerar acertos conforme a fase do processo"
    OpcaoLida<bool> naoGerarEstorno;  // "Não gerar estorno de comissão de inadimplentes"
    // The hour box's text, stored by the closing statement when it is a whole hour 0 to 23;
    // nullopt: the hour is not stored (the runner's runs).
    OpcaoLida<std::optional<std::string>> hora;
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

// The warning of a run whose hour box did not hold a whole hour 0 to 23: the stored hour is kept.
std::string AvisoHoraNaoGravada(const std::string& textoHora);

// Runs the phases in order, leaving out Phases 2 to 4 and 8 to 9 as the options say, then the
// closing statements through IBQ_Gen: the hour for every parameter row (when given and a whole
// hour 0 to 23), commit, removal of the zero-amount commission entries, commit. Returns the
// warnings: those of the documents left alone for a paid entry, then one line per column whose
// text the run stored cut, then the hour that was not stored. Raises whatever the phases and the
// statements raise.
ResultadoExecucao ExecutarFases(comissao::Motor& motor, const OpcoesExecucao& opcoes);

// True when the error text carries one of the three texts of a lost or unreachable server
// (matched case-sensitively, anywhere in the text).
bool PerdaDoServidor(const std::string& textoErro);

// The line of an error text that names its cause, for the places that have room for one line (the
// window's last-run line, the tray's tooltip, the failure box's first line). The engine often
// opens with a line that only says what kind of error follows: for an exception raised by a
// trigger or procedure ("exception 1", its name, its text, where it was raised) it is the
// exception's text; after "Dynamic SQL Error", "SQL error code = ...", "lock conflict on no wait
// transaction" and the like, the first line that says more. Otherwise the first line.
std::string CausaDoErro(const std::string& textoErro);

}  // namespace zelprax::monitor
