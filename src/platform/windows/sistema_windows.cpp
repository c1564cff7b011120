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

#include <cstdio>
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
