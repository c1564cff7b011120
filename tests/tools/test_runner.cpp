// The headless runner end to end: the built program against a small generated database, as cron
// or an operator runs it.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "db/datas.h"
#include "json_minimo.h"
#include "programas.h"
#include "support/banco_teste.h"
#include "versao.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

const char kConcluido[] = "Processamento concluído com sucesso!";
const char kNenhum[] = "Nenhum registro encontrado para atualização.";

// The documents each phase selects, as its selection reads them.
const char kSelecaoFase1[] =
    " from mov_nf_comercio mc inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao) where "
    "mc.vl_produtos > 0 and mc.st_calc_comissao = 'S' and coalesce(mc.tp_base_comissao_outros, 'P') <> 'R' and "
    "mc.vl_total_nf > 0 and mc.id_st_nf in (3,5)";
const char kSelecaoFase5[] =
    " from mov_nf_comercio mc inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao) where "
    "mc.st_calc_comissao = 'S' and mc.vl_total_nf > 0 and mc.id_st_nf in (3,5)";
const char kSelecaoFase6[] =
    " from mov_financeiro mf inner join mov_nf_comercio mc on (mc.id_nf_comercio = mf.id_nf_comercio) where "
    "mf.st_calc_comissao = 'S' and mf.vl_documento > 0 and mf.id_nf_comercio is not null and mc.id_st_nf in (3,5)";
// Phase 5 sets aside the inconsistent invoices (status 6) before Phase 6 selects receivables.
const char kSemNotasDivergentes[] =
    " and not (mc.st_calc_comissao = 'S' and mc.vl_total_nf > 0 and exists (select 1 from tab_nat_operacao t where "
    "t.id_nat_operacao = mc.id_nat_operacao) and (mc.vl_produtos <> (select sum(i.vl_total) from mov_nf_comercio_item i "
    "where i.id_nf_comercio = mc.id_nf_comercio) or mc.vl_financeiro <> (select sum(f.vl_documento) from "
    "mov_financeiro f where f.id_nf_comercio = mc.id_nf_comercio)))";
const char kSelecaoFase7[] = " from mov_acerto_comissao where st_calc_comissao = 'S'";

std::string ListaIds(DadosTeste& dados, const std::string& sql) {
    std::string lista;
    for (const auto& linha : dados.Linhas(sql)) lista += (lista.empty() ? "" : ",") + linha.at(0);
    return lista.empty() ? "-1" : lista;
}

class Runner : public ::testing::Test {
protected:
    void SetUp() override {
        const ResultadoPrograma demo = ExecutarPrograma(ZELPRAX_DEMO, {"--banco", arquivo, "--notas", "120", "--semente", "5"});
        ASSERT_EQ(demo.status, 0) << demo.erros;
    }

    static ResultadoPrograma Rodar(const std::vector<std::string>& argumentos,
                                   const std::map<std::string, std::string>& ambiente = {}) {
        return ExecutarPrograma(ZELPRAX_RUNNER, argumentos, ambiente);
    }

    std::string Valor(const std::string& sql) { return DadosTeste(arquivo).Valor(sql); }

    PastaTemporaria pasta;
    std::string arquivo = pasta / "erp.fdb";
};

TEST_F(Runner, ConcluiEImprimeOResumo) {
    const ResultadoPrograma r = Rodar({"--banco", arquivo});
    ASSERT_EQ(r.status, 0) << r.erros << r.saida;
    EXPECT_EQ(r.erros.find("zelprax-comissao"), std::string::npos) << "nenhum aviso nem erro: " << r.erros;
    // Not a terminal: the captions as plain lines, no bar drawn in place.
    EXPECT_NE(r.saida.find("Fase 1/9 - Calculando comissão das vendas\nFase 2/9 - "), std::string::npos) << r.saida;
    EXPECT_EQ(r.saida.find('\r'), std::string::npos);
    EXPECT_NE(r.saida.find("Resumo da atualização das comissões\n"), std::string::npos);
    for (int n = 1; n <= 9; ++n) EXPECT_NE(r.saida.find("\n" + std::to_string(n) + "/9  "), std::string::npos) << n;
    EXPECT_NE(r.saida.find(std::string("\n") + kConcluido + "\n"), std::string::npos) << r.saida;
    EXPECT_NE(r.saida.find("Comandos SQL executados: "), std::string::npos);
    EXPECT_EQ(r.saida.find("(interrompida)"), std::string::npos);

    // The monitor's closing steps, without the hour.
    DadosTeste dados(arquivo);
    EXPECT_EQ(dados.Contar("select count(*) from tab_parametro where st_monitor_comissao_ativo is distinct from 'N'"), 0);
    EXPECT_EQ(dados.Valor("select hr_atualizar_comissao from tab_parametro"), "7");
    EXPECT_EQ(dados.Contar("select count(*) from mov_comissao where vl_comissao = 0 and id_comissao_gerada is null"), 0);
    EXPECT_EQ(dados.Contar("select count(*) from mov_comissao where vl_comissao = 0 and id_comissao_gerada is not null"), 1)
        << "the demo's paid entry of 0.00 stays";
    EXPECT_EQ(dados.Contar(std::string("select count(*)") + kSelecaoFase5 + " and not exists (select 1 from "
                           "mov_comissao c where c.tp_registro = 1 and c.id_nf_comercio = mc.id_nf_comercio and "
                           "c.id_comissao_gerada is not null)"),
              0)
        << "toda nota sem comissão paga foi processada";
}

