// The number routines and the fixed-point amount, with the examples the ERP's users know.

#include <gtest/gtest.h>

#include "commission/moeda.h"
#include "commission/numeros.h"

namespace zelprax::comissao {
namespace {

TEST(ArredondarValor, MeioParaCimaNoValorGuardado) {
    EXPECT_DOUBLE_EQ(ArredondarValor(2, 1.125), 1.13);
    EXPECT_DOUBLE_EQ(ArredondarValor(2, 1.1249), 1.12);
    EXPECT_DOUBLE_EQ(ArredondarValor(2, 7), 7);
    EXPECT_DOUBLE_EQ(ArredondarValor(2, 1.005), 1.00) << "guardado logo abaixo de 1.005";
    EXPECT_DOUBLE_EQ(ArredondarValor(2, 45.005), 45.01) << "guardado logo acima";
}

TEST(ArredondarValor, ValoresGrandesENegativos) {
    // Beyond 21,474,836.47 the result no longer fits 32 bits; it must still round correctly.
    EXPECT_DOUBLE_EQ(ArredondarValor(2, 21474836.475), 21474836.48);
    EXPECT_DOUBLE_EQ(ArredondarValor(2, 123456789.125), 123456789.13);
    EXPECT_DOUBLE_EQ(ArredondarValor(2, -1.125), -1.13);
    EXPECT_DOUBLE_EQ(ArredondarValor(2, -1.1249), -1.12);
}

TEST(TruncarValor, CortaEmDirecaoAoZero) {
    EXPECT_DOUBLE_EQ(TruncarValor(2, 0.29), 0.29);
    EXPECT_DOUBLE_EQ(TruncarValor(2, 1.2399), 1.23);
    EXPECT_DOUBLE_EQ(TruncarValor(2, -1.2399), -1.23);
    EXPECT_DOUBLE_EQ(TruncarValor(2, 15), 15);
}

TEST(Padroes, FormatosEAjusteParaSQL) {
    EXPECT_EQ(FormatarNumero("###,##0.0000", 1234.5L), "1.234,5000");
    EXPECT_EQ(AjustarDecimalSQL("1.234,5000"), "1234.5000");
    EXPECT_EQ(FormatarNumero("###,##0", 12345.0L), "12.345");
    EXPECT_EQ(AjustarDecimalSQL("12.345"), "12345");
    EXPECT_EQ(FormatarNumero("##0.00", 12.3L), "12,30");
    EXPECT_EQ(AjustarDecimalSQL("-0,50"), "-0.50");
    EXPECT_EQ(FormatarNumero("###,##0.0000", 1234567.5L), "1.234.567,5000");
    EXPECT_EQ(FormatarNumero("###,##0", 0.0L), "0");
}

TEST(Padroes, ValoresEmSQLComDuasOuQuatroCasas) {
    EXPECT_EQ(ValorSQL(Moeda::Ler("1234.5")), "1234.50");
    EXPECT_EQ(ValorSQL(Moeda::Ler("0.004")), "0.00");
    EXPECT_EQ(ValorSQL(Moeda::Ler("0.005")), "0.01") << "meio para longe do zero";
    EXPECT_EQ(ValorSQL(Moeda::Ler("-0.005")), "-0.01");
    EXPECT_EQ(ValorSQL(Moeda::Ler("-0.004")), "0.00");
    EXPECT_EQ(ValorSQL(Moeda::Ler("99999999.995")), "100000000.00");
    EXPECT_EQ(PercentualSQL(Moeda::Ler("1.5")), "1.5000");
    EXPECT_EQ(PercentualSQL(Moeda::Ler("1234.5")), "1234.5000");
}

TEST(Moeda, ProdutosEQuocientesArredondamParaOPar) {
    const Moeda b = Moeda::Ler("333.33"), p = Moeda::Ler("2.5"), cem = Moeda::DeInteiro(100);
    EXPECT_EQ((b * p / cem).Texto(), "8.3332") << "8.33325, empate para o par";
    EXPECT_EQ((Moeda::Ler("333.35") * p / cem).Texto(), "8.3338") << "8.33375 -> 8.3338";
    // 1000 x 5 % = 50, x 40 % = 20, less 3 = 17; the rate 17 / 1000 x 100 = 1.7.
    Moeda v = Moeda::DeInteiro(1000) * Moeda::DeInteiro(5) / cem;
    v = v * Moeda::DeInteiro(40) / cem;
    v -= Moeda::DeInteiro(3);
    EXPECT_EQ(v.Texto(), "17.0000");
    EXPECT_EQ((v / Moeda::DeInteiro(1000) * cem).Texto(), "1.7000");
    EXPECT_EQ(Moeda::DeInteiro(50).Vezes(500.0 / 1100.0).Texto(), "22.7273");
    EXPECT_THROW(v / Moeda(), std::domain_error);
    EXPECT_THROW(Moeda::Ler("9999999999999999999999999"), std::out_of_range) << "no overflow";
    EXPECT_EQ(Moeda::Ler("92233720368547").Texto(), "92233720368547.0000");
    const Moeda meio = Moeda::Ler("0.5");
    EXPECT_EQ((Moeda::Ler("-0.0001") * meio).DezMilesimos(), 0) << "-0.00005, empate para o par";
    EXPECT_EQ((Moeda::Ler("0.0003") * meio).DezMilesimos(), 2) << "0.00015 -> 0.0002";
}

}  // namespace
}  // namespace zelprax::comissao
