// The start-up version check in a temporary installation: a workstation folder with the monitor's
// executable, the ERP's data folder with the server ini, the update folder beside it, and a fresh
// database for the parameter-table upgrade.

#include "db/sessao_teste.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

#include "db/erro.h"
#include "upkeep/atualizacao.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;
using manutencao::VerificarAtualizacao;

const std::string kSemIcone = "Não foi encontrado o zelprax Atualizador no Servidor. Entre em contato com o suporte "
                              "técnico da zelprax.";

void DefinirData(const std::string& caminho, std::time_t instante) {
    const timespec tempos[2] = {{instante, 0}, {instante, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, caminho.c_str(), tempos, 0), 0) << caminho;
}

// 07/03/2024 10:00:00 local time: an even second, away from midnight and from clock changes.
std::time_t Referencia() {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_hour = 10;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

bool Existe(const std::string& caminho) { return fs::exists(caminho); }

class VerificacaoAtualizacao : public SessaoTeste {
protected:
    VerificacaoAtualizacao() {
        fs::create_directories(dadosErp);
        fs::create_directories(estacao);
        EscreverArquivo(iniServidor, "[Database]\n");
        EscreverArquivo(executavel, "versão em uso");
        DefinirData(executavel, Referencia());
        // Read by the connection, which derives the update paths from them.
        sistema.executavel = executavel;
        sessao.it_sLocaIniServidor = iniServidor;
    }

    void Publicar(std::time_t data) {
        fs::create_directories(pastaAtualizacao);
        EscreverArquivo(publicado, "versão publicada");
        DefinirData(publicado, data);
    }
    void InstalarAtualizador() {
        fs::create_directories(pastaAtualizacao);
        EscreverArquivo(atualizador, "#!/bin/sh\n");
        fs::permissions(atualizador, fs::perms::owner_all);
    }
    bool ParametroAtualizado() {
        return dados->Contar("select count(*) from rdb$relation_fields where rdb$relation_name = 'TAB_PARAMETRO' "
                             "and rdb$field_name = 'VERSAO_ERP'") == 1;
    }
    // Runs the check; the code it ended the process with, if it did.
    std::optional<int> Verificar(plataforma::Sistema& s, bool compararVersao = true) {
        try {
            VerificarAtualizacao(sessao, s, interacao, compararVersao);
        } catch (const ProcessoTerminado& fim) {
            return fim.codigo;
        }
        return std::nullopt;
    }
    std::optional<int> Verificar() { return Verificar(sistema); }
    std::vector<std::string> Textos() const {
        std::vector<std::string> textos;
        for (const auto& m : interacao.mensagens) textos.push_back(m.texto);
        return textos;
    }

    std::string raiz = pasta.Caminho().string();
    std::string dadosErp = raiz + "/Meu Sistema/Dados";
    std::string iniServidor = dadosErp + "/zelprax.ini";
    std::string pastaAtualizacao = raiz + "/Meu Sistema/Update";
    std::string estacao = raiz + "/Estação 1";
    std::string executavel = estacao + "/zelpraxComissao2";
    std::string publicado = pastaAtualizacao + "/zelpraxComissao2";
    std::string atualizador = pastaAtualizacao + "/zelpraxAtualizador";
    std::string arquivoExec = estacao + "/Exec-zelpraxComissao2";
    std::string marcadorConcluida = estacao + "/Exec-zelpraxComissao2.ini";
    std::string textoNovaVersao =
        "AVISO: Existe uma nova versão do aplicativo zelpraxComissao2. A atualização será feita automaticamente. "
        "Aguarde...";
};

TEST_F(VerificacaoAtualizacao, CaminhosVemDaConexao) {
    const db::CaminhosAtualizacao& c = db::CaminhosAtualizacaoAtuais();
    EXPECT_EQ(c.NomeExecutavel, "zelpraxComissao2");
    EXPECT_EQ(c.PastaAtualizacao, pastaAtualizacao);
}

TEST_F(VerificacaoAtualizacao, MarcadorDebugarImpedeTudo) {
    EscreverArquivo(estacao + "/DebugarZandri.tmp", "");
    EscreverArquivo(arquivoExec, "");
    EscreverArquivo(marcadorConcluida, "");

    EXPECT_EQ(Verificar(), std::nullopt);

    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].texto, "O aplicativo zelpraxComissao2 não será atualizado. A pasta " + estacao +
                                                " está com o arquivo DebugarZandri.tmp");
    EXPECT_EQ(interacao.mensagens[0].titulo, "Aviso do Sistema");
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Aviso);
    EXPECT_EQ(interacao.pedidosDeEncerramento, 0);
    EXPECT_TRUE(interacao.avisos.empty());
    EXPECT_TRUE(sistema.iniciados.empty());
    // No clean-up, no update folder, no upgrade.
    EXPECT_TRUE(Existe(arquivoExec));
    EXPECT_TRUE(Existe(marcadorConcluida));
    EXPECT_FALSE(Existe(pastaAtualizacao));
    EXPECT_FALSE(ParametroAtualizado());
}

