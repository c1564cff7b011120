// The rules of the version check that need no files: the names it derives, the updater's command
// line and the file-date text it compares.

#include <gtest/gtest.h>

#include "db/localizacao.h"
#include "upkeep/atualizacao.h"

namespace zelprax::teste {
namespace {

using namespace manutencao;

TEST(RegrasAtualizacao, MarcadorDeAtualizacaoConcluida) {
    const struct {
        const char* executavel;
        const char* marcador;
    } casos[] = {
        {"zelpraxComissao2.exe", "Exec-zelpraxComissao2.ini"},
        {"zelpraxComissao2", "Exec-zelpraxComissao2.ini"},       // POSIX program name
        {"a.exe.b.exe", "Exec-a.ini.b.ini"},                      // every ".exe"
        {"Comissao.exe.old", "Exec-Comissao.ini.old"},
        // Letter case counts: without a lowercase ".exe" the marker would be the "Exec-" file itself.
        {"ZELPRAX.EXE", "Exec-ZELPRAX.EXE.ini"},
        {"", "Exec-.ini"},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(NomeMarcadorAtualizacao(c.executavel), c.marcador) << c.executavel;
        EXPECT_NE(NomeMarcadorAtualizacao(c.executavel), std::string("Exec-") + c.executavel);
    }
}

TEST(RegrasAtualizacao, NomeSemExe) {
    EXPECT_EQ(NomeSemExe("zelpraxComissao2.exe"), "zelpraxComissao2");
    EXPECT_EQ(NomeSemExe("ZELPRAXCOMISSAO2.EXE"), "ZELPRAXCOMISSAO2");
    EXPECT_EQ(NomeSemExe("zelpraxComissao2"), "zelpraxComissao2") << "POSIX: nothing to cut";
    EXPECT_EQ(NomeSemExe("exe"), "exe");
    EXPECT_EQ(NomeSemExe(".exe"), "");
}

TEST(RegrasAtualizacao, AvisoNomeiaOProgramaAteOPrimeiroPonto) {
    const std::string resto = ". A atualização será feita automaticamente. Aguarde...";
    EXPECT_EQ(AvisoNovaVersao("zelpraxComissao2.exe"), "AVISO: Existe uma nova versão do aplicativo zelpraxComissao2" + resto);
    EXPECT_EQ(AvisoNovaVersao("zelprax.v2.exe"), "AVISO: Existe uma nova versão do aplicativo zelprax" + resto);
    EXPECT_EQ(AvisoNovaVersao("zelpraxComissao2"), "AVISO: Existe uma nova versão do aplicativo zelpraxComissao2" + resto);
}

TEST(RegrasAtualizacao, LinhaDeComandoDoAtualizadorTrocaBrancosDasPastas) {
    // Backslash and POSIX installations alike: only the two folders lose their blanks.
    const struct {
        const char* executavel;
        const char* iniServidor;
        char separador;
        const char* linha;
    } casos[] = {
        {"C:\\zelprax\\zelpraxComissao2.exe", "X:\\zelprax\\Dados\\zelprax.ini", '\\',
         "@F1 @MX:\\zelprax\\Update @EC:\\zelprax @AzelpraxComissao2.exe"},
        {"C:\\Meu Programa\\zelpraxComissao2.exe", "X:\\Meu Sistema\\Dados\\cfg.ini", '\\',
         "@F1 @MX:\\Meu\u00A7Sistema\\Update @EC:\\Meu\u00A7Programa @AzelpraxComissao2.exe"},
        {"/opt/Estação 1/zelpraxComissao2", "/srv/Meu  ERP/Dados/zelprax.ini", '/',
         "@F1 @M/srv/Meu\u00A7\u00A7ERP/Update @E/opt/Estação\u00A71 @AzelpraxComissao2"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(LinhaComandoAtualizador(db::PrepararCaminhosAtualizacao(c.executavel, c.iniServidor, c.separador)),
                  c.linha)
            << c.executavel;
}

TEST(RegrasAtualizacao, NomeDoExecutavelVaiSemTroca) {
    db::CaminhosAtualizacao caminhos;
    caminhos.NomeExecutavel = "zelprax Comissao2.exe";
    caminhos.PastaAtualizacaoSemEspacos = "X:\\Update";
    caminhos.PastaExecutavelSemEspacos = "C:\\z";
    EXPECT_EQ(LinhaComandoAtualizador(caminhos), "@F1 @MX:\\Update @EC:\\z @Azelprax Comissao2.exe");
}

TEST(RegrasAtualizacao, DataDoArquivoOmiteAHoraExatamenteAMeiaNoite) {
    const struct {
        db::DataHora data;
        const char* texto;
    } casos[] = {
        {{2024, 3, 7, 0, 0, 0}, "07/03/2024"},
        {{2024, 3, 7, 0, 0, 2}, "07/03/2024 00:00:02"},
        {{2024, 12, 31, 23, 59, 58}, "31/12/2024 23:59:58"},
        {{1999, 1, 1, 12, 0, 0}, "01/01/1999 12:00:00"},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(FormatarDataArquivo(c.data), c.texto);
        EXPECT_EQ(LerDataArquivo(c.texto), std::optional<db::DataHora>(c.data)) << c.texto;
    }
}

TEST(RegrasAtualizacao, TextoQueNaoEDataNaoSeLe) {
    for (const char* texto : {"", "31/02/2024", "07/03/2024 24:00:00", "07/03/2024 x", "07/03/2024 10:00:00 x",
                              "hoje"})
        EXPECT_EQ(LerDataArquivo(texto), std::nullopt) << texto;
}

}  // namespace
}  // namespace zelprax::teste
