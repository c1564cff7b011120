// One tick of the scheduling timer against an ERP installation in a temporary folder: the
// due-time rule, the end of a completed run, the messages, and the failure paths.

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/agendador.h"
#include "app/execucao.h"
#include "app/hora.h"
#include "app/trava.h"
#include "db/erro.h"
#include "erp_teste.h"
#include "motor_gravador.h"
#include "support/interacao_gravada.h"
#include "support/tela_gravada.h"
#include "../commission/motor_teste.h"

namespace zelprax::monitor {
namespace {

using teste::MensagemGravada;
using teste::TelaGravada;

class AgendadorTeste : public ::testing::Test {
protected:
    void SetUp() override {
        dados = std::make_unique<teste::DadosTeste>(erp.banco);
        dados->Parametro({{"ST_MONITOR_COMISSAO_ATIVO", "'S'"}});
        CriarArquivoTrava(erp.executavel, erp.pastaDados, erp.sistema);  // the monitor's own, as at its start
        relogio.agora = {2026, 12, 9, 7, 48, 0};
    }
    void TearDown() override { ApagarArquivoTrava(erp.executavel, erp.pastaDados); }

    std::string Ativo() { return dados->Valor("select st_monitor_comissao_ativo from tab_parametro"); }
    bool TravaExiste() { return std::filesystem::exists(erp.trava); }

