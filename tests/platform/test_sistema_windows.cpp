// The native system layer of Windows against the real system (under Wine here). A file of its own,
// not test_sistema.cpp: the child processes, the stand-in programs and the files the POSIX cases
// inspect (/proc, desktop entries, execute bits, sessions) have no Windows counterpart; what the
// two share is asserted by the same rules with Windows names (".exe", "\", drive letters).

#include "platform/platform.h"
#include "arquivos_teste.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>

#include "app/trava.h"
#include "db/localizacao.h"
#include "upkeep/atualizacao.h"

namespace fs = std::filesystem;
using zelprax::plataforma::Separador;
using zelprax::plataforma::Sistema;
using zelprax::plataforma::SistemaNativo;
using zelprax::teste::EsperarArquivo;
using zelprax::teste::LerArquivo;

namespace {

// A copy of this test program started with this variable plays a part instead of running the tests:
// "dormir" waits, "autoencerrar" terminates itself by its own file name, "argumentos:FILE" writes its
// arguments into FILE. It runs before main so gtest never sees it.
constexpr const wchar_t* kVariavelPapel = L"ZELPRAX_TESTE_PAPEL";
constexpr const char* kTextoAntesDoFim = "texto ainda no buffer";

std::string Utf8(const std::wstring& texto) {
    if (texto.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string saida(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), saida.data(), n, nullptr,
                        nullptr);
    return saida;
}

std::wstring Utf16(const std::string& texto) {
    if (texto.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
    std::wstring saida(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), saida.data(), n);
    return saida;
}

std::wstring NomeDoProprioPrograma() {
    wchar_t caminho[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, caminho, MAX_PATH);
    return fs::path(caminho).filename().wstring();
}

[[maybe_unused]] const bool kPapel = [] {
    wchar_t papel[1024] = {};
    if (GetEnvironmentVariableW(kVariavelPapel, papel, 1024) == 0) return false;
    const std::wstring p = papel;
    if (p == L"dormir") {
        Sleep(30'000);
        ExitProcess(7);
    }
    if (p == L"autoencerrar") {
        std::fputs(kTextoAntesDoFim, stdout);  // no newline: only a flush gets it out
        const bool encerrou = SistemaNativo().EncerrarProcesso(Utf8(NomeDoProprioPrograma()));
        ExitProcess(encerrou ? 3 : 2);
    }
    if (p.rfind(L"argumentos:", 0) == 0) {
        const fs::path saida = p.substr(11);
        int n = 0;
        wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &n);
        std::string texto = std::to_string(n - 1) + "\n";
        for (int i = 1; i < n; ++i) texto += Utf8(argv[i]) + "\n";
        LocalFree(argv);
        // Through a temporary name, so the file appears complete.
        fs::path temporario = saida;
        temporario += L".tmp";
        std::ofstream(temporario, std::ios::binary) << texto;
        MoveFileExW(temporario.c_str(), saida.c_str(), MOVEFILE_REPLACE_EXISTING);
        ExitProcess(0);
    }
    ExitProcess(99);
}();

// Sets the part the next started copy plays, for the length of a scope.
class Papel {
public:
    explicit Papel(const std::wstring& papel) { SetEnvironmentVariableW(kVariavelPapel, papel.c_str()); }
    ~Papel() { SetEnvironmentVariableW(kVariavelPapel, nullptr); }
    Papel(const Papel&) = delete;
    Papel& operator=(const Papel&) = delete;
};

class PastaTemporaria {
public:
    PastaTemporaria() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        caminho_ = fs::path(temp) / (L"zelprax-plataforma-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                     std::to_wstring(contador_++));
        fs::create_directories(caminho_);
    }
    ~PastaTemporaria() {
        std::error_code erro;
        fs::remove_all(caminho_, erro);
    }
    PastaTemporaria(const PastaTemporaria&) = delete;
    PastaTemporaria& operator=(const PastaTemporaria&) = delete;

