#pragma once
// What the monitor needs from the operating system: its own program file, this computer's name,
// processes, starting a program, desktop shortcuts and file times. One implementation per system (posix/, windows/);
// tests derive from Sistema to fake termination and program start.

#include <cstdint>
#include <cstddef>
#include <ctime>
#include <optional>
#include <string>

namespace zelprax::plataforma {

// The folder separator of this system: '/' on POSIX, '\\' on Windows.
char Separador();

class Sistema {
public:
    virtual ~Sistema() = default;

    // Full path of the running program file.
    virtual std::string CaminhoExecutavel() const;

    // This computer's network name; empty when it cannot be read.
    virtual std::string NomeMaquina() const;

    // What tells this computer from another of the same name: /etc/machine-id on Linux, the
    // machine GUID on Windows; empty where the system keeps neither.
    virtual std::string IdentidadeMaquina() const;

    // The number of this process.
    virtual long IdProcesso() const;

    // The program file name (without folder) of the process with that number: std::nullopt when
    // no such process runs (one that has ended but not yet been collected included); an empty
    // name when it runs but its program cannot be read (another user's process, say).
    virtual std::optional<std::string> ProgramaDoProcesso(long processo) const;

    // Terminates the first process, in the system's own order, whose program file name (without
    // folder) equals nomePrograma, both lowercased. When that process is this one, it exits at once
    // with status 0. True when a process was terminated.
    virtual bool EncerrarProcesso(const std::string& nomePrograma);

    // Starts a program detached, its parameters split at blanks; does not wait for it.
    // False when it could not be started.
    virtual bool IniciarPrograma(const std::string& programa, const std::string& parametros);

    // Saves a desktop shortcut named nomeAtalho (without extension; the system adds its own) that
    // starts alvo, described by descricao. False when it could not be saved.
    virtual bool CriarAtalhoAreaDeTrabalho(const std::string& alvo, const std::string& descricao,
                                           const std::string& nomeAtalho);

    // The current user's desktop folder, without trailing separator.
    virtual std::string PastaAreaDeTrabalho() const;

    // Last-modification time of a file, floored to even seconds (the classic file-date form);
    // empty when the file does not exist.
    virtual std::optional<std::time_t> DataModificacao(const std::string& caminho) const;

    // Ends this process at once, without unwinding.
    [[noreturn]] virtual void TerminarProcesso(int codigo);
};

// The real system, for the programs; tests pass their own Sistema.
Sistema& SistemaNativo();

// A lock file as this process creates, holds or inspects it. Its name is never followed as a
// symbolic link, and only a regular file is accepted. The advisory lock covers one byte far past
// the end of the file's lines: on Windows a locked range cannot be read by others, and the lines
// must stay readable. The lock is held by this open file (not by the process), so another opening
// in this very process is refused it too; it goes with the file's closing or the process's end,
// never to a program the process starts.
class ArquivoDeTrava {
public:
    enum class Resultado {
        Feito,
        Ausente,     // no file of that name
        Existe,      // creation: something already has the name
        NaoRegular,  // a folder, a symbolic link, a device...
        Ocupado,     // the lock is held through another opening of the file
        SemSuporte,  // the file system keeps no such locks
        Falhou       // the system's reason in Erro()
    };

    ArquivoDeTrava() = default;
    ~ArquivoDeTrava();  // closes the file, which releases its lock
    ArquivoDeTrava(ArquivoDeTrava&& outro) noexcept;
    ArquivoDeTrava& operator=(ArquivoDeTrava&& outro) noexcept;
    ArquivoDeTrava(const ArquivoDeTrava&) = delete;
    ArquivoDeTrava& operator=(const ArquivoDeTrava&) = delete;

    // Creates the file under that name; Existe when anything, a dangling link included, has it.
    Resultado Criar(const std::string& caminho);
    // Opens the file of that name for reading, and for writing and deleting where allowed.
    Resultado Abrir(const std::string& caminho);
    // Takes the lock; without esperar, Ocupado at once when another opening holds it.
    Resultado Travar(bool esperar);
    // Writes the whole text at the start and sends it to the disk; false with Erro() set.
    bool Gravar(const std::string& texto);
    // Reads at most `limite` bytes from the start; none with Erro() set.
    std::optional<std::string> Ler(std::size_t limite);
    // Deletes the name when it still names this open file, which stays open (and locked) until
    // closed. False with Erro() set when it could not, or empty Erro() when the name now belongs to
    // another file (or to none).
    bool Apagar();
    void Fechar() noexcept;
    bool Aberto() const noexcept;
    const std::string& Erro() const noexcept { return erro_; }

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int descritor_ = -1;
#endif
    std::string caminho_;
    std::string erro_;
};

// Appends `linha` to the file in one write to a file opened for appending, so that the lines of
// two processes never interleave; creates the file (readable by its owner only) and its folders.
// A file that the line would take past `limite` bytes is first renamed to ARQUIVO.1, replacing an
// older one, under an exclusive lock of the file, so that two writers rotate it once. Empty on
// success, else the system's reason.
std::string AcrescentarComRotacao(const std::string& arquivo, const std::string& linha, std::uintmax_t limite);

// Requests from outside to end the program: SIGTERM, SIGINT and SIGHUP on POSIX, as a session
// manager, a service manager or a shutdown sends them. From this call on they no longer act by
// themselves (nor through a handler a loaded library installs): each waits on the returned
// descriptor until the program reads it in its event loop and ends in order. To be called first
// in the program entry, before any thread starts, so that every thread inherits it; programs it
// starts get the default back. -1 where the system has no such requests.
int ReterPedidosDeEncerramento();
// Takes the waiting requests off the descriptor; true when there was one.
bool LerPedidoDeEncerramento(int descritor);

}  // namespace zelprax::plataforma
