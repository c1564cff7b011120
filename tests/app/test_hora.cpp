// The hour box, the due-time rule, the start label, the manual-mode argument and the server-loss
// texts: rules without a window or a database.

#include <gtest/gtest.h>

#include "app/agendador.h"
#include "app/execucao.h"
#include "app/hora.h"

namespace zelprax::monitor {
namespace {

TEST(HoraBotoes, SobemEDescemSemDarAVolta) {
    struct Caso {
        const char* texto;
        const char* acima;
        const char* abaixo;
    };
    const Caso casos[] = {
        {"23", "23", "22"}, {"0", "1", "0"},   {"07", "8", "6"},   {"00", "1", "00"},
        {"22", "23", "21"}, {"30", "30", "29"}, {"-3", "-2", "-3"}, {" 5", "6", "4"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.texto);
        EXPECT_EQ(HoraAcima(c.texto), c.acima);
        EXPECT_EQ(HoraAbaixo(c.texto), c.abaixo);
    }
}

TEST(HoraBotoes, TextoQueNaoEInteiroFalhaNaConversao) {
    for (const char* texto : {"ab", "", "7a", "7 ", "--"}) {
        SCOPED_TRACE(texto);
        EXPECT_THROW(HoraAcima(texto), ErroConversao);
        EXPECT_THROW(HoraAbaixo(texto), ErroConversao);
        EXPECT_THROW(HoraAceita(texto), ErroConversao);
    }
}

TEST(HoraSaida, AceitaSoHorasDe0a23) {
    for (const char* texto : {"0", "23", "07", "12", "+7"}) EXPECT_TRUE(HoraAceita(texto)) << texto;
    for (const char* texto : {"24", "-1", "99"}) EXPECT_FALSE(HoraAceita(texto)) << texto;
}

TEST(HoraValidada, InteirosForaDoIntervaloDoTipoSaoRecusados) {
    EXPECT_EQ(LerInteiro("2147483647"), 2147483647);
    EXPECT_EQ(LerInteiro("-2147483648"), -2147483647 - 1);
    EXPECT_THROW(LerInteiro("2147483648"), ErroConversao);
    EXPECT_THROW(LerInteiro("-2147483649"), ErroConversao);
}

db::DataHora Em(int hora, int minuto, int dia = 9) { return {2026, 12, dia, hora, minuto, 0}; }

TEST(ExecucaoDevida, HoraDaCaixaContraHoraAtual) {
    struct Caso {
        bool usuario;
        const char* hora;
        db::DataHora agora, ultimoInicio;
        bool devida;
    };
    const db::DataHora nunca{};
    const Caso casos[] = {
        {false, "7", Em(6, 58), nunca, false},
        {false, "7", Em(7, 48), nunca, true},
        {false, "07", Em(7, 48), nunca, true},
        {false, "7", Em(8, 0), nunca, false},
        {false, "0", Em(0, 5), nunca, true},
        {false, "7", Em(7, 48), Em(7, 10), true},      // started earlier this hour: minutes are not compared
        {false, "7", Em(7, 48), Em(7, 48), false},     // not strictly later
        {false, "7", Em(7, 48), Em(7, 10, 10), false}, // a start label in the future
        {true, "3", Em(7, 48), Em(7, 48), true},       // the user's run is always due
        {true, "ab", Em(7, 48), nunca, true},          // ... and does not read the box here
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(std::string(c.hora) + " at " + db::FormatarDataHoraTela(c.agora));
        EXPECT_EQ(ExecucaoDevida(c.usuario, c.hora, c.agora, c.ultimoInicio), c.devida);
    }
}

TEST(ExecucaoDevida, CaixaQueNaoEInteiroFalhaNaExecucaoAgendada) {
    EXPECT_THROW(ExecucaoDevida(false, "ab", Em(7, 48), {}), ErroConversao);
    EXPECT_THROW(ExecucaoDevida(false, "", Em(7, 48), {}), ErroConversao);
}

TEST(UltimoInicio, TextoInicialEDataDoRotulo) {
    EXPECT_TRUE(LerUltimoInicio("00/00/0000 00:00").Vazia());
    const db::DataHora lida = LerUltimoInicio("09/12/2026 07:48:10");
    EXPECT_EQ(lida, (db::DataHora{2026, 12, 9, 7, 48, 10}));
    EXPECT_THROW(LerUltimoInicio("ontem"), ErroConversao);
    EXPECT_THROW(LerUltimoInicio("32/12/2026 07:48:10"), ErroConversao);
}

TEST(ModoManual, PrimeiroArgumentoEmQualquerCaixa) {
    for (const char* argumento : {"manual", "MANUAL", "Manual", "mAnUaL"}) EXPECT_TRUE(ModoManual(argumento)) << argumento;
    for (const char* argumento : {"", "manual2", "manua", "-manual", "automatico"})
        EXPECT_FALSE(ModoManual(argumento)) << argumento;
}

TEST(PerdaDoServidor, TresTextosProcuradosComCaixaExata) {
    EXPECT_TRUE(PerdaDoServidor("Unable to complete network request to host \"127.0.0.1\".\nFailed to establish a connection."));
    EXPECT_TRUE(PerdaDoServidor("Error reading data from the connection."));
    EXPECT_TRUE(PerdaDoServidor("Dynamic SQL Error\nunprepared dynamic SQL statement"));
    EXPECT_FALSE(PerdaDoServidor("Error writing data to the connection."));
    EXPECT_FALSE(PerdaDoServidor("error reading data from the connection."));
    EXPECT_FALSE(PerdaDoServidor("deadlock\nupdate conflicts with concurrent update"));
    EXPECT_FALSE(PerdaDoServidor(""));
}

}  // namespace
}  // namespace zelprax::monitor
