// The query routines every phase shares, against a real embedded database.

#include "sessao_teste.h"

#include "db/erro.h"

namespace zelprax::teste {
namespace {

class Rotinas : public SessaoTeste {};

TEST_F(Rotinas, ProximoCodigoTomaOMaiorMaisUm) {
    EXPECT_EQ(sessao.ProximoCodigo("MOV_COMISSAO", "ID_COMISSAO"), 1) << "tabela vazia";
    dados->Entrada(41);
    dados->Entrada(7);
    EXPECT_EQ(sessao.ProximoCodigo("MOV_COMISSAO", "ID_COMISSAO"), 42);
    EXPECT_EQ(sessao.ProximoCodigo("mov_acerto_comissao", "id_acerto_comissao"), 1);
}

TEST_F(Rotinas, ProximoCodigoComApenasNegativosDaUm) {
    dados->Entrada(-5);
    dados->Entrada(-1);
    EXPECT_EQ(sessao.ProximoCodigo("MOV_COMISSAO", "ID_COMISSAO"), 1);
}

TEST_F(Rotinas, LerParametroDaOTextoOuVazio) {
    EXPECT_EQ(sessao.LerParametro("ST_COMISSAO_IPI_ICMSST"), "") << "sem a linha 1";
    dados->Parametro({{"ID_PARAMETRO", "2"}, {"ST_COMISSAO_IPI_ICMSST", "'S'"}});
    EXPECT_EQ(sessao.LerParametro("ST_COMISSAO_IPI_ICMSST"), "") << "só a linha 2";
    dados->Parametro({{"ST_COMISSAO_IPI_ICMSST", "'S'"}, {"ST_COMISSAO_FRETE_DESPESA", "null"}});
    EXPECT_EQ(sessao.LerParametro("ST_COMISSAO_IPI_ICMSST"), "S");
    EXPECT_EQ(sessao.LerParametro("ST_COMISSAO_FRETE_DESPESA"), "");
    EXPECT_EQ(sessao.LerParametro("hr_atualizar_comissao"), "7");
}

TEST_F(Rotinas, LerParametroDeColunaInexistenteLevantaOErroDoServidor) {
    dados->Parametro();
    try {
        sessao.LerParametro("VERSAO_ERP");
        FAIL() << "a coluna não existe";
    } catch (const db::ErroBanco& erro) {
        EXPECT_NE(erro.Texto().find("VERSAO_ERP"), std::string::npos) << erro.Texto();
        EXPECT_NE(erro.Codigo(), 0);
    }
}

TEST_F(Rotinas, DocumentoDivergenteComparaItensEDepoisRecebimentos) {
    // Items add up to 999.99 against products of 1000.00: inconsistent on the first count.
    dados->Nota(1, {{"VL_FINANCEIRO", "5"}});
    dados->Item(1, 1, {{"VL_TOTAL", "999.99"}});
    EXPECT_TRUE(sessao.DocumentoDivergente(1));

    // No items and no receivables: neither count is made true by a null sum.
    dados->Nota(2);
    EXPECT_FALSE(sessao.DocumentoDivergente(2));

    // Items right, receivables short.
    dados->Nota(3);
    dados->Item(3, 3);
    dados->Receber(3, 3, {{"VL_DOCUMENTO", "600"}});
    EXPECT_TRUE(sessao.DocumentoDivergente(3));
    dados->Receber(4, 3, {{"VL_DOCUMENTO", "400"}});
    EXPECT_FALSE(sessao.DocumentoDivergente(3));

    EXPECT_FALSE(sessao.DocumentoDivergente(999)) << "nota inexistente";
}

TEST_F(Rotinas, ExecutarComandoSemCommitFicaPendenteAteOProximoCommit) {
    dados->Parametro();
    sessao.ExecutarComando(sessao.IBQ_Gen, " update tab_parametro set hr_atualizar_comissao = 9", false);
    EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro"), "7") << "ainda não confirmado";
    sessao.ExecutarComando(sessao.IBQ_Gen, " update tab_parametro set st_monitor_comissao_ativo = 'N'", true);
    EXPECT_EQ(dados->Valor("select hr_atualizar_comissao || st_monitor_comissao_ativo from tab_parametro"), "9N");
}

TEST_F(Rotinas, AbrirConsultaBuscaTudoEVinculaAoIBT_Gen) {
    for (int i = 1; i <= 5; ++i) dados->Nota(i);
    sessao.AbrirConsulta(sessao.IBQ_Comercio, " select id_nf_comercio from mov_nf_comercio");
    EXPECT_EQ(sessao.IBQ_Comercio.Contagem(), 5);
    EXPECT_EQ(&sessao.IBQ_Comercio.TransacaoAtual(), &sessao.IBT_Gen);
    // A query used directly afterwards stays in IBT_Gen: a commit retain through it commits IBT_Gen.
    sessao.ExecutarComando(sessao.IBQ_Gen, " delete from mov_nf_comercio where id_nf_comercio = 5", false);
    sessao.IBQ_Gen.DefinirSQL(" commit retain");
    sessao.IBQ_Gen.Executar();
    EXPECT_EQ(dados->Contar("select count(*) from mov_nf_comercio"), 4);
}

TEST_F(Rotinas, CampoAusenteLevantaErroENuloLeComoVazio) {
    dados->Nota(1, {{"DS_SERIE_NF", "null"}, {"VL_DESCONTO", "null"}});
    sessao.AbrirConsulta(sessao.IBQ_Comercio,
                         " select ds_serie_nf, vl_desconto, dt_emissao from mov_nf_comercio where id_nf_comercio = 2");
    EXPECT_TRUE(sessao.IBQ_Comercio.Fim());
    EXPECT_EQ(sessao.IBQ_Comercio.Campo("VL_DESCONTO").ComoDezMilesimos(), 0) << "sem linha";
    EXPECT_TRUE(sessao.IBQ_Comercio.Campo("dt_emissao").ComoDataHora().Vazia());
    EXPECT_THROW(sessao.IBQ_Comercio.Campo("vl_total_nf"), db::ErroBanco);

    sessao.AbrirConsulta(sessao.IBQ_Comercio,
                         " select ds_serie_nf, vl_desconto, vl_total_nf from mov_nf_comercio where id_nf_comercio = 1");
    EXPECT_EQ(sessao.IBQ_Comercio.Campo("ds_serie_nf").ComoTexto(), "");
    EXPECT_EQ(sessao.IBQ_Comercio.Campo("vl_desconto").ComoDezMilesimos(), 0);
    EXPECT_EQ(sessao.IBQ_Comercio.Campo("VL_TOTAL_NF").ComoDezMilesimos(), 10000000);
}

TEST_F(Rotinas, InsercaoPreparadaGravaNuloNosCamposNaoDefinidos) {
    auto& ins = sessao.IBQ_MovComissao;
    ins.Abrir();
    ins.Acrescentar();
    ins.Definir("ID_COMISSAO", db::Decimal{sessao.ProximoCodigo("MOV_COMISSAO", "ID_COMISSAO"), 0});
    ins.Definir("TP_REGISTRO", std::string("1"));
    ins.Definir("VL_COMISSAO", db::Decimal{123455, -4});  // 12.3455 stored with two decimals
    ins.Definir("NM_CLIENTE", std::string(60, 'x'));      // cut to the column's 50 characters
    ins.Gravar();
    ins.CommitRetaining();
    const auto linha = dados->Linhas(
        "select id_comissao, tp_registro, vl_comissao, id_comissao_gerada, ds_serie, char_length(nm_cliente) "
        "from mov_comissao")[0];
    EXPECT_EQ(linha, (std::vector<std::string>{"1", "1", "12.35", "<null>", "<null>", "50"}));
}

TEST(TraduzirParametros, TrocaNomesPorInterrogacaoForaDeLiteraisEComentarios) {
    std::vector<std::string> nomes;
    const std::string t = db::TraduzirParametros(
        "insert into x (a, \"B:C\", d) values (:ID_A, ':nao', :id_b) -- :comentario\n/* :outro */ :Z", nomes);
    EXPECT_EQ(t, "insert into x (a, \"B:C\", d) values (?, ':nao', ?) -- :comentario\n/* :outro */ ?");
    EXPECT_EQ(nomes, (std::vector<std::string>{"ID_A", "ID_B", "Z"}));
}

}  // namespace
}  // namespace zelprax::teste
