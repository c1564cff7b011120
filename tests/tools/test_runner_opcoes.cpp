// The runner's command line, progress display and summary, without a database.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "json_minimo.h"
#include "opcoes.h"
#include "painel_terminal.h"
#include "resumo.h"

namespace zelprax::executor {
namespace {

using Args = std::vector<std::string>;

TEST(OpcoesRunner, LinhasDeComandoValidas) {
    const auto vazia = LerOpcoes({});
    ASSERT_TRUE(vazia.Valida());
    EXPECT_FALSE(vazia.opcoes.banco);
    EXPECT_FALSE(vazia.opcoes.pasta);
    EXPECT_FALSE(vazia.opcoes.semAcertos || vazia.opcoes.semEstorno || vazia.opcoes.json || vazia.opcoes.ajuda);
    EXPECT_FALSE(vazia.opcoes.emissaoAPartir);

    const auto tudo = LerOpcoes({"--banco", "srv:/dados/ERP.FDB", "--pasta=/opt/zelprax", "--sem-acertos",
                                 "--sem-estorno", "--emissao-a-partir", "05/03/2024", "--json"});
    ASSERT_TRUE(tudo.Valida()) << tudo.erro;
    EXPECT_EQ(tudo.opcoes.banco.value_or(""), "srv:/dados/ERP.FDB");
    EXPECT_EQ(tudo.opcoes.pasta.value_or(""), "/opt/zelprax");
    EXPECT_TRUE(tudo.opcoes.semAcertos);
    EXPECT_TRUE(tudo.opcoes.semEstorno);
    EXPECT_TRUE(tudo.opcoes.json);
    ASSERT_TRUE(tudo.opcoes.emissaoAPartir);
    EXPECT_EQ(*tudo.opcoes.emissaoAPartir, (db::DataHora{2024, 3, 5, 0, 0, 0}));

    for (const char* ajuda : {"--help", "-h", "--ajuda"}) EXPECT_TRUE(LerOpcoes({ajuda}).opcoes.ajuda) << ajuda;
    EXPECT_FALSE(vazia.opcoes.versao);
    EXPECT_TRUE(LerOpcoes({"--version"}).opcoes.versao);
    // A value that looks like an option is still the value of the option before it.
    EXPECT_EQ(LerOpcoes({"--banco", "--json"}).opcoes.banco.value_or(""), "--json");
}

TEST(OpcoesRunner, LinhasDeComandoRecusadas) {
    const std::vector<std::pair<Args, std::string>> casos{
        {{"--desconhecida"}, "opção desconhecida"},
        {{"manual"}, "argumento inesperado"},
        {{"--banco"}, "falta o valor"},
        {{"--banco="}, "valor vazio"},
        {{"--json=sim"}, "não aceita valor"},
        {{"--version=1.0.0"}, "não aceita valor"},
        {{"--emissao-a-partir"}, "falta o valor"},
        {{"--emissao-a-partir", "31/02/2024"}, "data inválida"},
        {{"--emissao-a-partir", "2024-03-05"}, "data inválida"},
        {{"--emissao-a-partir", "05/03/24"}, "data inválida"},
        {{"--sem-acertos", "--emissao-a-partir=", "--json"}, "data inválida"},
    };
    for (const auto& [args, esperado] : casos) {
        const auto leitura = LerOpcoes(args);
        EXPECT_FALSE(leitura.Valida()) << args.front();
        EXPECT_NE(leitura.erro.find(esperado), std::string::npos) << leitura.erro;
    }
}

TEST(OpcoesRunner, DatasNoFormatoBrasileiro) {
    const std::vector<std::pair<std::string, std::optional<db::DataHora>>> casos{
        {"05/03/2024", db::DataHora{2024, 3, 5}},
        {"5/3/2024", db::DataHora{2024, 3, 5}},
        {"29/02/2024", db::DataHora{2024, 2, 29}},
        {"31/12/1999", db::DataHora{1999, 12, 31}},
        {"29/02/2023", std::nullopt},
        {"00/01/2024", std::nullopt},
        {"01/13/2024", std::nullopt},
        {"32/01/2024", std::nullopt},
        {"001/01/2024", std::nullopt},
        {"01/01/20245", std::nullopt},
        {"01/01/2024/", std::nullopt},
        {"01-01-2024", std::nullopt},
        {"", std::nullopt},
        {" 01/01/2024", std::nullopt},
    };
    for (const auto& [texto, esperado] : casos) EXPECT_EQ(LerDataBrasileira(texto), esperado) << texto;
}

TEST(PainelTerminal, BarraDeProgresso) {
    EXPECT_EQ(PainelTerminal::DesenharBarra(0, 0, 4), "[....] 0/0");
    EXPECT_EQ(PainelTerminal::DesenharBarra(1, 4, 4), "[#...] 1/4");
    EXPECT_EQ(PainelTerminal::DesenharBarra(3, 4, 4), "[###.] 3/4");
    EXPECT_EQ(PainelTerminal::DesenharBarra(4, 4, 4), "[####] 4/4");
    // A gauge stepped past its maximum, or set below zero, stays inside the bar.
    EXPECT_EQ(PainelTerminal::DesenharBarra(9, 4, 4), "[####] 4/4");
    EXPECT_EQ(PainelTerminal::DesenharBarra(-2, 4, 4), "[....] 0/4");
}

std::string Capturar(bool terminal, const std::function<void(PainelTerminal&)>& uso) {
    std::FILE* arquivo = std::tmpfile();
    {
        PainelTerminal painel(arquivo, terminal, std::nullopt);
        uso(painel);
    }
    std::rewind(arquivo);
    std::string texto;
    for (int c; (c = std::fgetc(arquivo)) != EOF;) texto += static_cast<char>(c);
    std::fclose(arquivo);
    return texto;
}

void DuasFases(PainelTerminal& p) {
    p.MostrarLegenda(LegendaDaFase(5));
    p.MostrarBarra(true);
    p.DefinirMaximo(2);
    p.DefinirPosicao(0);
    p.Avancar();
    p.Avancar();
    p.MostrarLegenda(LegendaDaFase(6));
}

TEST(PainelTerminal, SemTerminalSoAsLegendas) {
    EXPECT_EQ(Capturar(false, DuasFases), LegendaDaFase(5) + "\n" + LegendaDaFase(6) + "\n");
}

TEST(PainelTerminal, NoTerminalABarraFicaEmbaixoDaLegendaEAcabaALinha) {
    const std::string texto = Capturar(true, DuasFases);
    const std::string barraCheia = "\r" + PainelTerminal::DesenharBarra(2, 2, 40) + "\n";
    EXPECT_EQ(texto.find(LegendaDaFase(5) + "\n\r"), 0u) << texto;
    const auto fim = texto.find(barraCheia);
    ASSERT_NE(fim, std::string::npos) << texto;
    EXPECT_EQ(texto.substr(fim + barraCheia.size()), LegendaDaFase(6) + "\n");
}

TEST(PainelTerminal, GuardaAsLegendasMesmoSemSaidaEAOpcaoDeEmissao) {
    PainelTerminal painel(nullptr, true, db::DataHora{2024, 1, 1});
    DuasFases(painel);
    EXPECT_EQ(painel.Legendas(), (std::vector<std::string>{LegendaDaFase(5), LegendaDaFase(6)}));
    EXPECT_TRUE(painel.EmissaoAPartir());
    EXPECT_EQ(painel.DataEmissaoAPartir(), (db::DataHora{2024, 1, 1}));
    EXPECT_FALSE(PainelTerminal(nullptr, false, std::nullopt).EmissaoAPartir());
}

TEST(ResumoRunner, LegendasDasFases) {
    for (int n = 1; n <= 9; ++n) EXPECT_EQ(FaseDaLegenda(LegendaDaFase(n)), n);
    EXPECT_EQ(LegendaDaFase(2), "Fase 2/9 - Marcando comissões bloqueadas / desbloqueadas conforme a fase comercial");
    EXPECT_EQ(FaseDaLegenda("Aguarde..."), 0);
}

TEST(ResumoRunner, TextosJsonEscapados) {
    const std::vector<std::pair<std::string, std::string>> casos{
        {"simples", "\"simples\""},
        {"aspas \" e barra \\", "\"aspas \\\" e barra \\\\\""},
        {"linha 1\nlinha 2\r\tfim", "\"linha 1\\nlinha 2\\r\\tfim\""},
        {std::string("nulo\x01", 5), "\"nulo\\u0001\""},
        {"Comissão – São João", "\"Comissão – São João\""},
    };
    for (const auto& [texto, esperado] : casos) {
        EXPECT_EQ(TextoJson(texto), esperado);
        EXPECT_EQ(teste::LerJson(TextoJson(texto)).Texto(), texto);
    }
}

ResumoRunner Exemplo() {
    ResumoRunner r;
    for (int n = 1; n <= 9; ++n) r.fases[static_cast<std::size_t>(n - 1)] = {n, n < 8, n == 1 || n == 5, n * 10, n, 1};
    r.avisos = {"Algumas NFs de venda não tiveram a comissão atualizada pois já foram gerados pagamentos de comissão."};
    r.comandos = 1234;
    r.segundos = 2.5;
    return r;
}

TEST(ResumoRunner, JsonDeUmaExecucaoConcluida) {
    ResumoRunner r = Exemplo();
    r.concluida = true;
    r.mensagemFinal = "Processamento concluído com sucesso!";
    const teste::Json j = teste::LerJson(ResumoEmJson(r));
    EXPECT_TRUE(j["concluida"].Logico());
    ASSERT_EQ(j["fases"].Lista().size(), 9u);
    const teste::Json& quinta = j["fases"].Lista()[4];
    EXPECT_EQ(quinta["fase"].Numero(), 5);
    EXPECT_EQ(quinta["legenda"].Texto(), LegendaDaFase(5));
    EXPECT_TRUE(quinta["executada"].Logico());
    EXPECT_TRUE(quinta["exibida"].Logico());
    EXPECT_EQ(quinta["selecionados"].Numero(), 50);
    EXPECT_EQ(quinta["gravados"].Numero(), 5);
    EXPECT_EQ(quinta["ignorados"].Numero(), 1);
    EXPECT_FALSE(j["fases"].Lista()[8]["executada"].Logico());
    ASSERT_EQ(j["avisos"].Lista().size(), 1u);
    EXPECT_EQ(j["avisos"].Lista()[0].Texto(), r.avisos[0]);
    EXPECT_EQ(j["mensagemFinal"].Texto(), "Processamento concluído com sucesso!");
    EXPECT_TRUE(j["erro"].Nulo());
    EXPECT_EQ(j["comandos"].Numero(), 1234);
    EXPECT_DOUBLE_EQ(j["segundos"].Numero(), 2.5);
}

TEST(ResumoRunner, JsonETextoDeUmaExecucaoQueFalhou) {
    ResumoRunner r = Exemplo();
    r.erro = "deadlock\nupdate conflicts with concurrent update";
    const teste::Json j = teste::LerJson(ResumoEmJson(r));
    EXPECT_FALSE(j["concluida"].Logico());
    EXPECT_TRUE(j["mensagemFinal"].Nulo());
    EXPECT_EQ(j["erro"].Texto(), *r.erro);

    const std::string texto = ResumoEmTexto(r);
    EXPECT_NE(texto.find("(interrompida)"), std::string::npos);
    EXPECT_NE(texto.find("A atualização falhou"), std::string::npos);
    EXPECT_EQ(texto.find("Processamento concluído"), std::string::npos);
    // The failure came in Phase 5, the last caption shown: 6 and 7 never started; 8 and 9 were
    // switched off.
    auto linhaDaFase = [&texto](int n) {
        const auto inicio = texto.find("\n" + std::to_string(n) + "/9  ");
        return inicio == std::string::npos ? std::string() : texto.substr(inicio + 1, texto.find('\n', inicio + 1) - inicio - 1);
    };
    auto terminaCom = [](const std::string& linha, const std::string& fim) {
        return linha.size() >= fim.size() && linha.compare(linha.size() - fim.size(), fim.size(), fim) == 0;
    };
    EXPECT_TRUE(terminaCom(linhaDaFase(5), "50         5          1")) << linhaDaFase(5);
    EXPECT_TRUE(terminaCom(linhaDaFase(6), "(não alcançada)")) << linhaDaFase(6);
    EXPECT_TRUE(terminaCom(linhaDaFase(7), "(não alcançada)")) << linhaDaFase(7);
    EXPECT_TRUE(terminaCom(linhaDaFase(8), "(não executada)")) << linhaDaFase(8);
}

TEST(ResumoRunner, TextoComUmaLinhaPorFaseAlinhada) {
    ResumoRunner r = Exemplo();
    r.concluida = true;
    r.registro = ArquivoGravado{"/var/lib/zelprax/execucoes.jsonl", std::nullopt};
    r.planilha = ArquivoGravado{"/tmp/efeito.csv", std::nullopt};
    r.mensagemFinal = "Nenhum registro encontrado para atualização.";
    const std::string texto = ResumoEmTexto(r);
    std::vector<std::string> linhas;
    for (std::size_t i = 0, fim; i < texto.size(); i = fim + 1) {
        fim = texto.find('\n', i);
        linhas.push_back(texto.substr(i, fim - i));
    }
    // Title, header, nine phases, the sellers, the warning, the final message, statements, time,
    // the journal and the spreadsheet.
    ASSERT_EQ(linhas.size(), 18u) << texto;
    auto largura = [](const std::string& s) {
        std::size_t n = 0;
        for (unsigned char c : s) n += (c & 0xC0) != 0x80;
        return n;
    };
    // The counts end in the same column on every executed phase, accents or not.
    const std::size_t colunaFinal = largura(linhas[1]);
    for (int n = 1; n <= 7; ++n) {
        const std::string& linha = linhas[static_cast<std::size_t>(n) + 1];
        EXPECT_EQ(linha.rfind(std::to_string(n) + "/9  ", 0), 0u) << linha;
        EXPECT_EQ(largura(linha), colunaFinal) << linha;
    }
    EXPECT_NE(linhas[9].find("(não executada)"), std::string::npos);
    EXPECT_EQ(linhas[11], "Nenhuma comissão de vendedor foi criada, removida ou acertada.");
    EXPECT_EQ(linhas[12], "Aviso: " + r.avisos[0]);
    EXPECT_EQ(linhas[13], "Nenhum registro encontrado para atualização.");
    EXPECT_EQ(linhas[14], "Comandos SQL executados: 1234");
    EXPECT_EQ(linhas[15], "Tempo: 2,500 s");
    EXPECT_EQ(linhas[16], "Registro de execuções: /var/lib/zelprax/execucoes.jsonl");
    EXPECT_EQ(linhas[17], "Planilha: /tmp/efeito.csv");
}

// The end of the text summary names where the run was recorded and its spreadsheet written, or
// why not; a phase of set-based statements says how many it ran instead of counting zeros.
TEST(ResumoRunner, TextoNomeiaOsArquivosEAsFasesEmConjunto) {
    struct Caso {
        std::optional<ArquivoGravado> registro, planilha;
        std::vector<std::string> fim;
    };
    const Caso casos[] = {
        {std::nullopt, std::nullopt, {"Registro de execuções: não gravado (--sem-registro)"}},
        {ArquivoGravado{"/r/execucoes.jsonl", "Permission denied"}, ArquivoGravado{"/dev/full", "No space left on device"},
         {"Registro de execuções: /r/execucoes.jsonl (não gravado: Permission denied)",
          "Planilha: /dev/full (não gravada: No space left on device)"}},
        {ArquivoGravado{"", "nenhuma pasta para ele"}, std::nullopt, {"Registro de execuções: não gravado: nenhuma pasta para ele"}},
    };
    for (const Caso& c : casos) {
        ResumoRunner r = Exemplo();
        r.concluida = true;
        r.fases[1] = {2, true, true, 0, 0, 0, 4};
        r.fases[7] = {8, true, true, 0, 0, 0, 1};
        r.registro = c.registro;
        r.planilha = c.planilha;
        const std::string texto = ResumoEmTexto(r);
        std::string fim;
        for (const std::string& l : c.fim) fim += l + "\n";
        EXPECT_TRUE(texto.ends_with("Tempo: 2,500 s\n" + fim)) << texto;
        EXPECT_NE(texto.find("  (4 comandos em conjunto; linhas não contadas)\n3/9  "), std::string::npos) << texto;
        EXPECT_NE(texto.find("  (1 comando em conjunto; linhas não contadas)\n9/9  "), std::string::npos) << texto;
    }
}

TEST(ResumoRunner, ValoresComoOBrasilLe) {
    const std::pair<const char*, const char*> casos[] = {
        {"0", "0,00"},           {"12.5", "12,50"},        {"-0.01", "-0,01"},     {"1234.5678", "1.234,5678"},
        {"1000000", "1.000.000,00"}, {"-999.999", "-999,999"}, {"100.1", "100,10"},
    };
    for (const auto& [valor, texto] : casos) EXPECT_EQ(ValorBrasileiro(comissao::Moeda::Ler(valor)), texto) << valor;
    EXPECT_EQ(ValorBrasileiro(comissao::Moeda::Ler("1234567.8"), false), "1234567,80");
}

// The sellers' table: one line each, the columns aligned whatever the accents, a total line.
TEST(ResumoRunner, TabelaDosVendedoresAlinhadaComTotal) {
    ResumoRunner r = Exemplo();
    r.concluida = true;
    monitor::VendedorRegistrado a{7, "Conceição Müller", {}}, b{12, "", {}};
    a.efeito.criadas[0] = {2, comissao::Moeda::Ler("100.5")};
    a.efeito.removidas[1] = {1, comissao::Moeda::Ler("20")};
    b.efeito.criadas[2] = {1, comissao::Moeda::Ler("-1234.56")};
    b.efeito.descontos = {1, comissao::Moeda::Ler("1234.56")};
    r.vendedores = {a, b};
    const std::string texto = ResumoEmTexto(r);
    const std::size_t inicio = texto.find("Efeito por vendedor");
    ASSERT_NE(inicio, std::string::npos) << texto;
    std::vector<std::string> linhas;
    for (std::size_t i = texto.find('\n', inicio) + 1, fim; i < texto.size(); i = fim + 1) {
        fim = texto.find('\n', i);
        linhas.push_back(texto.substr(i, fim - i));
        if (linhas.size() == 4) break;
    }
    // Written out by hand: the unpaid change is created less removed (100.50 - 20 = 80.50), the
    // total adds the sellers; every line is as wide on screen as the header, accents or not.
    EXPECT_EQ(linhas, (std::vector<std::string>{
                          "Vendedor            Entradas criadas  Entradas removidas     Descontos  Pagamentos  "
                          "Estornos  Variação não paga",
                          "7 Conceição Müller        2 / 100,50           1 / 20,00             -           -  "
                          "       -              80,50",
                          "12                     1 / -1.234,56                   -  1 / 1.234,56           -  "
                          "       -          -1.234,56",
                          "Total                  3 / -1.134,06           1 / 20,00  1 / 1.234,56           -  "
                          "       -          -1.154,06",
                      }));
}

// A seller's name that a spreadsheet would compute as a formula is written as text: an apostrophe
// before it, quotes doubled as always.
TEST(ResumoRunner, CsvNeutralizaNomesQueSeriamFormulas) {
    const std::pair<const char*, const char*> casos[] = {
        {"=1+2", "\"'=1+2\""},
        {"+55 11 5555", "\"'+55 11 5555\""},
        {"-Ana", "\"'-Ana\""},
        {"@SOMA(A1:A9)", "\"'@SOMA(A1:A9)\""},
        {"=HIPERLINK(\"x\")", "\"'=HIPERLINK(\"\"x\"\")\""},
        {"Ana = Bia", "\"Ana = Bia\""},
        {"", "\"\""},
    };
    for (const auto& [nome, campo] : casos) {
        const std::string csv = VendedoresEmCsv({monitor::VendedorRegistrado{3, nome, {}}});
        const std::size_t linha = csv.find("\r\n3;") + 4;
        EXPECT_EQ(csv.substr(linha, csv.find(';', linha) - linha), campo) << nome;
    }
}

}  // namespace
}  // namespace zelprax::executor
