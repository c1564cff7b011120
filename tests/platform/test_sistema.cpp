// The native system layer against the real system: processes are started and killed, programs are
// copied under the names the monitor looks for, files are written in temporary folders.

#include "platform/platform.h"
#include "arquivos_teste.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using zelprax::plataforma::Separador;
using zelprax::plataforma::Sistema;
using zelprax::plataforma::SistemaNativo;
using zelprax::teste::EsperarArquivo;
using zelprax::teste::LerArquivo;

namespace {

// A copy of this test program started with this variable terminates itself by its own name; the
// parent reads how it ended. It runs before main so gtest never sees it.
constexpr const char* kVariavelAutoEncerrar = "ZELPRAX_TESTE_AUTOENCERRAR";
constexpr const char* kTextoAntesDoFim = "texto ainda no buffer";

[[maybe_unused]] const bool kAutoEncerramento = [] {
    const char* nome = std::getenv(kVariavelAutoEncerrar);
    if (!nome) return false;
    std::fputs(kTextoAntesDoFim, stdout);  // no newline: only a flush gets it out
    const bool encerrou = SistemaNativo().EncerrarProcesso(nome);
    _exit(encerrou ? 3 : 2);
}();

class PastaTemporaria {
public:
    PastaTemporaria() {
        std::string modelo = (fs::temp_directory_path() / "zelprax-plataforma-XXXXXX").string();
        if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp failed");
        caminho_ = modelo;
    }
    ~PastaTemporaria() {
        std::error_code erro;
        fs::remove_all(caminho_, erro);
    }
    PastaTemporaria(const PastaTemporaria&) = delete;
    PastaTemporaria& operator=(const PastaTemporaria&) = delete;

