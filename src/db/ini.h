#pragma once
// The reader of the ERP's ini files. Lines may be of any length. The rules, as the ERP's files
// have always been read here:
// - a UTF-8 byte order mark at the start of the file is skipped; lines end at LF, and blanks
//   (space, tab, CR, VT, FF) around a line are dropped, so CR LF files read alike;
// - a line is cut at its first NUL byte;
// - a line starting with ';' or '#', and an empty line, is a comment;
// - "[name]" opens a section: the name is the text up to the first ']' as written, blanks
//   included; text after the ']' is ignored; a line without the ']' is ignored and leaves the
//   current section as it was;
// - "key=value" or "key:value" (the first '=' or ':' splits) sets a key of the current section;
//   the key and the value lose their surrounding blanks; a ';' that follows a blank starts a
//   comment, also inside the value (so "a=b ;x" reads "b" and "a=b;x" reads "b;x"); quotes are
//   part of the value; other lines are ignored; keys before the first section belong to the
//   section with the empty name;
// - sections and keys match without regard to letter case (ASCII), and the first match in the
//   file wins (a key repeated in its section, or in a repeated section, is not read again).

#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace zelprax::db {

// The value of the key in the section of an ini text; none when the text has no such key.
std::optional<std::string> ValorIni(std::istream& texto, std::string_view secao, std::string_view chave);

// The same for an ini file; the empty text when the file cannot be read or has no such key.
std::string LerValorIni(const std::string& arquivo, std::string_view secao, std::string_view chave);

}  // namespace zelprax::db
