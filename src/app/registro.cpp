#include "app/registro.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/json.h"
#include "platform/platform.h"

namespace zelprax::monitor {

namespace {

// "2026-12-09T07:30:00", local time.
std::string DataHoraIso(const db::DataHora& d) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%04d-%02d-%02dT%02d:%02d:%02d", d.ano, d.mes, d.dia, d.hora, d.minuto,
                  d.segundo);
    return texto;
}

std::optional<db::DataHora> LerDataHoraIso(const std::string& texto) {
    db::DataHora d;
    char t = 0;
    if (texto.size() != 19 || std::sscanf(texto.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &d.ano, &d.mes, &d.dia, &t,
                                          &d.hora, &d.minuto, &d.segundo) != 7 || t != 'T')
        return std::nullopt;
    return d;
}

std::string TextoOuNulo(const std::optional<std::string>& texto) { return texto ? TextoJson(*texto) : "null"; }

std::optional<std::string> TextoOpcional(const Json& valor) {
    if (valor.Nulo()) return std::nullopt;
    return valor.Texto();
}

int Inteiro(const Json& valor) { return static_cast<int>(valor.Numero()); }

// An amount as a JSON number: "-1234.5", never an exponent.
std::string ValorJson(comissao::Moeda valor) {
    std::string texto = valor.Texto();  // four decimals
    while (texto.back() == '0') texto.pop_back();
    if (texto.back() == '.') texto.pop_back();
    return texto;
}

std::string ContagemJson(const comissao::Contagem& c) {
    return "{\"quantidade\":" + std::to_string(c.quantidade) + ",\"valor\":" + ValorJson(c.total) + "}";
}

comissao::Contagem LerContagem(const Json& j) {
    return {Inteiro(j["quantidade"]), comissao::Moeda::DeDouble(j["valor"].Numero())};
}

std::vector<VendedorRegistrado> LerVendedores(const Json& lista) {
    std::vector<VendedorRegistrado> vendedores;
    for (const Json& v : lista.Lista()) {
        VendedorRegistrado r;
        r.vendedor = Inteiro(v["vendedor"]);
        r.nome = v["nome"].Texto();
        for (std::size_t i = 0; i < 3; ++i) {
            r.efeito.criadas[i] = LerContagem(v["criadas"].Lista().at(i));
            r.efeito.removidas[i] = LerContagem(v["removidas"].Lista().at(i));
        }
        r.efeito.descontos = LerContagem(v["descontos"]);
        r.efeito.pagamentos = LerContagem(v["pagamentos"]);
        r.efeito.estornos = LerContagem(v["estornos"]);
        vendedores.push_back(std::move(r));
    }
    return vendedores;
}

}  // namespace

std::vector<VendedorRegistrado> VendedoresDaExecucao(const comissao::EfeitoExecucao& efeito,
                                                     const std::map<std::int32_t, std::string>& nomes) {
    std::vector<VendedorRegistrado> vendedores;
    for (const auto& [vendedor, efeitoVendedor] : efeito.PorVendedor()) {
        const auto nome = nomes.find(vendedor);
        vendedores.push_back({vendedor, nome != nomes.end() ? nome->second : std::string(), efeitoVendedor});
    }
    return vendedores;
}

std::string VendedoresEmJson(const std::vector<VendedorRegistrado>& vendedores) {
    std::string j = "[";
    for (std::size_t i = 0; i < vendedores.size(); ++i) {
        const VendedorRegistrado& v = vendedores[i];
        j += (i > 0 ? ",{\"vendedor\":" : "{\"vendedor\":") + std::to_string(v.vendedor) + ",\"nome\":" + TextoJson(v.nome);
        for (const auto& [rotulo, contagens] : {std::pair{"criadas", &v.efeito.criadas}, std::pair{"removidas", &v.efeito.removidas}}) {
            j += ",\"" + std::string(rotulo) + "\":[";
            for (std::size_t t = 0; t < 3; ++t) j += (t > 0 ? "," : "") + ContagemJson((*contagens)[t]);
            j += "]";
        }
        j += ",\"descontos\":" + ContagemJson(v.efeito.descontos) + ",\"pagamentos\":" + ContagemJson(v.efeito.pagamentos) +
             ",\"estornos\":" + ContagemJson(v.efeito.estornos) +
             ",\"variacaoNaoPaga\":" + ValorJson(v.efeito.VariacaoNaoPaga()) + "}";
    }
    return j + "]";
}