TEST_F(VerificacaoAtualizacao, SoADataDecideAPassagemAoAtualizador) {
    InstalarAtualizador();
    const std::time_t t0 = Referencia();
    const struct {
        std::time_t publicado;
        bool atualiza;
        const char* caso;
    } casos[] = {
        {t0, false, "mesma data, conteúdo diferente"},
        {t0 + 1, false, "no mesmo passo de dois segundos"},
        {t0 - 86400, true, "publicado um dia mais antigo"},
        {t0 + 86400, true, "publicado um dia mais novo"},
        {t0 + 2, true, "dois segundos depois"},
        {t0 - 2, true, "dois segundos antes"},
    };
    for (const auto& c : casos) {
        interacao = {};
        sistema.iniciados.clear();
        Publicar(c.publicado);

        const std::optional<int> fim = Verificar();

        EXPECT_TRUE(interacao.mensagens.empty()) << c.caso;
        EXPECT_TRUE(ParametroAtualizado()) << c.caso;
        if (c.atualiza) {
            EXPECT_EQ(fim, std::optional<int>(0)) << c.caso;
            EXPECT_EQ(interacao.avisos, std::vector<std::string>{textoNovaVersao}) << c.caso;
            EXPECT_EQ(sistema.iniciados, std::vector<std::string>{atualizador + " @F1 @M" + raiz +
                                                                  "/Meu\u00A7Sistema/Update @E" + raiz +
                                                                  "/Estação\u00A71 @AzelpraxComissao2"})
                << c.caso;
        } else {
            EXPECT_EQ(fim, std::nullopt) << c.caso;
            EXPECT_TRUE(interacao.avisos.empty()) << c.caso;
            EXPECT_TRUE(sistema.iniciados.empty()) << c.caso;
        }
        EXPECT_EQ(interacao.pedidosDeEncerramento, 0) << c.caso;
    }
}

TEST_F(VerificacaoAtualizacao, SemComparacaoDeVersaoSoOUpgradeRoda) {
    InstalarAtualizador();
    Publicar(Referencia() - 86400);
    EXPECT_EQ(Verificar(sistema, false), std::nullopt);
    EXPECT_TRUE(ParametroAtualizado());
    EXPECT_TRUE(interacao.avisos.empty());
    EXPECT_TRUE(sistema.iniciados.empty());
}

TEST_F(VerificacaoAtualizacao, AtualizadorAusenteComDatasIguaisAvisaESegue) {
    Publicar(Referencia());
    EXPECT_EQ(Verificar(), std::nullopt);
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].texto, kSemIcone);
    EXPECT_EQ(interacao.mensagens[0].titulo, "Aviso do Sistema");
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Nenhum);
    EXPECT_EQ(interacao.pedidosDeEncerramento, 1);
    EXPECT_TRUE(ParametroAtualizado()) << "the upgrade runs all the same";
}