    fs::path operator/(const std::wstring& nome) const { return caminho_ / nome; }
    const fs::path& Caminho() const { return caminho_; }
    std::string Utf8Caminho() const { return Utf8(caminho_.wstring()); }

private:
    static inline int contador_ = 0;
    fs::path caminho_;
};

fs::path CopiarEstePrograma(const fs::path& destino) {
    wchar_t origem[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, origem, MAX_PATH);
    if (!CopyFileW(origem, destino.c_str(), FALSE)) throw std::runtime_error("CopyFileW failed");
    return destino;
}

// A copy of this program started in a part; terminated at the end unless it already ended.
class Filho {
public:
    Filho(const fs::path& programa, const std::wstring& papel, const fs::path& saida = {}) {
        Papel p(papel);
        STARTUPINFOW inicio{};
        inicio.cb = sizeof inicio;
        HANDLE arquivo = INVALID_HANDLE_VALUE;
        if (!saida.empty()) {
            SECURITY_ATTRIBUTES herdavel{sizeof herdavel, nullptr, TRUE};
            arquivo = CreateFileW(saida.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &herdavel, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
            inicio.dwFlags = STARTF_USESTDHANDLES;
            inicio.hStdOutput = arquivo;
            inicio.hStdError = arquivo;
            inicio.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        }
        std::wstring linha = L"\"" + programa.wstring() + L"\"";
        PROCESS_INFORMATION info{};
        const BOOL criou = CreateProcessW(programa.c_str(), linha.data(), nullptr, nullptr, !saida.empty(), 0,
                                          nullptr, nullptr, &inicio, &info);
        if (arquivo != INVALID_HANDLE_VALUE) CloseHandle(arquivo);
        if (!criou) throw std::runtime_error("CreateProcessW failed");
        CloseHandle(info.hThread);
        processo_ = info.hProcess;
        id_ = info.dwProcessId;
        // Started means listed: wait until the program is past its start-up.
        WaitForInputIdle(processo_, 2000);
    }
    ~Filho() {
        if (WaitForSingleObject(processo_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(processo_, 1);
            WaitForSingleObject(processo_, 5000);
        }
        CloseHandle(processo_);
    }
    Filho(const Filho&) = delete;
    Filho& operator=(const Filho&) = delete;

    long Id() const { return static_cast<long>(id_); }

    // The exit code, or none while it still runs after the wait.
    std::optional<DWORD> Esperar(DWORD milissegundos = 10'000) {
        if (WaitForSingleObject(processo_, milissegundos) != WAIT_OBJECT_0) return std::nullopt;
        DWORD codigo = 0;
        GetExitCodeProcess(processo_, &codigo);
        return codigo;
    }

private:
    HANDLE processo_ = nullptr;
    DWORD id_ = 0;
};

// Waits until a started copy shows in the process snapshot.
void EsperarProcessoListado(long id) {
    for (int i = 0; i < 250 && !SistemaNativo().ProgramaDoProcesso(id); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// ---------------------------------------------------------------------------------------------
// The own program and the names derived from it

TEST(ProprioPrograma, CaminhoComLetraDeUnidadeENomesComExe) {
    const std::string caminho = SistemaNativo().CaminhoExecutavel();
    SCOPED_TRACE(caminho);
    ASSERT_GE(caminho.size(), 4u);
    EXPECT_EQ(caminho.substr(1, 2), ":\\") << "a drive letter and a backslash";
    EXPECT_EQ(caminho.find('/'), std::string::npos);

    const std::string nome = zelprax::db::NomeArquivo(caminho, Separador());
    EXPECT_EQ(nome, "test_windows.exe");
    EXPECT_EQ(zelprax::monitor::NomeArquivoTrava(caminho, Separador()), "test_windows.lock");
    EXPECT_EQ(zelprax::manutencao::NomeMarcadorAtualizacao(nome), "Exec-test_windows.ini");
    EXPECT_EQ(zelprax::manutencao::NomeSemExe(nome), "test_windows");
    EXPECT_EQ(zelprax::db::NomePrograma("zelpraxAtualizador"), "zelpraxAtualizador.exe");
    EXPECT_EQ(zelprax::db::PastaComSeparador(caminho, Separador()) + nome, caminho);
}

TEST(ProprioPrograma, SeparadorNumeroENomeDaMaquina) {
    EXPECT_EQ(Separador(), '\\');
    EXPECT_EQ(SistemaNativo().IdProcesso(), static_cast<long>(GetCurrentProcessId()));
    wchar_t maquina[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD tamanho = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(maquina, &tamanho));
    EXPECT_EQ(SistemaNativo().NomeMaquina(), Utf8(maquina));
    EXPECT_EQ(SistemaNativo().IdentidadeMaquina().size(), 36u);  // the machine GUID, braces aside
    EXPECT_EQ(&SistemaNativo(), &SistemaNativo());
}

// ---------------------------------------------------------------------------------------------
// EncerrarProcesso and ProgramaDoProcesso

class Processos : public ::testing::Test {
protected:
    PastaTemporaria pasta_;
    Sistema& sistema_ = SistemaNativo();
};

TEST_F(Processos, EncerraPeloNomeComExeEmQualquerCaixa) {
    // The program file name as the snapshot lists it, ".exe" included; letter case does not count.
    const std::wstring nome = L"zelpraxComissao2-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    Filho filho(CopiarEstePrograma(pasta_ / nome), L"dormir");
    EsperarProcessoListado(filho.Id());

    std::string maiusculas = Utf8(nome);
    for (char& c : maiusculas) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_FALSE(sistema_.EncerrarProcesso(Utf8(nome.substr(0, nome.size() - 4)))) << "without .exe";
    EXPECT_FALSE(sistema_.EncerrarProcesso(Utf8((pasta_ / nome).wstring()))) << "with its folder";
    EXPECT_FALSE(sistema_.EncerrarProcesso(""));
    EXPECT_FALSE(filho.Esperar(0));

    EXPECT_TRUE(sistema_.EncerrarProcesso(maiusculas));
    EXPECT_EQ(filho.Esperar(), std::optional<DWORD>(0));
    EXPECT_FALSE(sistema_.EncerrarProcesso(maiusculas));
}

TEST_F(Processos, EncerraUmDeCadaVez) {
    const std::wstring nome = L"zelpraxDuplo-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const fs::path programa = CopiarEstePrograma(pasta_ / nome);
    Filho a(programa, L"dormir");
    Filho b(programa, L"dormir");
    EsperarProcessoListado(a.Id());
    EsperarProcessoListado(b.Id());

    EXPECT_TRUE(sistema_.EncerrarProcesso(Utf8(nome)));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const bool aTerminou = a.Esperar(0).has_value();
    EXPECT_NE(aTerminou, b.Esperar(0).has_value()) << "exactly one of the two";

    EXPECT_TRUE(sistema_.EncerrarProcesso(Utf8(nome)));
    EXPECT_TRUE(a.Esperar().has_value());
    EXPECT_TRUE(b.Esperar().has_value());
    EXPECT_FALSE(sistema_.EncerrarProcesso(Utf8(nome)));
}

TEST_F(Processos, OProprioProcessoSaiComCodigoZeroDepoisDeEsvaziarOsBuffers) {
    const std::wstring nome = L"zelpraxAutoEncerra-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const fs::path saida = pasta_ / L"saida.txt";
    Filho filho(CopiarEstePrograma(pasta_ / nome), L"autoencerrar", saida);

    EXPECT_EQ(filho.Esperar(), std::optional<DWORD>(0)) << "2: no process found, 3: EncerrarProcesso returned";
    EXPECT_EQ(LerArquivo(saida), kTextoAntesDoFim);
}

TEST_F(Processos, ProgramaDoProcessoSoEnquantoRoda) {
    const std::wstring nome = L"zelpraxConsultado-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const fs::path programa = CopiarEstePrograma(pasta_ / nome);
    Filho rodando(programa, L"dormir");
    EsperarProcessoListado(rodando.Id());

    struct Caso {
        const char* descricao;
        long processo;
        std::optional<std::string> programa;
    };
    const Caso casos[] = {
        {"este processo", static_cast<long>(GetCurrentProcessId()), "test_windows.exe"},
        {"filho rodando", rodando.Id(), Utf8(nome)},
        {"zero", 0, std::nullopt},
        {"negativo", -1, std::nullopt},
        {"número que nenhum processo tem", 0x7ffffff0L, std::nullopt},
    };
    for (const Caso& c : casos) EXPECT_EQ(sistema_.ProgramaDoProcesso(c.processo), c.programa) << c.descricao;
}

// Ended, but its handle is still open here: the number is not reused, the process runs nothing.
TEST_F(Processos, ProcessoTerminadoNaoRodaNada) {
    const std::wstring nome = L"zelpraxTerminado-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    Filho filho(CopiarEstePrograma(pasta_ / nome), L"dormir");
    EsperarProcessoListado(filho.Id());
    ASSERT_EQ(sistema_.ProgramaDoProcesso(filho.Id()), std::optional<std::string>(Utf8(nome)));
    ASSERT_TRUE(sistema_.EncerrarProcesso(Utf8(nome)));
    ASSERT_TRUE(filho.Esperar().has_value());
    EXPECT_EQ(sistema_.ProgramaDoProcesso(filho.Id()), std::nullopt);
}

// ---------------------------------------------------------------------------------------------
// IniciarPrograma

class IniciarPrograma : public ::testing::Test {
protected:
    PastaTemporaria pasta_;
    fs::path saida_ = pasta_ / L"argumentos.txt";
    Sistema& sistema_ = SistemaNativo();
};

TEST_F(IniciarPrograma, OAtualizadorRecebeOsParametrosSeparadosNosBrancos) {
    struct Caso {
        std::string parametros;
        std::string esperado;
    };
    const std::vector<Caso> casos = {
        {"@F1 @MX:\\Meu§Sistema\\Update @EC:\\Meus§Apps @AzelpraxComissao2.exe",
         "4\n@F1\n@MX:\\Meu§Sistema\\Update\n@EC:\\Meus§Apps\n@AzelpraxComissao2.exe\n"},
        {"  um   dois  ", "2\num\ndois\n"},
        {"", "0\n"},
    };
    const fs::path atualizador = CopiarEstePrograma(pasta_ / L"zelpraxAtualizador.exe");
    Papel papel(L"argumentos:" + saida_.wstring());
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.parametros);
        fs::remove(saida_);
        const auto inicio = std::chrono::steady_clock::now();
        ASSERT_TRUE(sistema_.IniciarPrograma(Utf8(atualizador.wstring()), caso.parametros));
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(5)) << "does not wait";
        ASSERT_TRUE(EsperarArquivo(saida_, std::chrono::seconds(20)));
        EXPECT_EQ(LerArquivo(saida_), caso.esperado);
    }
}

TEST_F(IniciarPrograma, FalsoQuandoOProgramaNaoExiste) {
    EXPECT_FALSE(sistema_.IniciarPrograma(Utf8((pasta_ / L"naoExiste.exe").wstring()), "@F1"));
}

// ---------------------------------------------------------------------------------------------
// Desktop shortcut

// Reads a shell link back through the shell: its target and its description.
std::pair<std::string, std::string> LerAtalho(const fs::path& arquivo) {
    const HRESULT inicio = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::pair<std::string, std::string> lido;
    IShellLinkW* atalho = nullptr;
    IPersistFile* persistido = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&atalho))) &&
        SUCCEEDED(atalho->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persistido))) &&
        SUCCEEDED(persistido->Load(arquivo.c_str(), STGM_READ))) {
        wchar_t texto[MAX_PATH] = {};
        if (SUCCEEDED(atalho->GetPath(texto, MAX_PATH, nullptr, SLGP_RAWPATH))) lido.first = Utf8(texto);
        wchar_t descricao[1024] = {};
        if (SUCCEEDED(atalho->GetDescription(descricao, 1024))) lido.second = Utf8(descricao);
    }
    if (persistido) persistido->Release();
    if (atalho) atalho->Release();
    if (SUCCEEDED(inicio)) CoUninitialize();
    return lido;
}

