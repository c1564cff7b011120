// The monitor on Windows: the process snapshot, the shell's "open", a shell link on the desktop and
// the classic file date. Texts cross this layer as UTF-8 and are UTF-16 inside it.

#include "platform/platform.h"

#include <filesystem>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <stdexcept>
#include <vector>

namespace zelprax::plataforma {

namespace {

std::wstring ParaUtf16(const std::string& texto) {
    if (texto.empty()) return {};
    const int tamanho = MultiByteToWideChar(CP_UTF8, 0, texto.data(),
                                            static_cast<int>(texto.size()), nullptr, 0);
    std::wstring largo(static_cast<size_t>(tamanho), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), largo.data(),
                        tamanho);
    return largo;
}

std::string ParaUtf8(const std::wstring& texto) {
    if (texto.empty()) return {};
    const int tamanho = WideCharToMultiByte(CP_UTF8, 0, texto.data(),
                                            static_cast<int>(texto.size()), nullptr, 0, nullptr,
                                            nullptr);
    std::string estreito(static_cast<size_t>(tamanho), '\0');
    WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), estreito.data(),
                        tamanho, nullptr, nullptr);
    return estreito;
}

std::wstring Minusculas(std::wstring texto) {
    if (!texto.empty()) CharLowerBuffW(texto.data(), static_cast<DWORD>(texto.size()));
    return texto;
}

// Releases a COM interface when it goes out of scope.
template <typename Interface>
class Com {
public:
    Com() = default;
    ~Com() {
        if (ponteiro_) ponteiro_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Interface* operator->() const { return ponteiro_; }
    Interface** Endereco() { return &ponteiro_; }
    void** EnderecoVoid() { return reinterpret_cast<void**>(&ponteiro_); }

private:
    Interface* ponteiro_ = nullptr;
};

// The system's text for an error code, without its line break.
std::string RazaoSistema(DWORD codigo) {
    wchar_t* texto = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, codigo, 0, reinterpret_cast<wchar_t*>(&texto), 0, nullptr);
    std::wstring largo = n && texto ? std::wstring(texto, n) : L"erro " + std::to_wstring(codigo);
    if (texto) LocalFree(texto);
    while (!largo.empty() && (largo.back() == L'\n' || largo.back() == L'\r' || largo.back() == L' ')) largo.pop_back();
    return ParaUtf8(largo);
}

// The byte the advisory lock covers, far past the few lines of any lock file: a locked range
// cannot be read by others on Windows, and the lines must stay readable.
constexpr DWORD kByteDaTrava = 0x7FFFFFFF;

}  // namespace

char Separador() { return '\\'; }

std::string Sistema::CaminhoExecutavel() const {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) throw std::runtime_error("CaminhoExecutavel: GetModuleFileNameW failed");
        if (n < buffer.size()) return ParaUtf8(std::wstring(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

std::string Sistema::NomeMaquina() const {
    wchar_t nome[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD tamanho = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(nome, &tamanho)) return {};
    return ParaUtf8(std::wstring(nome, tamanho));
}

std::string Sistema::IdentidadeMaquina() const {
    // Written at installation; the 64-bit view of the registry, so that a 32-bit build reads the same.
    wchar_t guid[128] = {};
    DWORD tamanho = sizeof guid;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", L"MachineGuid",
                     RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, guid, &tamanho) != ERROR_SUCCESS)
        return {};
    return ParaUtf8(guid);
}

long Sistema::IdProcesso() const { return static_cast<long>(GetCurrentProcessId()); }

std::optional<std::string> Sistema::ProgramaDoProcesso(long processo) const {
    if (processo <= 0) return std::nullopt;
    const HANDLE handle =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(processo));
    if (!handle) {
        // A process of another user or of the system runs, but may not be looked at.
        if (GetLastError() == ERROR_ACCESS_DENIED) return std::string{};
        return std::nullopt;
    }
    // An ended process stays reachable while some handle to it is open; it runs nothing.
    if (WaitForSingleObject(handle, 0) != WAIT_TIMEOUT) {
        CloseHandle(handle);
        return std::nullopt;
    }
    std::vector<wchar_t> caminho(32768);
    DWORD tamanho = static_cast<DWORD>(caminho.size());
    const bool leu = QueryFullProcessImageNameW(handle, 0, caminho.data(), &tamanho) != 0;
    CloseHandle(handle);
    if (!leu) return std::string{};
    const std::wstring completo(caminho.data(), tamanho);
    const auto barra = completo.rfind(L'\\');
    return ParaUtf8(barra == std::wstring::npos ? completo : completo.substr(barra + 1));
}