    teste::InstalacaoERP erp;
    std::unique_ptr<teste::DadosTeste> dados;
    teste::InteracaoGravada interacao;
    teste::PainelGravado painel;
    teste::RelogioFixo relogio;
    teste::MotorGravador motor{erp.sistema, interacao, painel, relogio};
    TelaGravada tela;
    std::ostringstream erros;
    AgendadorComissao agendador{motor, tela, relogio, false, erros};
};

TEST_F(AgendadorTeste, ForaDaHoraNadaAconteceEAConexaoEhLiberada) {
    relogio.agora = {2026, 12, 9, 6, 58, 0};
    agendador.Timer1Timer();
    EXPECT_TRUE(motor.chamadas.empty());
    EXPECT_EQ(tela.inicio, kSemAtualizacao);
    EXPECT_FALSE(motor.TemConexao());
    EXPECT_TRUE(erp.sistema.encerrados.empty());
    EXPECT_TRUE(tela.temporizadores);
    EXPECT_EQ(tela.janelaAberta, 0);
}

TEST_F(AgendadorTeste, NaHoraExecutaEEncerraOProcesso) {
    tela.hora = "07";
    agendador.Timer1Timer();
    EXPECT_EQ(motor.chamadas.size(), 6u);
    EXPECT_EQ(tela.inicio, "09/12/2026 07:48:00");
    EXPECT_EQ(tela.final, "09/12/2026 07:48:00");
    EXPECT_FALSE(tela.progresso);
    EXPECT_TRUE(interacao.mensagens.empty());  // a scheduled run shows no final message
    EXPECT_EQ(Ativo(), "N");
    EXPECT_FALSE(TravaExiste());
    EXPECT_FALSE(motor.TemConexao());
    EXPECT_EQ(erp.sistema.encerrados, std::vector<std::string>{NomeProgramaMonitor()});
    EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro"), "7");
    EXPECT_TRUE(tela.temporizadores);
}

// A process that outlives its run (its program file carries another name) runs again at any later
// tick of the box's hour: the start label only holds back a tick at the very second of the last
// start, since minutes and dates are not compared.
TEST_F(AgendadorTeste, ProcessoQueSobreviveRepeteNaMesmaHoraSoDepoisDoUltimoInicio) {
    agendador.Timer1Timer();
    ASSERT_EQ(motor.chamadas.size(), 6u);
    agendador.Timer1Timer();  // the same second: the start label is not older than now
    EXPECT_EQ(motor.chamadas.size(), 6u);
    relogio.agora.minuto = 58;
    agendador.Timer1Timer();
    EXPECT_EQ(motor.chamadas.size(), 12u);
    EXPECT_EQ(tela.inicio, "09/12/2026 07:58:00");
}

TEST_F(AgendadorTeste, MensagemFinalSoNaExecucaoDoUsuario) {
    struct Caso {
        bool encontrou;
        MensagemGravada final;
    };
    const Caso casos[] = {
        {false, {kNenhumRegistro, "Aviso do Sistema", db::Icone::Aviso}},
        {true, {kProcessamentoConcluido, "Aviso do Sistema", db::Icone::Informacao}},
    };
    for (const Caso& c : casos) {
        interacao.mensagens.clear();
        relogio.agora.hora = 15;  // not the box's hour: only the user's click makes it due
        relogio.agora.segundo++;
        motor.acoes["GerarComissaoRecebimentos"] = [&c](comissao::Motor& m) { m.bMensagemFinanceiro = c.encontrou; };
        motor.acoes["GerarComissaoAcertos"] = [](comissao::Motor& m) { m.sSituacao3 = "S"; };
        agendador.bMesnagemClickBotao = true;
        agendador.Timer1Timer();
        ASSERT_EQ(interacao.mensagens.size(), 2u);
        EXPECT_EQ(interacao.mensagens[0].texto, kAvisoAcertos);  // warnings come before the final message
        EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Aviso);
        EXPECT_EQ(interacao.mensagens[1].texto, c.final.texto);
        EXPECT_EQ(interacao.mensagens[1].titulo, c.final.titulo);
        EXPECT_EQ(interacao.mensagens[1].icone, c.final.icone);
        EXPECT_FALSE(agendador.bMesnagemClickBotao);
    }
}

TEST_F(AgendadorTeste, ModoManualMostraAJanelaMesmoSemExecucao) {
    AgendadorComissao manual(motor, tela, relogio, true, erros);
    relogio.agora.hora = 6;
    manual.Timer1Timer();
    EXPECT_EQ(tela.janelaAberta, 1);
    EXPECT_TRUE(motor.chamadas.empty());
}

// A failed run does not read as one still under way: the progress goes and a box names the cause,
// the engine's full text below it. A manual monitor then ends as after a completed run but leaves
// the lock; in normal mode the monitor stays, with its lock and its timers stopped.
TEST_F(AgendadorTeste, ErroDeUmaFaseMostraACausaEParaOsTemporizadores) {
    const std::string texto = "exception 1\nE_FECHAMENTO\nComissoes do mes fechadas\nAt trigger 'T_F' line: 1, col: 40";
    for (const bool manual : {false, true}) {
        SCOPED_TRACE(manual);
        tela.temporizadores = true;
        AgendadorComissao agendadorDoModo(motor, tela, relogio, manual, erros);
        // A write the failing phase left uncommitted is rolled back with the connection.
        motor.acoes["GerarComissaoVendas"] = [&texto](comissao::Motor& m) {
            m.ExecutarComando(m.IBQ_Pesquisa, "update tab_parametro set st_comissao_frete_despesa = 'S'", false);
            throw db::ErroBanco(texto, {335544517});
        };
        relogio.agora.segundo++;
        agendadorDoModo.bMesnagemClickBotao = true;
        agendadorDoModo.Timer1Timer();
        ASSERT_EQ(interacao.mensagens.size(), 1u);
        const std::string& caixa = interacao.mensagens[0].texto;
        EXPECT_EQ(caixa.rfind(std::string(kExecucaoFalhou) + "Comissoes do mes fechadas\n", 0), 0u) << caixa;
        EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Erro);
        EXPECT_FALSE(tela.progresso);
        EXPECT_FALSE(tela.temporizadores);
        EXPECT_TRUE(TravaExiste());
        EXPECT_EQ(erp.sistema.encerrados.size(), manual ? 1u : 0u);
        EXPECT_EQ(Ativo(), manual ? "N" : "S");
        EXPECT_EQ(dados->Valor("select st_comissao_frete_despesa from tab_parametro"), "N");
        EXPECT_NE(erros.str().find(texto), std::string::npos);
        interacao.mensagens.clear();
    }
}

// A run the user started with an hour the box should not hold goes to its end like any other;
// only the hour is not stored, and a warning box says so before the final message.
TEST_F(AgendadorTeste, HoraForaDoIntervaloNaoParaAExecucao) {
    tela.hora = "24";
    agendador.bMesnagemClickBotao = true;
    agendador.Timer1Timer();
    EXPECT_EQ(motor.chamadas.size(), 6u);
    ASSERT_EQ(interacao.mensagens.size(), 2u);
    EXPECT_EQ(interacao.mensagens[0].texto, AvisoHoraNaoGravada("24"));
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Aviso);
    EXPECT_EQ(interacao.mensagens[1].texto, kNenhumRegistro);
    EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro"), "7");
    EXPECT_FALSE(tela.progresso);
    EXPECT_TRUE(tela.temporizadores);
    EXPECT_EQ(Ativo(), "N");
    EXPECT_FALSE(TravaExiste());
    EXPECT_EQ(erp.sistema.encerrados, std::vector<std::string>{NomeProgramaMonitor()});
}

