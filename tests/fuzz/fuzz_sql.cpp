// Values written into SQL text never leave their literal, and texts survive the trip to
// Windows-1252 and back where the code page has their letters.

#include <cstdint>
#include <string>
#include <vector>

#include "db/consulta.h"
#include "db/sql.h"
#include "db/texto.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const std::string texto(reinterpret_cast<const char*>(dados), tamanho);

    // A quoted literal: opens and closes once, every inner quote doubled.
    const std::string literal = zelprax::db::TextoSQL(texto);
    if (literal.size() < 2 || literal.front() != '\'' || literal.back() != '\'') __builtin_trap();
    std::string lido;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        if (literal[i] == '\'') {
            if (literal[i + 1] != '\'' || i + 2 >= literal.size()) __builtin_trap();
            ++i;
        }
        lido += literal[i];
    }
    if (lido != texto) __builtin_trap();

    // The literal is one token to the parameter translation: no name is found inside it.
    std::vector<std::string> nomes;
    if (zelprax::db::TraduzirParametros("values (" + literal + ")", nomes) != "values (" + literal + ")" ||
        !nomes.empty())
        __builtin_trap();
    nomes.clear();
    zelprax::db::TraduzirParametros(texto, nomes);

    const std::string bytes = zelprax::db::ParaWin1252(texto);
    const std::string volta = zelprax::db::DeWin1252(bytes);
    if (zelprax::db::ParaWin1252(volta) != bytes) __builtin_trap();
    return 0;
}
