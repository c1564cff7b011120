#include "db/sql.h"

#include <cstdio>

namespace zelprax::db {

std::string TextoSQL(std::string_view texto) {
    std::string s = "'";
    for (char c : texto) {
        if (c == '\'') s += '\'';
        s += c;
    }
    s += '\'';
    return s;
}

std::string DataSQL(const DataHora& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "'%02d.%02d.%04d'", d.dia, d.mes, d.ano);
    return buf;
}

std::string DataHoraSQL(const DataHora& d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "'%02d.%02d.%04d %02d:%02d:%02d'", d.dia, d.mes, d.ano, d.hora,
                  d.minuto, d.segundo);
    return buf;
}

std::string InteiroSQL(std::int64_t valor) { return std::to_string(valor); }

}  // namespace zelprax::db
