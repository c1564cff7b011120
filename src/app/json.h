#pragma once
// Just enough JSON for the journal of runs and the runner's summary: a strict reader of the whole
// grammar (objects, arrays, strings with escapes, numbers, true, false, null) into a small tree,
// and the writer of a string literal.

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace zelprax::monitor {

struct Json;
using ObjetoJson = std::map<std::string, Json>;
using ListaJson = std::vector<Json>;

struct Json {
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<ListaJson>, std::shared_ptr<ObjetoJson>> valor;

    bool Nulo() const { return std::holds_alternative<std::nullptr_t>(valor); }
    double Numero() const { return std::get<double>(valor); }
    bool Logico() const { return std::get<bool>(valor); }
    const std::string& Texto() const { return std::get<std::string>(valor); }
    const ListaJson& Lista() const { return *std::get<std::shared_ptr<ListaJson>>(valor); }
    const ObjetoJson& Objeto() const { return *std::get<std::shared_ptr<ObjetoJson>>(valor); }
    // A member of an object; raises when it is missing.
    const Json& operator[](const std::string& nome) const { return Objeto().at(nome); }
};

// Reads one JSON value filling the whole text (blanks around it allowed); raises
// std::runtime_error naming the position of the first error.
Json LerJson(const std::string& texto);

// A JSON string literal for UTF-8 text; a byte that is not part of UTF-8 is taken as the Windows-1252
// character it is there (U+FFFD where that code page has none), so the literal is always UTF-8.
std::string TextoJson(const std::string& texto);

}  // namespace zelprax::monitor