bool Sistema::EncerrarProcesso(const std::string& nomePrograma) {
    const HANDLE instantaneo = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (instantaneo == INVALID_HANDLE_VALUE) return false;
    const std::wstring procurado = Minusculas(ParaUtf16(nomePrograma));
    const DWORD proprio = GetCurrentProcessId();
    bool encerrou = false;
    PROCESSENTRY32W entrada{};
    entrada.dwSize = sizeof entrada;
    for (BOOL ha = Process32FirstW(instantaneo, &entrada); ha;
         ha = Process32NextW(instantaneo, &entrada)) {
        if (Minusculas(entrada.szExeFile) != procurado) continue;
        if (entrada.th32ProcessID == proprio) {
            CloseHandle(instantaneo);
            TerminarProcesso(0);
        }
        const HANDLE processo = OpenProcess(PROCESS_TERMINATE, FALSE, entrada.th32ProcessID);
        if (!processo) continue;
        encerrou = TerminateProcess(processo, 0) != 0;
        CloseHandle(processo);
        break;
    }
    CloseHandle(instantaneo);
    return encerrou;
}

bool Sistema::IniciarPrograma(const std::string& programa, const std::string& parametros) {
    const std::wstring arquivo = ParaUtf16(programa);
    const std::wstring argumentos = ParaUtf16(parametros);
    const HINSTANCE resultado = ShellExecuteW(nullptr, L"open", arquivo.c_str(),
                                              argumentos.empty() ? nullptr : argumentos.c_str(),
                                              nullptr, SW_SHOWNORMAL);
    // ShellExecuteW reports success as a value above 32.
    return reinterpret_cast<INT_PTR>(resultado) > 32;
}

bool Sistema::CriarAtalhoAreaDeTrabalho(const std::string& alvo, const std::string& descricao,
                                        const std::string& nomeAtalho) {
    const std::wstring caminho =
        ParaUtf16(PastaAreaDeTrabalho() + "\\" + nomeAtalho + ".lnk");
    // The caller's thread may already be in an apartment of another kind (Qt sets one up); the
    // shell link works there as well, and only an initialisation made here is undone.
    const HRESULT inicio = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool gravou = false;
    {
        Com<IShellLinkW> atalho;
        Com<IPersistFile> arquivo;
        gravou =
            SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, atalho.EnderecoVoid())) &&
            SUCCEEDED(atalho->SetPath(ParaUtf16(alvo).c_str())) &&
            SUCCEEDED(atalho->SetDescription(ParaUtf16(descricao).c_str())) &&
            SUCCEEDED(atalho->QueryInterface(IID_IPersistFile, arquivo.EnderecoVoid())) &&
            SUCCEEDED(arquivo->Save(caminho.c_str(), TRUE));
    }
    if (SUCCEEDED(inicio)) CoUninitialize();
    return gravou;
}

std::string Sistema::PastaAreaDeTrabalho() const {
    wchar_t pasta[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT,
                                pasta)))
        return {};
    std::wstring resultado = pasta;
    while (resultado.size() > 3 && resultado.back() == L'\\') resultado.pop_back();
    return ParaUtf8(resultado);
}

std::optional<std::time_t> Sistema::DataModificacao(const std::string& caminho) const {
    WIN32_FILE_ATTRIBUTE_DATA dados{};
    if (!GetFileAttributesExW(ParaUtf16(caminho).c_str(), GetFileExInfoStandard, &dados))
        return std::nullopt;
    // The last-write time counts 100 ns steps from 1601-01-01 UTC. It is taken to the epoch here
    // and floored to even seconds, as the classic file date does in local time (zone offsets are
    // whole minutes, so both floor alike). No round trip through local time: the C library's
    // mktime follows the TZ variable and the date's own daylight-saving rule, the system's
    // FileTimeToLocalFileTime today's offset, and the two disagree by the hours between them.
    const ULONGLONG passos = (static_cast<ULONGLONG>(dados.ftLastWriteTime.dwHighDateTime) << 32) |
                             dados.ftLastWriteTime.dwLowDateTime;
    constexpr long long kPassosPorSegundo = 10'000'000;
    constexpr long long kSegundosAte1970 = 11'644'473'600;
    const long long segundos = static_cast<long long>(passos / kPassosPorSegundo) - kSegundosAte1970;
    return static_cast<std::time_t>(segundos - (((segundos % 2) + 2) % 2));
}

