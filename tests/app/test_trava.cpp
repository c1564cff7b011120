// The lock file and the monitor flag. The stop signal of "Conectado.txt" is read in every shape by
// the reliability cases (ArquivosInvalidos) and acted on by the window (JanelaTeste).

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "app/trava.h"
#include "support/banco_teste.h"

namespace zelprax::monitor {
namespace {

namespace fs = std::filesystem;
using teste::EscreverArquivo;
using teste::PastaTemporaria;

TEST(NomeArquivoTrava, NomeDoProgramaAteOUltimoPonto) {
    struct Caso {
        const char* caminho;
        char separador;
        const char* nome;
    };
    const Caso casos[] = {
        {"C:\\Apps\\zelpraxComissao2.exe", '\\', "zelpraxComissao2.lock"},
        {"C:\\Meu Sistema\\v1.2\\zelpraxComissao2.exe", '\\', "zelpraxComissao2.lock"},
        {"/opt/zelprax/zelpraxComissao2", '/', "zelpraxComissao2.lock"},
        {"/opt/zelprax.d/zelpraxComissao2", '/', "zelpraxComissao2.lock"},  // a dot in the folder is not the name's
        {"/opt/monitor.v2.bin", '/', "monitor.v2.lock"},
        {"/opt/ zelpraxComissao2.exe ", '/', "zelpraxComissao2.lock"},
        {"zelpraxComissao2.exe", '/', "zelpraxComissao2.lock"},
    };
    for (const Caso& c : casos) EXPECT_EQ(NomeArquivoTrava(c.caminho, c.separador), c.nome) << c.caminho;
}

TEST(ArquivoTrava, UmaLinhaComOCaminhoDoPrograma) {
    EXPECT_EQ(ConteudoArquivoTrava("C:\\Apps\\zelpraxComissao2.exe"),
              "Este arquivo indica que o monitor C:\\Apps\\zelpraxComissao2.exe está em execução.\r\n");
}

TEST(ArquivoTrava, CriadoTestadoEApagadoNaPastaDeDados) {
    PastaTemporaria pasta;
    const std::string dados = pasta / "Dados/";
    fs::create_directories(dados);
    const std::string programa = pasta / "Monitor/zelpraxComissao2";

    EXPECT_FALSE(ExisteArquivoTrava(programa, dados));
    CriarArquivoTrava(programa, dados);
    EXPECT_TRUE(ExisteArquivoTrava(programa, dados));
    std::ifstream lido(dados + "zelpraxComissao2.lock", std::ios::binary);
    const std::string conteudo((std::istreambuf_iterator<char>(lido)), std::istreambuf_iterator<char>());
    EXPECT_EQ(conteudo, "Este arquivo indica que o monitor " + programa + " está em execução.\r\n");

    CriarArquivoTrava(programa, dados);  // overwritten, not appended
    EXPECT_EQ(fs::file_size(dados + "zelpraxComissao2.lock"), conteudo.size());

    ApagarArquivoTrava(programa, dados);
    EXPECT_FALSE(fs::exists(dados + "zelpraxComissao2.lock"));
    EXPECT_NO_THROW(ApagarArquivoTrava(programa, dados));  // absent: nothing to do
}

TEST(ArquivoTrava, PastaQueNaoExisteLevantaErroAoCriar) {
    PastaTemporaria pasta;
    EXPECT_THROW(CriarArquivoTrava(pasta / "Monitor/zelpraxComissao2", pasta / "sumiu/"), std::runtime_error);
    EXPECT_FALSE(ExisteArquivoTrava(pasta / "Monitor/zelpraxComissao2", pasta / "sumiu/"));
}

TEST(AtualizarMonitorAtivo, TodasAsLinhasECommitado) {
    PastaTemporaria pasta;
    const std::string banco = pasta / "erp.fdb";
    teste::CriarBancoDoEsquema(banco);
    teste::DadosTeste dados(banco);
    dados.Parametro({{"ST_MONITOR_COMISSAO_ATIVO", "'S'"}});
    dados.Parametro({{"ID_PARAMETRO", "2"}, {"ST_MONITOR_COMISSAO_ATIVO", "null"}});

    db::BancoDados conexao;
    conexao.DefinirNomeBanco(banco);
    conexao.Abrir();
    AtualizarMonitorAtivo(false, conexao);
    // Read by the other attachment while this one stays open: only committed work shows.
    EXPECT_EQ(dados.Contar("select count(*) from tab_parametro where st_monitor_comissao_ativo = 'N'"), 2);
    AtualizarMonitorAtivo(true, conexao);
    EXPECT_EQ(dados.Contar("select count(*) from tab_parametro where st_monitor_comissao_ativo = 'S'"), 2);
    conexao.Fechar(false);
}

}  // namespace
}  // namespace zelprax::monitor
