#include "planilha.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "platform/platform.h"

namespace zelprax::executor {

namespace {

std::string Motivo(int erro) { return std::strerror(erro); }

// The folder of the file (with its separator) and the file's name.
std::pair<std::string, std::string> PastaENome(const std::string& caminho) {
    std::size_t barra = caminho.find_last_of(plataforma::Separador());
#ifdef _WIN32
    if (const std::size_t outra = caminho.find_last_of('/'); outra != std::string::npos &&
                                                              (barra == std::string::npos || outra > barra))
        barra = outra;
#endif
    if (barra == std::string::npos) return {"", caminho};
    return {caminho.substr(0, barra + 1), caminho.substr(barra + 1)};
}

}  // namespace

ArquivoPlanilha::~ArquivoPlanilha() {
    Fechar();
    if (!temporario_.empty()) std::remove(temporario_.c_str());
}

void ArquivoPlanilha::Fechar() noexcept {
    if (descritor_ < 0) return;
#ifdef _WIN32
    ::_close(descritor_);
#else
    ::close(descritor_);
#endif
    descritor_ = -1;
}

#ifndef _WIN32

std::string ArquivoPlanilha::Preparar() {
    struct stat estado {};
    mode_t modo = 0;
    if (::lstat(caminho_.c_str(), &estado) == 0) {
        if (S_ISLNK(estado.st_mode)) return "é um link simbólico, que não é seguido";
        if (S_ISDIR(estado.st_mode)) return Motivo(EISDIR);
        if (!S_ISREG(estado.st_mode)) {
            // A device or a FIFO: written in place. Opened without waiting, so that a FIFO nobody
            // reads refuses the run now instead of blocking after it; then writes wait as usual.
            descritor_ = ::open(caminho_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            if (descritor_ < 0) return errno == ENXIO ? "é um FIFO que ninguém está lendo" : Motivo(errno);
            struct stat aberto {};
            if (::fstat(descritor_, &aberto) != 0 || S_ISREG(aberto.st_mode)) {
                Fechar();
                return "o arquivo mudou enquanto era aberto";
            }
            ::fcntl(descritor_, F_SETFL, ::fcntl(descritor_, F_GETFL) & ~O_NONBLOCK);
            return {};
        }
        // A spreadsheet its user may not write is not replaced behind its back.
        if (::access(caminho_.c_str(), W_OK) != 0) return Motivo(errno);
        modo = estado.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Motivo(errno);
    } else {
        const mode_t mascara = ::umask(0);
        ::umask(mascara);
        modo = 0666 & ~mascara;
    }
    const auto [pasta, nome] = PastaENome(caminho_);
    std::string modelo = pasta + "." + nome + ".XXXXXX";
    descritor_ = ::mkostemp(modelo.data(), O_CLOEXEC);
    if (descritor_ < 0) return Motivo(errno);
    temporario_ = modelo;
    // The new file keeps the old one's permissions and, where allowed, its owner.
    ::fchmod(descritor_, modo);
    if (estado.st_nlink > 0 && ::fchown(descritor_, estado.st_uid, estado.st_gid) != 0) {
        // Not the owner's to give (a user replacing a file of another): the file becomes this user's.
    }
    return {};
}

std::string ArquivoPlanilha::Gravar(const std::string& texto) {
    if (descritor_ < 0) return "o arquivo não foi aberto";
    for (std::size_t feito = 0; feito < texto.size();) {
        const ssize_t n = ::write(descritor_, texto.data() + feito, texto.size() - feito);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int erro = n < 0 ? errno : ENOSPC;
            Fechar();
            return Motivo(erro);
        }
        feito += static_cast<std::size_t>(n);
    }
    if (temporario_.empty()) {
        Fechar();
        return {};
    }
    // On disk before it takes the old file's name: a crash right after never leaves it empty.
    int erro = ::fsync(descritor_) == 0 ? 0 : errno;
    if (::close(descritor_) != 0 && erro == 0) erro = errno;
    descritor_ = -1;
    if (erro != 0) return Motivo(erro);
    if (::rename(temporario_.c_str(), caminho_.c_str()) != 0) return Motivo(errno);
    temporario_.clear();
    return {};
}

#else

std::string ArquivoPlanilha::Preparar() {
    const DWORD atributos = ::GetFileAttributesA(caminho_.c_str());
    if (atributos != INVALID_FILE_ATTRIBUTES) {
        if (atributos & FILE_ATTRIBUTE_REPARSE_POINT) return "é um link simbólico, que não é seguido";
        if (atributos & FILE_ATTRIBUTE_DIRECTORY) return Motivo(EISDIR);
        struct _stat64 estado {};
        if (::_stat64(caminho_.c_str(), &estado) == 0 && (estado.st_mode & _S_IFMT) == _S_IFCHR) {
            descritor_ = ::_open(caminho_.c_str(), _O_WRONLY | _O_BINARY);
            return descritor_ < 0 ? Motivo(errno) : std::string();
        }
        if (atributos & FILE_ATTRIBUTE_READONLY) return Motivo(EACCES);
    }
    const auto [pasta, nome] = PastaENome(caminho_);
    for (int tentativa = 0; tentativa < 100 && descritor_ < 0; ++tentativa) {
        const std::string candidato =
            pasta + "." + nome + "." + std::to_string(::_getpid()) + "-" + std::to_string(tentativa) + ".tmp";
        descritor_ = ::_open(candidato.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
        if (descritor_ >= 0) temporario_ = candidato;
        else if (errno != EEXIST) return Motivo(errno);
    }
    return descritor_ < 0 ? Motivo(EEXIST) : std::string();
}

std::string ArquivoPlanilha::Gravar(const std::string& texto) {
    if (descritor_ < 0) return "o arquivo não foi aberto";
    for (std::size_t feito = 0; feito < texto.size();) {
        const int n = ::_write(descritor_, texto.data() + feito, static_cast<unsigned>(texto.size() - feito));
        if (n <= 0) {
            const int erro = n < 0 ? errno : ENOSPC;
            Fechar();
            return Motivo(erro);
        }
        feito += static_cast<std::size_t>(n);
    }
    if (temporario_.empty()) {
        Fechar();
        return {};
    }
    int erro = ::_commit(descritor_) == 0 ? 0 : errno;
    if (::_close(descritor_) != 0 && erro == 0) erro = errno;
    descritor_ = -1;
    if (erro != 0) return Motivo(erro);
    if (!::MoveFileExA(temporario_.c_str(), caminho_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return "não foi possível substituir o arquivo (erro " + std::to_string(::GetLastError()) + ")";
    temporario_.clear();
    return {};
}

#endif

}  // namespace zelprax::executor
