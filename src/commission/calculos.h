#pragma once
// The rounded products and quotients of the commission rules. Each is formed in 80-bit extended
// precision on the amounts' ten-thousandths and rounded once, to the nearest ten-thousandth with
// ties to even, so that an expression such as "base x rate / 100" rounds where the rule says and
// nowhere else.

#include "commission/moeda.h"

namespace zelprax::comissao {

// A value counted in ten-thousandths, rounded to a whole count; raises on overflow or a value that
// is not a number.
Moeda ArredondarDezMilesimos(long double dezMilesimos);

// a x b / divisor, rounded once.
Moeda MultiplicarValores(Moeda a, Moeda b, long double divisor = 1);

// a / b x fator, rounded once; raises "Division by zero" when b is 0.
Moeda DividirValores(Moeda a, Moeda b, long double fator = 1);

// a x f1 x f2 with floating-point factors that are never rounded themselves; the product is
// rounded once.
Moeda AplicarFatores(Moeda a, double f1, double f2 = 1.0);

// The ratio of two amounts as a floating-point factor (never rounded to four decimals); raises
// "Division by zero" when the divisor is 0.
double RazaoValores(Moeda dividendo, Moeda divisor);

}  // namespace zelprax::comissao
