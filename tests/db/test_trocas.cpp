// How statements cross to the server: a selection whose shape has nearly always given one row runs
// without a preparation of its own, and a statement that changes rows runs in one call; the rows,
// the columns and the server's errors stay what the prepared statement gives.

#include "sessao_teste.h"

#include "db/comando.h"
#include "db/erro.h"

namespace zelprax::teste {
namespace {

using db::detalhe::FormaDaSelecao;

TEST(FormaDaSelecao, SoOsValoresDasCondicoesSaem) {
    const std::string base = " select a, 'S' as x, 1.5 * b from t where id = 10 and st = 'N' with lock";
    struct Caso {
        std::string texto;
        bool mesmaForma;  // as `base`
    } casos[] = {
        {" select a, 'S' as x, 1.5 * b from t where id = 2345 and st = 'S' with lock", true},
        {" select a, 'S' as x, 1.5 * b from t where id = 1.25 and st = 'it''s' with lock", true},
        {" select a, 'N' as x, 1.5 * b from t where id = 10 and st = 'N' with lock", false},   // a column's value
        {" select a, 'S' as x, 1.25 * b from t where id = 10 and st = 'N' with lock", false},  // its type
        {" select a, 'S' as x, 1.5 * b from t where id = 10 and st = 'N'", false},
        {" SELECT a, 'S' as x, 1.5 * b from t where id = 10 and st = 'N' with lock", false},
    };
    ASSERT_FALSE(FormaDaSelecao(base).empty());
    for (const auto& caso : casos)
        EXPECT_EQ(FormaDaSelecao(caso.texto) == FormaDaSelecao(base), caso.mesmaForma) << caso.texto;

    // Values before the outermost "where" (in a derived table's own conditions, or in names with
    // digits) stay part of the shape.
    EXPECT_NE(FormaDaSelecao("select x from (select 1.5 as x from t where id = 1) d where d.x > 0"),
              FormaDaSelecao("select x from (select 1.5 as x from t where id = 2) d where d.x > 0"));
    EXPECT_EQ(FormaDaSelecao("select id_vendedor2 from t where id = 1 and (c = 2)"),
              FormaDaSelecao("select id_vendedor2 from t where id = 9 and (c = 33)"));

    for (const char* nunca : {" update t set a = 1 where id = 2", " commit retain", "",
                              "select a from t where id = 1 union select b from u where id = 2",
                              "select a from t where id = :id", "with x as (select 1 from t) select * from x",
                              "select q'{it's}' as a, b from t where id = 1", "select a from t where s = Q'(')'"})
        EXPECT_EQ(FormaDaSelecao(nunca), "") << nunca;
}

class Trocas : public SessaoTeste {
protected:
    std::int64_t Preparacoes() const { return db::EstatisticasDoProcesso().preparacoes; }
};

TEST_F(Trocas, SelecaoDeUmaLinhaSemPreparacaoEAsDeMaisLinhasComoSempre) {
    dados->Nota(1, {{"ID_EMPRESA", "1"}, {"VL_DESCONTO", "12.34"}});
    for (int id : {2, 3, 4}) dados->Nota(id, {{"ID_EMPRESA", "2"}, {"VL_DESCONTO", "0.5"}});
    for (int id : {5, 6}) dados->Nota(id, {{"ID_EMPRESA", "3"}, {"VL_DESCONTO", "0.5"}});
    auto& consulta = sessao.IBQ_Pesquisa;
    const auto empresa = [](int id) {
        return " select id_nf_comercio, vl_desconto from mov_nf_comercio where id_empresa = " + std::to_string(id);
    };
    struct Passo {
        int empresa;
        std::vector<int> notas;
        int preparacoes;
    } passos[] = {
        {1, {1}, 1},        // first of its shape: prepared, one row
        {9, {}, 0},         // one exchange, no row
        {1, {1}, 0},        // one exchange, its row
        {2, {2, 3, 4}, 1},  // more than one: prepared after the try
        {1, {1}, 0},        // one in four gave more: the try still pays
        {3, {5, 6}, 1},     // two in six
        {1, {1}, 1},        // a third give more: prepared from now on
    };
    for (const auto& passo : passos) {
        SCOPED_TRACE("empresa " + std::to_string(passo.empresa));
        const auto antes = Preparacoes();
        sessao.AbrirConsulta(consulta, empresa(passo.empresa));
        EXPECT_EQ(Preparacoes() - antes, passo.preparacoes);
        std::vector<int> notas;
        for (consulta.Primeiro(); !consulta.Fim(); consulta.Proximo()) notas.push_back(consulta.Campo("ID_NF_COMERCIO").ComoInteiro());
        EXPECT_EQ(notas, passo.notas);
        EXPECT_EQ(consulta.Contagem(), static_cast<int>(passo.notas.size()));
        consulta.Primeiro();
        EXPECT_EQ(consulta.Campo("vl_desconto").ComoDezMilesimos(), passo.empresa == 1 ? 123400 : passo.notas.empty() ? 0 : 5000);
        EXPECT_EQ(consulta.NumeroColunas(), 2);
        EXPECT_THROW(consulta.Campo("nao_existe"), db::ErroBanco);
    }
}

TEST_F(Trocas, ErrosDoServidorChegamInteirosSemPreparacao) {
    dados->Nota(1);
    dados->Nota(2);
    const auto travar = [](int id) {
        return " select st_calc_estorno from mov_nf_comercio where id_nf_comercio = " + std::to_string(id) + " with lock";
    };
    sessao.AbrirConsulta(sessao.IBQ_Pesquisa, travar(1));  // the shape learnt
    sessao.IBT_Gen.CommitRetaining();
    db::Consulta outra;
    outra.Anexar(&dados->Banco());
    outra.DefinirSQL("update mov_nf_comercio set vl_desconto = 1 where id_nf_comercio = 2");
    outra.Executar();  // held, not committed

    const auto antes = Preparacoes();
    try {
        sessao.AbrirConsulta(sessao.IBQ_Pesquisa, travar(2));
        ADD_FAILURE() << "a linha está bloqueada";
    } catch (const db::ErroBanco& erro) {
        EXPECT_TRUE(erro.TemCodigo(db::kConflitoDeAtualizacao)) << erro.Texto();
        EXPECT_EQ(erro.Comando(), travar(2));
    }
    // A statement that changes rows: one call, no preparation, and the server's error with it.
    const std::string duplicada = " insert into mov_nf_comercio select * from mov_nf_comercio where id_nf_comercio = 1";
    try {
        sessao.ExecutarComando(sessao.IBQ_Gen, duplicada, false);
        ADD_FAILURE() << "a nota 1 já existe";
    } catch (const db::ErroBanco& erro) {
        EXPECT_TRUE(erro.TemCodigo(db::kViolacaoDeChave)) << erro.Texto();
        EXPECT_EQ(erro.Comando(), duplicada);
    }
    sessao.ExecutarComando(sessao.IBQ_Gen, " update mov_nf_comercio set vl_desconto = 7 where id_nf_comercio = 1", true);
    EXPECT_EQ(Preparacoes(), antes);
    EXPECT_EQ(dados->Valor("select vl_desconto from mov_nf_comercio where id_nf_comercio = 1"), "7.00");
    dados->Banco().TransacaoPadrao().Rollback();
}

}  // namespace
}  // namespace zelprax::teste
