// The path rules of the ERP location with Windows and POSIX separators; no files, no database, so
// the Windows build runs them too.

#include <gtest/gtest.h>

#include "db/localizacao.h"

namespace zelprax::teste {
namespace {

TEST(RegrasDeCaminho, PastaAtualizacaoCortaNoPenultimoSeparador) {
    EXPECT_EQ(db::PastaAtualizacaoDe("X:\\zelprax\\Dados\\zelprax.ini", '\\'), "X:\\zelprax\\Update");
    EXPECT_EQ(db::PastaAtualizacaoDe("X:\\Sistema\\Dados\\cfg.ini", '\\'), "X:\\Sistema\\Update");
    EXPECT_EQ(db::PastaAtualizacaoDe("/srv/zelprax/Dados/zelprax.ini", '/'), "/srv/zelprax/Update");
    // A separator in the last position is not counted.
    EXPECT_EQ(db::PastaAtualizacaoDe("X:\\a\\b\\", '\\'), "X:\\Update");
    // Fewer than two separators: no update folder.
    EXPECT_EQ(db::PastaAtualizacaoDe("C:\\cfg.ini", '\\'), "");
    EXPECT_EQ(db::PastaAtualizacaoDe("", '/'), "");
}

TEST(RegrasDeCaminho, SemEspacosEPastasENomes) {
    EXPECT_EQ(db::SemEspacos("X:\\Meu Sistema\\Update"), "X:\\Meu§Sistema\\Update");
    EXPECT_EQ(db::SemEspacos("/opt/meu  erp"), "/opt/meu§§erp");
    EXPECT_EQ(db::PastaComSeparador("C:\\Apps\\zelpraxComissao2.exe", '\\'), "C:\\Apps\\");
    EXPECT_EQ(db::NomeArquivo("C:\\Apps\\zelpraxComissao2.exe", '\\'), "zelpraxComissao2.exe");
    EXPECT_EQ(db::NomeArquivo("/opt/zelprax/zelpraxComissao2", '/'), "zelpraxComissao2");
    const auto c = db::PrepararCaminhosAtualizacao("C:\\Meus Apps\\zelpraxComissao2.exe",
                                                   "X:\\Meu Sistema\\Dados\\cfg.ini", '\\');
    EXPECT_EQ(c.NomeExecutavel, "zelpraxComissao2.exe");
    EXPECT_EQ(c.PastaAtualizacao, "X:\\Meu Sistema\\Update");
    EXPECT_EQ(c.PastaAtualizacaoSemEspacos, "X:\\Meu§Sistema\\Update");
    EXPECT_EQ(c.PastaExecutavelSemEspacos, "C:\\Meus§Apps");
}

}  // namespace
}  // namespace zelprax::teste
