// The parameter-table upgrade against real embedded databases: what an old database gains, what a
// current one is spared, and what stays committed when a statement fails.

#include "db/sessao_teste.h"

#include "db/erro.h"
#include "db/texto.h"
#include "upkeep/parametros.h"

namespace zelprax::teste {
namespace {

using manutencao::AtualizarTabelaParametro;

class TabelaParametro : public SessaoTeste {
protected:
    // Columns of TAB_PARAMETRO as the catalogue has them, seen from the test's own connection, so
    // only what the upgrade committed counts.
    std::vector<std::string> Colunas() {
        std::vector<std::string> nomes;
        for (const auto& linha : dados->Linhas(
                 "select trim(rdb$field_name) from rdb$relation_fields where rdb$relation_name = 'TAB_PARAMETRO' "
                 "and rdb$field_name in ('SCRIPT_RODADO', 'VERSAO_ERP') order by rdb$field_position"))
            nomes.push_back(linha[0]);
        return nomes;
    }
    void Log(int de, int ate) {
        for (int n = de; n <= ate; ++n)
            dados->Executar("insert into mov_log_atualizacao (no_log_atualizacao) values (" + std::to_string(n) + ")");
    }
    db::BancoDados& Banco() { return *sessao.IBD_BancoDados; }
};

TEST_F(TabelaParametro, BancoAntigoGanhaAsDuasColunasPreenchidasEmTodasAsLinhas) {
    dados->Parametro();
    dados->Parametro({{"ID_PARAMETRO", "2"}});
    // Out of order, so that "the last row" and "the highest number" are told apart.
    Log(1, 20);
    Log(41, 57);
    Log(21, 40);

    AtualizarTabelaParametro(Banco());

    EXPECT_EQ(Colunas(), (std::vector<std::string>{"SCRIPT_RODADO", "VERSAO_ERP"}));
    const auto linhas = dados->Linhas("select id_parametro, script_rodado, versao_erp from tab_parametro order by 1");
    ASSERT_EQ(linhas.size(), 2u);
    for (const auto& linha : linhas) {
        EXPECT_EQ(linha[1], "57") << "linha " << linha[0];
        EXPECT_EQ(linha[2], "Versao Inicial") << "linha " << linha[0];
    }
}

TEST_F(TabelaParametro, LogVazioDeixaScriptRodadoNulo) {
    dados->Parametro();
    AtualizarTabelaParametro(Banco());
    EXPECT_EQ(dados->Linhas("select script_rodado, versao_erp from tab_parametro"),
              (std::vector<std::vector<std::string>>{{"<null>", "Versao Inicial"}}));
}

TEST_F(TabelaParametro, TabelaVaziaGanhaAsColunasSemLinhas) {
    Log(1, 3);
    AtualizarTabelaParametro(Banco());
    EXPECT_EQ(Colunas().size(), 2u);
    EXPECT_EQ(dados->Contar("select count(*) from tab_parametro"), 0);
}

TEST_F(TabelaParametro, ComVersaoErpSoOTesteEExecutado) {
    dados->Executar("alter table tab_parametro add VERSAO_ERP varchar(30)");
    dados->Parametro();
    dados->Executar("update tab_parametro set versao_erp = '2.7.1'");
    Log(1, 9);

    const db::Estatisticas antes = db::EstatisticasDoProcesso();
    AtualizarTabelaParametro(Banco());
    const db::Estatisticas depois = db::EstatisticasDoProcesso();

    EXPECT_EQ(depois.comandos - antes.comandos, 1) << "só a consulta ao catálogo";
    EXPECT_EQ(depois.operacoes - antes.operacoes, 1) << "nenhum commit";
    EXPECT_EQ(Colunas(), (std::vector<std::string>{"VERSAO_ERP"})) << "script_rodado não é acrescentada";
    EXPECT_EQ(dados->Valor("select versao_erp from tab_parametro"), "2.7.1");
}

TEST_F(TabelaParametro, ComandosECommitsNaOrdemDoUpgrade) {
    dados->Parametro();
    Log(1, 5);
    const db::Estatisticas antes = db::EstatisticasDoProcesso();
    AtualizarTabelaParametro(Banco());
    const db::Estatisticas depois = db::EstatisticasDoProcesso();
    // The test, two alterations, two updates; three commits retaining.
    EXPECT_EQ(depois.comandos - antes.comandos, 5);
    EXPECT_EQ(depois.operacoes - antes.operacoes, 8);
}

TEST_F(TabelaParametro, SemTabelaDeLogAsColunasFicamGravadasEAProximaPartidaNaoMudaNada) {
    dados->Parametro();
    dados->Executar("drop table mov_log_atualizacao");

    try {
        AtualizarTabelaParametro(Banco());
        FAIL() << "a atualização de script_rodado deveria falhar";
    } catch (const db::ErroBanco& erro) {
        EXPECT_NE(db::Minusculas(erro.Texto()).find("mov_log_atualizacao"), std::string::npos) << erro.Texto();
    }
    // Committed before the failing update: visible from another connection.
    EXPECT_EQ(Colunas(), (std::vector<std::string>{"SCRIPT_RODADO", "VERSAO_ERP"}));
    EXPECT_EQ(dados->Linhas("select script_rodado, versao_erp from tab_parametro"),
              (std::vector<std::vector<std::string>>{{"<null>", "<null>"}}));

    // The next start, on a new connection, finds VERSAO_ERP and leaves the table alone.
    sessao.DesconectarBanco();
    sessao.ConectarBanco(caminho);
    const db::Estatisticas antes = db::EstatisticasDoProcesso();
    EXPECT_NO_THROW(AtualizarTabelaParametro(Banco()));
    EXPECT_EQ(db::EstatisticasDoProcesso().comandos - antes.comandos, 1);
    EXPECT_EQ(dados->Linhas("select script_rodado, versao_erp from tab_parametro"),
              (std::vector<std::vector<std::string>>{{"<null>", "<null>"}}));
}

TEST_F(TabelaParametro, ComScriptRodadoSemVersaoErpAPrimeiraAlteracaoFalhaACadaPartida) {
    dados->Executar("alter table tab_parametro add SCRIPT_RODADO integer");
    dados->Parametro();
    for (int partida = 1; partida <= 2; ++partida) {
        EXPECT_THROW(AtualizarTabelaParametro(Banco()), db::ErroBanco) << "partida " << partida;
        EXPECT_EQ(Colunas(), (std::vector<std::string>{"SCRIPT_RODADO"})) << "partida " << partida;
    }
}

TEST_F(TabelaParametro, FalhaNaSegundaAtualizacaoMantemAPrimeiraGravada) {
    dados->Parametro();
    Log(1, 12);
    // Operations of the upgrade: test, alter, alter, commit, update, commit, update (the 7th).
    db::FalharNaOperacao(7);
    EXPECT_THROW(AtualizarTabelaParametro(Banco()), db::ErroBanco);
    db::FalharNaOperacao(0);
    EXPECT_EQ(dados->Linhas("select script_rodado, versao_erp from tab_parametro"),
              (std::vector<std::vector<std::string>>{{"12", "<null>"}}));
}

TEST_F(TabelaParametro, ConexaoNaoAbertaLevantaOErroDaConexao) {
    sessao.DesconectarBanco();
    sessao.ConectarBanco(pasta / "nao-existe.fdb");
    EXPECT_THROW(AtualizarTabelaParametro(Banco()), db::ErroBanco);
}

}  // namespace
}  // namespace zelprax::teste
