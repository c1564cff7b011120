#pragma once
// Where the ERP keeps its database: the local ini beside the program names the server ini, which
// names the server, folder and file. Also the update paths derived from those files.

#include <string>

#include "db/interacao.h"

namespace zelprax::db {

// Program files as this system names them: "zelpraxComissao2.exe" on Windows, "zelpraxComissao2"
// elsewhere.
std::string NomePrograma(const std::string& base);

// Path rules over an explicit separator, so they hold for '\\' and '/' alike.
// Everything up to and including the last separator; empty when there is none.
std::string PastaComSeparador(const std::string& caminho, char separador);
// Everything after the last separator.
std::string NomeArquivo(const std::string& caminho, char separador);
// The update folder: the server ini path cut after its second-to-last separator, then "Update";
// empty when the path has fewer than two separators before its last character.
std::string PastaAtualizacaoDe(const std::string& iniServidor, char separador);
// Every blank replaced by the section sign, so the updater gets blank-free arguments.
std::string SemEspacos(const std::string& texto);

struct CaminhosAtualizacao {
    std::string NomeExecutavel;
    std::string PastaAtualizacao;
    std::string PastaAtualizacaoSemEspacos;
    std::string PastaExecutavelSemEspacos;
};

// The program-wide record, refilled after every successful connection.
CaminhosAtualizacao& CaminhosAtualizacaoAtuais();

CaminhosAtualizacao PrepararCaminhosAtualizacao(const std::string& caminhoExecutavel,
                                                const std::string& iniServidor, char separador);

// The ERP's data folder, ending in a separator. Shows its messages and asks for the end of the
// application where the configuration is missing, and returns all the same.
std::string LocalizarPastaDados(const std::string& caminhoExecutavel, Interacao& interacao);

// The connection string of the ERP database; stores the server ini path in iniServidor.
std::string LerCaminhoBanco(const std::string& caminhoExecutavel, Interacao& interacao,
                            std::string& iniServidor);

inline constexpr const char* kAvisoDoSistema = "Aviso do Sistema";

}  // namespace zelprax::db