void Sistema::TerminarProcesso(int codigo) {
    std::fflush(nullptr);
    // TerminateProcess, not ExitProcess: ExitProcess first notifies every loaded library of the
    // process's detach, and the database client library, with an attachment still open (the
    // watchdog's stop signal ends the monitor in the middle of a run), can wait there for its
    // server threads for ever. The process must end at once, without running any of that.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(codigo));
    // Called on this process it does not return; should it ever fail, the ordinary exit still
    // ends the process rather than letting it go on.
    ExitProcess(static_cast<UINT>(codigo));
}

Sistema& SistemaNativo() {
    static Sistema sistema;
    return sistema;
}

std::string AcrescentarComRotacao(const std::string& arquivo, const std::string& linha, std::uintmax_t limite) {
    // The path is UTF-8 and goes to the wide calls: a narrow path (CreateFileA, std::filesystem's
    // std::string) would be read in the ANSI code page and miss every folder with an accent.
    const std::wstring largo = ParaUtf16(arquivo);
    std::error_code erro;
    const std::filesystem::path pasta = std::filesystem::path(largo).parent_path();
    if (!pasta.empty()) std::filesystem::create_directories(pasta, erro);
    if (erro) return ParaUtf8(pasta.wstring()) + ": " + erro.message();
    // Opened for appending only, every write goes to the end of the file, also across processes;
    // the exclusive share mode makes a second writer wait its turn.
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int volta = 0; volta < 50 && h == INVALID_HANDLE_VALUE; ++volta) {
        h = CreateFileW(largo.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) Sleep(20);
    }
    if (h == INVALID_HANDLE_VALUE) return arquivo + ": erro " + std::to_string(GetLastError());
    LARGE_INTEGER tamanho{};
    GetFileSizeEx(h, &tamanho);
    if (tamanho.QuadPart > 0 && static_cast<std::uintmax_t>(tamanho.QuadPart) + linha.size() > limite) {
        CloseHandle(h);
        if (!MoveFileExW(largo.c_str(), (largo + L".1").c_str(), MOVEFILE_REPLACE_EXISTING))
            return arquivo + ".1: erro " + std::to_string(GetLastError());
        return AcrescentarComRotacao(arquivo, linha, limite);
    }
    DWORD escritos = 0;
    const BOOL ok = WriteFile(h, linha.data(), static_cast<DWORD>(linha.size()), &escritos, nullptr);
    CloseHandle(h);
    if (!ok || escritos != linha.size()) return arquivo + ": erro " + std::to_string(GetLastError());
    return {};
}

// A Windows program is asked to end through its windows (the session's end reaches the main
// window as a close), not through signals.
int ReterPedidosDeEncerramento() { return -1; }

bool LerPedidoDeEncerramento(int) { return false; }

}  // namespace zelprax::plataforma

namespace zelprax::plataforma {

ArquivoDeTrava::~ArquivoDeTrava() { Fechar(); }

ArquivoDeTrava::ArquivoDeTrava(ArquivoDeTrava&& outro) noexcept
    : handle_(outro.handle_), caminho_(std::move(outro.caminho_)), erro_(std::move(outro.erro_)) {
    outro.handle_ = nullptr;
}

ArquivoDeTrava& ArquivoDeTrava::operator=(ArquivoDeTrava&& outro) noexcept {
    if (this != &outro) {
        Fechar();
        handle_ = outro.handle_;
        caminho_ = std::move(outro.caminho_);
        erro_ = std::move(outro.erro_);
        outro.handle_ = nullptr;
    }
    return *this;
}

void ArquivoDeTrava::Fechar() noexcept {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));  // releases the byte's lock
    handle_ = nullptr;
}

bool ArquivoDeTrava::Aberto() const noexcept { return handle_ != nullptr; }

ArquivoDeTrava::Resultado ArquivoDeTrava::Criar(const std::string& caminho) {
    Fechar();
    caminho_ = caminho;
    erro_.clear();
    // CREATE_NEW fails on any name that exists; a reparse point under it is never followed. Others
    // may read and delete the file while it is open (a takeover of a lock left behind).
    const HANDLE h = CreateFileW(ParaUtf16(caminho).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        handle_ = h;
        return Resultado::Feito;
    }
    const DWORD codigo = GetLastError();
    erro_ = RazaoSistema(codigo);
    return codigo == ERROR_FILE_EXISTS || codigo == ERROR_ALREADY_EXISTS ? Resultado::Existe : Resultado::Falhou;
}