// A scheduled tick reads the box as an integer for the due-time rule: a box that holds none
// fails the tick there, before any phase, as any other error of the tick.
TEST_F(AgendadorTeste, CaixaQueNaoEhInteiroFalhaOTiqueAgendado) {
    tela.hora = "ab";
    agendador.Timer1Timer();
    EXPECT_TRUE(motor.chamadas.empty());
    EXPECT_FALSE(tela.temporizadores);
    EXPECT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_FALSE(motor.TemConexao());
    EXPECT_TRUE(TravaExiste());
}

// The skip boxes and the hour are read when the run reaches their step: the window answers
// during a run, so a box ticked while Phase 1 works already counts for Phases 2 to 4.
TEST_F(AgendadorTeste, OpcoesLidasQuandoOPassoChega) {
    struct Caso {
        const char* fase;  // the phase during which the user changes the option
        std::function<void(TelaGravada&)> mudar;
        std::size_t chamadas;
        const char* horaGravada;
    };
    const Caso casos[] = {
        {"CalcularComissaoVendas", [](TelaGravada& t) { t.naoAcertos = true; }, 5, "7"},
        {"GerarComissaoAcertos", [](TelaGravada& t) { t.naoEstorno = true; }, 5, "7"},
        {"GerarEstornoInadimplentes", [](TelaGravada& t) { t.hora = "9"; }, 6, "9"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.fase);
        tela = TelaGravada{};
        motor.chamadas.clear();
        motor.acoes.clear();
        motor.acoes[c.fase] = [this, &c](comissao::Motor&) { c.mudar(tela); };
        relogio.agora.segundo++;
        agendador.bMesnagemClickBotao = true;
        agendador.Timer1Timer();
        EXPECT_EQ(motor.chamadas.size(), c.chamadas);
        EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro"), c.horaGravada);
    }
}

TEST_F(AgendadorTeste, PerdaDoServidorMarcaInativoPorNovaConexaoEEncerra) {
    motor.acoes["GerarComissaoRecebimentos"] = [](comissao::Motor&) {
        throw db::ErroBanco("Error reading data from the connection.", {db::kConexaoPerdidaLeitura});
    };
    agendador.Timer1Timer();
    EXPECT_FALSE(tela.temporizadores);
    EXPECT_TRUE(interacao.mensagens.empty());
    EXPECT_EQ(Ativo(), "N");
    EXPECT_TRUE(TravaExiste());  // only a completed run or the watchdog removes it
    EXPECT_EQ(erp.sistema.encerrados, std::vector<std::string>{NomeProgramaMonitor()});
    EXPECT_FALSE(motor.TemConexao());
}

// The server-loss steps show no box: the ERP's ini files, on the server's share, are usually gone
// with it, and a box would wait for a click nobody gives. They reconnect with the connection
// string the tick already has; when even that fails, the mark is left and the process ends.
TEST_F(AgendadorTeste, PerdaDoServidorSemCaixaComOuSemNovaConexao) {
    struct Caso {
        const char* nome;
        bool semIni, semBanco;
        const char* ativo;
    };
    for (const Caso c : {Caso{"ini sumiu", true, false, "N"}, Caso{"banco sumiu", false, true, "S"},
                         Caso{"os dois sumiram", true, true, "S"}}) {
        SCOPED_TRACE(c.nome);
        dados->Executar("update tab_parametro set st_monitor_comissao_ativo = 'S'");
        erp.sistema.encerrados.clear();
        interacao.mensagens.clear();
        // The tick connects through a link to the database; a link removed during the run lets
        // the open attachment go on and refuses a new one, as a server that went away.
        const std::string link = erp.pastaDados + "pelo-link.fdb";
        std::filesystem::create_symlink(erp.banco, link);
        erp.ApontarBanco("pelo-link.fdb");
        motor.acoes["GerarComissaoVendas"] = [this, &c, &link](comissao::Motor&) {
            if (c.semIni) std::filesystem::remove(erp.iniServidor);
            if (c.semBanco) std::filesystem::remove(link);
            throw db::ErroBanco("Unable to complete network request to host \"srv\".", {db::kRedeIndisponivel});
        };
        agendador.bMesnagemClickBotao = true;
        agendador.Timer1Timer();
        std::filesystem::remove(link);
        erp.ApontarBanco("erp.fdb");
        EXPECT_TRUE(interacao.mensagens.empty());
        EXPECT_EQ(Ativo(), c.ativo);
        ASSERT_FALSE(erp.sistema.encerrados.empty());
        EXPECT_EQ(erp.sistema.encerrados.back(), NomeProgramaMonitor());
        EXPECT_FALSE(motor.TemConexao());
    }
}

