// Finding the ERP: the ini lookup in a temporary ERP folder (the path rules are in
// test_regras_caminho.cpp).

#include <filesystem>

#include <gtest/gtest.h>

#include "db/localizacao.h"
#include "support/banco_teste.h"
#include "support/interacao_gravada.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

// An ERP installation in a temporary folder: <raiz>/Sistema holds the monitor, <raiz>/Dados the
// server ini.
class ArquivosDoErp : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(sistema);
        fs::create_directories(dadosPasta);
    }
    void IniLocal(const std::string& base, const std::string& iniServidor) {
        EscreverArquivo(sistema + "/" + base + ".ini", "[IniServidor]\nNomeArquivo=" + iniServidor + "\n");
    }
    PastaTemporaria raiz;
    std::string sistema = raiz / "Sistema";
    std::string dadosPasta = raiz / "Dados";
    std::string executavel = sistema + "/zelpraxComissao2";
    InteracaoGravada interacao;
};

TEST_F(ArquivosDoErp, CaminhoDoBancoLocalERemoto) {
    const std::string ini = dadosPasta + "/zelprax.ini";
    IniLocal("zelpraxempresa", ini);
    EscreverArquivo(ini, "[DATABASE]\nservidor =  \npath=C:\\Dados\\\nName=ERP.FDB\n");
    std::string lido;
    EXPECT_EQ(db::LerCaminhoBanco(executavel, interacao, lido), "C:\\Dados\\ERP.FDB");
    EXPECT_EQ(lido, ini);
    EscreverArquivo(ini, "[Database]\nServidor=srv01\npath=C:\\Dados\\\nname=ERP.FDB\n");
    EXPECT_EQ(db::LerCaminhoBanco(executavel, interacao, lido), "srv01:C:\\Dados\\ERP.FDB");
    EXPECT_TRUE(interacao.mensagens.empty());
    EXPECT_EQ(db::LocalizarPastaDados(executavel, interacao), dadosPasta + "/");
}

TEST_F(ArquivosDoErp, IniDoServidorComLinhaLongaChaveRepetidaOuRecuada) {
    const std::string ini = dadosPasta + "/zelprax.ini";
    IniLocal("zelpraxempresa", ini);
    const std::string pastaLonga = "C:\\" + std::string(300, 'p') + "\\";
    const std::pair<std::string, std::string> casos[] = {
        {"[Database]\nServidor=srv01\npath=" + pastaLonga + "\nname=ERP.FDB\n", "srv01:" + pastaLonga + "ERP.FDB"},
        {"[Database]\npath=C:\\Dados\\\nname=ERP.FDB\nname=VELHO.FDB\n", "C:\\Dados\\ERP.FDB"},
        {"[Database]\n  path=C:\\Dados\\\n  name=ERP.FDB\n", "C:\\Dados\\ERP.FDB"},
    };
    for (const auto& [texto, conexao] : casos) {
        EscreverArquivo(ini, texto);
        std::string lido;
        EXPECT_EQ(db::LerCaminhoBanco(executavel, interacao, lido), conexao) << texto;
    }
}

TEST_F(ArquivosDoErp, Empresa4TemPrecedenciaQuandoSeuProgramaExiste) {
    EscreverArquivo(dadosPasta + "/a.ini", "[Database]\nname=a.fdb\n");
    EscreverArquivo(dadosPasta + "/b.ini", "[Database]\nname=b.fdb\n");
    IniLocal("zelpraxempresa", dadosPasta + "/a.ini");
    IniLocal("zelpraxempresa4", dadosPasta + "/b.ini");
    std::string lido;
    EXPECT_EQ(db::LerCaminhoBanco(executavel, interacao, lido), "a.fdb");
    EscreverArquivo(sistema + "/" + db::NomePrograma("zelpraxempresa4"), "");
    EXPECT_EQ(db::LerCaminhoBanco(executavel, interacao, lido), "b.fdb");
}

TEST_F(ArquivosDoErp, SemIniLocalUsaAPastaDadosVizinhaMasNaoAchaOBanco) {
    EXPECT_EQ(db::LocalizarPastaDados(executavel, interacao), raiz / "Dados/");
    EXPECT_TRUE(interacao.mensagens.empty());
    std::string lido;
    EXPECT_EQ(db::LerCaminhoBanco(executavel, interacao, lido), "");
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].texto,
              "Não foi encontrado o arquivo de inicialização\nArquivo procurado: " + sistema + "/zelpraxempresa.ini");
    EXPECT_EQ(interacao.mensagens[0].titulo, "Aviso do Sistema");
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Erro);
    EXPECT_EQ(interacao.pedidosDeEncerramento, 1);
}

TEST_F(ArquivosDoErp, PastaDadosAusenteOuIniServidorAusenteAvisamEPedemOFim) {
    fs::remove_all(dadosPasta);
    EXPECT_EQ(db::LocalizarPastaDados(executavel, interacao), raiz / "Dados/") << "devolvida assim mesmo";
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].texto, "Não foi encontrado a pasta Dados no servidor\nPasta procurada: " +
                                                (raiz / "Dados/"));

    IniLocal("zelpraxempresa", raiz / "Outra/zelprax.ini");
    EXPECT_EQ(db::LocalizarPastaDados(executavel, interacao), raiz / "Outra/");
    ASSERT_EQ(interacao.mensagens.size(), 2u);
    const std::string local = sistema + "/zelpraxempresa.ini";
    EXPECT_EQ(interacao.mensagens[1].texto,
              "Não foi encontrado o arquivo de inicialização dentro da pasta zelprax Empresa\nArquivo procurado: " +
                  (raiz / "Outra/zelprax.ini") + " (indicado em " + local + ")");
    EXPECT_EQ(interacao.pedidosDeEncerramento, 2);

    // A local ini without the server ini's name says which key it lacks.
    EscreverArquivo(local, "[IniServidor]\n");
    std::string lido;
    db::LerCaminhoBanco(executavel, interacao, lido);
    EXPECT_EQ(interacao.mensagens.back().texto, "Não foi encontrado o arquivo de inicialização\nO arquivo " + local +
                                                    " não indica o arquivo do servidor (seção [IniServidor], chave NomeArquivo)");
}

TEST_F(ArquivosDoErp, IniVazioBinarioOuSemSecaoNaoQuebra) {
    const std::string ini = dadosPasta + "/zelprax.ini";
    IniLocal("zelpraxempresa", ini);
    for (const std::string& conteudo : {std::string(), std::string("\x00\xff\xfe[[[=\n\x01", 9),
                                       std::string("name=sem-secao.fdb\n"), std::string(100000, 'x')}) {
        EscreverArquivo(ini, conteudo);
        std::string lido;
        EXPECT_EQ(db::LerCaminhoBanco(executavel, interacao, lido), "");
    }
    EXPECT_TRUE(interacao.mensagens.empty());
}

}  // namespace
}  // namespace zelprax::teste
