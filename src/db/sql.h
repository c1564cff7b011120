#pragma once
// How values are written into SQL text. Every statement of the run is text; these are the only
// ways a value enters it.

#include <cstdint>
#include <string>
#include <string_view>

#include "db/datas.h"

namespace zelprax::db {

// 'text' with every embedded single quote doubled.
std::string TextoSQL(std::string_view texto);
// '05.03.2024'
std::string DataSQL(const DataHora& d);
// '05.03.2024 14:07:09'
std::string DataHoraSQL(const DataHora& d);
// Decimal digits, no grouping.
std::string InteiroSQL(std::int64_t valor);

}  // namespace zelprax::db
