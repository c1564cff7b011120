#include "commission/calculos.h"

#include <cmath>
#include <stdexcept>

namespace zelprax::comissao {

namespace {

constexpr long double kEscala = 10000.0L;

}  // namespace

Moeda ArredondarDezMilesimos(long double dezMilesimos) {
    if (!std::isfinite(dezMilesimos) || std::fabs(dezMilesimos) >= 9.2e18L)
        throw std::overflow_error("Floating point overflow");
    return Moeda::DeDezMilesimos(std::llrint(dezMilesimos));  // to nearest, ties to even
}

Moeda MultiplicarValores(Moeda a, Moeda b, long double divisor) {
    if (divisor == 0) throw std::runtime_error("Division by zero");
    const long double produto =
        static_cast<long double>(a.DezMilesimos()) * static_cast<long double>(b.DezMilesimos());
    return ArredondarDezMilesimos(produto / (kEscala * divisor));
}

Moeda DividirValores(Moeda a, Moeda b, long double fator) {
    if (b.DezMilesimos() == 0) throw std::runtime_error("Division by zero");
    const long double dividendo = static_cast<long double>(a.DezMilesimos()) * (kEscala * fator);
    return ArredondarDezMilesimos(dividendo / static_cast<long double>(b.DezMilesimos()));
}

Moeda AplicarFatores(Moeda a, double f1, double f2) {
    const long double produto = static_cast<long double>(a.DezMilesimos()) * f1 * f2;
    return ArredondarDezMilesimos(produto);
}

double RazaoValores(Moeda dividendo, Moeda divisor) {
    if (divisor.DezMilesimos() == 0) throw std::runtime_error("Division by zero");
    return static_cast<double>(static_cast<long double>(dividendo.DezMilesimos()) /
                               static_cast<long double>(divisor.DezMilesimos()));
}

}  // namespace zelprax::comissao
