// The lock file and the monitor flag. The stop signal of "Conectado.txt" is read in every shape by
// the reliability cases (ArquivosInvalidos) and acted on by the window (JanelaTeste).

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "app/trava.h"
#include "support/banco_teste.h"
#include "support/sistema_falso.h"

namespace zelprax::monitor {
namespace {

namespace fs = std::filesystem;
using teste::EscreverArquivo;
using teste::PastaTemporaria;

TEST(ArquivoTrava, CriadoTestadoEApagadoNaPastaDeDados) {
    PastaTemporaria pasta;
    const std::string dados = pasta / "Dados/";
    fs::create_directories(dados);
    const std::string programa = pasta / "Monitor/zelpraxComissao2";
    teste::SistemaFalso sistema;
    sistema.maquina = "CAIXA-01";
    sistema.processo = 4321;
    sistema.processos = std::map<long, std::string>{{4321, "zelpraxComissao2"}};

    EXPECT_FALSE(ExisteArquivoTrava(programa, dados));
    CriarArquivoTrava(programa, dados, sistema);
    EXPECT_TRUE(ExisteArquivoTrava(programa, dados));
    std::ifstream lido(dados + "zelpraxComissao2.lock", std::ios::binary);
    const std::string conteudo((std::istreambuf_iterator<char>(lido)), std::istreambuf_iterator<char>());
    EXPECT_EQ(conteudo, "Este arquivo indica que o monitor " + programa + " está em execução.\r\n"
                        "maquina=CAIXA-01\r\nprocesso=4321\r\nprograma=zelpraxComissao2\r\n");

    CriarArquivoTrava(programa, dados, sistema);  // overwritten, not appended
    EXPECT_EQ(fs::file_size(dados + "zelpraxComissao2.lock"), conteudo.size());

    ApagarArquivoTrava(programa, dados);
    EXPECT_FALSE(fs::exists(dados + "zelpraxComissao2.lock"));
    EXPECT_NO_THROW(ApagarArquivoTrava(programa, dados));  // absent: nothing to do
}

// A start on the computer "caixa-01" as process 500, where process 700 runs the monitor, 701 a
// shell and 702 a program that cannot be read; every other number runs nothing.
TEST(ArquivoTrava, SoATravaDeUmProcessoDestaMaquinaQueJaTerminouEhAssumida) {
    const std::string primeira = "Este arquivo indica que o monitor /opt/zelprax/zelpraxComissao2 está em execução.\r\n";
    auto trava = [&primeira](const std::string& maquina, const std::string& processo, const std::string& programa) {
        return primeira + "maquina=" + maquina + "\r\nprocesso=" + processo + "\r\nprograma=" + programa + "\r\n";
    };
    struct Caso {
        const char* descricao;
        std::string conteudo;
        EstadoTrava estado;
    };
    const Caso casos[] = {
        {"só a primeira linha", primeira, EstadoTrava::Ocupada},
        {"qualquer outro texto", "de outro monitor", EstadoTrava::Ocupada},
        {"vazia", "", EstadoTrava::Ocupada},
        {"esta máquina, processo terminado", trava("caixa-01", "900", "zelpraxComissao2"), EstadoTrava::Abandonada},
        {"esta máquina em maiúsculas, processo terminado", trava("CAIXA-01", "900", "zelpraxComissao2"),
         EstadoTrava::Abandonada},
        {"esta máquina, número agora de outro programa", trava("caixa-01", "701", "zelpraxComissao2"),
         EstadoTrava::Abandonada},
        {"esta máquina, número deste processo", trava("caixa-01", "500", "zelpraxComissao2"), EstadoTrava::Abandonada},
        {"esta máquina, monitor vivo", trava("caixa-01", "700", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"esta máquina, monitor vivo, nome em outra caixa", trava("caixa-01", "700", "ZELPRAXCOMISSAO2"),
         EstadoTrava::Ocupada},
        {"esta máquina, programa que não se pode ler", trava("caixa-01", "702", "zelpraxComissao2"),
         EstadoTrava::Ocupada},
        {"esta máquina, vivo, sem programa escrito", trava("caixa-01", "701", ""), EstadoTrava::Ocupada},
        {"outra máquina, processo terminado", trava("caixa-02", "900", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"outra máquina, número deste processo", trava("caixa-02", "500", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"sem máquina", trava("", "900", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"número inválido", trava("caixa-01", "90x", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"número zero", trava("caixa-01", "0", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"número negativo", trava("caixa-01", "-900", "zelpraxComissao2"), EstadoTrava::Ocupada},
        {"linhas só com LF", "x\nmaquina=caixa-01\nprocesso=900\nprograma=zelpraxComissao2\n", EstadoTrava::Abandonada},
        {"dono na primeira linha não conta", "maquina=caixa-01\nprocesso=900\n", EstadoTrava::Ocupada},
    };
    teste::SistemaFalso sistema;
    sistema.maquina = "caixa-01";
    sistema.processo = 500;
    sistema.processos = std::map<long, std::string>{{500, "zelpraxComissao2"}, {700, "zelpraxComissao2"},
                                                    {701, "bash"}, {702, ""}};
    PastaTemporaria pasta;
    const std::string programa = pasta / "Monitor/zelpraxComissao2";
    const std::string dados = pasta / "";
    EXPECT_EQ(ExaminarArquivoTrava(programa, dados, sistema).estado, EstadoTrava::Livre);
    for (const Caso& c : casos) {
        EscreverArquivo(pasta / "zelpraxComissao2.lock", c.conteudo);
        EXPECT_EQ(ExaminarArquivoTrava(programa, dados, sistema).estado, c.estado) << c.descricao;
    }
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