TEST_F(Runner, JsonConfereComOBanco) {
    std::string notas1, notas5, duplicatas6, acertos7;
    long long selecionadas1 = 0, semTipo1 = 0, selecionadas5 = 0, selecionadas6 = 0, selecionados7 = 0;
    {
        DadosTeste dados(arquivo);
        selecionadas1 = dados.Contar(std::string("select count(*)") + kSelecaoFase1);
        semTipo1 = dados.Contar(std::string("select count(*)") + kSelecaoFase1 +
                                " and coalesce(tno.id_sugerir_comissao, 0) not between 0 and 6");
        selecionadas5 = dados.Contar(std::string("select count(*)") + kSelecaoFase5);
        selecionadas6 = dados.Contar(std::string("select count(*)") + kSelecaoFase6 + kSemNotasDivergentes);
        selecionados7 = dados.Contar(std::string("select count(*)") + kSelecaoFase7);
        notas5 = ListaIds(dados, std::string("select mc.id_nf_comercio") + kSelecaoFase5);
        duplicatas6 = ListaIds(dados, std::string("select mf.id_financeiro") + kSelecaoFase6 + kSemNotasDivergentes);
        acertos7 = ListaIds(dados, std::string("select id_acerto_comissao") + kSelecaoFase7);
    }
    ASSERT_GT(selecionadas5, 0);
    ASSERT_GT(selecionadas6, 0);
    ASSERT_GT(selecionados7, 0);

    // Without Phases 2 to 4 no settlement is added before Phase 7 selects its own.
    const ResultadoPrograma r = Rodar({"--banco", arquivo, "--json", "--sem-acertos"});
    ASSERT_EQ(r.status, 0) << r.erros;
    EXPECT_EQ(r.saida.find('\n'), r.saida.size() - 1) << "um só objeto JSON, sem as legendas: " << r.saida;
    const Json j = LerJson(r.saida);
    const ListaJson& fases = j["fases"].Lista();
    ASSERT_EQ(fases.size(), 9u);
    auto fase = [&fases](int n) -> const Json& { return fases.at(static_cast<std::size_t>(n - 1)); };
    auto contagem = [&fase](int n, const char* campo) { return static_cast<long long>(fase(n)[campo].Numero()); };
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(fase(n)["fase"].Numero(), n);
        EXPECT_EQ(fase(n)["executada"].Logico(), n < 2 || n > 4) << n;
        if (n >= 2 && n <= 4) {
            EXPECT_FALSE(fase(n)["exibida"].Logico()) << n;
        }
    }
    EXPECT_TRUE(j["concluida"].Logico());
    EXPECT_TRUE(j["erro"].Nulo());
    EXPECT_GT(j["comandos"].Numero(), selecionadas5 + selecionadas6);
    EXPECT_GE(j["segundos"].Numero(), 0);

    DadosTeste dados(arquivo);
    EXPECT_EQ(contagem(1, "selecionados"), selecionadas1);
    EXPECT_EQ(contagem(1, "ignorados"), semTipo1);
    EXPECT_EQ(contagem(1, "gravados"), selecionadas1 - semTipo1);

    // Phase 5 leaves alone the invoices with a paid entry (still awaiting) and sets aside the
    // inconsistent ones (status 6).
    EXPECT_EQ(contagem(5, "selecionados"), selecionadas5);
    const long long aguardando5 = dados.Contar("select count(*) from mov_nf_comercio where st_calc_comissao = 'S' and "
                                               "id_nf_comercio in (" + notas5 + ")");
    const long long divergentes5 = dados.Contar("select count(*) from mov_nf_comercio where id_st_nf = 6 and "
                                                "id_nf_comercio in (" + notas5 + ")");
    EXPECT_EQ(contagem(5, "ignorados"), aguardando5 + divergentes5);
    // Entries of amount 0 are deleted by the closing statements, so at least as many were written
    // as remain.
    EXPECT_GE(contagem(5, "gravados"), dados.Contar("select count(*) from mov_comissao where tp_registro = 1 and "
                                                    "id_comissao_gerada is null and id_nf_comercio in (" + notas5 + ")"));

    EXPECT_EQ(contagem(6, "selecionados"), selecionadas6);
    const long long aguardando6 = dados.Contar("select count(*) from mov_financeiro where st_calc_comissao = 'S' and "
                                               "id_financeiro in (" + duplicatas6 + ")");
    EXPECT_EQ(contagem(6, "ignorados"), aguardando6);
    EXPECT_GE(contagem(6, "gravados"), dados.Contar("select count(*) from mov_comissao where tp_registro = 2 and "
                                                    "id_comissao_gerada is null and id_financeiro in (" + duplicatas6 + ")"));

    EXPECT_EQ(contagem(7, "selecionados"), selecionados7);
    const long long aguardando7 = dados.Contar("select count(*) from mov_acerto_comissao where st_calc_comissao = 'S' "
                                               "and id_acerto_comissao in (" + acertos7 + ")");
    EXPECT_EQ(contagem(7, "ignorados"), aguardando7);
    EXPECT_EQ(contagem(7, "gravados"), selecionados7 - aguardando7);

    // The warnings name exactly the kinds of document left waiting for a paid entry.
    std::vector<std::string> esperados;
    if (aguardando5 > 0)
        esperados.push_back("Algumas NFs de venda não tiveram a comissão atualizada pois já foram gerados pagamentos de comissão.");
    if (aguardando6 > 0)
        esperados.push_back("Algumas Duplicatas não tiveram a comissão atualizada pois já foram gerados pagamentos de comissão.");
    if (aguardando7 > 0)
        esperados.push_back(
            "Alguns Acertos de Comissão não tiveram a comissão atualizada pois já foram gerados pagamentos de comissão.");
    std::vector<std::string> avisos;
    for (const Json& a : j["avisos"].Lista()) avisos.push_back(a.Texto());
    EXPECT_EQ(avisos, esperados);
    EXPECT_EQ(j["mensagemFinal"].Texto(), kConcluido);
}

