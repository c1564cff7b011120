#pragma once
// An ERP installation in a temporary folder, as the monitor finds it: the program's folder with
// the local ini, the data folder with the server ini and the embedded database, and the update
// folder holding the updater and a published copy of the program of the same date, so that the
// start-up's version check finds nothing to do.

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "support/banco_teste.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {

class InstalacaoERP {
public:
    InstalacaoERP() {
        namespace fs = std::filesystem;
        for (const char* pasta : {"Monitor", "Dados", "Update"}) fs::create_directories(raiz.Caminho() / pasta);
        EscreverArquivo(executavel, "programa");
        EscreverArquivo(raiz / "Update/zelpraxComissao2", "programa");
        EscreverArquivo(raiz / "Update/zelpraxAtualizador", "atualizador");
        fs::last_write_time(raiz / "Update/zelpraxComissao2", fs::last_write_time(executavel));
        EscreverArquivo(raiz / "Monitor/zelpraxempresa.ini", "[IniServidor]\nnomearquivo=" + iniServidor + "\n");
        ApontarBanco("erp.fdb");
        CriarBancoDoEsquema(banco);
        sistema.executavel = executavel;
    }

    // The server ini naming a database file of the data folder.
    void ApontarBanco(const std::string& nome) {
        EscreverArquivo(iniServidor, "[Database]\nServidor=\npath=" + pastaDados + "\nname=" + nome + "\n");
    }

    std::string LerArquivo(const std::string& caminho) const {
        std::ifstream arquivo(caminho, std::ios::binary);
        std::ostringstream texto;
        texto << arquivo.rdbuf();
        return texto.str();
    }

    PastaTemporaria raiz;
    std::string executavel = raiz / "Monitor/zelpraxComissao2";
    std::string pastaDados = raiz / "Dados/";
    std::string iniServidor = raiz / "Dados/zelprax.ini";
    std::string banco = raiz / "Dados/erp.fdb";
    std::string trava = raiz / "Dados/zelpraxComissao2.lock";
    std::string sinal = raiz / "Dados/Conectado.txt";
    SistemaFalso sistema;
};

}  // namespace zelprax::teste