TEST_F(VerificacaoAtualizacao, AtualizadorAusenteComAtualizacaoDevidaEncerraSemAvisoNemPartida) {
    Publicar(Referencia() + 86400);
    EXPECT_EQ(Verificar(), std::optional<int>(0));
    EXPECT_EQ(Textos(), (std::vector<std::string>{kSemIcone,
                                                  "Falha na atualização do aplicativo. Não foi encontrado o arquivo "
                                                  "zelpraxAtualizador na pasta " +
                                                      pastaAtualizacao + ".\rO Sistema será finalizado."}));
    EXPECT_EQ(interacao.mensagens.back().icone, db::Icone::Aviso);
    EXPECT_EQ(interacao.pedidosDeEncerramento, 2);
    EXPECT_TRUE(interacao.avisos.empty());
    EXPECT_TRUE(sistema.iniciados.empty());
    EXPECT_TRUE(ParametroAtualizado());
}

TEST_F(VerificacaoAtualizacao, ExecutavelPublicadoAusentePedeOFimECriaAPastaDeAtualizacao) {
    EXPECT_EQ(Verificar(), std::nullopt);
    EXPECT_TRUE(fs::is_directory(pastaAtualizacao));
    EXPECT_EQ(Textos(), (std::vector<std::string>{kSemIcone,
                                                  "Falha na atualização do aplicativo. Não foi encontrado o arquivo "
                                                  "zelpraxComissao2 na pasta " +
                                                      pastaAtualizacao + ".\rO Sistema será finalizado."}));
    EXPECT_EQ(interacao.mensagens.back().icone, db::Icone::Aviso);
    EXPECT_EQ(interacao.pedidosDeEncerramento, 2);
    EXPECT_TRUE(sistema.iniciados.empty());
}

TEST_F(VerificacaoAtualizacao, PastaDeAtualizacaoCriadaSoNumNivel) {
    db::CaminhosAtualizacaoAtuais().PastaAtualizacao = raiz + "/Outro/Update";
    EXPECT_EQ(Verificar(), std::nullopt);
    EXPECT_FALSE(Existe(raiz + "/Outro"));
    EXPECT_EQ(interacao.pedidosDeEncerramento, 2);
}

TEST_F(VerificacaoAtualizacao, IniSemDuasBarrasNaoTemPastaDeAtualizacao) {
    db::CaminhosAtualizacaoAtuais() = db::PrepararCaminhosAtualizacao(executavel, "/zelprax.ini", '/');
    ASSERT_EQ(db::CaminhosAtualizacaoAtuais().PastaAtualizacao, "");
    EXPECT_EQ(Verificar(), std::nullopt);
    EXPECT_EQ(Textos(), (std::vector<std::string>{kSemIcone,
                                                  "Falha na atualização do aplicativo. Não foi encontrado o arquivo "
                                                  "zelpraxComissao2 na pasta .\rO Sistema será finalizado."}));
    EXPECT_TRUE(ParametroAtualizado());
}

TEST_F(VerificacaoAtualizacao, SemConexaoOUpgradeLevantaOErroDepoisDoAviso) {
    sessao.DesconectarBanco();
    db::CaminhosAtualizacaoAtuais() = {};
    sessao.ConectarBanco(raiz + "/nao-existe.fdb");
    EXPECT_THROW(Verificar(), db::ErroBanco);
    EXPECT_EQ(Textos(), std::vector<std::string>{kSemIcone});
    EXPECT_EQ(interacao.pedidosDeEncerramento, 1);
}