ArquivoDeTrava::Resultado ArquivoDeTrava::Abrir(const std::string& caminho) {
    Fechar();
    caminho_ = caminho;
    erro_.clear();
    const std::wstring largo = ParaUtf16(caminho);
    const DWORD atributos = GetFileAttributesW(largo.c_str());
    if (atributos == INVALID_FILE_ATTRIBUTES) {
        const DWORD codigo = GetLastError();
        erro_ = RazaoSistema(codigo);
        const bool ausente = codigo == ERROR_FILE_NOT_FOUND || codigo == ERROR_PATH_NOT_FOUND;
        return ausente ? Resultado::Ausente : Resultado::Falhou;
    }
    if (atributos & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
        return Resultado::NaoRegular;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (const DWORD acesso : {DWORD{GENERIC_READ | DELETE}, DWORD{GENERIC_READ}}) {
        h = CreateFileW(largo.c_str(), acesso, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED) break;
    }
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD codigo = GetLastError();
        erro_ = RazaoSistema(codigo);
        return codigo == ERROR_FILE_NOT_FOUND ? Resultado::Ausente : Resultado::Falhou;
    }
    handle_ = h;
    // The name may have changed between the two looks: the open file itself must be a plain file.
    BY_HANDLE_FILE_INFORMATION dados{};
    if (!GetFileInformationByHandle(h, &dados) || GetFileType(h) != FILE_TYPE_DISK ||
        (dados.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        Fechar();
        return Resultado::NaoRegular;
    }
    return Resultado::Feito;
}

ArquivoDeTrava::Resultado ArquivoDeTrava::Travar(bool esperar) {
    erro_.clear();
    OVERLAPPED posicao{};
    posicao.Offset = kByteDaTrava;
    const DWORD modo = LOCKFILE_EXCLUSIVE_LOCK | (esperar ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (LockFileEx(static_cast<HANDLE>(handle_), modo, 0, 1, 0, &posicao)) return Resultado::Feito;
    const DWORD codigo = GetLastError();
    erro_ = RazaoSistema(codigo);
    if (codigo == ERROR_LOCK_VIOLATION || codigo == ERROR_IO_PENDING) return Resultado::Ocupado;
    if (codigo == ERROR_NOT_SUPPORTED || codigo == ERROR_INVALID_FUNCTION) return Resultado::SemSuporte;
    return Resultado::Falhou;
}

bool ArquivoDeTrava::Gravar(const std::string& texto) {
    erro_.clear();
    std::size_t escritos = 0;
    while (escritos < texto.size()) {
        DWORD n = 0;
        const DWORD pedido = static_cast<DWORD>(std::min<std::size_t>(texto.size() - escritos, 1u << 20));
        if (!WriteFile(static_cast<HANDLE>(handle_), texto.data() + escritos, pedido, &n, nullptr)) {
            erro_ = RazaoSistema(GetLastError());
            return false;
        }
        if (n == 0) {
            erro_ = "gravação incompleta";
            return false;
        }
        escritos += n;
    }
    if (!FlushFileBuffers(static_cast<HANDLE>(handle_))) {
        erro_ = RazaoSistema(GetLastError());
        return false;
    }
    return true;
}

std::optional<std::string> ArquivoDeTrava::Ler(std::size_t limite) {
    erro_.clear();
    std::string conteudo(limite, '\0');
    std::size_t lidos = 0;
    LARGE_INTEGER inicio{};
    if (!SetFilePointerEx(static_cast<HANDLE>(handle_), inicio, nullptr, FILE_BEGIN)) {
        erro_ = RazaoSistema(GetLastError());
        return std::nullopt;
    }
    while (lidos < limite) {
        DWORD n = 0;
        const DWORD pedido = static_cast<DWORD>(std::min<std::size_t>(limite - lidos, 1u << 20));
        if (!ReadFile(static_cast<HANDLE>(handle_), conteudo.data() + lidos, pedido, &n, nullptr)) {
            erro_ = RazaoSistema(GetLastError());
            return std::nullopt;
        }
        if (n == 0) break;
        lidos += n;
    }
    conteudo.resize(lidos);
    return conteudo;
}

bool ArquivoDeTrava::Apagar() {
    erro_.clear();
    if (!handle_) return false;
    // Deleting through the open file deletes exactly it, whatever the name has come to hold.
    FILE_DISPOSITION_INFO apagar{};
    apagar.DeleteFile = TRUE;
    if (SetFileInformationByHandle(static_cast<HANDLE>(handle_), FileDispositionInfo, &apagar, sizeof apagar))
        return true;
    erro_ = RazaoSistema(GetLastError());
    return false;
}

}  // namespace zelprax::plataforma