TEST_F(Runner, OpcoesChegamAoMotor) {
    // Nothing is issued or paid after today, so a bound of tomorrow leaves every selection empty.
    const std::string amanha = [] {
        const db::DataHora d = db::SomarDias(db::RelogioDoSistema().Agora(), 1);
        char texto[16];
        std::snprintf(texto, sizeof texto, "%02d/%02d/%04d", d.dia, d.mes, d.ano);
        return std::string(texto);
    }();
    const ResultadoPrograma r = Rodar({"--banco", arquivo, "--sem-estorno", "--emissao-a-partir", amanha});
    ASSERT_EQ(r.status, 0) << r.erros;
    EXPECT_EQ(r.saida.find("Fase 8/9 - "), std::string::npos);
    EXPECT_EQ(r.saida.find("Fase 9/9 - "), std::string::npos);
    EXPECT_NE(r.saida.find("Fase 2/9 - "), std::string::npos);
    std::size_t naoExecutadas = 0;
    for (auto i = r.saida.find("(não executada)\n"); i != std::string::npos; i = r.saida.find("(não executada)\n", i + 1))
        ++naoExecutadas;
    EXPECT_EQ(naoExecutadas, 2u) << r.saida;
    EXPECT_NE(r.saida.find(std::string("\n") + kNenhum + "\n"), std::string::npos) << r.saida;
    EXPECT_NE(Valor(std::string("select count(*)") + kSelecaoFase5), "0") << "as notas continuam aguardando";
}

TEST_F(Runner, BancoInexistenteFalhaComOTextoDoServidor) {
    const std::string inexistente = pasta / "nao-existe.fdb";
    const ResultadoPrograma r = Rodar({"--banco", inexistente});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.erros.find("I/O error during \"open\" operation for file \"" + inexistente + "\""), std::string::npos)
        << r.erros;
    EXPECT_NE(r.erros.find("No such file or directory"), std::string::npos) << r.erros;
    EXPECT_NE(r.saida.find("(interrompida)"), std::string::npos);
    EXPECT_EQ(r.saida.find(kConcluido), std::string::npos);
    EXPECT_FALSE(fs::exists(inexistente));

    const ResultadoPrograma j = Rodar({"--banco", inexistente, "--json"});
    EXPECT_EQ(j.status, 1);
    const Json resumo = LerJson(j.saida);
    EXPECT_FALSE(resumo["concluida"].Logico());
    EXPECT_NE(resumo["erro"].Texto().find("No such file or directory"), std::string::npos);
    EXPECT_TRUE(resumo["mensagemFinal"].Nulo());
}

