// The headless runner end to end: the built program against a small generated database, as cron
// or an operator runs it.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "db/datas.h"
#include "app/registro.h"
#include "commission/moeda.h"
#include "json_minimo.h"
#include "support/invariantes.h"
#include "programas.h"
#include "support/banco_teste.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;
using monitor::HistoricoLido;
using monitor::RegistroEmJson;

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
// Phase 5 rebuilds the receivables of the invoices it rebuilds, all but those with a paid entry.
const char kSemRefeitasNaFase5[] =
    " and not (mc.st_calc_comissao = 'S' and mc.vl_total_nf > 0 and mc.id_st_nf in (3,5) and exists (select 1 from "
    "tab_nat_operacao t where t.id_nat_operacao = mc.id_nat_operacao) and not exists (select 1 from mov_comissao c "
    "where c.tp_registro = 1 and c.id_nf_comercio = mc.id_nf_comercio and c.id_comissao_gerada is not null) and not "
    "exists (select 1 from mov_comissao c where c.tp_registro = 2 and c.id_financeiro = mf.id_financeiro and "
    "c.id_comissao_gerada is not null))";
// The marked invoices that no longer qualify, which Phase 5 empties.
const char kCanceladasFase5[] =
    " from mov_nf_comercio mc where mc.st_calc_comissao = 'S' and (coalesce(mc.id_st_nf, 0) not in (3, 5, 6) or "
    "(mc.id_st_nf in (3, 5) and coalesce(mc.vl_total_nf, 0) <= 0))";
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
    const ResultadoPrograma r = Rodar({"--banco", arquivo}, {{"XDG_STATE_HOME", pasta / "estado"}});
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
    // Phases 2 and 8 run set-based statements (four and three): said so, not shown as 0/0/0. The
    // time with a decimal comma, and last the journal the run went to.
    EXPECT_NE(r.saida.find("  (4 comandos em conjunto; linhas não contadas)\n3/9  "), std::string::npos) << r.saida;
    EXPECT_NE(r.saida.find("  (3 comandos em conjunto; linhas não contadas)\n9/9  "), std::string::npos) << r.saida;
    const std::size_t tempo = r.saida.find("\nTempo: ");
    ASSERT_NE(tempo, std::string::npos);
    EXPECT_EQ(r.saida.find_first_of(".,", tempo), r.saida.find(',', tempo)) << r.saida.substr(tempo);
    EXPECT_TRUE(r.saida.ends_with(" s\nRegistro de execuções: " + pasta / "estado/zelprax/execucoes.jsonl\n")) << r.saida;

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
        selecionadas5 = dados.Contar(std::string("select count(*)") + kSelecaoFase5) +
                        dados.Contar(std::string("select count(*)") + kCanceladasFase5);
        selecionadas6 =
            dados.Contar(std::string("select count(*)") + kSelecaoFase6 + kSemNotasDivergentes + kSemRefeitasNaFase5);
        selecionados7 = dados.Contar(std::string("select count(*)") + kSelecaoFase7);
        notas5 = ListaIds(dados, std::string("select mc.id_nf_comercio") + kSelecaoFase5);
        duplicatas6 = ListaIds(dados, std::string("select mf.id_financeiro") + kSelecaoFase6 + kSemNotasDivergentes +
                                          kSemRefeitasNaFase5);
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
    for (const Json& a : j["avisos"].Lista())
        if (a.Texto().ends_with("pagamentos de comissão.")) avisos.push_back(a.Texto());
    EXPECT_EQ(avisos, esperados);
    EXPECT_EQ(j["mensagemFinal"].Texto(), kConcluido);
}

