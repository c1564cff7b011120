#pragma once
// What the reliability cases share: generated databases and their copies, one complete run as the
// monitor makes it, a progress display that lets a test act in the middle of a phase, the window's
// side of the run driver, a child process whose output can be watched while it runs, and the
// Firebird server on 127.0.0.1 that some cases stop on purpose.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/agendador.h"
#include "app/hora.h"
#include "commission/painel.h"
#include "support/banco_teste.h"
#include "support/invariantes.h"
#include "support/tela_gravada.h"

namespace zelprax::teste {

// A database made from the schema and filled by the demo generator (repeatable for one seed),
// every paid entry with an amount of its own.
// Its dates count back from `hoje`, the test's own now unless given.
void CriarBancoGerado(const std::string& caminho, int notas, std::uint32_t semente,
                      std::optional<db::DataHora> hoje = std::nullopt);

// A copy of a database file under another name in the same folder; returns the copy's path.
std::string CopiarBanco(const std::string& origem, const std::string& destino);

// One run as the headless runner makes it: the phases and closing statements, the inactive mark,
// the release (committing after a completed run, rolling back after a failed one). True when it
// completed; otherwise `erro` receives the failure's full text.
bool ExecutarCompleta(const std::string& conexao, std::string* erro = nullptr,
                      const db::Relogio& relogio = RelogioDoTeste());

// Complete runs on `conexao` until one more run leaves every row as it was (RetratoCompleto). The
// number of runs that changed something, or -1 when `limite` runs did not get there or a run
// failed (its text in `erro`).
int ExecutarAtePontoFixo(const std::string& conexao, int limite, std::string* erro = nullptr);

// One complete run on `conexao`, then, as test expectations, the run rules against the start and
// the entries against those of a complete run on a copy of the same start.
void ConferirDepoisDeMaisUmaExecucao(const std::string& conexao, const Inicio& inicio,
                                     const std::string& retratoReferencia);

// The caption and gauge of a run, recorded, with a hook called at every step of the gauge: a
// phase steps its gauge as it takes up the next document, before any statement for it.
class PainelObservado : public comissao::PainelExecucao {
public:
    void MostrarLegenda(const std::string& legenda) override;
    void OcultarLegenda() override { Sinal(); }
    void MostrarBarra(bool) override { Sinal(); }
    void DefinirMaximo(int maximo) override {
        Sinal();
        this->maximo = maximo;
    }
    void DefinirPosicao(int posicao) override {
        Sinal();
        this->posicao = posicao;
    }
    void Avancar() override;
    void ProcessarEventos() override;
    bool EmissaoAPartir() const override { return false; }
    db::DataHora DataEmissaoAPartir() const override { return {}; }

    std::vector<std::string> legendas;
    int maximo = 0, posicao = 0;
    int passosNaFase = 0;  // gauge steps since the last caption
    std::chrono::steady_clock::time_point ultimoSinal;  // the last call of any kind from the run
    std::function<void(PainelObservado&)> aoAvancar;
    // Called where the run lets the window process its events, also between the writes of one
    // document, while they are not yet committed.
    std::function<void(PainelObservado&)> aoProcessarEventos;

private:
    void Sinal() { ultimoSinal = std::chrono::steady_clock::now(); }
};

// A built program run as its own process, its output going to files that can be read while it
// runs. The destructor kills a process still running.
class ProcessoFilho {
public:
    ProcessoFilho(const std::string& programa, const std::vector<std::string>& argumentos,
                  const std::map<std::string, std::string>& ambiente = {});
    ~ProcessoFilho();
    ProcessoFilho(const ProcessoFilho&) = delete;
    ProcessoFilho& operator=(const ProcessoFilho&) = delete;

    pid_t Pid() const { return pid_; }
    std::string Saida() const;
    std::string Erros() const;
    // Waits for the end; the exit status, or 128 + the signal that ended it.
    int Esperar();
    // Waits until `condicao` holds or the process ends or the time runs out; true when it held.
    bool AguardarQue(const std::function<bool()>& condicao, int milissegundos);
    bool Terminou();

private:
    PastaTemporaria pasta_;
    std::string arquivoSaida_, arquivoErros_;
    pid_t pid_ = -1;
    int status_ = -1;
};

// The Firebird server of the test command: ZELPRAX_SERVIDOR, empty when it is not set.
std::string ServidorDeTeste();
bool ServidorResponde();
// The processes of the server program (/usr/sbin/firebird), by their ids.
std::vector<pid_t> ProcessosDoServidor();
// Kills every server process with SIGKILL and waits until nothing listens on its port.
void DerrubarServidor();
// Starts the server through the project's script and waits until it answers.
void IniciarServidor();

// Brings the server back at the end of a scope, whatever happened in it.
class ServidorGarantido {
public:
    ServidorGarantido() = default;
    ~ServidorGarantido();
    ServidorGarantido(const ServidorGarantido&) = delete;
    ServidorGarantido& operator=(const ServidorGarantido&) = delete;
};

}  // namespace zelprax::teste
