// The monitor on Linux and other systems with /proc: processes are found through /proc, programs
// start detached in their own session, the desktop shortcut is a freedesktop desktop entry.

#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/signalfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zelprax::plataforma {

namespace {

// The kernel appends this to /proc/PID/exe when the program file was removed or replaced while
// running; the process still runs that program, so it keeps its name.
constexpr std::string_view kSufixoApagado = " (deleted)";

std::string MinusculasAscii(std::string texto) {
    std::transform(texto.begin(), texto.end(), texto.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return texto;
}

std::string NomeSemPasta(const std::string& caminho) {
    const auto barra = caminho.rfind('/');
    return barra == std::string::npos ? caminho : caminho.substr(barra + 1);
}

// Target of a symbolic link, without the kernel's "(deleted)" mark; empty when it cannot be read.
std::string LerLigacao(const std::string& ligacao) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t lidos = ::readlink(ligacao.c_str(), buffer.data(), buffer.size());
        if (lidos < 0) return {};
        if (static_cast<size_t>(lidos) < buffer.size()) {
            std::string alvo(buffer.data(), static_cast<size_t>(lidos));
            if (alvo.size() > kSufixoApagado.size() && alvo.ends_with(kSufixoApagado))
                alvo.resize(alvo.size() - kSufixoApagado.size());
            return alvo;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// argv[0] of a process: the text of /proc/PID/cmdline up to its first NUL.
std::string LerPrimeiroArgumento(const std::string& pastaProcesso) {
    std::ifstream arquivo(pastaProcesso + "/cmdline", std::ios::binary);
    std::string argumento;
    if (arquivo) std::getline(arquivo, argumento, '\0');
    return argumento;
}

std::string NomeProgramaDoProcesso(const std::string& pastaProcesso) {
    std::string caminho = LerLigacao(pastaProcesso + "/exe");
    if (caminho.empty()) caminho = LerPrimeiroArgumento(pastaProcesso);
    return NomeSemPasta(caminho);
}

// The state letter of /proc/PID/stat, which follows the parenthesised command name (itself free
// to hold blanks and parentheses); '\0' when the file cannot be read.
char EstadoDoProcesso(const std::string& pastaProcesso) {
    std::ifstream arquivo(pastaProcesso + "/stat");
    std::string linha;
    if (!arquivo || !std::getline(arquivo, linha)) return '\0';
    const auto fecha = linha.rfind(')');
    if (fecha == std::string::npos || fecha + 2 >= linha.size()) return '\0';
    return linha[fecha + 2];
}

std::vector<pid_t> ListarProcessos(bool& listou) {
    std::vector<pid_t> processos;
    DIR* pasta = ::opendir("/proc");
    listou = pasta != nullptr;
    if (!pasta) return processos;
    while (const dirent* entrada = ::readdir(pasta)) {
        const std::string nome = entrada->d_name;
        if (nome.empty() || !std::all_of(nome.begin(), nome.end(),
                                         [](unsigned char c) { return c >= '0' && c <= '9'; }))
            continue;
        processos.push_back(static_cast<pid_t>(std::strtol(nome.c_str(), nullptr, 10)));
    }
    ::closedir(pasta);
    std::sort(processos.begin(), processos.end());
    return processos;
}

std::vector<std::string> SepararEmBrancos(const std::string& texto) {
    std::vector<std::string> partes;
    std::string parte;
    for (const char c : texto) {
        if (c == ' ') {
            if (!parte.empty()) partes.push_back(std::move(parte));
            parte.clear();
        } else {
            parte += c;
        }
    }
    if (!parte.empty()) partes.push_back(std::move(parte));
    return partes;
}

// Escapes of the desktop entry "string" type, applied to every value we write.
std::string EscaparValor(const std::string& valor) {
    std::string escapado;
    for (const char c : valor) {
        switch (c) {
            case '\\': escapado += "\\\\"; break;
            case '\n': escapado += "\\n"; break;
            case '\t': escapado += "\\t"; break;
            case '\r': escapado += "\\r"; break;
            default: escapado += c;
        }
    }
    return escapado;
}

// One argument of an Exec line: quoted when it holds a character the desktop entry format reserves,
// with the four characters that stay special inside quotes escaped; "%" always doubled so it is not
// read as a field code. The string-type escapes are applied afterwards by the caller.
std::string ArgumentoExec(const std::string& argumento) {
    constexpr std::string_view kReservados = " \t\n\"'\\><~|&;$*?#()`";
    const bool citar = argumento.empty() ||
                       argumento.find_first_of(kReservados) != std::string::npos;
    std::string resultado;
    if (citar) resultado += '"';
    for (const char c : argumento) {
        if (c == '%') {
            resultado += "%%";
            continue;
        }
        if (citar && (c == '"' || c == '`' || c == '$' || c == '\\')) resultado += '\\';
        resultado += c;
    }
    if (citar) resultado += '"';
    return resultado;
}

bool EscreverTudo(int descritor, const std::string& texto) {
    size_t escritos = 0;
    while (escritos < texto.size()) {
        const ssize_t n = ::write(descritor, texto.data() + escritos, texto.size() - escritos);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        escritos += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

char Separador() { return '/'; }

std::string Sistema::CaminhoExecutavel() const {
    std::string caminho = LerLigacao("/proc/self/exe");
    if (caminho.empty())
        throw std::system_error(errno, std::generic_category(),
                                "CaminhoExecutavel: /proc/self/exe could not be read");
    return caminho;
}

std::string Sistema::NomeMaquina() const {
    char nome[256] = {};
    if (::gethostname(nome, sizeof nome - 1) != 0) return {};
    return nome;
}

std::string Sistema::IdentidadeMaquina() const {
    // One line of 32 hexadecimal digits, written at installation; blanks around it are no part of it.
    std::ifstream arquivo("/etc/machine-id");
    std::string linha;
    if (!arquivo || !std::getline(arquivo, linha)) return {};
    const auto inicio = linha.find_first_not_of(" \t\r");
    if (inicio == std::string::npos) return {};
    return linha.substr(inicio, linha.find_last_not_of(" \t\r") - inicio + 1);
}

long Sistema::IdProcesso() const { return static_cast<long>(::getpid()); }

std::optional<std::string> Sistema::ProgramaDoProcesso(long processo) const {
    // Numbers 0 and below name process groups for kill(), never one process.
    if (processo <= 0 || processo > INT_MAX) return std::nullopt;
    const std::string pasta = "/proc/" + std::to_string(processo);
    struct stat dados {};
    if (::stat(pasta.c_str(), &dados) != 0) {
        if (errno == ENOENT || errno == ESRCH) return std::nullopt;
        return std::string{};
    }
    // A zombie (ended, not yet collected by its parent) or a dying process runs nothing any more.
    const char estado = EstadoDoProcesso(pasta);
    if (estado == 'Z' || estado == 'X' || estado == 'x') return std::nullopt;
    const std::string nome = NomeProgramaDoProcesso(pasta);
    // The process may have ended between the two reads.
    if (nome.empty() && ::stat(pasta.c_str(), &dados) != 0 && errno == ENOENT) return std::nullopt;
    return nome;
}

bool Sistema::EncerrarProcesso(const std::string& nomePrograma) {
    const std::string procurado = MinusculasAscii(nomePrograma);
    bool listou = false;
    const std::vector<pid_t> processos = ListarProcessos(listou);
    if (!listou) return false;
    const pid_t proprio = ::getpid();
    for (const pid_t pid : processos) {
        const std::string nome = NomeProgramaDoProcesso("/proc/" + std::to_string(pid));
        if (nome.empty() || MinusculasAscii(nome) != procurado) continue;
        if (pid == proprio) TerminarProcesso(0);
        // A process we may not signal is passed over, as one that cannot be opened for termination.
        if (::kill(pid, SIGKILL) == 0) return true;
    }
    return false;
}

bool Sistema::IniciarPrograma(const std::string& programa, const std::string& parametros) {
    // Everything the children need is prepared here: between fork and exec only async-signal-safe
    // calls are allowed, since other threads of this process may hold the allocator's locks.
    std::vector<std::string> argumentos = SepararEmBrancos(parametros);
    argumentos.insert(argumentos.begin(), programa);
    std::vector<char*> argv;
    for (std::string& argumento : argumentos) argv.push_back(argumento.data());
    argv.push_back(nullptr);

    // The program is started by a short-lived intermediate child, so it is adopted by init and
    // never becomes a zombie of this long-running process. Its exec failure comes back through a
    // close-on-exec pipe: end of file means the exec succeeded.
    int canal[2];
    if (::pipe2(canal, O_CLOEXEC) != 0) return false;
    const pid_t intermediario = ::fork();
    if (intermediario < 0) {
        ::close(canal[0]);
        ::close(canal[1]);
        return false;
    }
    if (intermediario == 0) {
        ::close(canal[0]);
        ::setsid();
        const pid_t programaFilho = ::fork();
        if (programaFilho != 0) {
            if (programaFilho < 0) {
                const int erro = errno;
                [[maybe_unused]] const ssize_t n = ::write(canal[1], &erro, sizeof erro);
            }
            ::_exit(0);
        }
        sigset_t nenhum;
        ::sigemptyset(&nenhum);
        ::sigprocmask(SIG_SETMASK, &nenhum, nullptr);
        ::execvp(argv[0], argv.data());
        const int erro = errno;
        [[maybe_unused]] const ssize_t n = ::write(canal[1], &erro, sizeof erro);
        ::_exit(127);
    }
    ::close(canal[1]);
    int status = 0;
    while (::waitpid(intermediario, &status, 0) < 0 && errno == EINTR) {
    }
    int erro = 0;
    ssize_t lidos;
    do {
        lidos = ::read(canal[0], &erro, sizeof erro);
    } while (lidos < 0 && errno == EINTR);
    ::close(canal[0]);
    return lidos == 0;
}

bool Sistema::CriarAtalhoAreaDeTrabalho(const std::string& alvo, const std::string& descricao,
                                        const std::string& nomeAtalho) {
    const std::string caminho = PastaAreaDeTrabalho() + "/" + nomeAtalho + ".desktop";
    const std::string conteudo = "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=" + EscaparValor(descricao) + "\n"
                                 "Exec=" + EscaparValor(ArgumentoExec(alvo)) + "\n";
    const int descritor = ::open(caminho.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
    if (descritor < 0) return false;
    // The mode is set explicitly because the umask would otherwise take the execute bits that
    // desktops require before they run an entry.
    bool gravou = ::fchmod(descritor, 0755) == 0 && EscreverTudo(descritor, conteudo);
    if (::close(descritor) != 0) gravou = false;
    return gravou;
}

std::string Sistema::PastaAreaDeTrabalho() const {
    std::string pasta;
    if (const char* xdg = std::getenv("XDG_DESKTOP_DIR"); xdg && *xdg) {
        pasta = xdg;
    } else {
        const char* home = std::getenv("HOME");
        pasta = std::string(home ? home : "") + "/Desktop";
    }
    while (pasta.size() > 1 && pasta.back() == '/') pasta.pop_back();
    return pasta;
}

std::optional<std::time_t> Sistema::DataModificacao(const std::string& caminho) const {
    struct stat dados {};
    if (::stat(caminho.c_str(), &dados) != 0) return std::nullopt;
    // Time-zone offsets are whole minutes, so flooring the epoch seconds floors local time alike.
    const std::time_t t = dados.st_mtime;
    return t - ((t % 2) + 2) % 2;
}

void Sistema::TerminarProcesso(int codigo) {
    std::fflush(nullptr);
    ::_exit(codigo);
}

Sistema& SistemaNativo() {
    static Sistema sistema;
    return sistema;
}

std::string AcrescentarComRotacao(const std::string& arquivo, const std::string& linha, std::uintmax_t limite) {
    std::error_code erroPasta;
    const std::filesystem::path pasta = std::filesystem::path(arquivo).parent_path();
    if (!pasta.empty()) std::filesystem::create_directories(pasta, erroPasta);
    if (erroPasta) return pasta.string() + ": " + erroPasta.message();

    // A writer that finds the file rotated under it (its descriptor no longer names the path)
    // opens the new one; a few turns always suffice unless the folder is being played with.
    for (int volta = 0; volta < 8; ++volta) {
        const int fd = ::open(arquivo.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return arquivo + ": " + std::strerror(errno);
        struct Fechar {
            int fd;
            ~Fechar() { ::close(fd); }
        } fechar{fd};
        if (::flock(fd, LOCK_EX) != 0) return arquivo + ": " + std::strerror(errno);
        struct stat aberto {}, nome {};
        if (::fstat(fd, &aberto) != 0) return arquivo + ": " + std::strerror(errno);
        if (::stat(arquivo.c_str(), &nome) != 0 || nome.st_ino != aberto.st_ino || nome.st_dev != aberto.st_dev)
            continue;
        const auto tamanho = static_cast<std::uintmax_t>(aberto.st_size);
        if (tamanho > 0 && tamanho + linha.size() > limite) {
            if (::rename(arquivo.c_str(), (arquivo + ".1").c_str()) != 0)
                return arquivo + ".1: " + std::strerror(errno);
            continue;
        }
        const ssize_t escritos = ::write(fd, linha.data(), linha.size());
        if (escritos < 0) return arquivo + ": " + std::strerror(errno);
        if (static_cast<std::size_t>(escritos) != linha.size()) return arquivo + ": gravação incompleta";
        return {};
    }
    return arquivo + ": trocado por outro processo durante a gravação";
}

namespace {

// The byte the advisory lock covers, far past the few lines of any lock file.
constexpr off_t kByteDaTrava = 0x7FFFFFFF;

std::string Razao(int erro) { return std::strerror(erro); }

}  // namespace

ArquivoDeTrava::~ArquivoDeTrava() { Fechar(); }

ArquivoDeTrava::ArquivoDeTrava(ArquivoDeTrava&& outro) noexcept
    : descritor_(outro.descritor_), caminho_(std::move(outro.caminho_)), erro_(std::move(outro.erro_)) {
    outro.descritor_ = -1;
}

ArquivoDeTrava& ArquivoDeTrava::operator=(ArquivoDeTrava&& outro) noexcept {
    if (this != &outro) {
        Fechar();
        descritor_ = outro.descritor_;
        caminho_ = std::move(outro.caminho_);
        erro_ = std::move(outro.erro_);
        outro.descritor_ = -1;
    }
    return *this;
}

void ArquivoDeTrava::Fechar() noexcept {
    if (descritor_ >= 0) ::close(descritor_);
    descritor_ = -1;
}

bool ArquivoDeTrava::Aberto() const noexcept { return descritor_ >= 0; }

ArquivoDeTrava::Resultado ArquivoDeTrava::Criar(const std::string& caminho) {
    Fechar();
    caminho_ = caminho;
    erro_.clear();
    // O_EXCL fails on any name that exists, a symbolic link (dangling or not) included.
    descritor_ = ::open(caminho.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descritor_ >= 0) return Resultado::Feito;
    erro_ = Razao(errno);
    return errno == EEXIST ? Resultado::Existe : Resultado::Falhou;
}

ArquivoDeTrava::Resultado ArquivoDeTrava::Abrir(const std::string& caminho) {
    Fechar();
    caminho_ = caminho;
    erro_.clear();
    // Non-blocking, so that a FIFO under the name cannot hold the open; read-only where the file
    // may not be written (another user's lock).
    int modo = O_RDWR;
    for (;;) {
        descritor_ = ::open(caminho.c_str(), modo | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descritor_ >= 0) break;
        const int erro = errno;
        if (erro == EINTR) continue;
        if (modo == O_RDWR && (erro == EACCES || erro == EPERM || erro == EROFS || erro == ETXTBSY)) {
            modo = O_RDONLY;
            continue;
        }
        erro_ = Razao(erro);
        if (erro == ENOENT) return Resultado::Ausente;
        if (erro == ELOOP || erro == EISDIR || erro == ENXIO) return Resultado::NaoRegular;
        return Resultado::Falhou;
    }
    struct stat dados {};
    if (::fstat(descritor_, &dados) != 0) {
        erro_ = Razao(errno);
        Fechar();
        return Resultado::Falhou;
    }
    if (!S_ISREG(dados.st_mode)) {
        Fechar();
        return Resultado::NaoRegular;
    }
    return Resultado::Feito;
}

ArquivoDeTrava::Resultado ArquivoDeTrava::Travar(bool esperar) {
    erro_.clear();
    const int flags = ::fcntl(descritor_, F_GETFL);
    struct flock trava {};
    // A lock for writing needs a file open for writing; a reading lock conflicts with it all the same.
    trava.l_type = static_cast<short>(flags >= 0 && (flags & O_ACCMODE) != O_RDONLY ? F_WRLCK : F_RDLCK);
    trava.l_whence = SEEK_SET;
    trava.l_start = kByteDaTrava;
    trava.l_len = 1;
#ifdef F_OFD_SETLK
    // Held by the open file, not the process: another opening in this process is refused it too.
    const int comando = esperar ? F_OFD_SETLKW : F_OFD_SETLK;
#else
    const int comando = esperar ? F_SETLKW : F_SETLK;
#endif
    for (;;) {
        if (::fcntl(descritor_, comando, &trava) == 0) return Resultado::Feito;
        const int erro = errno;
        if (erro == EINTR) continue;
        erro_ = Razao(erro);
        if (erro == EAGAIN || erro == EACCES) return Resultado::Ocupado;
        if (erro == ENOLCK || erro == EOPNOTSUPP || erro == EINVAL || erro == ENOSYS) return Resultado::SemSuporte;
        return Resultado::Falhou;
    }
}

bool ArquivoDeTrava::Gravar(const std::string& texto) {
    erro_.clear();
    std::size_t escritos = 0;
    while (escritos < texto.size()) {
        const ssize_t n = ::pwrite(descritor_, texto.data() + escritos, texto.size() - escritos,
                                   static_cast<off_t>(escritos));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            erro_ = n < 0 ? Razao(errno) : std::string("gravação incompleta");
            return false;
        }
        escritos += static_cast<std::size_t>(n);
    }
    if (::fsync(descritor_) != 0 && errno != EINVAL && errno != EROFS) {
        erro_ = Razao(errno);
        return false;
    }
    return true;
}

std::optional<std::string> ArquivoDeTrava::Ler(std::size_t limite) {
    erro_.clear();
    std::string conteudo(limite, '\0');
    std::size_t lidos = 0;
    while (lidos < limite) {
        const ssize_t n = ::pread(descritor_, conteudo.data() + lidos, limite - lidos, static_cast<off_t>(lidos));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            erro_ = Razao(errno);
            return std::nullopt;
        }
        if (n == 0) break;
        lidos += static_cast<std::size_t>(n);
    }
    conteudo.resize(lidos);
    return conteudo;
}

bool ArquivoDeTrava::Apagar() {
    erro_.clear();
    struct stat aberto {}, nome {};
    if (descritor_ < 0 || ::fstat(descritor_, &aberto) != 0) return false;
    if (::lstat(caminho_.c_str(), &nome) != 0) {
        if (errno != ENOENT) erro_ = Razao(errno);
        return false;
    }
    if (nome.st_dev != aberto.st_dev || nome.st_ino != aberto.st_ino) return false;
    if (::unlink(caminho_.c_str()) != 0) {
        if (errno != ENOENT) erro_ = Razao(errno);
        return false;
    }
    return true;
}

namespace {

sigset_t PedidosDeEncerramento() {
    sigset_t sinais;
    ::sigemptyset(&sinais);
    for (const int sinal : {SIGTERM, SIGINT, SIGHUP}) ::sigaddset(&sinais, sinal);
    return sinais;
}

}  // namespace

int ReterPedidosDeEncerramento() {
    // Blocked in every thread, the signals stay pending for the process and are read from the
    // descriptor; a handler installed later by a library never sees them.
    const sigset_t sinais = PedidosDeEncerramento();
    if (::pthread_sigmask(SIG_BLOCK, &sinais, nullptr) != 0) return -1;
    return ::signalfd(-1, &sinais, SFD_NONBLOCK | SFD_CLOEXEC);
}

bool LerPedidoDeEncerramento(int descritor) {
    bool houve = false;
    signalfd_siginfo info;
    while (::read(descritor, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) houve = true;
    return houve;
}

}  // namespace zelprax::plataforma