// Customer names longer than the entries' column: the run stores them cut and its summary says so,
// one line for the column, in the text and in the JSON.
TEST_F(Runner, TextosCortadosNoResumo) {
    DadosTeste(arquivo).Executar("update cad_pessoa set nm_pesquisa = 'Distribuidora São João de Alimentos e Bebidas "
                                 "Ltda Filial 02'");
    const std::string copia = pasta / "copia.fdb";
    fs::copy_file(arquivo, copia);
    const std::string inicio = "Textos cortados na coluna NM_CLIENTE de MOV_COMISSAO: ";

    const ResultadoPrograma texto = Rodar({"--banco", arquivo});
    ASSERT_EQ(texto.status, 0) << texto.erros;
    EXPECT_NE(texto.saida.find("\nAviso: " + inicio), std::string::npos) << texto.saida;
    EXPECT_EQ(texto.saida.find("\nAviso: " + inicio), texto.saida.rfind("\nAviso: Textos cortados")) << "uma linha só";
    EXPECT_EQ(Valor("select max(char_length(nm_cliente)) from mov_comissao where id_comissao_gerada is null"), "50");

    const ResultadoPrograma json = Rodar({"--banco", copia, "--json"});
    ASSERT_EQ(json.status, 0) << json.erros;
    const Json j = LerJson(json.saida);
    int linhas = 0;
    for (const Json& a : j["avisos"].Lista()) linhas += a.Texto().rfind(inicio, 0) == 0 ? 1 : 0;
    EXPECT_EQ(linhas, 1) << json.saida;
}

