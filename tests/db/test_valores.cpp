// Values written into SQL text and read back from fields.

#include <gtest/gtest.h>

#include "db/sql.h"
#include "db/texto.h"
#include "db/valor.h"

namespace zelprax::teste {
namespace {

TEST(ValoresEmSQL, DatasTextosEInteiros) {
    EXPECT_EQ(db::DataSQL({2024, 3, 5, 14, 7, 9}), "'05.03.2024'");
    EXPECT_EQ(db::DataHoraSQL({2024, 3, 5, 14, 7, 9}), "'05.03.2024 14:07:09'");
    EXPECT_EQ(db::TextoSQL("S"), "'S'");
    EXPECT_EQ(db::TextoSQL("D'Ávila ''x'"), "'D''Ávila ''''x'''");
    EXPECT_EQ(db::TextoSQL("'); drop table mov_comissao; --"), "'''); drop table mov_comissao; --'");
    EXPECT_EQ(db::InteiroSQL(1532), "1532");
    EXPECT_EQ(db::InteiroSQL(-1), "-1");
}

TEST(ValoresLidos, DecimaisViramDezMilesimosComEmpateParaOPar) {
    EXPECT_EQ(db::DecimalEmDezMilesimos({1234, -2}), 123400);
    EXPECT_EQ(db::DecimalEmDezMilesimos({7, 0}), 70000);
    EXPECT_EQ(db::DecimalEmDezMilesimos({833325, -5}), 83332);   // 8.33325 -> 8.3332
    EXPECT_EQ(db::DecimalEmDezMilesimos({833335, -5}), 83334);   // 8.33335 -> 8.3334
    EXPECT_EQ(db::DecimalEmDezMilesimos({-833325, -5}), -83332);
    EXPECT_EQ(db::DecimalEmDezMilesimos({12345678901, -10}), 12346);
    const db::Valor texto = std::string("07");
    EXPECT_EQ(db::Campo(&texto).ComoInteiro(), 7);
    EXPECT_EQ(db::Campo(nullptr).ComoTexto(), "");
    const db::Valor preco = db::Decimal{-5, -2};
    EXPECT_EQ(db::Campo(&preco).ComoTexto(), "-0.05");
}

TEST(Win1252, IdaEVoltaDosAcentosESimbolos) {
    const std::string utf8 = "Cálculo de Comissão § € ç";
    const std::string bytes = db::ParaWin1252(utf8);
    EXPECT_EQ(bytes, "C\xE1lculo de Comiss\xE3o \xA7 \x80 \xE7");
    EXPECT_EQ(db::DeWin1252(bytes), utf8);
    EXPECT_EQ(db::ParaWin1252("日本"), "??");
    EXPECT_EQ(db::ParaWin1252(std::string("\xC3", 1)), "?") << "sequência cortada";
}

}  // namespace
}  // namespace zelprax::teste