std::string RegistroEmJson(const RegistroExecucao& r) {
    std::string j = "{\"inicio\":\"" + DataHoraIso(r.inicio) + "\",\"fim\":\"" + DataHoraIso(r.fim) +
                    "\",\"origem\":" + TextoJson(r.origem) + ",\"conexao\":" + TextoJson(r.conexao) + ",\"fases\":[";
    for (std::size_t i = 0; i < r.fases.size(); ++i) {
        const FaseRegistrada& f = r.fases[i];
        j += (i > 0 ? ",{\"fase\":" : "{\"fase\":") + std::to_string(f.numero) +
             ",\"selecionados\":" + std::to_string(f.selecionados) + ",\"gravados\":" + std::to_string(f.gravados) +
             ",\"ignorados\":" + std::to_string(f.ignorados) + "}";
    }
    j += "],\"avisos\":[";
    for (std::size_t i = 0; i < r.avisos.size(); ++i) j += (i > 0 ? "," : "") + TextoJson(r.avisos[i]);
    j += "],\"mensagemFinal\":" + TextoOuNulo(r.mensagemFinal) + ",\"erro\":" + TextoOuNulo(r.erro) +
         ",\"codigo\":" + std::to_string(r.codigo) + ",\"status\":" + std::to_string(r.status) +
         (r.simulacao ? ",\"simulacao\":true" : "") + ",\"vendedores\":" + VendedoresEmJson(r.vendedores) + "}";
    return j;
}

std::optional<RegistroExecucao> LerRegistro(const std::string& linha) {
    try {
        const Json j = LerJson(linha);
        RegistroExecucao r;
        const auto inicio = LerDataHoraIso(j["inicio"].Texto());
        const auto fim = LerDataHoraIso(j["fim"].Texto());
        if (!inicio || !fim) return std::nullopt;
        r.inicio = *inicio;
        r.fim = *fim;
        r.origem = j["origem"].Texto();
        r.conexao = j["conexao"].Texto();
        for (const Json& f : j["fases"].Lista())
            r.fases.push_back({Inteiro(f["fase"]), Inteiro(f["selecionados"]), Inteiro(f["gravados"]),
                               Inteiro(f["ignorados"])});
        for (const Json& a : j["avisos"].Lista()) r.avisos.push_back(a.Texto());
        r.mensagemFinal = TextoOpcional(j["mensagemFinal"]);
        r.erro = TextoOpcional(j["erro"]);
        r.codigo = static_cast<std::int64_t>(j["codigo"].Numero());
        r.status = Inteiro(j["status"]);
        r.simulacao = j.Objeto().count("simulacao") > 0 && j["simulacao"].Logico();
        if (j.Objeto().count("vendedores") > 0) r.vendedores = LerVendedores(j["vendedores"]);
        return r;
    } catch (const std::exception&) {
        return std::nullopt;  // not JSON, or not a record
    }
}

std::string CaminhoRegistroPadrao() {
    auto variavel = [](const char* nome) -> std::string {
        const char* valor = std::getenv(nome);
        return valor != nullptr ? valor : "";
    };
    const char s = plataforma::Separador();
    std::string pasta = variavel("STATE_DIRECTORY");
    // systemd may list several state folders, separated by colons: the first is the service's own.
    if (const auto doisPontos = pasta.find(':'); doisPontos != std::string::npos) pasta.erase(doisPontos);
    if (pasta.empty()) {
        if (const std::string xdg = variavel("XDG_STATE_HOME"); !xdg.empty())
            pasta = xdg + s + "zelprax";
        else if (const std::string casa = variavel("HOME"); !casa.empty())
            pasta = casa + s + ".local" + s + "state" + s + "zelprax";
    }
    return pasta.empty() ? std::string() : pasta + s + "execucoes.jsonl";
}

