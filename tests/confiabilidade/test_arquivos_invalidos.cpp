// Files of the ERP installation in every bad shape: ini files empty, binary, with huge lines or
// without their sections; folders whose names carry blanks, accents and quotes; a stop-signal file
// that is binary, huge or no file at all. Each one either works or fails with a clear message;
// none crashes or hangs.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../app/erp_teste.h"
#include "../app/motor_gravador.h"
#include "apoio_confiabilidade.h"
#include "app/agendador.h"
#include "app/trava.h"
#include "programas.h"
#include "support/interacao_gravada.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

std::string Binario(std::size_t tamanho, unsigned semente) {
    std::mt19937 gerador(semente);
    std::string s(tamanho, '\0');
    for (char& c : s) c = static_cast<char>(gerador() & 0xFF);
    return s;
}

// What one tick made of the installation.
struct Desfecho {
    bool concluida = false;       // the run completed and the process would end
    bool mensagemConfiguracao = false;  // a configuration message with an end request
    std::string erro;             // the failure's text on the error stream
};

Desfecho ExecutarTique(InstalacaoERP& erp) {
    InteracaoGravada interacao;
    PainelObservado painel;
    MotorGravador motor(erp.sistema, interacao, painel);
    TelaGravada tela;
    std::ostringstream erros;
    monitor::AgendadorComissao agendador(motor, tela, RelogioDoTeste(), false, erros);
    agendador.bMesnagemClickBotao = true;
    erp.sistema.encerrados.clear();
    agendador.Timer1Timer();

    Desfecho d;
    d.concluida = tela.temporizadores && tela.final != monitor::kSemAtualizacao &&
                  !erp.sistema.encerrados.empty() && erp.sistema.encerrados.back() == monitor::NomeProgramaMonitor();
    for (const MensagemGravada& m : interacao.mensagens)
        if (m.texto.rfind("Não foi encontrado", 0) == 0 && interacao.pedidosDeEncerramento > 0) d.mensagemConfiguracao = true;
    d.erro = erros.str();
    EXPECT_FALSE(motor.TemConexao());
    return d;
}

// Either the run completed, or it stopped with a message for the user or an error with its text.
void ConferirDesfecho(const Desfecho& d, bool utilizavel) {
    if (utilizavel) {
        EXPECT_TRUE(d.concluida) << d.erro;
        return;
    }
    EXPECT_FALSE(d.concluida);
    EXPECT_TRUE(d.mensagemConfiguracao) << "sem mensagem de configuração";
    EXPECT_NE(d.erro.find("a atualização das comissões falhou:\n"), std::string::npos) << d.erro;
    EXPECT_GT(d.erro.size(), std::string("zelprax Monitor Comissão: a atualização das comissões falhou:\n\n").size())
        << "o erro traz o seu texto";
}

struct ConteudoIni {
    const char* nome;
    std::string texto;
    bool utilizavel;
};