TEST_F(Runner, ErrosDeUsoNaoTocamNoBanco) {
    const std::vector<std::vector<std::string>> casos{
        {"--banco", arquivo, "--frobnicar"},
        {"--banco", arquivo, "manual"},
        {"--banco", arquivo, "--emissao-a-partir", "30/02/2024"},
        {"--banco", arquivo, "--emissao-a-partir", "2024-02-01"},
        {"--banco", arquivo, "--emissao-a-partir"},
        {"--banco"},
    };
    for (const auto& args : casos) {
        const ResultadoPrograma r = Rodar(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_NE(r.erros.find("Use --help"), std::string::npos) << r.erros;
        EXPECT_EQ(r.saida, "");
    }
    EXPECT_EQ(Valor("select st_monitor_comissao_ativo from tab_parametro"), "S");
    EXPECT_EQ(Valor("select count(*) from mov_nf_comercio where vl_base_comissao is not null and st_calc_comissao = 'S'"), "0");

    const ResultadoPrograma ajuda = Rodar({"--help"});
    EXPECT_EQ(ajuda.status, 0);
    for (const char* texto : {"Uso: zelprax-comissao", "--banco", "--pasta", "--sem-acertos", "--sem-estorno",
                              "--emissao-a-partir", "--json", "ISC_USER", "ISC_PASSWORD", "zelpraxComissao2.lock"})
        EXPECT_NE(ajuda.saida.find(texto), std::string::npos) << texto;
}

// The ERP's installation as the monitor finds it: the monitor's folder with the local ini, and
// the data folder with the server ini, the database and the lock file.
class RunnerInstalado : public Runner {
protected:
    void SetUp() override {
        fs::create_directories(pastaMonitor);
        fs::create_directories(pastaDados);
        arquivo = pastaDados + "/erp.fdb";
        Runner::SetUp();
        EscreverArquivo(pastaMonitor + "/zelpraxempresa.ini", "[IniServidor]\nnomearquivo=" + pastaDados + "/zelprax.ini\n");
        EscreverArquivo(pastaDados + "/zelprax.ini", "[Database]\nServidor=\npath=" + pastaDados + "/\nname=erp.fdb\n");
    }

    std::string pastaMonitor = pasta / "Monitor";
    std::string pastaDados = pasta / "Dados";
    std::string trava = pasta / "Dados/zelpraxComissao2.lock";
};

TEST_F(RunnerInstalado, TravaDoMonitorPresenteImpedeAExecucao) {
    EscreverArquivo(trava, "Este arquivo indica que o monitor /opt/zelprax/zelpraxComissao2 está em execução.\r\n");
    const ResultadoPrograma r = Rodar({"--pasta", pastaMonitor});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.erros.find(trava), std::string::npos) << r.erros;
    EXPECT_TRUE(fs::exists(trava)) << "a trava é do monitor: fica onde está";
    EXPECT_EQ(Valor("select st_monitor_comissao_ativo from tab_parametro"), "S");
    EXPECT_EQ(Valor("select count(*) from mov_nf_comercio where vl_base_comissao is not null and st_calc_comissao = 'S'"), "0");
}

TEST_F(RunnerInstalado, SemTravaExecutaPelosIniDoERPEApagaATrava) {
    const ResultadoPrograma r = Rodar({"--pasta", pastaMonitor});
    ASSERT_EQ(r.status, 0) << r.erros;
    EXPECT_NE(r.saida.find(kConcluido), std::string::npos);
    EXPECT_FALSE(fs::exists(trava));
    EXPECT_EQ(Valor("select st_monitor_comissao_ativo from tab_parametro"), "N");
}

TEST_F(RunnerInstalado, ExecucaoQueFalhaTambemLiberaATrava) {
    // The server ini names a database that is not there: the run fails after taking the lock. A
    // lock left behind by a process that has ended would stop every later monitor and run.
    EscreverArquivo(pastaDados + "/zelprax.ini", "[Database]\nServidor=\npath=" + pastaDados + "/\nname=outro.fdb\n");
    const ResultadoPrograma r = Rodar({"--pasta", pastaMonitor});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.erros.find("outro.fdb"), std::string::npos) << r.erros;
    EXPECT_FALSE(fs::exists(trava));
}