TEST_F(Runner, OpcoesChegamAoMotor) {
    // Nothing is issued or paid after today, so a bound of tomorrow leaves every selection empty.
    const std::string amanha = [] {
        const db::DataHora d = db::SomarDias(AgoraDoTeste(), 1);
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

TEST_F(RunnerInstalado, TravaDeNumeroQueAgoraRodaOutroProgramaEhAssumidaComUmaLinha) {
    // This test program's own number, written as a monitor's: the number now runs another program.
    char maquina[256] = {};
    ASSERT_EQ(::gethostname(maquina, sizeof maquina - 1), 0);
    const std::string processo = std::to_string(::getpid());
    EscreverArquivo(trava, "Este arquivo indica que o monitor /opt/zelprax/zelpraxComissao2 está em execução.\r\n"
                           "maquina=" + std::string(maquina) + "\r\nprocesso=" + processo +
                           "\r\nprograma=zelpraxComissao2\r\n");
    const ResultadoPrograma r = Rodar({"--pasta", pastaMonitor});
    ASSERT_EQ(r.status, 0) << r.erros;
    // One line, and only one of the program's (a sanitizer build adds its own report after it).
    const std::string linha = "zelprax-comissao: O arquivo de trava deixado por uma execução anterior (processo " +
                              processo + " em " + maquina + ") foi assumido por esta execução.\nO processo " + processo +
                              " agora executa outro programa (test_runner), não o que gravou a trava (zelpraxComissao2).\n";
    EXPECT_EQ(r.erros.rfind(linha, 0), 0u) << r.erros;
    EXPECT_EQ(r.erros.find("zelprax-comissao:", 1), std::string::npos) << r.erros;
    EXPECT_NE(r.saida.find(kConcluido), std::string::npos);
    EXPECT_FALSE(fs::exists(trava));
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
    // A service stop, Ctrl-C or a closed terminal in the middle of a statement that would run for
    // minutes: the statement is cancelled, the run ends in order within 5 seconds, says so in its
    // summary and journal, rolls back what was pending and removes its lock.
    {
        DadosTeste dados(arquivo);
        dados.Executar("update mov_nf_comercio set st_calc_comissao = 'S' where id_st_nf in (3, 5)");
        dados.Executar("create trigger t_lento for mov_nf_comercio before update as declare i bigint = 0; "
                       "begin while (i < 10000000000) do i = i + 1; end");
    }
    const std::string marcadas = Valor("select count(*) from mov_nf_comercio where st_calc_comissao = 'S'");
    const std::string registro = pasta / "estado/zelprax/execucoes.jsonl";
    fs::create_directories(pasta / "planilhas");
    const std::string planilha = pasta / "planilhas/comissoes.csv";
    EscreverArquivo(planilha, "de ontem\n");
    for (const int sinal : {SIGTERM, SIGINT, SIGHUP}) {
        const std::string nome = sinal == SIGTERM ? "SIGTERM" : sinal == SIGINT ? "SIGINT" : "SIGHUP";
        SCOPED_TRACE(nome);
        bool travaVista = false;
        std::chrono::steady_clock::time_point enviado;
        const ResultadoPrograma r = ExecutarProgramaEnquanto(
            ZELPRAX_RUNNER, {"--pasta", pastaMonitor, "--csv", planilha}, {{"XDG_STATE_HOME", pasta / "estado"}},
            [&](pid_t pid) {
                for (int i = 0; i < 2000 && !travaVista; ++i) {
                    travaVista = fs::exists(trava);
                    if (!travaVista) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(300));  // into the statement
                enviado = std::chrono::steady_clock::now();
                ::kill(pid, sinal);
            });
        const auto duracao = std::chrono::steady_clock::now() - enviado;
        ASSERT_TRUE(travaVista) << "a trava deve existir durante a execução";
        EXPECT_EQ(r.status, 4) << r.saida << r.erros;
        EXPECT_LT(duracao, std::chrono::seconds(5));
        EXPECT_FALSE(fs::exists(trava));
        EXPECT_NE(r.saida.find("Resumo da atualização das comissões (interrompida)"), std::string::npos) << r.saida;
        EXPECT_NE(r.saida.find("execução interrompida por " + nome), std::string::npos) << r.saida;
        const HistoricoLido lido = monitor::LerHistorico(registro, 1);
        ASSERT_EQ(lido.registros.size(), 1u);
        EXPECT_EQ(lido.registros[0].status, 4);
        EXPECT_EQ(lido.registros[0].erro.value_or("").rfind("execução interrompida por " + nome, 0), 0u);
        EXPECT_EQ(Valor("select count(*) from mov_nf_comercio where st_calc_comissao = 'S'"), marcadas);
        std::ifstream entrada(planilha, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>()), "de ontem\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(pasta / "planilhas"), fs::directory_iterator()), 1)
            << "the temporary spreadsheet is removed";
    }
}

TEST_F(Runner, InterrompidaSemResponderOServidorTerminaEm5Segundos) {
    // A server that takes the connection and never answers: the attachment cannot be cancelled,
    // so the run is ended without its summary, but within 5 seconds, recorded as interrupted.
    const int servidor = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(servidor, 0);
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t tamanho = sizeof endereco;
    ASSERT_EQ(::bind(servidor, reinterpret_cast<sockaddr*>(&endereco), tamanho), 0);
    ASSERT_EQ(::listen(servidor, 4), 0);
    ASSERT_EQ(::getsockname(servidor, reinterpret_cast<sockaddr*>(&endereco), &tamanho), 0);
    const std::string banco = "127.0.0.1/" + std::to_string(ntohs(endereco.sin_port)) + ":/nada.fdb";
    std::chrono::steady_clock::time_point enviado;
    const ResultadoPrograma r = ExecutarProgramaEnquanto(
        ZELPRAX_RUNNER, {"--banco", banco}, {{"XDG_STATE_HOME", pasta / "estado"}}, [&](pid_t pid) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            enviado = std::chrono::steady_clock::now();
            ::kill(pid, SIGTERM);
        });
    const auto duracao = std::chrono::steady_clock::now() - enviado;
    ::close(servidor);
    EXPECT_EQ(r.status, 4) << r.erros;
    EXPECT_LT(duracao, std::chrono::seconds(5));
    EXPECT_NE(r.erros.find("execução interrompida por SIGTERM"), std::string::npos) << r.erros;
    const HistoricoLido lido = monitor::LerHistorico(pasta / "estado/zelprax/execucoes.jsonl", 1);
    ASSERT_EQ(lido.registros.size(), 1u);
    EXPECT_EQ(lido.registros[0].status, 4);
    EXPECT_EQ(lido.registros[0].conexao, banco);
}

// Every run leaves one line in the journal, however it ended: what an administrator reads the
// morning after. A journal that cannot be written changes nothing of the run's result.
TEST_F(RunnerInstalado, CadaExecucaoFicaNoRegistro) {
    const std::string registro = pasta / "estado/zelprax/execucoes.jsonl";
    const std::map<std::string, std::string> ambiente{{"XDG_STATE_HOME", pasta / "estado"}};
    struct Caso {
        const char* nome;
        std::vector<std::string> argumentos;
        std::function<void()> preparar;
        int status;
        const char* texto;  // in the error, or the final message
    };
    const Caso casos[] = {
        {"concluída", {"--pasta", pastaMonitor}, [] {}, 0, kConcluido},
        {"trava do monitor", {"--pasta", pastaMonitor},
         [this] { EscreverArquivo(trava, "do monitor"); }, 2, "zelpraxComissao2.lock"},
        {"opção inválida", {"--pasta", pastaMonitor, "--frobnicar"}, [this] { fs::remove(trava); }, 2, "--frobnicar"},
        {"falhou", {"--pasta", pastaMonitor},
         [this] {
             DadosTeste dados(arquivo);
             dados.Executar("update mov_nf_comercio set st_calc_comissao = 'S' where id_st_nf in (3, 5)");
             dados.Executar("create exception e_teste 'falha de teste'");
             dados.Executar("create trigger t_teste for mov_nf_comercio before update as begin exception e_teste; end");
         },
         1, "falha de teste"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nome);
        c.preparar();
        const ResultadoPrograma r = Rodar(c.argumentos, ambiente);
        EXPECT_EQ(r.status, c.status) << r.erros;
        const HistoricoLido lido = monitor::LerHistorico(registro, 1);
        ASSERT_EQ(lido.registros.size(), 1u);
        const monitor::RegistroExecucao& ultimo = lido.registros.back();
        EXPECT_EQ(ultimo.status, c.status);
        EXPECT_EQ(ultimo.origem, "runner");
        EXPECT_NE(ultimo.erro.value_or(ultimo.mensagemFinal.value_or("")).find(c.texto), std::string::npos);
        EXPECT_EQ(ultimo.codigo, c.status == 1 ? 335544517 : 0) << "the engine's code of the exception";
        EXPECT_EQ(ultimo.conexao, c.argumentos.size() == 3 ? "" : arquivo);
    }
    EXPECT_EQ(monitor::LerHistorico(registro, 100).registros.size(), std::size(casos));

    // A journal folder that cannot be written: the same status and output, one line saying why.
    EscreverArquivo(pasta / "bloqueio", "um arquivo onde a pasta deveria estar");
    for (const auto& [args, status] : {std::pair{std::vector<std::string>{"--pasta", pastaMonitor}, 1},
                                       std::pair{std::vector<std::string>{"--frobnicar"}, 2}}) {
        const ResultadoPrograma r = Rodar(args, {{"XDG_STATE_HOME", pasta / "bloqueio"}});
        EXPECT_EQ(r.status, status);
        EXPECT_NE(r.erros.find("o registro de execuções não pôde ser gravado"), std::string::npos) << r.erros;
    }
    EXPECT_EQ(Rodar({"--pasta", pastaMonitor, "--sem-registro"}, ambiente).status, 1);
    EXPECT_EQ(monitor::LerHistorico(registro, 100).registros.size(), std::size(casos));

    // The history: the last runs, bad lines counted and skipped.
    EscreverArquivo(pasta / "ruim.jsonl", "{\"truncado\n" + RegistroEmJson(monitor::LerHistorico(registro, 1).registros[0]) + "\n");
    const ResultadoPrograma historico = Rodar({"--historico", "3", "--registro", pasta / "ruim.jsonl"});
    EXPECT_EQ(historico.status, 0);
    EXPECT_NE(historico.saida.find("falhou"), std::string::npos) << historico.saida;
    EXPECT_NE(historico.erros.find("1 linha(s) ilegível(is)"), std::string::npos) << historico.erros;
    const ResultadoPrograma json = Rodar({"--historico", "--json"}, ambiente);
    EXPECT_EQ(LerJson(json.saida).Lista().size(), std::size(casos));

    // The database of each run in its column, and the columns in line whatever their texts
    // ("prévia concluída", a long connection): each starts where its title does.
    monitor::RegistroExecucao previa = monitor::LerHistorico(registro, 1).registros[0];
    previa.simulacao = true;
    previa.status = 0;
    previa.erro.reset();
    previa.mensagemFinal = kConcluido;
    previa.conexao = "servidor-do-erp.exemplo:/dados/erp/ZELPRAX.FDB";
    EscreverArquivo(pasta / "dois.jsonl", RegistroEmJson(previa) + "\n" + RegistroEmJson(monitor::LerHistorico(registro, 100).registros[0]) + "\n");
    const ResultadoPrograma tabela = Rodar({"--historico", "--registro", pasta / "dois.jsonl"});
    auto coluna = [](const std::string& linha, const std::string& texto) {
        std::size_t n = 0;
        for (std::size_t i = 0; i < linha.find(texto); ++i) n += (static_cast<unsigned char>(linha[i]) & 0xC0) != 0x80;
        return n;
    };
    std::vector<std::string> linhas;
    for (std::size_t i = 0, fim; (fim = tabela.saida.find('\n', i)) != std::string::npos; i = fim + 1)
        linhas.push_back(tabela.saida.substr(i, fim - i));
    ASSERT_EQ(linhas.size(), 3u) << tabela.saida;
    EXPECT_EQ(coluna(linhas[1], "prévia concluída"), coluna(linhas[0], "Situação"));
    EXPECT_EQ(coluna(linhas[1], previa.conexao), coluna(linhas[0], "Banco"));
    EXPECT_EQ(coluna(linhas[2], arquivo), coluna(linhas[0], "Banco"));
    EXPECT_EQ(coluna(linhas[1], "Processamento"), coluna(linhas[0], "Mensagem final"));

    // A journal that cannot be read is not a journal without runs.
    const ResultadoPrograma pastaNoLugar = Rodar({"--historico", "--registro", pasta.Caminho().string()});
    EXPECT_EQ(pastaNoLugar.status, 2);
    EXPECT_EQ(pastaNoLugar.saida, "");
    EXPECT_NE(pastaNoLugar.erros.find("o registro de execuções não pôde ser lido:\n" + pasta.Caminho().string()), std::string::npos)
        << pastaNoLugar.erros;
}

// A preview runs what a real run would and keeps nothing: every row of every table as it was,
// the lock gone, and the same figures a real run then gives on a copy of the database.
TEST_F(RunnerInstalado, PreviaNaoGravaNadaEPreveAExecucaoReal) {
    fs::remove(arquivo);
    const ResultadoPrograma demo = ExecutarPrograma(ZELPRAX_DEMO, {"--banco", arquivo, "--notas", "300", "--semente", "8"});
    ASSERT_EQ(demo.status, 0) << demo.erros;
    const std::string copia = pasta / "copia.fdb";
    fs::copy_file(arquivo, copia);
    std::string antes;
    {
        DadosTeste dados(arquivo);
        antes = RetratoDeTodasAsTabelas(dados);
    }
    const ResultadoPrograma previa = Rodar({"--pasta", pastaMonitor, "--simular", "--json"});
    ASSERT_EQ(previa.status, 0) << previa.erros;
    EXPECT_FALSE(fs::exists(trava));
    {
        DadosTeste dados(arquivo);
        EXPECT_EQ(RetratoDeTodasAsTabelas(dados), antes);
    }
    const ResultadoPrograma real = Rodar({"--banco", copia, "--json"});
    ASSERT_EQ(real.status, 0) << real.erros;
    const Json p = LerJson(previa.saida), r = LerJson(real.saida);
    EXPECT_TRUE(p["simulacao"].Logico());
    EXPECT_FALSE(r["simulacao"].Logico());
    for (std::size_t i = 0; i < 9; ++i)
        for (const char* campo : {"selecionados", "gravados", "ignorados"})
            EXPECT_EQ(p["fases"].Lista()[i][campo].Numero(), r["fases"].Lista()[i][campo].Numero()) << i + 1 << campo;
    EXPECT_EQ(p["avisos"].Lista().size(), r["avisos"].Lista().size());
    // The same effect on every seller, to the cent.
    auto vendedores = [](const std::string& json) {
        const std::size_t inicio = json.find("\"vendedores\":");
        return json.substr(inicio, json.find(",\"comandos\":") - inicio);
    };
    ASSERT_GT(r["vendedores"].Lista().size(), 3u);
    EXPECT_EQ(vendedores(previa.saida), vendedores(real.saida));
    {
        DadosTeste dados(copia);
        EXPECT_NE(RetratoDeTodasAsTabelas(dados), antes) << "the real run has work to do";
    }
    const ResultadoPrograma texto = Rodar({"--banco", arquivo, "--simular", "--sem-acertos"});
    EXPECT_NE(texto.saida.find("PRÉVIA: nada do que segue foi gravado; o banco de dados ficou como estava.\n"
                               "Resumo da atualização das comissões\n"),
              std::string::npos)
        << texto.saida;
    EXPECT_NE(texto.saida.find("(não executada)"), std::string::npos);
}

// The effect by seller as a spreadsheet reads it: a byte-order mark, semicolons, decimal commas,
// accents intact, a seller without a name by its number, and a total line that adds up.
TEST_F(Runner, EfeitoPorVendedorEmCsv) {
    {
        DadosTeste dados(arquivo);
        dados.Executar("delete from cad_pessoa where id_pessoa = 1");
        dados.Executar("update cad_pessoa set nm_pesquisa = 'Conceição \"Ção\"; Ltda' where id_pessoa = 2");
    }
    const std::string csv = pasta / "efeito.csv";
    const ResultadoPrograma r = Rodar({"--banco", arquivo, "--csv", csv});
    ASSERT_EQ(r.status, 0) << r.erros;
    std::ifstream entrada(csv, std::ios::binary);
    const std::string texto((std::istreambuf_iterator<char>(entrada)), std::istreambuf_iterator<char>());
    ASSERT_EQ(texto.rfind("\xEF\xBB\xBF", 0), 0u);
    // A small reader of the format: fields split at semicolons outside quotes, "" for a quote.
    std::vector<std::vector<std::string>> linhas;
    std::vector<std::string> campos(1);
    bool aspas = false;
    for (std::size_t i = 3; i < texto.size(); ++i) {
        const char c = texto[i];
        if (aspas && c == '"' && i + 1 < texto.size() && texto[i + 1] == '"') {
            campos.back() += '"';
            ++i;
        } else if (c == '"') {
            aspas = !aspas;
        } else if (!aspas && c == ';') {
            campos.emplace_back();
        } else if (!aspas && c == '\r') {
        } else if (!aspas && c == '\n') {
            linhas.push_back(campos);
            campos.assign(1, "");
        } else {
            campos.back() += c;
        }
    }
    ASSERT_GE(linhas.size(), 4u);
    for (const auto& l : linhas) EXPECT_EQ(l.size(), linhas[0].size());
    EXPECT_EQ(linhas[0].back(), "Variação da comissão não paga");
    std::map<std::string, std::vector<std::string>> porVendedor;
    for (std::size_t i = 1; i + 1 < linhas.size(); ++i) porVendedor[linhas[i][0]] = linhas[i];
    ASSERT_TRUE(porVendedor.count("1"));
    EXPECT_EQ(porVendedor["1"][1], "");
    ASSERT_TRUE(porVendedor.count("2"));
    EXPECT_EQ(porVendedor["2"][1], "Conceição \"Ção\"; Ltda");
    // Amounts with a decimal comma, and the total line the sum of the sellers' lines.
    auto valor = [](const std::string& campo) {
        EXPECT_EQ(campo.find('.'), std::string::npos) << campo;
        std::string ponto = campo;
        std::replace(ponto.begin(), ponto.end(), ',', '.');
        return comissao::Moeda::Ler(ponto);
    };
    const auto& total = linhas.back();
    EXPECT_EQ(total[1], "Total");
    for (std::size_t coluna = 3; coluna < total.size(); coluna += 2) {
        comissao::Moeda soma;
        for (const auto& [vendedor, l] : porVendedor) soma += valor(l[coluna]);
        EXPECT_EQ(soma, valor(total[coluna])) << linhas[0][coluna];
    }
    EXPECT_NE(r.saida.find("Efeito por vendedor"), std::string::npos);
    EXPECT_NE(r.saida.find("\n1  "), std::string::npos) << "a seller without a name shows by its number";

    // A spreadsheet file that cannot be written stops the run before it starts.
    const std::string antes = Valor("select count(*) from mov_comissao");
    const ResultadoPrograma semPasta = Rodar({"--banco", arquivo, "--csv", pasta / "nao-existe/efeito.csv"});
    EXPECT_EQ(semPasta.status, 2);
    EXPECT_NE(semPasta.erros.find("nao-existe/efeito.csv"), std::string::npos) << semPasta.erros;
    EXPECT_EQ(Valor("select count(*) from mov_comissao"), antes);
}

// Yesterday's spreadsheet is replaced only by new figures: a refused run leaves it, a link or a
// FIFO nobody reads refuses the run, a complete run puts the new file in place with the old
// permissions, and a spreadsheet that cannot be written at the end has a status of its own.
TEST_F(RunnerInstalado, PlanilhaSoESubstituidaPorNumerosNovos) {
    const std::string csv = pasta / "Planilhas/efeito.csv", alvo = pasta / "Planilhas/alvo.csv";
    const std::string registro = pasta / "execucoes.jsonl";
    fs::create_directories(pasta / "Planilhas");
    EscreverArquivo(csv, "ontem");
    fs::permissions(csv, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EscreverArquivo(alvo, "alvo");
    fs::create_symlink(alvo, pasta / "Planilhas/link.csv");
    ASSERT_EQ(::mkfifo((pasta / "Planilhas/fifo.csv").c_str(), 0600), 0);
    auto conteudo = [](const std::string& caminho) {
        std::ifstream entrada(caminho, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(entrada)), std::istreambuf_iterator<char>());
    };
    auto arquivos = [&] { return std::distance(fs::directory_iterator(pasta / "Planilhas"), fs::directory_iterator()); };

    EscreverArquivo(trava, "do monitor");
    const std::pair<const char*, const char*> recusadas[] = {
        {"efeito.csv", "zelpraxComissao2.lock"}, {"link.csv", "link simbólico"}, {"fifo.csv", "ninguém está lendo"}};
    for (const auto& [nome, motivo] : recusadas) {
        const ResultadoPrograma r = Rodar({"--pasta", pastaMonitor, "--csv", pasta / (std::string("Planilhas/") + nome)});
        EXPECT_EQ(r.status, 2) << nome;
        EXPECT_NE(r.erros.find(motivo), std::string::npos) << r.erros;
    }
    EXPECT_EQ(conteudo(csv), "ontem");
    EXPECT_EQ(conteudo(alvo), "alvo");
    EXPECT_TRUE(fs::is_symlink(pasta / "Planilhas/link.csv"));
    EXPECT_EQ(arquivos(), 4) << "no temporary file left behind";

    fs::remove(trava);
    const ResultadoPrograma r = Rodar({"--pasta", pastaMonitor, "--csv", csv, "--registro", registro});
    ASSERT_EQ(r.status, 0) << r.erros;
    EXPECT_EQ(conteudo(csv).rfind("\xEF\xBB\xBFVendedor;Nome;", 0), 0u);
    EXPECT_EQ(fs::status(csv).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(arquivos(), 4);
    EXPECT_TRUE(r.saida.ends_with("\nPlanilha: " + csv + "\n")) << r.saida;

    // The run's writes stand; the reason is on standard error and in the journal.
    const ResultadoPrograma cheio = Rodar({"--banco", arquivo, "--csv", "/dev/full", "--registro", registro});
    EXPECT_EQ(cheio.status, 3) << cheio.erros;
    EXPECT_NE(cheio.erros.find("a planilha /dev/full não pôde ser gravada: No space left on device"), std::string::npos)
        << cheio.erros;
    EXPECT_TRUE(cheio.saida.ends_with("\nPlanilha: /dev/full (não gravada: No space left on device)\n")) << cheio.saida;
    const HistoricoLido lido = monitor::LerHistorico(registro, 1);
    ASSERT_EQ(lido.registros.size(), 1u);
    EXPECT_EQ(lido.registros[0].status, 3);
    EXPECT_NE(lido.registros[0].erro.value_or("").find("No space left on device"), std::string::npos);
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

// The one version number of the project, as both installed programs print it: the one the
// project's top build file declares (the schema's folder sits beside that file).
TEST(ProgramasDoPacote, ImprimemAVersaoDoProjeto) {
    std::ifstream cmake(fs::path(ZELPRAX_SCHEMA).parent_path().parent_path() / "CMakeLists.txt");
    const std::string texto((std::istreambuf_iterator<char>(cmake)), std::istreambuf_iterator<char>());
    const std::size_t inicio = texto.find(" VERSION ", texto.find("project(")) + 9;
    const std::string declarada = texto.substr(inicio, texto.find(' ', inicio) - inicio);
    ASSERT_EQ(std::count(declarada.begin(), declarada.end(), '.'), 2) << declarada;
    const std::pair<const char*, std::string> programas[] = {{ZELPRAX_RUNNER, "zelprax-comissao"},
                                                            {ZELPRAX_DEMO, "zelprax-demo"}};
    for (const auto& [programa, nome] : programas) {
        const ResultadoPrograma versao = ExecutarPrograma(programa, {"--version"});
        EXPECT_EQ(versao.status, 0) << nome;
        EXPECT_EQ(versao.saida, nome + " " + declarada + "\n");
        EXPECT_EQ(versao.erros, "") << nome;
        EXPECT_NE(ExecutarPrograma(programa, {"--help"}).saida.find("--version"), std::string::npos) << nome;
    }
}

}  // namespace
}  // namespace zelprax::teste