TEST(ArquivosInvalidos, IniLocalEmQualquerFormato) {
    InstalacaoERP erp;
    const std::string valido = "[IniServidor]\nnomearquivo=" + erp.iniServidor + "\n";
    const std::string linhaEnorme(1 << 20, 'x');
    const ConteudoIni casos[] = {
        {"vazio", "", false},
        {"binário", Binario(4096, 1), false},
        {"binário com o conteúdo certo no meio", Binario(300, 2) + "\n" + valido + Binario(300, 3), true},
        {"NUL depois do valor", "[IniServidor]\nnomearquivo=" + erp.iniServidor + std::string(1, '\0') + "lixo\n", true},
        {"linha enorme sem quebra", linhaEnorme, false},
        {"linha enorme antes do conteúdo", linhaEnorme + "\n" + valido, true},
        {"valor enorme", "[IniServidor]\nnomearquivo=" + erp.pastaDados + std::string(100000, 'a') + ".ini\n", false},
        {"sem seção", "nomearquivo=" + erp.iniServidor + "\n", false},
        {"outra seção", "[Servidor]\nnomearquivo=" + erp.iniServidor + "\n", false},
        {"só a seção", "[IniServidor]\n", false},
        {"chave sem valor", "[IniServidor]\nnomearquivo\n", false},
        {"seção sem fecho", "[IniServidor\nnomearquivo=" + erp.iniServidor + "\n", false},
        {"BOM e CR LF", "\xEF\xBB\xBF[IniServidor]\r\nnomearquivo=" + erp.iniServidor + "\r\n", true},
        {"letras trocadas e brancos", "[INISERVIDOR]\n  NomeArquivo  =  " + erp.iniServidor + "  \n", true},
    };
    int tentadas = 0;
    for (const ConteudoIni& caso : casos) {
        SCOPED_TRACE(caso.nome);
        ++tentadas;
        EscreverArquivo(erp.raiz / "Monitor/zelpraxempresa.ini", caso.texto);
        EscreverArquivo(erp.iniServidor, "[Database]\nServidor=\npath=" + erp.pastaDados + "\nname=erp.fdb\n");
        ConferirDesfecho(ExecutarTique(erp), caso.utilizavel);

        // The headless runner finds the database the same way: a usage status with its message.
        const ResultadoPrograma r = ExecutarPrograma(ZELPRAX_RUNNER, {"--pasta", erp.raiz / "Monitor"});
        if (caso.utilizavel) {
            EXPECT_EQ(r.status, 0) << r.erros;
        } else {
            EXPECT_EQ(r.status, 2) << r.erros;
            EXPECT_NE(r.erros.find("Não foi encontrado o arquivo de inicialização"), std::string::npos) << r.erros;
        }
    }
    // The ini named by a folder, and by a special file.
    fs::remove(erp.raiz / "Monitor/zelpraxempresa.ini");
    fs::create_directory(erp.raiz / "Monitor/zelpraxempresa.ini");
    ++tentadas;
    ConferirDesfecho(ExecutarTique(erp), false);
    fs::remove(erp.raiz / "Monitor/zelpraxempresa.ini");
    ASSERT_EQ(::mkfifo((erp.raiz / "Monitor/zelpraxempresa.ini").c_str(), 0600), 0);
    ++tentadas;
    ConferirDesfecho(ExecutarTique(erp), false);
    std::cout << "ini local: " << tentadas << " entradas inválidas\n";
}

// A server ini named by a path of some 250 characters (within what Windows allows): the line
// that names it is read whole.
TEST(ArquivosInvalidos, IniLocalComCaminhoLongo) {
    InstalacaoERP erp;
    const fs::path pastaLonga = erp.raiz.Caminho() / std::string(100, 'p') / std::string(100, 'q') / "Dados";
    fs::create_directories(pastaLonga);
    const std::string iniLongo = (pastaLonga / "zelprax.ini").string();
    EscreverArquivo(iniLongo, "[Database]\nServidor=\npath=" + erp.pastaDados + "\nname=erp.fdb\n");
    EscreverArquivo(erp.raiz / "Monitor/zelpraxempresa.ini", "[IniServidor]\nnomearquivo=" + iniLongo + "\n");
    ConferirDesfecho(ExecutarTique(erp), true);
}

TEST(ArquivosInvalidos, IniDoServidorEmQualquerFormato) {
    InstalacaoERP erp;
    const std::string valido = "[Database]\nServidor=\npath=" + erp.pastaDados + "\nname=erp.fdb\n";
    const ConteudoIni casos[] = {
        {"vazio", "", false},
        {"binário", Binario(4096, 4), false},
        {"linha enorme sem quebra", std::string(1 << 20, 'y'), false},
        {"linha enorme antes do conteúdo", std::string(1 << 20, 'y') + "\n" + valido, true},
        {"sem seção", "Servidor=\npath=" + erp.pastaDados + "\nname=erp.fdb\n", false},
        {"sem o nome", "[Database]\nServidor=\npath=" + erp.pastaDados + "\n", false},
        {"sem a pasta", "[Database]\nServidor=\nname=erp.fdb\n", false},
        {"nome enorme", "[Database]\nServidor=\npath=" + erp.pastaDados + "\nname=" + std::string(5000, 'n') + ".fdb\n", false},
        {"servidor só com brancos", "[Database]\nServidor=   \npath=" + erp.pastaDados + "\nname=erp.fdb\n", true},
        {"servidor que não existe", "[Database]\nServidor=servidor-inexistente.invalid\npath=" + erp.pastaDados + "\nname=erp.fdb\n", false},
        {"BOM e CR LF", "\xEF\xBB\xBF[Database]\r\nServidor=\r\npath=" + erp.pastaDados + "\r\nname=erp.fdb\r\n", true},
    };
    int tentadas = 0;
    for (const ConteudoIni& caso : casos) {
        SCOPED_TRACE(caso.nome);
        ++tentadas;
        EscreverArquivo(erp.iniServidor, caso.texto);
        const Desfecho d = ExecutarTique(erp);
        if (caso.utilizavel) {
            EXPECT_TRUE(d.concluida) << d.erro;
        } else {
            // The server ini exists, so no configuration message: the connection fails and the
            // first statement raises its error.
            EXPECT_FALSE(d.concluida);
            EXPECT_NE(d.erro.find("a atualização das comissões falhou:\n"), std::string::npos) << d.erro;
            EXPECT_GT(d.erro.size(), 70u) << d.erro;
        }
    }
    std::cout << "ini do servidor: " << tentadas << " entradas inválidas\n";
}