    fs::path operator/(const std::string& nome) const { return caminho_ / nome; }
    const fs::path& Caminho() const { return caminho_; }

private:
    fs::path caminho_;
};

// Sets or clears an environment variable for one test and puts the old value back.
class VariavelAmbiente {
public:
    VariavelAmbiente(const char* nome, const char* valor) : nome_(nome) {
        if (const char* antigo = std::getenv(nome)) antigo_ = antigo;
        if (valor)
            setenv(nome, valor, 1);
        else
            unsetenv(nome);
    }
    ~VariavelAmbiente() {
        if (antigo_)
            setenv(nome_, antigo_->c_str(), 1);
        else
            unsetenv(nome_);
    }
    VariavelAmbiente(const VariavelAmbiente&) = delete;
    VariavelAmbiente& operator=(const VariavelAmbiente&) = delete;

private:
    const char* nome_;
    std::optional<std::string> antigo_;
};

// A child process of the test; killed and reaped at the end unless the test reaped it.
class Filho {
public:
    Filho(const fs::path& programa, std::vector<std::string> argumentos,
          const std::vector<std::string>& ambienteExtra = {}, const fs::path& saida = {}) {
        std::vector<char*> argv;
        for (auto& argumento : argumentos) argv.push_back(argumento.data());
        argv.push_back(nullptr);
        std::vector<std::string> ambiente(ambienteExtra);
        for (char** v = environ; *v; ++v) ambiente.emplace_back(*v);
        std::vector<char*> envp;
        for (auto& variavel : ambiente) envp.push_back(variavel.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t acoes;
        posix_spawn_file_actions_init(&acoes);
        if (!saida.empty())
            posix_spawn_file_actions_addopen(&acoes, STDOUT_FILENO, saida.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        // glibc returns only after the exec, so /proc already shows the new program.
        const int erro = posix_spawn(&pid_, programa.c_str(), &acoes, nullptr, argv.data(),
                                     envp.data());
        posix_spawn_file_actions_destroy(&acoes);
        if (erro != 0) throw std::runtime_error("posix_spawn failed for " + programa.string());
    }
    ~Filho() {
        if (!reaped_) {
            kill(pid_, SIGKILL);
            Esperar();
        }
    }
    Filho(const Filho&) = delete;
    Filho& operator=(const Filho&) = delete;

    pid_t Pid() const { return pid_; }

    int Esperar() {
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        return status;
    }

    bool TerminouSemEsperar() {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) reaped_ = true;
        return r == pid_;
    }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
};

// True while the process has ended and waits to be collected by its parent.
bool EstadoZumbi(pid_t pid) {
    std::ifstream arquivo("/proc/" + std::to_string(pid) + "/stat");
    std::string linha;
    std::getline(arquivo, linha);
    const auto fecha = linha.rfind(')');
    return fecha != std::string::npos && fecha + 2 < linha.size() && linha[fecha + 2] == 'Z';
}

bool FoiMortoPorSigkill(int status) { return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL; }

// Process ids, other than the given ones, whose program file has this lowercase name.
std::vector<pid_t> OutrosProcessosComNome(const std::string& nomeMinusculo) {
    std::vector<pid_t> encontrados;
    for (const auto& entrada : fs::directory_iterator("/proc")) {
        const std::string nome = entrada.path().filename().string();
        if (nome.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code erro;
        std::string programa = fs::read_symlink(entrada.path() / "exe", erro).filename().string();
        for (char& c : programa) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!erro && programa == nomeMinusculo) encontrados.push_back(std::stoi(nome));
    }
    return encontrados;
}

fs::path CopiarPrograma(const fs::path& origem, const fs::path& destino) {
    fs::copy_file(origem, destino);
    fs::permissions(destino, fs::perms::owner_all | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read |
                                 fs::perms::others_exec);
    return destino;
}

std::string NomeUnico(const std::string& prefixo) {
    return prefixo + "-" + std::to_string(getpid());
}

// ---------------------------------------------------------------------------------------------
// EncerrarProcesso

class EncerrarProcesso : public ::testing::Test {
protected:
    PastaTemporaria pasta_;
    Sistema& sistema_ = SistemaNativo();
};

TEST_F(EncerrarProcesso, MataOProcessoDoMonitorPeloNomeEmMaiusculas) {
    if (!OutrosProcessosComNome("zelpraxcomissao2").empty())
        GTEST_SKIP() << "a zelpraxComissao2 is already running on this machine; not killing it";
    const fs::path programa = CopiarPrograma("/bin/sleep", pasta_ / "zelpraxComissao2");
    // argv[0] is deliberately unlike the file name: the program file is what is compared.
    Filho filho(programa, {"sleep", "30"});

    EXPECT_TRUE(sistema_.EncerrarProcesso("ZELPRAXCOMISSAO2"));
    EXPECT_TRUE(FoiMortoPorSigkill(filho.Esperar()));
}

TEST_F(EncerrarProcesso, FalsoQuandoNenhumProgramaTemONomeInteiro) {
    const std::string nome = NomeUnico("zelpraxSemIgual");
    Filho filho(CopiarPrograma("/bin/sleep", pasta_ / nome), {"sleep", "30"});

    EXPECT_FALSE(sistema_.EncerrarProcesso(NomeUnico("zelpraxNinguem")));
    EXPECT_FALSE(sistema_.EncerrarProcesso(nome + ".exe"));
    EXPECT_FALSE(sistema_.EncerrarProcesso(nome.substr(0, nome.size() - 1)));
    EXPECT_FALSE(sistema_.EncerrarProcesso((pasta_ / nome).string()));
    EXPECT_FALSE(sistema_.EncerrarProcesso(""));
    EXPECT_FALSE(filho.TerminouSemEsperar());
}

TEST_F(EncerrarProcesso, MataSoOPrimeiroEmOrdemDeNumeroDeProcesso) {
    const std::string nome = NomeUnico("zelpraxDuplo");
    const fs::path programa = CopiarPrograma("/bin/sleep", pasta_ / nome);
    Filho a(programa, {"sleep", "30"});
    Filho b(programa, {"sleep", "30"});
    Filho& primeiro = a.Pid() < b.Pid() ? a : b;
    Filho& segundo = a.Pid() < b.Pid() ? b : a;

    EXPECT_TRUE(sistema_.EncerrarProcesso(nome));
    EXPECT_TRUE(FoiMortoPorSigkill(primeiro.Esperar()));
    EXPECT_FALSE(segundo.TerminouSemEsperar());

    EXPECT_TRUE(sistema_.EncerrarProcesso(nome));
    EXPECT_TRUE(FoiMortoPorSigkill(segundo.Esperar()));

    EXPECT_FALSE(sistema_.EncerrarProcesso(nome));
}

TEST_F(EncerrarProcesso, ReconheceProgramaCujoArquivoFoiApagadoDuranteAExecucao) {
    // What the updater does to a running program: the file is replaced under it.
    const std::string nome = NomeUnico("zelpraxSubstituido");
    const fs::path programa = CopiarPrograma("/bin/sleep", pasta_ / nome);
    Filho filho(programa, {"sleep", "30"});
    fs::remove(programa);

    EXPECT_TRUE(sistema_.EncerrarProcesso(nome));
    EXPECT_TRUE(FoiMortoPorSigkill(filho.Esperar()));
}

TEST_F(EncerrarProcesso, OProprioProcessoSaiComStatusZeroDepoisDeEsvaziarOsBuffers) {
    const std::string nome = NomeUnico("zelpraxAutoEncerra");
    const fs::path programa = CopiarPrograma("/proc/self/exe", pasta_ / nome);
    const fs::path saida = pasta_ / "saida.txt";
    Filho filho(programa, {nome}, {std::string(kVariavelAutoEncerrar) + "=" + nome}, saida);

    const int status = filho.Esperar();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no process found, 3: EncerrarProcesso returned";
    EXPECT_EQ(LerArquivo(saida), kTextoAntesDoFim);
}

// ---------------------------------------------------------------------------------------------
// IniciarPrograma

class IniciarPrograma : public ::testing::Test {
protected:
    // A stand-in updater: writes its argument count and arguments, one per line, into saida_
    // (through a temporary name, so the file appears complete); antes and depois are shell lines
    // run before and after that.
    fs::path EscreverSubstituto(const std::string& antes = "", const std::string& depois = "") {
        const fs::path script = pasta_ / "zelpraxAtualizador";
        std::ofstream arquivo(script);
        arquivo << "#!/bin/sh\n"
                << antes
                << "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '"
                << saida_.string() << ".tmp'\n"
                << "mv '" << saida_.string() << ".tmp' '" << saida_.string() << "'\n"
                << depois;
        arquivo.close();
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    PastaTemporaria pasta_;
    fs::path saida_ = pasta_ / "argumentos.txt";
    Sistema& sistema_ = SistemaNativo();
};

TEST_F(IniciarPrograma, ParametrosChegamSeparadosNosBrancos) {
    struct Caso {
        std::string parametros;
        std::string esperado;
    };
    const std::vector<Caso> casos = {
        {"@F1 @M/srv/Meu§Sistema/Update @E/opt/Meu§Monitor @AzelpraxComissao2",
         "4\n@F1\n@M/srv/Meu§Sistema/Update\n@E/opt/Meu§Monitor\n@AzelpraxComissao2\n"},
        {"  um   dois  ", "2\num\ndois\n"},
        {"", "0\n"},
        {"   ", "0\n"},
        {"'aspas' \"nao\" $HOME *", "4\n'aspas'\n\"nao\"\n$HOME\n*\n"},
    };
    const fs::path programa = EscreverSubstituto();
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.parametros);
        fs::remove(saida_);
        ASSERT_TRUE(sistema_.IniciarPrograma(programa.string(), caso.parametros));
        ASSERT_TRUE(EsperarArquivo(saida_, std::chrono::seconds(10)));
        EXPECT_EQ(LerArquivo(saida_), caso.esperado);
    }
}

TEST_F(IniciarPrograma, NaoEsperaEDeixaOProgramaForaDaSessaoEDosFilhos) {
    const fs::path pidArquivo = pasta_ / "pid.txt";
    // The pid file is written before the argument file, and the shell then becomes the sleep.
    const fs::path programa =
        EscreverSubstituto("echo $$ > '" + pidArquivo.string() + "'\n", "exec sleep 30\n");

    const auto inicio = std::chrono::steady_clock::now();
    ASSERT_TRUE(sistema_.IniciarPrograma(programa.string(), "x"));
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(5));

