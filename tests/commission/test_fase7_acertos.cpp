// Phase 7: the commission entry of each settlement awaiting calculation, the replacement of its
// earlier entries, the settlement whose entry is already paid, and the emission bound.

#include "db/erro.h"
#include "fases_vendas_teste.h"
#include "support/invariantes.h"

namespace zelprax::teste {
namespace {

using comissao::Moeda;

// A date relative to today as the test connection shows it ("dd/mm/yyyy").
std::string Dia(int dias = 0) {
    return db::FormatarDataHoraTela(db::SomarDias(AgoraDoTeste(), dias)).substr(0, 10);
}

class Fase7 : public FasesTeste {
protected:
    // Every column of the settlement entries of one settlement, in the insert's order.
    std::vector<std::vector<std::string>> Entradas(int acerto) {
        return dados->Linhas(
            "select id_comissao, tp_registro, id_nf_comercio, id_financeiro, id_acerto_comissao, id_empresa, "
            "id_vendedor, ds_serie, no_documento, dt_emissao, id_cliente, nm_cliente, vl_operacao, vl_base_comissao, "
            "po_comissao, vl_comissao, st_irrf, dt_credito, st_recebimento, st_entrega, id_comissao_gerada, "
            "st_cancelada, st_pagar, st_bloqueio_1, st_estorno_1 from mov_comissao where id_acerto_comissao = " +
            std::to_string(acerto) + " order by id_comissao");
    }
    std::string Calculo(int acerto) {
        return dados->Valor("select st_calc_comissao from mov_acerto_comissao where id_acerto_comissao = " +
                            std::to_string(acerto));
    }
};

TEST_F(Fase7, CreditoEDeducaoViramEntradasDoAcerto) {
    dados->Entrada(41, {{"TP_REGISTRO", "'1'"}});  // the highest identifier so far
    dados->Acerto(1, {{"TP_ACERTO", "'A'"}, {"VL_ACERTO", "150"}, {"ID_VENDEDOR", "12"}, {"ID_EMPRESA", "3"},
                      {"DS_ACERTO", "'Prêmio de março'"}, {"DT_PAGAMENTO", DiaSQL(-5)}, {"ST_IRRF", "'S'"}});
    dados->Acerto(2, {{"TP_ACERTO", "'D'"}, {"VL_ACERTO", "150"}, {"ID_VENDEDOR", "12"}, {"ID_EMPRESA", "3"},
                      {"DS_ACERTO", "'Vale'"}, {"DT_PAGAMENTO", DiaSQL(-5)}});
    motor.sSituacao3 = "S";  // a previous run's state is reset

    motor.GerarComissaoAcertos();

    const std::vector<std::vector<std::string>> credito = {{"42", "3", "<null>", "<null>", "1", "3", "12", "<null>",
                                                            "<null>", Dia(-5), "3", "Prêmio de março", "150.00",
                                                            "150.00", "0.00", "150.00", "S", Dia(-5), "S", "S",
                                                            "<null>", "N", "S", "N", "N"}};
    EXPECT_EQ(Entradas(1), credito);
    const auto deducao = Entradas(2);
    ASSERT_EQ(deducao.size(), 1u);
    EXPECT_EQ(deducao[0][0], "43");
    EXPECT_EQ(deducao[0][12], "150.00") << "VL_OPERACAO";
    EXPECT_EQ(deducao[0][13], "150.00") << "VL_BASE_COMISSAO";
    EXPECT_EQ(deducao[0][15], "-150.00") << "VL_COMISSAO";
    EXPECT_EQ(deducao[0][16], "N") << "ST_IRRF copied";
    EXPECT_EQ(Calculo(1), "N");
    EXPECT_EQ(Calculo(2), "N");
    EXPECT_EQ(motor.sSituacao3, "N");
    EXPECT_TRUE(motor.bMensagemAcerto);
    EXPECT_EQ(painel.legendas, std::vector<std::string>{"Fase 7/9 - Gerando acertos de comissão"});
    EXPECT_EQ(painel.maximo, 2);
    EXPECT_EQ(painel.posicao, 2);
    EXPECT_EQ(motor.resumo[7].selecionados, 2);
    EXPECT_EQ(motor.resumo[7].gravados, 2);
}

TEST_F(Fase7, QualquerTipoDiferenteDeAEDeducao) {
    int id = 0;
    for (const char* tipo : {"'D'", "'X'", "'a'"}) dados->Acerto(++id, {{"TP_ACERTO", tipo}, {"VL_ACERTO", "12.34"}});
    motor.GerarComissaoAcertos();
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao where vl_comissao = -12.34"), 3);
}

TEST_F(Fase7, DuasEntradasNaoPagasDaoLugarAUma) {
    dados->Acerto(5, {{"VL_ACERTO", "80"}});
    dados->Entrada(1, {{"TP_REGISTRO", "'3'"}, {"ID_NF_COMERCIO", "null"}, {"ID_ACERTO_COMISSAO", "5"}});
    dados->Entrada(2, {{"TP_REGISTRO", "'3'"}, {"ID_NF_COMERCIO", "null"}, {"ID_ACERTO_COMISSAO", "5"}});
    // A sales entry that happens to carry the settlement's number is not a settlement entry.
    dados->Entrada(3, {{"TP_REGISTRO", "'1'"}, {"ID_ACERTO_COMISSAO", "5"}});

    motor.GerarComissaoAcertos();

    EXPECT_EQ(dados->Linhas("select id_comissao, vl_comissao from mov_comissao where tp_registro = 3"),
              (std::vector<std::vector<std::string>>{{"4", "80.00"}}));
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao where id_comissao = 3"), 1);
    EXPECT_EQ(Calculo(5), "N");
}

// A settlement the ERP deleted takes its unpaid entry with it; a paid one stays.
TEST_F(Fase7, AcertoApagadoLevaSuaEntradaNaoPaga) {
    dados->Acerto(1);
    dados->Acerto(2);
    motor.GerarComissaoAcertos();
    dados->Executar("update mov_comissao set id_comissao_gerada = 7 where id_acerto_comissao = 2");
    dados->Executar("delete from mov_acerto_comissao");
    motor.GerarComissaoAcertos();
    EXPECT_EQ(Linha("select id_acerto_comissao, vl_comissao from mov_comissao"), "2|100.00");
    EXPECT_EQ(motor.efeito.PorVendedor().at(10).removidas[2].total, Moeda::DeInteiro(100));
}

TEST_F(Fase7, EntradaPagaImpedeOAcertoEAvisa) {
    dados->Acerto(5);
    dados->Entrada(1, {{"TP_REGISTRO", "'3'"}, {"ID_NF_COMERCIO", "null"}, {"ID_ACERTO_COMISSAO", "5"},
                       {"ID_COMISSAO_GERADA", "900"}});
    dados->Entrada(2, {{"TP_REGISTRO", "'3'"}, {"ID_NF_COMERCIO", "null"}, {"ID_ACERTO_COMISSAO", "5"}});
    dados->Acerto(6);  // the next settlement is still handled

    motor.GerarComissaoAcertos();

    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao where id_acerto_comissao = 5"), 2);
    EXPECT_EQ(Calculo(5), "S");
    EXPECT_EQ(motor.sSituacao3, "S");
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao where id_acerto_comissao = 6"), 1);
    EXPECT_EQ(Calculo(6), "N");
    EXPECT_EQ(motor.resumo[7].ignorados, 1);
    EXPECT_EQ(motor.resumo[7].gravados, 1);

    // It stays waiting, and warns again, on every later run.
    motor.GerarComissaoAcertos();
    EXPECT_EQ(motor.sSituacao3, "S");
    EXPECT_EQ(Calculo(5), "S");
}

TEST_F(Fase7, SemAcertosNadaMuda) {
    dados->Acerto(1, {{"ST_CALC_COMISSAO", "'N'"}});
    dados->Acerto(2, {{"ST_CALC_COMISSAO", "null"}});
    motor.bMensagemAcerto = true;
    painel.maximo = 77;

    motor.GerarComissaoAcertos();

    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao"), 0);
    EXPECT_FALSE(motor.bMensagemAcerto);
    EXPECT_EQ(motor.sSituacao3, "N");
    EXPECT_EQ(painel.maximo, 77) << "the gauge stays as the previous phase left it";
    EXPECT_EQ(painel.legendas.size(), 1u);
}

TEST_F(Fase7, OpcaoDeEmissaoLimitaADataDePagamento) {
    dados->Acerto(1, {{"DT_PAGAMENTO", DiaSQL(-11)}});
    dados->Acerto(2, {{"DT_PAGAMENTO", DiaSQL(-10)}});
    dados->Acerto(3, {{"DT_PAGAMENTO", DiaSQL(-9)}});
    painel.emissaoAPartir = true;
    painel.dataEmissao = db::SomarDias(AgoraDoTeste(), -10).SoData();

    motor.GerarComissaoAcertos();

    EXPECT_EQ(Calculo(1), "S");
    EXPECT_EQ(Calculo(2), "N");
    EXPECT_EQ(Calculo(3), "N");
    EXPECT_EQ(dados->Linhas("select id_acerto_comissao from mov_comissao order by 1"),
              (std::vector<std::vector<std::string>>{{"2"}, {"3"}}));
    EXPECT_EQ(motor.resumo[7].selecionados, 2);
}

TEST_F(Fase7, FalhaNoMeioNaoDeixaEntradaDuplicada) {
    dados->Acerto(1, {{"VL_ACERTO", "10"}});
    dados->Acerto(2, {{"VL_ACERTO", "20"}});
    {
        // An ERP user holds settlement 2: its flag update fails after its entry was written.
        TravaDeLinha trava(caminho, "update mov_acerto_comissao set ds_acerto = ds_acerto where id_acerto_comissao = 2");
        try {
            motor.GerarComissaoAcertos();
            ADD_FAILURE() << "the locked settlement should have stopped the phase";
        } catch (const db::ErroBanco& erro) {
            EXPECT_TRUE(erro.TemCodigo(db::kConflitoDeAtualizacao)) << erro.Texto();
        }
    }
    motor.DesconectarBanco();
    motor.ConectarBanco(caminho);
    motor.GerarComissaoAcertos();

    EXPECT_EQ(dados->Linhas("select id_acerto_comissao, count(*), sum(vl_comissao) from mov_comissao group by 1 order by 1"),
              (std::vector<std::vector<std::string>>{{"1", "1", "10.00"}, {"2", "1", "20.00"}}));
    EXPECT_EQ(Calculo(2), "N");
}

// The phases in run order: the settlements of Phases 3 and 4 become entries in the same run, those
// of Phase 9 in the next one.
TEST_F(Fase7, AcertosDasOutrasFasesViramEntradasNaOrdemDaExecucao) {
    // A paid entry of 60 days that the commercial phase blocks (its sale's nature checks the phase
    // and the situation does not pay), and an invoice of 1000.00 at 5 %, half credited at
    // invoicing, whose only receivable is 30 days overdue.
    dados->Natureza(2, {{"ST_VERIFICA_FASE", "'S'"}});
    dados->Executar("insert into fix_situacao_orcamento (id_situacao_orcamento, st_pagar_comissao) values (2, 'N')");
    dados->Nota(1, {{"ID_NAT_OPERACAO", "2"}, {"ID_SITUACAO_ORCAMENTO", "2"}, {"ST_CALC_COMISSAO", "'N'"},
                    {"DT_EMISSAO", DiaSQL(-60)}});
    dados->Entrada(1, {{"ID_NF_COMERCIO", "1"}, {"DT_EMISSAO", DiaSQL(-60)}, {"ID_COMISSAO_GERADA", "900"}});
    dados->Executar("insert into tab_plano_pagto (id_plano_pagto, qt_dias_estorna_comissao) values (1, 10)");
    dados->Nota(2, {{"ST_ESTORNAR_COMISSAO", "'S'"}, {"ID_PLANO_PAGTO", "1"}, {"PO_CREDITO_FAT", "50"}});
    dados->Item(2, 2);
    dados->Receber(20, 2, {{"DT_VENCTO", DiaSQL(-30)}});
    const Inicio inicio = CapturarInicio(*dados);
    const std::string acertos =
        "select a.tp_acerto, a.vl_acerto, c.vl_comissao from mov_acerto_comissao a left join mov_comissao c on "
        "c.id_acerto_comissao = a.id_acerto_comissao order by a.id_acerto_comissao";

    Rodar();
    EXPECT_EQ(dados->Linhas(acertos), (std::vector<std::vector<std::string>>{{"D", "50.00", "-50.00"},
                                                                             {"D", "25.00", "<null>"}}));
    EXPECT_EQ(VerificarInvariantes(*dados, inicio), std::vector<std::string>{});

    Rodar();
    EXPECT_EQ(dados->Linhas(acertos), (std::vector<std::vector<std::string>>{{"D", "50.00", "-50.00"},
                                                                             {"D", "25.00", "-25.00"}}));
    EXPECT_EQ(VerificarInvariantes(*dados, inicio), std::vector<std::string>{});
}

}  // namespace
}  // namespace zelprax::teste