TEST(AtalhoAreaDeTrabalho, LinkDoShellNaPastaDoUsuarioComAcentos) {
    Sistema& sistema = SistemaNativo();
    const std::string pasta = sistema.PastaAreaDeTrabalho();
    SCOPED_TRACE(pasta);
    ASSERT_GE(pasta.size(), 4u);
    EXPECT_EQ(pasta.substr(1, 2), ":\\");
    EXPECT_NE(pasta.back(), '\\');

    struct Caso {
        std::string alvo, descricao, nome;
    };
    const std::string sufixo = "-" + std::to_string(GetCurrentProcessId());
    const Caso casos[] = {
        {"C:\\zelprax\\zelpraxComissao2.exe", "zelpraxComissao2", "Novo zelpraxComissao2" + sufixo},
        {"C:\\Meu Sistema\\Comissão.exe", "Comissão", "Novo Comissão" + sufixo},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nome);
        const fs::path arquivo = fs::path(Utf16(pasta + "\\" + c.nome + ".lnk"));
        ASSERT_TRUE(sistema.CriarAtalhoAreaDeTrabalho(c.alvo, c.descricao, c.nome));
        ASSERT_TRUE(fs::exists(arquivo));
        // A second save replaces the first.
        ASSERT_TRUE(sistema.CriarAtalhoAreaDeTrabalho(c.alvo, c.descricao, c.nome));
        EXPECT_EQ(LerAtalho(arquivo), std::make_pair(c.alvo, c.descricao));
        fs::remove(arquivo);
    }
}