    ASSERT_TRUE(EsperarArquivo(saida_, std::chrono::seconds(10)));
    const pid_t pid = std::stoi(LerArquivo(pidArquivo));
    EXPECT_NE(getsid(pid), getsid(0));
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    kill(pid, SIGKILL);
}

TEST_F(IniciarPrograma, FalsoQuandoOProgramaNaoPodeSerIniciado) {
    EXPECT_FALSE(sistema_.IniciarPrograma((pasta_ / "naoExiste").string(), "@F1"));

    const fs::path semPermissao = pasta_ / "semPermissao";
    std::ofstream(semPermissao) << "#!/bin/sh\nexit 0\n";
    fs::permissions(semPermissao, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(sistema_.IniciarPrograma(semPermissao.string(), ""));

    EXPECT_FALSE(sistema_.IniciarPrograma(pasta_.Caminho().string(), ""));
}

// ---------------------------------------------------------------------------------------------
// Desktop shortcut and folder

class AtalhoAreaDeTrabalho : public ::testing::Test {
protected:
    PastaTemporaria pasta_;
    VariavelAmbiente xdg_{"XDG_DESKTOP_DIR", pasta_.Caminho().c_str()};
    Sistema& sistema_ = SistemaNativo();
};

TEST_F(AtalhoAreaDeTrabalho, GravaEntradaExecutavelNaPastaXdg) {
    const mode_t mascaraAntiga = umask(077);
    const bool gravou = sistema_.CriarAtalhoAreaDeTrabalho(
        "/opt/zelprax/zelpraxComissao2", "zelpraxComissao2", "Novo zelpraxComissao2");
    umask(mascaraAntiga);
    ASSERT_TRUE(gravou);

    const fs::path atalho = pasta_ / "Novo zelpraxComissao2.desktop";
    EXPECT_EQ(LerArquivo(atalho),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=zelpraxComissao2\n"
              "Exec=/opt/zelprax/zelpraxComissao2\n");
    struct stat dados {};
    ASSERT_EQ(stat(atalho.c_str(), &dados), 0);
    EXPECT_EQ(dados.st_mode & 0777, 0755u);
}

TEST_F(AtalhoAreaDeTrabalho, CitaEEscapaOAlvoComoOFormatoPede) {
    struct Caso {
        std::string alvo;
        std::string exec;
    };
    const std::vector<Caso> casos = {
        {"/opt/Meu Sistema/zelpraxComissao2", "Exec=\"/opt/Meu Sistema/zelpraxComissao2\""},
        {"/opt/custo$/monitor", "Exec=\"/opt/custo\\\\$/monitor\""},
        {"/opt/a\"b/monitor", "Exec=\"/opt/a\\\\\"b/monitor\""},
        {"/opt/a\\b/monitor", "Exec=\"/opt/a\\\\\\\\b/monitor\""},
        {"/opt/100%/monitor", "Exec=/opt/100%%/monitor"},
        {"/opt/ação/monitor", "Exec=/opt/ação/monitor"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.alvo);
        ASSERT_TRUE(sistema_.CriarAtalhoAreaDeTrabalho(caso.alvo, "d", "atalho"));
        const std::string conteudo = LerArquivo(pasta_ / "atalho.desktop");
        EXPECT_NE(conteudo.find("\n" + caso.exec + "\n"), std::string::npos) << conteudo;
    }
}

TEST_F(AtalhoAreaDeTrabalho, SobrescreveAtalhoExistente) {
    ASSERT_TRUE(sistema_.CriarAtalhoAreaDeTrabalho("/velho/programa-com-nome-longo", "velho", "a"));
    ASSERT_TRUE(sistema_.CriarAtalhoAreaDeTrabalho("/novo", "novo", "a"));
    EXPECT_EQ(LerArquivo(pasta_ / "a.desktop"),
              "[Desktop Entry]\nType=Application\nName=novo\nExec=/novo\n");
}

TEST_F(AtalhoAreaDeTrabalho, FalsoQuandoAPastaNaoExiste) {
    VariavelAmbiente inexistente("XDG_DESKTOP_DIR", (pasta_ / "naoExiste").c_str());
    EXPECT_FALSE(sistema_.CriarAtalhoAreaDeTrabalho("/opt/x", "x", "Novo x"));
    EXPECT_FALSE(fs::exists(pasta_ / "naoExiste"));
}

TEST(PastaAreaDeTrabalho, XdgQuandoDefinidaSenaoDesktopNaPastaPessoal) {
    VariavelAmbiente home("HOME", "/home/vendas");
    Sistema& sistema = SistemaNativo();
    {
        VariavelAmbiente xdg("XDG_DESKTOP_DIR", "/home/vendas/Área de Trabalho");
        EXPECT_EQ(sistema.PastaAreaDeTrabalho(), "/home/vendas/Área de Trabalho");
    }
    {
        VariavelAmbiente xdg("XDG_DESKTOP_DIR", "/home/vendas/Mesa/");
        EXPECT_EQ(sistema.PastaAreaDeTrabalho(), "/home/vendas/Mesa");
    }
    {
        VariavelAmbiente xdg("XDG_DESKTOP_DIR", "");
        EXPECT_EQ(sistema.PastaAreaDeTrabalho(), "/home/vendas/Desktop");
    }
    {
        VariavelAmbiente xdg("XDG_DESKTOP_DIR", nullptr);
        EXPECT_EQ(sistema.PastaAreaDeTrabalho(), "/home/vendas/Desktop");
        EXPECT_FALSE(fs::exists("/home/vendas/Desktop"));
    }
}

// ---------------------------------------------------------------------------------------------
// DataModificacao

TEST(DataModificacao, ArredondaParaBaixoEmPassosDeDoisSegundos) {
    struct Caso {
        std::time_t segundos;
        long nanossegundos;
        std::time_t esperado;
    };
    const std::vector<Caso> casos = {
        {1'700'000'001, 0, 1'700'000'000},
        {1'700'000'000, 0, 1'700'000'000},
        {1'700'000'001, 999'999'999, 1'700'000'000},
        {1'700'000'000, 999'999'999, 1'700'000'000},
        {1, 0, 0},
        {-3, 0, -4},
    };
    PastaTemporaria pasta;
    const fs::path arquivo = pasta / "zelpraxComissao2";
    std::ofstream(arquivo) << "x";
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.segundos);
        const timespec tempos[2] = {{caso.segundos, caso.nanossegundos},
                                    {caso.segundos, caso.nanossegundos}};
        ASSERT_EQ(utimensat(AT_FDCWD, arquivo.c_str(), tempos, 0), 0);
        EXPECT_EQ(SistemaNativo().DataModificacao(arquivo.string()), caso.esperado);
    }
}

