#pragma once
// Creates an ERP database file from a schema script: used by the tests and the demo.

#include <string>

namespace zelprax::db {

// Creates `conexao` (a file path, or host:path on a server) with the default character set
// WIN1252 and runs every statement of the script, each committed on its own. The script holds
// statements ended by ';' at the end of a line and whole-line "--" comments.
void CriarBancoDeDados(const std::string& conexao, const std::string& arquivoSql,
                       const std::string& usuario = "sysdba", const std::string& senha = "quorvinel");

}  // namespace zelprax::db