#ifdef _WIN32
namespace {

// The path is UTF-8; the wide calls take it as it is, where a narrow one would read it in the
// ANSI code page and miss every folder with an accent.
std::filesystem::path CaminhoLargo(const std::string& arquivo) {
    return std::filesystem::path(std::u8string(arquivo.begin(), arquivo.end()));
}

std::string MotivoWindows(const std::string& arquivo, DWORD erro) {
    return arquivo + ": erro " + std::to_string(erro);
}

struct Alca {
    HANDLE h;
    ~Alca() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

// The byte the writers lock, far past the end of any journal: a locked range cannot be read by
// others, and the journal must stay readable while a run appends to it.
constexpr DWORD kByteDaTravaRegistro = 0x7FFFFFFF;

// One line appended under an exclusive lock of the file, as on POSIX: every writer shares the file
// (deletion included, so that the one holding the lock can rotate it), locks one byte, and then
// looks whether the path still names the file it holds. A link (a reparse point) is not followed,
// and only a file on disk is written.
std::string AcrescentarLinha(const std::string& arquivo, const std::string& linha, std::uintmax_t limite) {
    const std::filesystem::path largo = CaminhoLargo(arquivo);
    std::error_code erroPasta;
    if (largo.has_parent_path()) std::filesystem::create_directories(largo.parent_path(), erroPasta);
    if (erroPasta) return arquivo + ": " + erroPasta.message();
    const std::wstring anterior = largo.wstring() + L".1";
    constexpr DWORD kCompartilhar = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    for (int volta = 0; volta < 8; ++volta) {
        // An earlier version of the program opened the journal unshared: wait for it a moment.
        Alca a{INVALID_HANDLE_VALUE};
        for (int espera = 0; espera < 50 && a.h == INVALID_HANDLE_VALUE; ++espera) {
            a.h = CreateFileW(largo.c_str(), GENERIC_READ | GENERIC_WRITE, kCompartilhar, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (a.h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION) break;
            if (a.h == INVALID_HANDLE_VALUE) Sleep(20);
        }
        if (a.h == INVALID_HANDLE_VALUE) {
            const DWORD erro = GetLastError();
            const DWORD atributos = GetFileAttributesW(largo.c_str());
            if (atributos != INVALID_FILE_ATTRIBUTES && (atributos & FILE_ATTRIBUTE_DIRECTORY) != 0)
                return arquivo + ": é uma pasta, não um arquivo comum";
            return MotivoWindows(arquivo, erro);
        }
        BY_HANDLE_FILE_INFORMATION aberto{};
        if (GetFileType(a.h) != FILE_TYPE_DISK || !GetFileInformationByHandle(a.h, &aberto) ||
            (aberto.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
            return arquivo + ": não é um arquivo comum";
        OVERLAPPED trava{};
        trava.Offset = kByteDaTravaRegistro;
        if (!LockFileEx(a.h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &trava)) return MotivoWindows(arquivo, GetLastError());
        const Alca nome{CreateFileW(largo.c_str(), 0, kCompartilhar, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
        BY_HANDLE_FILE_INFORMATION doNome{};
        if (nome.h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(nome.h, &doNome) ||
            doNome.dwVolumeSerialNumber != aberto.dwVolumeSerialNumber ||
            doNome.nFileIndexHigh != aberto.nFileIndexHigh || doNome.nFileIndexLow != aberto.nFileIndexLow)
            continue;  // rotated meanwhile; closing the handle releases the lock
        LARGE_INTEGER tamanho{};
        if (!GetFileSizeEx(a.h, &tamanho)) return MotivoWindows(arquivo, GetLastError());
        const auto bytes = static_cast<std::uintmax_t>(tamanho.QuadPart);
        if (bytes > 0 && bytes + linha.size() > limite) {
            if (!MoveFileExW(largo.c_str(), anterior.c_str(), MOVEFILE_REPLACE_EXISTING))
                return MotivoWindows(arquivo + ".1", GetLastError());
            continue;
        }
        // A file that does not end a line would glue this record to that rest.
        char ultimo = '\n';
        DWORD lidos = 0;
        OVERLAPPED fim{};
        fim.Offset = static_cast<DWORD>((bytes - 1) & 0xFFFFFFFFu);
        fim.OffsetHigh = static_cast<DWORD>((bytes - 1) >> 32);
        if (bytes > 0 && (!ReadFile(a.h, &ultimo, 1, &lidos, &fim) || lidos != 1))
            return MotivoWindows(arquivo, GetLastError());
        const std::string texto = ultimo == '\n' ? linha : "\n" + linha;
        OVERLAPPED depois{};
        depois.Offset = static_cast<DWORD>(bytes & 0xFFFFFFFFu);
        depois.OffsetHigh = static_cast<DWORD>(bytes >> 32);
        DWORD escritos = 0;
        if (WriteFile(a.h, texto.data(), static_cast<DWORD>(texto.size()), &escritos, &depois) &&
            escritos == texto.size())
            return {};
        // A part of the record (a full disk) is cut off again, still under the lock.
        std::string erro = MotivoWindows(arquivo, GetLastError());
        if (!SetFilePointerEx(a.h, tamanho, nullptr, FILE_BEGIN) || !SetEndOfFile(a.h))
            erro += "\nO arquivo ficou com uma linha incompleta no fim: erro " + std::to_string(GetLastError());
        return erro;
    }
    return arquivo + ": trocado por outro processo durante a gravação";
}

}  // namespace
#else
namespace {

std::string Motivo(const std::string& arquivo, int erro) { return arquivo + ": " + std::strerror(erro); }

// Why a path that is not a regular file is refused, in the user's words.
std::string NaoEArquivoComum(const std::string& arquivo, mode_t modo) {
    const char* tipo = S_ISDIR(modo)                    ? "é uma pasta, "
                       : S_ISFIFO(modo)                 ? "é uma fila (FIFO), "
                       : S_ISLNK(modo)                  ? "é um link simbólico, "
                       : S_ISCHR(modo) || S_ISBLK(modo) ? "é um dispositivo, "
                                                        : "";
    return arquivo + ": " + (*tipo != '\0' ? std::string(tipo) + "não um arquivo comum" : "não é um arquivo comum");
}

struct Descritor {
    int fd;
    ~Descritor() {
        if (fd >= 0) ::close(fd);
    }
};

// Writes the whole text; false with errno set when the system took only part of it or none.
bool EscreverTudo(int fd, const std::string& texto) {
    for (std::size_t feito = 0; feito < texto.size();) {
        const ssize_t n = ::write(fd, texto.data() + feito, texto.size() - feito);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        feito += static_cast<std::size_t>(n);
    }
    return true;
}

// One line appended under an exclusive lock of the file, so that two writers never interleave and
// rotate it once. The path is opened without following a link (in a shared folder, a link named
// like the journal would make a root run write wherever it points) and without blocking (a FIFO
// would hold the run for ever after it committed), and only a regular file is written.
std::string AcrescentarLinha(const std::string& arquivo, const std::string& linha, std::uintmax_t limite) {
    std::error_code erroPasta;
    const std::filesystem::path pasta = std::filesystem::path(arquivo).parent_path();
    if (!pasta.empty()) std::filesystem::create_directories(pasta, erroPasta);
    if (erroPasta) return pasta.string() + ": " + erroPasta.message();

    // A writer that finds the file rotated under it (its descriptor no longer names the path)
    // opens the new one; a few turns always suffice unless the folder is being played with.
    for (int volta = 0; volta < 8; ++volta) {
        const Descritor d{::open(arquivo.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600)};
        if (d.fd < 0) {
            const int erro = errno;
            struct stat nome {};
            if (::lstat(arquivo.c_str(), &nome) == 0 && !S_ISREG(nome.st_mode))
                return NaoEArquivoComum(arquivo, nome.st_mode);
            return Motivo(arquivo, erro);
        }
        struct stat aberto {}, nome {};
        if (::fstat(d.fd, &aberto) != 0) return Motivo(arquivo, errno);
        if (!S_ISREG(aberto.st_mode)) return NaoEArquivoComum(arquivo, aberto.st_mode);
        if (::flock(d.fd, LOCK_EX) != 0 || ::fstat(d.fd, &aberto) != 0) return Motivo(arquivo, errno);
        if (::lstat(arquivo.c_str(), &nome) != 0 || nome.st_ino != aberto.st_ino || nome.st_dev != aberto.st_dev)
            continue;
        const auto tamanho = static_cast<std::uintmax_t>(aberto.st_size);
        if (tamanho > 0 && tamanho + linha.size() > limite) {
            if (::rename(arquivo.c_str(), (arquivo + ".1").c_str()) != 0) return Motivo(arquivo + ".1", errno);
            continue;
        }
        // A file that does not end a line (a writer that died in the middle of one, an editor)
        // would glue this record to that rest, and both would be lost to the reader.
        char ultimo = '\n';
        if (tamanho > 0 && ::pread(d.fd, &ultimo, 1, static_cast<off_t>(tamanho - 1)) != 1) return Motivo(arquivo, errno);
        if (EscreverTudo(d.fd, ultimo == '\n' ? linha : "\n" + linha)) return {};
        // A part of the record (a full disk, a file-size limit) is cut off again, still under the
        // lock, so that the next record starts where this one would have.
        std::string erro = Motivo(arquivo, errno);
        if (::ftruncate(d.fd, static_cast<off_t>(tamanho)) != 0)
            erro += "\nO arquivo ficou com uma linha incompleta no fim: " + std::string(std::strerror(errno));
        return erro;
    }
    return arquivo + ": trocado por outro processo durante a gravação";
}

}  // namespace
#endif

std::string AcrescentarRegistro(const std::string& arquivo, const RegistroExecucao& registro,
                                std::uintmax_t limite) {
    return AcrescentarLinha(arquivo, RegistroEmJson(registro) + "\n", limite);
}

namespace {

// What was read of one journal file: its last `limite` bytes at most, so that a huge file cannot
// take the memory, and only from a regular file (a link to /dev/zero never ends). A missing file
// is an empty one; `erro` says why a file could not be read.
struct FimDoArquivo {
    std::string texto;
    bool cortado = false;  // the text starts inside a line, which is dropped
    std::optional<std::string> erro;
};

FimDoArquivo LerFimDoArquivo(const std::string& arquivo, std::uintmax_t limite) {
    FimDoArquivo fim;
#ifdef _WIN32
    std::error_code erro;
    const auto estado = std::filesystem::status(CaminhoLargo(arquivo), erro);
    if (!std::filesystem::exists(estado)) {
        if (erro && erro != std::errc::no_such_file_or_directory) fim.erro = arquivo + ": " + erro.message();
        return fim;
    }
    if (!std::filesystem::is_regular_file(estado)) {
        fim.erro = arquivo + (std::filesystem::is_directory(estado) ? ": é uma pasta, não um arquivo comum"
                                                                     : ": não é um arquivo comum");
        return fim;
    }
    std::ifstream entrada(CaminhoLargo(arquivo), std::ios::binary | std::ios::ate);
    if (!entrada) {
        fim.erro = arquivo + ": " + std::strerror(errno);
        return fim;
    }
    const auto tamanho = static_cast<std::uintmax_t>(entrada.tellg());
    const std::uintmax_t inicio = tamanho > limite ? tamanho - limite : 0;
    fim.texto.resize(static_cast<std::size_t>(tamanho - inicio));
    entrada.seekg(static_cast<std::streamoff>(inicio));
    entrada.read(fim.texto.data(), static_cast<std::streamsize>(fim.texto.size()));
    fim.texto.resize(static_cast<std::size_t>(entrada.gcount()));
    fim.cortado = inicio > 0;
#else
    // Not blocking: a FIFO named as the journal must not hold the monitor's start.
    const Descritor d{::open(arquivo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat dados {};
    if (d.fd < 0 || ::fstat(d.fd, &dados) != 0) {
        if (errno != ENOENT) fim.erro = Motivo(arquivo, errno);
        return fim;
    }
    if (!S_ISREG(dados.st_mode)) {
        fim.erro = NaoEArquivoComum(arquivo, dados.st_mode);
        return fim;
    }
    const auto tamanho = static_cast<std::uintmax_t>(dados.st_size);
    const std::uintmax_t inicio = tamanho > limite ? tamanho - limite : 0;
    fim.texto.resize(static_cast<std::size_t>(tamanho - inicio));
    std::size_t lidos = 0;
    while (lidos < fim.texto.size()) {
        const ssize_t n = ::pread(d.fd, fim.texto.data() + lidos, fim.texto.size() - lidos,
                                  static_cast<off_t>(inicio + lidos));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            fim.texto.clear();
            fim.erro = Motivo(arquivo, errno);
            return fim;
        }
        if (n == 0) break;  // shortened meanwhile
        lidos += static_cast<std::size_t>(n);
    }
    fim.texto.resize(lidos);
    fim.cortado = inicio > 0;
#endif
    return fim;
}

// The records of one file's text, oldest first, the last `quantos` kept.
void LerRegistrosDoTexto(const FimDoArquivo& fim, std::size_t quantos, std::deque<RegistroExecucao>& registros,
                         int& ilegiveis) {
    std::size_t inicio = 0;
    if (fim.cortado) {
        const std::size_t quebra = fim.texto.find('\n');
        inicio = quebra == std::string::npos ? fim.texto.size() : quebra + 1;
    }
    while (inicio < fim.texto.size()) {
        std::size_t quebra = fim.texto.find('\n', inicio);
        if (quebra == std::string::npos) quebra = fim.texto.size();
        const std::string linha = fim.texto.substr(inicio, quebra - inicio);
        inicio = quebra + 1;
        if (linha.empty()) continue;
        if (std::optional<RegistroExecucao> r = LerRegistro(linha)) {
            registros.push_back(std::move(*r));
            if (registros.size() > quantos) registros.pop_front();
        } else {
            ++ilegiveis;
        }
    }
}

}  // namespace

HistoricoLido LerHistorico(const std::string& arquivo, std::size_t quantos) {
    HistoricoLido lido;
    std::deque<RegistroExecucao> ultimos;
    const FimDoArquivo atual = LerFimDoArquivo(arquivo, kLimiteLeituraRegistro);
    lido.erro = atual.erro;
    LerRegistrosDoTexto(atual, quantos, ultimos, lido.ilegiveis);
    // Right after a rotation the current file holds few runs: the older ones are in FILE.1.
    if (ultimos.size() < quantos && !atual.erro) {
        const FimDoArquivo anterior = LerFimDoArquivo(arquivo + ".1", kLimiteLeituraRegistro);
        lido.erro = anterior.erro;
        std::deque<RegistroExecucao> antigos;
        LerRegistrosDoTexto(anterior, quantos - ultimos.size(), antigos, lido.ilegiveis);
        ultimos.insert(ultimos.begin(), std::make_move_iterator(antigos.begin()), std::make_move_iterator(antigos.end()));
    }
    lido.registros.assign(std::make_move_iterator(ultimos.begin()), std::make_move_iterator(ultimos.end()));
    return lido;
}

std::string SituacaoRegistro(const RegistroExecucao& registro) {
    const std::string prefixo = registro.simulacao ? "prévia " : "";
    switch (registro.status) {
        case kRegistroConcluida: return prefixo + "concluída";
        case kRegistroRecusada: return prefixo + "recusada";
        case kRegistroSemPlanilha: return prefixo + "concluída, planilha não gravada";
        case kRegistroInterrompida: return prefixo + "interrompida";
        default: return prefixo + "falhou";
    }
}

std::string LinhaUltimaExecucao(const RegistroExecucao& registro) {
    std::string linha = "Última execução: " + db::FormatarDataHoraCurta(registro.inicio) + " — " +
                        SituacaoRegistro(registro);
    if (registro.status != kRegistroConcluida && registro.erro) {
        const std::string primeira = registro.erro->substr(0, registro.erro->find('\n'));
        if (!primeira.empty()) linha += ": " + primeira;
    }
    return linha;
}

}  // namespace zelprax::monitor
