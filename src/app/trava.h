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
// Written below the first line, one "name=value" line each (maquina=, processo=, programa=,
// identidade=), so that a start can tell a lock left behind by a process that has ended from one
// that is held.
struct DonoTrava {
    std::string maquina;
    long processo = 0;
    std::string programa;
    // The computer's identity (plataforma::Sistema::IdentidadeMaquina); none in a lock written
    // before locks carried it, which is judged by the computer's name alone and the processes.
    std::optional<std::string> identidade;
    // Found by the examination of an abandoned lock: the program its process number runs now;
    // empty when no process has that number any more.
    std::string programaAgora;
};

// This process as a lock's holder, as the system reports it.
DonoTrava DonoAtual(const plataforma::Sistema& sistema);

// The whole lock file: the first line, then the holder's lines, each ended by CR LF.
std::string ConteudoArquivoTrava(const std::string& caminhoExecutavel, const DonoTrava& dono);

// The holder a lock file's content names; none when it names no computer or no valid process
// number (a lock written before locks carried their holder, or any other content).
std::optional<DonoTrava> LerDonoTrava(const std::string& conteudo);

// True when the lock was written on this computer: the names compared ignoring letter case, and
// the identities too when the lock carries one.
bool TravaDestaMaquina(const DonoTrava& dono, const plataforma::Sistema& sistema);

// The rule by the table of processes, for a lock of this computer whose advisory lock cannot
// tell (one written before locks were held so, or on a file system without such locks): true
// when its process no longer runs, now runs another program than the one written, or is this
// very process (its number reused after a restart). A lock of another computer, or of a running
// process whose program cannot be read, is held.
bool TravaAbandonada(const DonoTrava& dono, const plataforma::Sistema& sistema);

enum class EstadoTrava {
    Livre,      // no lock file (or no regular file under its name, which CriarArquivoTrava refuses)
    Ocupada,    // a lock to honour, as a running monitor's
    Abandonada  // left behind by a process that has ended: a start may take it over
};

struct TravaEncontrada {
    EstadoTrava estado = EstadoTrava::Livre;
    DonoTrava dono;  // of an abandoned lock, and of a held one that names its holder
    // For a lock to honour (and for a name that holds no regular file), what it is, as a line to
    // give after the refusal's own text: the
    // program, process and computer holding it, or that the file is empty, unreadable, not a
    // regular file or names no holder (with the hint that it can be deleted when no monitor runs).
    std::string detalhe;
};

// What a start finds in the data folder. A file under the lock file's name is honoured, one that
// cannot be read and an empty one included; a symbolic link, a folder or a device is no lock, and
// the creation refuses it (never following a link) with the same detail. A lock of this computer
// that carries its identity is held while its advisory lock is (see CriarArquivoTrava); one
// whose advisory lock is free was left by a holder that has ended.
TravaEncontrada ExaminarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados,
                                     const plataforma::Sistema& sistema);

// The notice of a start that has taken over an abandoned lock; when the process number now runs
// another program, or still runs the same one without holding the lock, a second line says so.
std::string MensagemTravaAssumida(const DonoTrava& dono);

// pastaDados ends in a separator, as LocalizarPastaDados gives it.
bool ExisteArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados);
// Creates the lock file whole or not at all, naming this process as the system reports it as
// holder: the name is created exclusively (never through a symbolic link), then written; on any
// failure the file is removed. The advisory lock on it is held until ApagarArquivoTrava or the
// end of this process. An abandoned lock under the name is taken over (deleted while its own
// advisory lock is held, so two starts cannot both take it); this process's own earlier lock is
// replaced. Raises std::runtime_error when it cannot be written, or when the name is held, with
// what holds it on a line of its own.
void CriarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados,
                       const plataforma::Sistema& sistema = plataforma::SistemaNativo());
// Deletes this process's own lock file, only while the name is still its file, and releases its
// advisory lock. A lock file this process did not write (a manual monitor writes none) is left as
// it is; so is one that is absent or cannot be deleted, without a word.
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
