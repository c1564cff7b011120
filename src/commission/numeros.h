#pragma once
// The number routines of the commission run: rounding and truncation as the ERP does them, the
// three number patterns and the turning of a formatted number into an SQL number.

#include <string>

#include "commission/moeda.h"

namespace zelprax::comissao {

// Half-up rounding at `casas` decimals of the 64-bit value, done as the ERP does it: the value is
// scaled by 10^(casas+1) in extended precision and cut, then a half is added and cut again. Values
// below zero round symmetrically (half away from zero).
double ArredondarValor(int casas, double valor);
// Truncation toward zero at `casas` decimals, after lifting the value by 1e-11 so that 0.29 stays
// 0.29; symmetric below zero.
double TruncarValor(int casas, double valor);
// "1.234,5000" -> "1234.5000": ',' becomes '.', '.' is dropped, everything else is kept.
std::string AjustarDecimalSQL(const std::string& texto);

// The patterns "##0.00", "###,##0.0000" and "###,##0", with ',' as decimal separator and '.' as
// thousands separator, rounding half away from zero at the last decimal shown.
std::string FormatarNumero(const std::string& padrao, long double valor);
std::string FormatarNumero(const std::string& padrao, Moeda valor);

// The two ways an amount is written into SQL: "1234.50" and "1234.5000".
std::string ValorSQL(Moeda valor);
std::string PercentualSQL(Moeda valor);

}  // namespace zelprax::comissao
