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

// Letters lowercased (ASCII), surrounding blanks removed: the small text routines of the system.
std::string Minusculas(std::string_view texto);
std::string Maiusculas(std::string_view texto);
std::string Aparar(std::string_view texto);

}  // namespace zelprax::db