TEST(ArquivosInvalidos, PastasComBrancosAcentosEAspas) {
    const char* nomes[] = {
        "Pasta d'Água",
        "Zelprax \"Matriz\" & Filial",
        "Ação; teste #1 (cópia)",
        "100% $HOME `x` \\ fim",
        "Mais de um  espaço",
    };
    int tentadas = 0;
    for (const char* nome : nomes) {
        SCOPED_TRACE(nome);
        ++tentadas;
        PastaTemporaria raiz;
        const fs::path base = raiz.Caminho() / nome;
        for (const char* p : {"Monitor", "Dados"}) fs::create_directories(base / p);
        const std::string pastaDados = (base / "Dados").string() + "/";
        const std::string executavel = (base / "Monitor/zelpraxComissao2").string();
        EscreverArquivo(executavel, "programa");
        EscreverArquivo((base / "Monitor/zelpraxempresa.ini").string(),
                        "[IniServidor]\nnomearquivo=" + pastaDados + "zelprax.ini\n");
        EscreverArquivo(pastaDados + "zelprax.ini", "[Database]\nServidor=\npath=" + pastaDados + "\nname=erp.fdb\n");
        CriarBancoDoEsquema(pastaDados + "erp.fdb");
        DadosTeste(pastaDados + "erp.fdb").Parametro({{"ST_MONITOR_COMISSAO_ATIVO", "'S'"}});

        // The monitor: its lock in that folder, a run, the lock gone.
        SistemaFalso sistema;
        sistema.executavel = executavel;
        InteracaoGravada interacao;
        PainelObservado painel;
        comissao::Motor motor(sistema, interacao, painel, RelogioDoTeste());
        EXPECT_EQ(motor.LocalizarPastaDados(), pastaDados);
        monitor::CriarArquivoTrava(executavel, motor.LocalizarPastaDados());
        EXPECT_TRUE(fs::exists(pastaDados + "zelpraxComissao2.lock"));
        TelaGravada tela;
        std::ostringstream erros;
        monitor::AgendadorComissao agendador(motor, tela, RelogioDoTeste(), false, erros);
        agendador.bMesnagemClickBotao = true;
        agendador.Timer1Timer();
        EXPECT_TRUE(tela.temporizadores) << erros.str();
        EXPECT_EQ(sistema.encerrados, std::vector<std::string>{monitor::NomeProgramaMonitor()}) << erros.str();
        EXPECT_FALSE(fs::exists(pastaDados + "zelpraxComissao2.lock"));
        EXPECT_EQ(DadosTeste(pastaDados + "erp.fdb").Valor("select st_monitor_comissao_ativo from tab_parametro"), "N");

        // The headless runner installed there, found through the same files.
        const ResultadoPrograma r = ExecutarPrograma(ZELPRAX_RUNNER, {"--pasta", (base / "Monitor").string()});
        EXPECT_EQ(r.status, 0) << r.erros;
        EXPECT_FALSE(fs::exists(pastaDados + "zelpraxComissao2.lock"));
    }
    std::cout << "pastas: " << tentadas << " entradas inválidas\n";
}

