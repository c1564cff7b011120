// The real program end to end: copied into an ERP installation in a temporary folder, started in
// manual mode on a virtual X display, it runs at once, shows its final message, and after OK has stored the
// hour, marked itself inactive, removed the zero-amount entries, left the lock it did not write, and ended.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "support/banco_teste.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

std::string Executar(const std::string& comando) {
    std::string saida;
    if (std::FILE* processo = ::popen(comando.c_str(), "r")) {
        char bloco[512];
        while (std::fgets(bloco, sizeof bloco, processo) != nullptr) saida += bloco;
        ::pclose(processo);
    }
    return saida;
}

bool Disponivel(const char* programa) {
    return std::system(("command -v " + std::string(programa) + " >/dev/null 2>&1").c_str()) == 0;
}

int HoraAtual() {
    const std::time_t agora = std::time(nullptr);
    std::tm local{};
    localtime_r(&agora, &local);
    return local.tm_hour;
}

TEST(MonitorManual, ExecutaMostraAMensagemFinalEEncerraDepoisDoOK) {
    for (const char* programa : {"Xvfb", "xdotool", "import"})
        ASSERT_TRUE(Disponivel(programa)) << programa << " is missing: run scripts/setup";

    PastaTemporaria raiz;
    for (const char* pasta : {"Monitor", "Dados", "Update"}) fs::create_directories(raiz.Caminho() / pasta);
    // A copy, not a link: the program finds the ERP's ini files beside its own resolved path.
    const std::string programa = raiz / "Monitor/zelpraxComissao2";
    fs::copy_file(ZELPRAX_PROGRAMA, programa);
    fs::copy_file(ZELPRAX_PROGRAMA, raiz / "Update/zelpraxComissao2");  // the published version, same date
    fs::last_write_time(raiz / "Update/zelpraxComissao2", fs::last_write_time(programa));
    EscreverArquivo(raiz / "Update/zelpraxAtualizador", "#!/bin/sh\n");
    EscreverArquivo(raiz / "Monitor/zelpraxempresa.ini", "[IniServidor]\nnomearquivo=" + (raiz / "Dados/zelprax.ini") + "\n");
    EscreverArquivo(raiz / "Dados/zelprax.ini", "[Database]\nServidor=\npath=" + (raiz / "Dados/") + "\nname=erp.fdb\n");
    const std::string trava = raiz / "Dados/zelpraxComissao2.lock";
    EscreverArquivo(trava, "de outro monitor");  // manual mode neither checks it nor deletes it

    const std::string banco = raiz / "Dados/erp.fdb";
    CriarBancoDoEsquema(banco);
    {
        DadosTeste dados(banco);
        dados.Parametro({{"HR_ATUALIZAR_COMISSAO", "null"}, {"ST_MONITOR_COMISSAO_ATIVO", "'S'"}});
        dados.Entrada(1, {{"ID_NF_COMERCIO", "90"}, {"VL_COMISSAO", "0"}});
        dados.Entrada(2, {{"ID_NF_COMERCIO", "91"}, {"VL_COMISSAO", "12.50"}, {"ID_COMISSAO_GERADA", "7"}});
    }  // one process at a time holds an embedded database

    const int horaAntes = HoraAtual();
    const std::string saida = Executar("bash " ZELPRAX_SESSAO_X " " + programa + " " ZELPRAX_CAPTURA " 2>&1");
    const int horaDepois = HoraAtual();

    EXPECT_NE(saida.find("mensagem=sim"), std::string::npos) << saida;
    EXPECT_NE(saida.find("captura=sim"), std::string::npos) << saida;
    EXPECT_EQ(saida.find("terminou=nao"), std::string::npos) << saida;
    EXPECT_NE(saida.find("saida=0"), std::string::npos) << saida;
    std::ifstream restante(trava, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(restante), {}), "de outro monitor");

    DadosTeste dados(banco);
    const std::string hora = dados.Valor("select hr_atualizar_comissao from tab_parametro");
    EXPECT_TRUE(hora == std::to_string(horaAntes) || hora == std::to_string(horaDepois)) << hora;
    EXPECT_EQ(dados.Valor("select st_monitor_comissao_ativo from tab_parametro"), "N");
    EXPECT_EQ(dados.Contar("select count(*) from mov_comissao where vl_comissao = 0"), 0);
    EXPECT_EQ(dados.Contar("select count(*) from mov_comissao where id_comissao = 2"), 1);
}

}  // namespace
}  // namespace zelprax::teste