// Each run leaves its line in the journal before the process ends: how it started, its counts,
// its warnings, and the full error with the engine's code when it failed.
TEST_F(AgendadorTeste, CadaExecucaoFicaNoRegistro) {
    const std::string arquivo = erp.raiz / "estado/execucoes.jsonl";
    agendador.DefinirRegistro(arquivo);
    tela.hora = "07";
    motor.acoes["GerarComissaoAcertos"] = [](comissao::Motor& m) {
        m.sSituacao3 = "S";
        m.resumo[7].selecionados = 4;
    };
    agendador.Timer1Timer();  // at the hour
    motor.acoes["GerarComissaoVendas"] = [](comissao::Motor&) {
        throw db::ErroBanco("update conflicts with concurrent update", {db::kConflitoDeAtualizacao});
    };
    relogio.agora.minuto = 59;
    agendador.bMesnagemClickBotao = true;
    agendador.Timer1Timer();  // the button

    const HistoricoLido lido = LerHistorico(arquivo, 10);
    ASSERT_EQ(lido.registros.size(), 2u);
    const RegistroExecucao& concluida = lido.registros[0];
    EXPECT_EQ(concluida.origem, kOrigemAgendada);
    EXPECT_EQ(concluida.status, kRegistroConcluida);
    EXPECT_EQ(concluida.avisos, std::vector<std::string>{kAvisoAcertos});
    EXPECT_EQ(concluida.fases.at(6).selecionados, 4);
    EXPECT_EQ(concluida.conexao, erp.banco);
    const RegistroExecucao& falhou = lido.registros[1];
    EXPECT_EQ(falhou.origem, kOrigemBotao);
    EXPECT_EQ(falhou.status, kRegistroFalhou);
    EXPECT_EQ(falhou.erro, "update conflicts with concurrent update");
    EXPECT_EQ(falhou.codigo, db::kConflitoDeAtualizacao);
    EXPECT_EQ(falhou.fases.at(6).selecionados, 0) << "the counts are this run's";
    ASSERT_TRUE(agendador.UltimaExecucao().has_value());
    EXPECT_EQ(agendador.UltimaExecucao()->status, kRegistroFalhou);
}

TEST_F(AgendadorTeste, TiqueDuranteUmaExecucaoNaoFazNada) {
    std::vector<db::BancoDados*> conexoes;
    motor.acoes["GerarComissaoVendas"] = [this, &conexoes](comissao::Motor& m) {
        conexoes.push_back(m.IBD_BancoDados.get());
        agendador.Timer1Timer();  // as the timer or the button would, through event processing
        conexoes.push_back(m.IBD_BancoDados.get());
    };
    agendador.Timer1Timer();
    EXPECT_EQ(motor.chamadas.size(), 6u);
    ASSERT_EQ(conexoes.size(), 2u);
    EXPECT_EQ(conexoes[0], conexoes[1]);
    EXPECT_EQ(erp.sistema.encerrados.size(), 1u);
}

TEST_F(AgendadorTeste, ComOsCamposDoMotorReal) {
    // The engine's own phases on an empty database: nothing found, the hour stored.
    teste::PainelGravado painelReal;
    comissao::Motor real(erp.sistema, interacao, painelReal, relogio);
    AgendadorComissao agendadorReal(real, tela, relogio, false, erros);
    dados->Entrada(1, {{"VL_COMISSAO", "0"}});
    tela.hora = "7";
    agendadorReal.bMesnagemClickBotao = true;
    agendadorReal.Timer1Timer();
    ASSERT_EQ(interacao.mensagens.size(), 1u) << erros.str();
    EXPECT_EQ(interacao.mensagens[0].texto, kNenhumRegistro);
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao where vl_comissao = 0"), 0);
    EXPECT_EQ(Ativo(), "N");
    EXPECT_FALSE(TravaExiste());
}

}  // namespace
}  // namespace zelprax::monitor