TEST(DataModificacao, VaziaParaArquivoInexistente) {
    PastaTemporaria pasta;
    EXPECT_EQ(SistemaNativo().DataModificacao((pasta / "naoExiste").string()), std::nullopt);
    EXPECT_EQ(SistemaNativo().DataModificacao((pasta / "naoExiste" / "x").string()),
              std::nullopt);
}

// ---------------------------------------------------------------------------------------------
// ProgramaDoProcesso

TEST(ProgramaDoProcesso, NomeDoProgramaSoEnquantoOProcessoRoda) {
    PastaTemporaria pasta;
    const std::string nome = NomeUnico("zelpraxConsultado");
    const fs::path programa = CopiarPrograma("/bin/sleep", pasta / nome);
    Filho rodando(programa, {"sleep", "30"});
    Filho apagado(CopiarPrograma("/bin/sleep", pasta / (nome + "-apagado")), {"sleep", "30"});
    fs::remove(pasta / (nome + "-apagado"));
    // Ended but not collected: its number is still listed, a zombie.
    Filho zumbi(programa, {"sleep", "0"});
    for (int i = 0; i < 500 && EstadoZumbi(zumbi.Pid()) == false; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(EstadoZumbi(zumbi.Pid()));
    Filho terminado(programa, {"sleep", "0"});
    const pid_t numeroTerminado = terminado.Pid();
    terminado.Esperar();

    struct Caso {
        const char* descricao;
        long processo;
        std::optional<std::string> programa;
    };
    const Caso casos[] = {
        {"este processo", getpid(), "test_platform"},
        {"filho rodando", rodando.Pid(), nome},
        {"programa apagado durante a execução", apagado.Pid(), nome + "-apagado"},
        {"zumbi", zumbi.Pid(), std::nullopt},
        {"terminado e recolhido", numeroTerminado, std::nullopt},
        {"acima do maior número de processo", 99'999'999L, std::nullopt},
        {"zero", 0, std::nullopt},
        {"negativo", -1, std::nullopt},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(SistemaNativo().ProgramaDoProcesso(c.processo), c.programa) << c.descricao;
}

// ---------------------------------------------------------------------------------------------
// Small facts

TEST(SistemaNativo, SeparadorCaminhoEInstanciaUnica) {
    EXPECT_EQ(Separador(), '/');
    EXPECT_EQ(SistemaNativo().IdProcesso(), getpid());
    char maquina[256] = {};
    ASSERT_EQ(gethostname(maquina, sizeof maquina - 1), 0);
    EXPECT_EQ(SistemaNativo().NomeMaquina(), maquina);
    EXPECT_EQ(fs::path(SistemaNativo().CaminhoExecutavel()), fs::read_symlink("/proc/self/exe"));
    EXPECT_EQ(fs::path(SistemaNativo().CaminhoExecutavel()).filename(), "test_platform");
    EXPECT_EQ(&SistemaNativo(), &SistemaNativo());
}

// ---------------------------------------------------------------------------------------------
// ArquivoDeTrava and the computer's identity

TEST(ArquivoDeTrava, CriacaoExclusivaTravaPorAberturaESoArquivoComum) {
    using zelprax::plataforma::ArquivoDeTrava;
    using R = ArquivoDeTrava::Resultado;
    PastaTemporaria pasta;
    const std::string caminho = (pasta / "x.lock").string();
    ArquivoDeTrava dono;
    ASSERT_EQ(dono.Criar(caminho), R::Feito);
    ASSERT_EQ(dono.Travar(false), R::Feito);
    ASSERT_TRUE(dono.Gravar("linhas\r\n"));
    EXPECT_EQ(ArquivoDeTrava().Criar(caminho), R::Existe);

    // Another opening, in this very process: refused the lock, free to read the lines.
    ArquivoDeTrava outro;
    ASSERT_EQ(outro.Abrir(caminho), R::Feito);
    EXPECT_EQ(outro.Travar(false), R::Ocupado);
    EXPECT_EQ(outro.Ler(100), "linhas\r\n");
    dono.Fechar();
    EXPECT_EQ(outro.Travar(false), R::Feito);
    EXPECT_TRUE(outro.Apagar());
    EXPECT_FALSE(fs::exists(caminho));
    EXPECT_EQ(ArquivoDeTrava().Abrir(caminho), R::Ausente);

    // Nothing but a regular file, and no link followed, not even to create its target.
    ASSERT_EQ(::symlink((pasta / "alvo").c_str(), caminho.c_str()), 0);
    EXPECT_EQ(ArquivoDeTrava().Criar(caminho), R::Existe);
    EXPECT_EQ(ArquivoDeTrava().Abrir(caminho), R::NaoRegular);
    EXPECT_FALSE(fs::exists(pasta / "alvo"));
    ASSERT_EQ(::mkfifo((pasta / "fila").c_str(), 0600), 0);
    EXPECT_EQ(ArquivoDeTrava().Abrir(pasta / "fila"), R::NaoRegular);  // at once, not blocked
    EXPECT_EQ(ArquivoDeTrava().Abrir(pasta.Caminho().string()), R::NaoRegular);
}

TEST(SistemaNativo, IdentidadeDaMaquinaEhOMachineId) {
    std::ifstream arquivo("/etc/machine-id");
    std::string linha;
    if (!std::getline(arquivo, linha)) GTEST_SKIP() << "/etc/machine-id não existe aqui";
    EXPECT_EQ(SistemaNativo().IdentidadeMaquina(), linha);
}

}  // namespace