TEST_F(RunnerInstalado, InterrompidaPeloGerenciadorDeServicosLiberaATrava) {
    // A service stop or Ctrl-C in the middle of the run: the process ends at once, and the lock
    // goes with it.
    bool travaVista = false;
    const ResultadoPrograma r = ExecutarProgramaEnquanto(ZELPRAX_RUNNER, {"--pasta", pastaMonitor}, {}, [&](pid_t pid) {
        for (int i = 0; i < 2000 && !travaVista; ++i) {
            travaVista = fs::exists(trava);
            if (!travaVista) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::kill(pid, SIGTERM);
    });
    ASSERT_TRUE(travaVista) << "a trava deve existir durante a execução";
    EXPECT_EQ(r.status, 128 + SIGTERM) << r.saida << r.erros;
    EXPECT_FALSE(fs::exists(trava));
}

TEST_F(RunnerInstalado, ConfiguracaoAusenteEErroDeConfiguracao) {
    fs::remove(pastaMonitor + "/zelpraxempresa.ini");
    const ResultadoPrograma r = Rodar({"--pasta", pastaMonitor});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.erros.find("Não foi encontrado o arquivo de inicialização"), std::string::npos) << r.erros;
    EXPECT_EQ(r.saida, "");
    EXPECT_FALSE(fs::exists(trava));

    const ResultadoPrograma semPasta = Rodar({"--pasta", pasta / "nao-existe"});
    EXPECT_EQ(semPasta.status, 2);
}

// Two processes on one database need the Firebird server.
class RunnerNoServidor : public Runner {
protected:
    void SetUp() override {
        servidor = ServidorFirebird();
        if (servidor.empty()) GTEST_SKIP() << "sem servidor Firebird em 127.0.0.1:3050";
        Runner::SetUp();
        conexao = servidor + ":" + arquivo;
    }
    std::string servidor, conexao;
};

TEST_F(RunnerNoServidor, LinhaBloqueadaPorOutraConexaoFalhaComOTextoDoServidor) {
    DadosTeste erp(conexao);
    const std::string nota = erp.Valor(std::string("select first 1 mc.id_nf_comercio") + kSelecaoFase1);
    ASSERT_NE(nota, "<vazio>");
    // An ERP user editing every invoice Phase 1 will write, without committing yet.
    erp.Banco().TransacaoPadrao().Commit();
    db::Consulta edicao;
    edicao.Anexar(&erp.Banco());
    edicao.DefinirSQL(std::string("update mov_nf_comercio mc set mc.vl_desconto = mc.vl_desconto where mc.id_nf_comercio in "
                                  "(select mc.id_nf_comercio") + kSelecaoFase1 + ")");
    edicao.Executar();

    const ResultadoPrograma r = Rodar({"--banco", conexao});
    edicao.Fechar();
    erp.Banco().TransacaoPadrao().Rollback();
    EXPECT_EQ(r.status, 1) << r.saida;
    EXPECT_NE(r.erros.find("update conflicts with concurrent update"), std::string::npos) << r.erros;
    EXPECT_NE(r.saida.find("(interrompida)"), std::string::npos);
    EXPECT_EQ(erp.Valor("select st_monitor_comissao_ativo from tab_parametro"), "S") << "a execução não terminou";
}

TEST_F(RunnerNoServidor, UsuarioESenhaDoAmbiente) {
    const ResultadoPrograma r = Rodar({"--banco", conexao}, {{"ISC_USER", "sysdba"}, {"ISC_PASSWORD", "errada"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.erros.find("Your user name and password are not defined"), std::string::npos) << r.erros;
}

// The one version number of the project, as both installed programs print it.
TEST(ProgramasDoPacote, ImprimemAVersaoDoProjeto) {
    const std::pair<const char*, std::string> programas[] = {{ZELPRAX_RUNNER, "zelprax-comissao"},
                                                            {ZELPRAX_DEMO, "zelprax-demo"}};
    for (const auto& [programa, nome] : programas) {
        const ResultadoPrograma versao = ExecutarPrograma(programa, {"--version"});
        EXPECT_EQ(versao.status, 0) << nome;
        EXPECT_EQ(versao.saida, nome + " " ZELPRAX_VERSAO "\n");
        EXPECT_EQ(versao.erros, "") << nome;
        EXPECT_NE(ExecutarPrograma(programa, {"--help"}).saida.find("--version"), std::string::npos) << nome;
    }
}

}  // namespace
}  // namespace zelprax::teste