class AtualizacaoConcluida : public VerificacaoAtualizacao {
protected:
    void SetUp() override {
        VerificacaoAtualizacao::SetUp();
        fs::create_directories(areaDeTrabalho);
        ::setenv("XDG_DESKTOP_DIR", areaDeTrabalho.c_str(), 1);
        InstalarAtualizador();
        Publicar(Referencia());
    }
    std::string areaDeTrabalho = raiz + "/Área de Trabalho";
    std::string atalho = areaDeTrabalho + "/Novo zelpraxComissao2.desktop";
};

TEST_F(AtualizacaoConcluida, MarcadorDeixaOAtalhoEApagaOsArquivosDoAtualizador) {
    EscreverArquivo(arquivoExec, "cópia antiga");
    EscreverArquivo(marcadorConcluida, "");

    EXPECT_EQ(Verificar(), std::nullopt);

    ASSERT_TRUE(Existe(atalho));
    std::ifstream entrada(atalho);
    std::stringstream conteudo;
    conteudo << entrada.rdbuf();
    EXPECT_NE(conteudo.str().find("\nName=zelpraxComissao2\n"), std::string::npos) << conteudo.str();
    EXPECT_NE(conteudo.str().find(executavel), std::string::npos) << conteudo.str();
    EXPECT_FALSE(Existe(arquivoExec));
    EXPECT_FALSE(Existe(marcadorConcluida));
    EXPECT_TRUE(interacao.mensagens.empty());
}

TEST_F(AtualizacaoConcluida, SemMarcadorSoApagaOArquivoExec) {
    EscreverArquivo(arquivoExec, "cópia antiga");
    EXPECT_EQ(Verificar(), std::nullopt);
    EXPECT_FALSE(Existe(arquivoExec));
    EXPECT_FALSE(Existe(atalho));
}

TEST_F(AtualizacaoConcluida, MarcadorSemArquivoExecAindaCriaOAtalho) {
    EscreverArquivo(marcadorConcluida, "");
    EXPECT_EQ(Verificar(), std::nullopt);
    EXPECT_TRUE(Existe(atalho));
    EXPECT_FALSE(Existe(marcadorConcluida));
}

// The real system, except that the end of this process is reported instead of done.
class SistemaComAtualizadorReal : public plataforma::Sistema {
public:
    explicit SistemaComAtualizadorReal(std::string executavel) : executavel_(std::move(executavel)) {}
    std::string CaminhoExecutavel() const override { return executavel_; }
    [[noreturn]] void TerminarProcesso(int codigo) override { throw ProcessoTerminado{codigo}; }

private:
    std::string executavel_;
};

std::vector<std::string> EsperarLinhas(const std::string& arquivo) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(arquivo) && std::chrono::steady_clock::now() < limite)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::vector<std::string> linhas;
    std::ifstream entrada(arquivo);
    for (std::string linha; std::getline(entrada, linha);) linhas.push_back(linha);
    return linhas;
}

TEST_F(VerificacaoAtualizacao, AtualizadorRecebeALinhaDeComandoSemBrancosNasPastas) {
    const std::string registro = raiz + "/argumentos.txt";
    fs::create_directories(pastaAtualizacao);
    // A stand-in updater that writes each of its arguments on a line, then renames the file, so
    // the test never reads it half written.
    EscreverArquivo(atualizador, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + registro + ".tmp' && mv '" + registro +
                                     ".tmp' '" + registro + "'\n");
    fs::permissions(atualizador, fs::perms::owner_all);
    Publicar(Referencia() - 86400);

    SistemaComAtualizadorReal real(executavel);
    EXPECT_EQ(Verificar(real), std::optional<int>(0));

    EXPECT_EQ(EsperarLinhas(registro),
              (std::vector<std::string>{"@F1", "@M" + raiz + "/Meu\u00A7Sistema/Update",
                                        "@E" + raiz + "/Estação\u00A71", "@AzelpraxComissao2"}));
    EXPECT_EQ(interacao.avisos, std::vector<std::string>{textoNovaVersao});
}

}  // namespace
}  // namespace zelprax::teste