TEST(AtalhoAreaDeTrabalho, FalsoQuandoONomeNaoPodeSerArquivo) {
    EXPECT_FALSE(SistemaNativo().CriarAtalhoAreaDeTrabalho("C:\\x.exe", "x", "pasta\\inexistente\\x"));
}

// ---------------------------------------------------------------------------------------------
// DataModificacao

void GravarData(const fs::path& arquivo, std::time_t segundos, long centenasDeNanossegundos) {
    // FILETIME counts 100 ns steps from 1601-01-01 UTC.
    const ULONGLONG valor = (static_cast<ULONGLONG>(segundos) + 11'644'473'600ULL) * 10'000'000ULL +
                            static_cast<ULONGLONG>(centenasDeNanossegundos);
    FILETIME tempo{static_cast<DWORD>(valor), static_cast<DWORD>(valor >> 32)};
    HANDLE h = CreateFileW(arquivo.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &tempo));
    CloseHandle(h);
}

TEST(DataModificacao, ArredondaParaBaixoEmPassosDeDoisSegundos) {
    struct Caso {
        std::time_t segundos;
        long centenasDeNanossegundos;
        std::time_t esperado;
    };
    const Caso casos[] = {
        {1'700'000'001, 0, 1'700'000'000},
        {1'700'000'000, 0, 1'700'000'000},
        {1'700'000'001, 9'999'999, 1'700'000'000},
        {1'700'000'000, 9'999'999, 1'700'000'000},
        // Winter and summer of a zone with daylight saving time.
        {1'515'000'001, 0, 1'515'000'000},
        {1'530'000'003, 0, 1'530'000'002},
    };
    // The C library's zone set apart from the system's, as a TZ variable does: the instant must
    // not depend on either.
    _putenv_s("TZ", "CET-1CEST");
    _tzset();
    struct RestaurarZona {
        ~RestaurarZona() {
            _putenv_s("TZ", "");
            _tzset();
        }
    } restaurar;
    PastaTemporaria pasta;
    const fs::path arquivo = pasta / L"zelpraxComissão2.exe";
    std::ofstream(arquivo) << "x";
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.segundos);
        GravarData(arquivo, caso.segundos, caso.centenasDeNanossegundos);
        EXPECT_EQ(SistemaNativo().DataModificacao(Utf8(arquivo.wstring())), caso.esperado);
    }
}