TEST(ArquivosInvalidos, ArquivoDeSinalEmQualquerFormato) {
    PastaTemporaria pasta;
    const std::string dados = pasta / "Dados/";
    fs::create_directories(dados);
    const std::string sinal = dados + monitor::kArquivoSinal;
    auto escrever = [&](const std::string& texto) { EscreverArquivo(sinal, texto); };
    auto limpar = [&] { fs::remove_all(sinal); };

    enum class Esperado { SemSinal, Sinal, Erro };
    struct Caso {
        const char* nome;
        std::function<void()> preparar;
        Esperado esperado;
    };
    const Caso casos[] = {
        // Only a first line of exactly "DESCONECTAR" is the signal.
        {"sem arquivo", [] {}, Esperado::SemSinal},
        {"só o sinal", [&] { escrever("DESCONECTAR"); }, Esperado::Sinal},
        {"sinal e outra linha", [&] { escrever("DESCONECTAR\nqualquer coisa"); }, Esperado::Sinal},
        {"vazio", [&] { escrever(""); }, Esperado::SemSinal},
        {"minúsculas", [&] { escrever("desconectar"); }, Esperado::SemSinal},
        {"maiúscula só na inicial", [&] { escrever("Desconectar\r\n"); }, Esperado::SemSinal},
        {"branco depois", [&] { escrever("DESCONECTAR "); }, Esperado::SemSinal},
        {"branco antes", [&] { escrever(" DESCONECTAR"); }, Esperado::SemSinal},
        {"sinal na segunda linha", [&] { escrever("CONECTADO\nDESCONECTAR\n"); }, Esperado::SemSinal},
        {"sinal repetido", [&] { escrever("DESCONECTARDESCONECTARDESCONECTAR"); }, Esperado::SemSinal},
        {"1 MiB de NUL", [&] { escrever(std::string(1 << 20, '\0')); }, Esperado::SemSinal},
        {"binário", [&] { escrever(Binario(8192, 5)); }, Esperado::SemSinal},
        {"sinal seguido de NUL", [&] { escrever(std::string("DESCONECTAR\0lixo\n", 17)); }, Esperado::SemSinal},
        {"sinal com CR LF", [&] { escrever("DESCONECTAR\r\nresto"); }, Esperado::Sinal},
        {"sinal e depois 10 MB", [&] { escrever("DESCONECTAR\n" + std::string(10 << 20, 'z')); }, Esperado::Sinal},
        {"primeira linha de 20 MB", [&] { escrever(std::string(20 << 20, 'D')); }, Esperado::SemSinal},
        {"sinal depois de 20 MB de brancos", [&] { escrever(std::string(20 << 20, ' ') + "DESCONECTAR"); },
         Esperado::SemSinal},
        {"50 MB de zeros (esparso)",
         [&] {
             escrever("");
             fs::resize_file(sinal, 50u << 20);
         },
         Esperado::SemSinal},
        {"UTF-16", [&] { escrever(std::string("\xFF\xFE" "D\0E\0S\0C\0O\0N\0E\0C\0T\0A\0R\0", 24)); }, Esperado::SemSinal},
        {"BOM UTF-8", [&] { escrever("\xEF\xBB\xBF" "DESCONECTAR\n"); }, Esperado::SemSinal},
        {"sem permissão de leitura",
         [&] {
             escrever("DESCONECTAR\n");
             fs::permissions(sinal, fs::perms::none);
         },
         geteuid() == 0 ? Esperado::Sinal : Esperado::Erro},
        {"uma pasta", [&] { fs::create_directory(sinal); }, Esperado::Erro},
        {"um FIFO sem escritor", [&] { ASSERT_EQ(::mkfifo(sinal.c_str(), 0600), 0); }, Esperado::Erro},
        {"ligação para /dev/zero", [&] { fs::create_symlink("/dev/zero", sinal); }, Esperado::Erro},
        {"ligação em laço", [&] { fs::create_symlink(sinal, sinal); }, Esperado::Erro},
        {"ligação quebrada", [&] { fs::create_symlink(dados + "nao-existe", sinal); }, Esperado::SemSinal},
    };
    int tentadas = 0;
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        ++tentadas;
        limpar();
        caso.preparar();
        try {
            const bool conectado = monitor::ServidorConectado(dados);
            EXPECT_NE(caso.esperado, Esperado::Erro) << "devia falhar com a mensagem da pasta";
            EXPECT_EQ(conectado, caso.esperado == Esperado::SemSinal);
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(caso.esperado, Esperado::Erro) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(monitor::kMensagemPastaInacessivel, 0), 0u) << e.what();
        }
    }
    // The data folder itself missing, or a file in its place.
    ++tentadas;
    EXPECT_TRUE(monitor::ServidorConectado(pasta / "nao-existe/"));
    ++tentadas;
    EscreverArquivo(pasta / "arquivo", "x");
    EXPECT_TRUE(monitor::ServidorConectado(pasta / "arquivo/"));
    limpar();
    std::cout << "arquivo de sinal: " << tentadas << " entradas inválidas\n";
}

}  // namespace
}  // namespace zelprax::teste
