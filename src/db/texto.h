#pragma once
// The ERP is a Windows-1252 database; the program works in UTF-8. Every text crosses the database
// boundary through these two conversions.

#include <string>
#include <string_view>

namespace zelprax::db {

// UTF-8 to Windows-1252; a character the code page does not have becomes '?'.
std::string ParaWin1252(std::string_view utf8);
// Windows-1252 to UTF-8.
std::string DeWin1252(std::string_view win1252);
// A text of the client library (an error message naming a file, a server's reply): kept as it is
// when it is valid UTF-8, as the operating system's paths and a UTF-8 server give it, and read as
// Windows-1252 otherwise.
std::string DoCliente(std::string_view texto);

// Letters lowercased (ASCII), surrounding blanks removed: the small text routines of the system.
std::string Minusculas(std::string_view texto);
std::string Maiusculas(std::string_view texto);
std::string Aparar(std::string_view texto);

}  // namespace zelprax::db