TEST(DataModificacao, VaziaParaArquivoInexistente) {
    PastaTemporaria pasta;
    EXPECT_EQ(SistemaNativo().DataModificacao(Utf8((pasta / L"naoExiste").wstring())), std::nullopt);
    EXPECT_EQ(SistemaNativo().DataModificacao(Utf8((pasta / L"naoExiste" / L"x").wstring())), std::nullopt);
}

// ---------------------------------------------------------------------------------------------
// AcrescentarComRotacao

TEST(AcrescentarComRotacao, AcrescentaGiraECriaPastasComAcentos) {
    PastaTemporaria pasta;
    const fs::path arquivo = pasta / L"Histórico" / L"execuções.log";
    const std::string caminho = Utf8(arquivo.wstring());
    EXPECT_EQ(zelprax::plataforma::AcrescentarComRotacao(caminho, "um\n", 10), "");
    EXPECT_EQ(zelprax::plataforma::AcrescentarComRotacao(caminho, "dois\n", 10), "");
    EXPECT_EQ(LerArquivo(arquivo), "um\ndois\n");
    EXPECT_EQ(zelprax::plataforma::AcrescentarComRotacao(caminho, "três\n", 10), "");
    EXPECT_EQ(LerArquivo(arquivo), "três\n");
    fs::path girado = arquivo;
    girado += L".1";
    EXPECT_EQ(LerArquivo(girado), "um\ndois\n");
}

// ---------------------------------------------------------------------------------------------
// ArquivoDeTrava

// The lock covers a byte past the end, so the holder's lines stay readable to the others.
TEST(ArquivoDeTrava, TravaDeOutraAberturaDeixaLerAsLinhas) {
    using zelprax::plataforma::ArquivoDeTrava;
    using R = ArquivoDeTrava::Resultado;
    PastaTemporaria pasta;
    const std::string caminho = Utf8((pasta / L"Dados Ção.lock").wstring());
    ArquivoDeTrava dono;
    ASSERT_EQ(dono.Criar(caminho), R::Feito);
    ASSERT_EQ(dono.Travar(false), R::Feito);
    ASSERT_TRUE(dono.Gravar("linhas\r\n"));
    EXPECT_EQ(ArquivoDeTrava().Criar(caminho), R::Existe);
    ArquivoDeTrava outro;
    ASSERT_EQ(outro.Abrir(caminho), R::Feito);
    EXPECT_EQ(outro.Travar(false), R::Ocupado);
    EXPECT_EQ(outro.Ler(100), "linhas\r\n");
    dono.Fechar();
    EXPECT_EQ(outro.Travar(false), R::Feito);
    EXPECT_TRUE(outro.Apagar());
    outro.Fechar();
    EXPECT_EQ(ArquivoDeTrava().Abrir(caminho), R::Ausente);
    EXPECT_EQ(ArquivoDeTrava().Abrir(pasta.Utf8Caminho()), R::NaoRegular);
}

}  // namespace
