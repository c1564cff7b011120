#pragma once
// One value of a result row or of an insert parameter, and the typed reading of a field.

#include <cstdint>
#include <string>
#include <variant>

#include "db/datas.h"

namespace zelprax::db {

struct Nulo {
    bool operator==(const Nulo&) const = default;
};
// An exact decimal: `numero` units of 10^escala (escala 0 or negative).
struct Decimal {
    std::int64_t numero = 0;
    int escala = 0;
    bool operator==(const Decimal&) const = default;
};
struct Data {
    DataHora valor;  // time part zero
    bool operator==(const Data&) const = default;
};
struct Instante {
    DataHora valor;
    bool operator==(const Instante&) const = default;
};

// Text is UTF-8 inside the program.
using Valor = std::variant<Nulo, Decimal, double, std::string, Data, Instante>;

// A field of the current row. A null value, or a query with no current row, reads as the type's
// empty value: 0, "", an amount of 0, no date.
class Campo {
public:
    explicit Campo(const Valor* valor) : valor_(valor) {}

    bool Nulo() const;
    std::int32_t ComoInteiro() const;
    std::int64_t ComoInteiro64() const;
    std::string ComoTexto() const;
    // The value in ten-thousandths, rounded half to even where it carries more decimals.
    std::int64_t ComoDezMilesimos() const;
    double ComoDouble() const;
    DataHora ComoDataHora() const;

private:
    const Valor* valor_;
};

// Converts an exact decimal to ten-thousandths, rounding half to even beyond four decimals.
std::int64_t DecimalEmDezMilesimos(const Decimal& d);

}  // namespace zelprax::db
