#pragma once
// The run driver: one tick of the scheduling timer. It connects, applies the due-time rule, runs
// the phases, reports, marks the monitor inactive, removes the lock and ends the process; a
// failure stops the timers and, when the server is gone, ends the process the same way. The main
// window forwards its timer and its button here and shows what this asks of it.

#include <exception>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/registro.h"
#include "commission/motor.h"
#include "db/datas.h"

namespace zelprax::monitor {

inline constexpr const char* kTituloPrograma = "zelprax Monitor Comissão";

// The box of a failed run opens with this, followed by the line of the error that names its cause.
inline constexpr const char* kExecucaoFalhou = "A atualização das comissões falhou: ";

// What the tick needs of the main window.
class TelaAgendador {
public:
    virtual ~TelaAgendador() = default;
    virtual std::string TextoHora() const = 0;    // edtHoraAtualizacao
    virtual std::string TextoInicio() const = 0;  // lblInicioAtualizacao
    virtual void EscreverInicio(const std::string& texto) = 0;
    virtual void EscreverFinal(const std::string& texto) = 0;  // lblUltimaAtualizacao
    // lblAguarde shown with its caption as it is, Gauge1 shown at position 1.
    virtual void MostrarProgresso() = 0;
    // lblAguarde hidden (its caption kept), Gauge1 hidden at position 0.
    virtual void OcultarProgresso() = 0;
    virtual bool NaoGerarAcertos() const = 0;
    virtual bool NaoGerarEstorno() const = 0;
    // Manual mode: the window shown and the icon hidden, as the menu's "&Abrir Monitor Comissão".
    virtual void AbrirJanela() = 0;
    // Timer1 and Timer2.
    virtual void PararTemporizadores() = 0;
    // The run just recorded in the journal (completed or failed), shown before any box that
    // follows the run.
    virtual void MostrarUltimaExecucao(const RegistroExecucao&) {}
};

class AgendadorComissao {
public:
    // Messages go through the engine's Interacao, processes through its Sistema. A failed run's
    // full error text is written to `erros`.
    AgendadorComissao(comissao::Motor& motor, TelaAgendador& tela, const db::Relogio& relogio, bool modoManual,
                      std::ostream& erros);

    // One tick (Timer1Timer). Does nothing while a run is in progress: a tick or a click that
    // arrives through the phases' event processing must not replace the running connection.
    // Every error of the tick is handled here; nothing escapes but a failure of the handling.
    // A failed run hides the progress, is recorded and shown on the window's line, rolls back
    // what is pending, stops the timers and says its error in a box; in manual mode the process
    // then ends as after a completed run, without touching the lock. A server that went away ends
    // the process without a box.
    void Timer1Timer();

    // An error that ended the start-up sequence (the connection's, say): no timer runs, so no
    // scheduled run happens until the user's click. Written to the error stream and recorded in
    // the journal as a failed run, with the connection string that was tried.
    void RegistrarFalhaNoInicio(const std::exception& erro, const std::string& conexao);

    bool EmExecucao() const { return emExecucao_; }

    // The journal every run is recorded in; empty: none. A journal that cannot be written costs
    // one line on the error stream, never the run.
    void DefinirRegistro(std::string arquivo) { registro_ = std::move(arquivo); }
    // The journal's last run, of this monitor or of the runner.
    std::optional<RegistroExecucao> UltimaExecucao() const;

    // The current run was started by the user (button or manual mode).
    bool bMesnagemClickBotao = false;

private:
    void Executar();
    // Records the failed run and, once what is pending is rolled back, shows or ends.
    void Falhar(const std::exception* erro);
    RegistroExecucao NovoRegistro(int status) const;
    RegistroExecucao RegistroDeFalha(const std::exception* erro) const;
    void Registrar(const RegistroExecucao& registro);
    // Marks the monitor inactive through a fresh connection when one can be had, and ends.
    void EncerrarSemExecucao();

    comissao::Motor& motor_;
    TelaAgendador& tela_;
    const db::Relogio& relogio_;
    bool modoManual_;
    std::ostream& erros_;
    std::string conexao_;  // the connection string this tick read, for the server-loss steps
    std::string registro_;
    std::string origem_;       // how the current run started
    db::DataHora inicio_;      // when it started
    bool emExecucao_ = false;
};

// The program file whose process a run ends: this monitor under its usual name.
std::string NomeProgramaMonitor();

// Manual mode: the first command-line argument is "manual" in any letter case.
bool ModoManual(const std::string& primeiroArgumento);

}  // namespace zelprax::monitor
