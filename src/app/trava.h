#pragma once
// One monitor per data folder: the lock file beside the ERP's data, the monitor flag in the
// parameter table, and the stop signal another program can leave in "Conectado.txt".

#include <optional>
#include <string>

#include "db/banco.h"
#include "platform/platform.h"

namespace zelprax::monitor {

// The lock file's name: the program file's name (blanks around it removed) up to its last full
// stop, then ".lock"; a name without a full stop is kept whole, so that programs without an
// extension do not share one ".lock".
std::string NomeArquivoTrava(const std::string& caminhoExecutavel, char separador);

// The lock file's first line, with its line break.
std::string ConteudoArquivoTrava(const std::string& caminhoExecutavel);

// Who holds a lock: the computer, the process number there and that process's program file name.
// Written below the first line, one "name=value" line each (maquina=, processo=, programa=), so
// that a start can tell a lock left behind by a process that has ended from one that is held.
struct DonoTrava {
    std::string maquina;
    long processo = 0;
    std::string programa;
};

// This process as a lock's holder, as the system reports it.
DonoTrava DonoAtual(const plataforma::Sistema& sistema);

// The whole lock file: the first line, then the holder's three lines, each ended by CR LF.
std::string ConteudoArquivoTrava(const std::string& caminhoExecutavel, const DonoTrava& dono);

// The holder a lock file's content names; none when it names no computer or no valid process
// number (a lock written before locks carried their holder, or any other content).
std::optional<DonoTrava> LerDonoTrava(const std::string& conteudo);

// True when the holder can no longer be holding the lock: the lock was written on this computer
// (names compared ignoring letter case) and its process no longer runs, now runs another program
// than the one written, or is this very process (its number reused after a restart). A lock of
// another computer, or of a running process whose program cannot be read, is held.
bool TravaAbandonada(const DonoTrava& dono, const plataforma::Sistema& sistema);

enum class EstadoTrava {
    Livre,      // no lock file
    Ocupada,    // a lock to honour, as a running monitor's
    Abandonada  // left behind by a process that has ended: a start may take it over
};

struct TravaEncontrada {
    EstadoTrava estado = EstadoTrava::Livre;
    DonoTrava dono;  // of an abandoned lock
};

// What a start finds in the data folder. A lock file that cannot be read is honoured.
TravaEncontrada ExaminarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados,
                                     const plataforma::Sistema& sistema);

// The notice of a start that has taken over an abandoned lock.
std::string MensagemTravaAssumida(const DonoTrava& dono);

// pastaDados ends in a separator, as LocalizarPastaDados gives it.
bool ExisteArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados);
// Creates or overwrites the lock file, naming this process as the system reports it as holder;
// raises std::runtime_error when it cannot be written.
void CriarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados,
                       const plataforma::Sistema& sistema = plataforma::SistemaNativo());
// Deletes the lock file; one that is absent or cannot be deleted is left without a word.
void ApagarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados);

// Sets ST_MONITOR_COMISSAO_ATIVO of every parameter row ('S' or 'N') in the connection's default
// transaction and commits, retaining it. Errors are raised.
void AtualizarMonitorAtivo(bool ativo, db::BancoDados& conexao);

// The watchdog rule: false when the first line of "Conectado.txt" in the data folder is exactly
// "DESCONECTAR" (its line break aside); true for any other line, an empty file, or a file or
// folder that does not exist. Raises std::runtime_error when the folder or the file exists but
// cannot be read.
bool ServidorConectado(const std::string& pastaDados);

inline constexpr const char* kArquivoSinal = "Conectado.txt";
inline constexpr const char* kSinalDesconectar = "DESCONECTAR";
inline constexpr const char* kMensagemPastaInacessivel = "Não foi possível acessar a pasta Dados no Servidor.";

}  // namespace zelprax::monitor
