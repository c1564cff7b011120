// The desktop's autostart entry: at login it starts the monitor only where the ERP's local ini file
// the monitor would read is beside it, so that a user of a computer without it sees no error box.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/banco_teste.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

// The entry's command, with the program folder the package would put in it.
std::string ComandoDaEntrada(const std::string& pastaPrograma) {
    std::ifstream entrada(ZELPRAX_ENTRADA_AUTOSTART);
    std::string linha;
    while (std::getline(entrada, linha)) {
        if (!linha.starts_with("Exec=")) continue;
        std::string comando = linha.substr(5);
        for (std::size_t marca; (marca = comando.find("@ZELPRAX_PASTA_PROGRAMA@")) != std::string::npos;)
            comando.replace(marca, 24, pastaPrograma);
        return comando;  // quoted without escapes, so the shell reads it as the desktop does
    }
    return {};
}

TEST(EntradaAutostart, IniciaOMonitorSoComOArquivoIniQueEleLe) {
    struct Caso {
        const char* nome;
        std::vector<const char*> arquivos;
        bool iniciado;
    };
    const Caso casos[] = {
        {"sem arquivo ini", {}, false},
        {"zelpraxempresa.ini", {"zelpraxempresa.ini"}, true},
        {"zelpraxempresa4 sem o seu ini", {"zelpraxempresa4", "zelpraxempresa.ini"}, false},
        {"zelpraxempresa4.ini", {"zelpraxempresa4", "zelpraxempresa4.ini"}, true},
    };
    for (const Caso& caso : casos) {
        PastaTemporaria pasta;
        EscreverArquivo(pasta / "zelpraxComissao2", "#!/bin/sh\ntouch " + (pasta / "iniciado") + "\n");
        fs::permissions(pasta / "zelpraxComissao2", fs::perms::owner_all);
        for (const char* arquivo : caso.arquivos) EscreverArquivo(pasta / arquivo, "");
        const std::string comando = ComandoDaEntrada(pasta.Caminho().string());
        ASSERT_FALSE(comando.empty());
        const int estado = std::system(comando.c_str());
        EXPECT_EQ(fs::exists(pasta / "iniciado"), caso.iniciado) << caso.nome << ": " << comando;
        EXPECT_EQ(estado == 0, caso.iniciado) << caso.nome;
    }
}

}  // namespace
}  // namespace zelprax::teste
