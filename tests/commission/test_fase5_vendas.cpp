// Phase 5: the sales entries of the invoices awaiting calculation.

#include <algorithm>
#include <stdexcept>

#include "commission/calculos.h"
#include "db/erro.h"
#include "fases_vendas_teste.h"
#include "support/invariantes.h"

namespace zelprax::teste {
namespace {

using comissao::Moeda;

class Fase5 : public FasesTeste {
protected:
    long long Entradas(int nota) {
        return dados->Contar("select count(*) from mov_comissao where tp_registro = 1 and id_nf_comercio = " +
                             std::to_string(nota));
    }
    std::string Nota(int nota) {
        return Linha("select st_calc_comissao, id_st_nf from mov_nf_comercio where id_nf_comercio = " + std::to_string(nota));
    }
    // Base, rate and amount of the entry of one seller.
    std::string Valores(int nota, int vendedor) {
        return Linha("select vl_base_comissao, po_comissao, vl_comissao from mov_comissao where tp_registro = 1 and "
                     "id_nf_comercio = " + std::to_string(nota) + " and id_vendedor = " + std::to_string(vendedor));
    }
};

TEST_F(Fase5, EntradaDoExemploComTodasAsColunas) {
    // Base 1000.00 at 5 %, 40 % credited on invoicing, a reduction of 3.00: 50, 20, 17.
    dados->Nota(1, {{"VL_BASE_COMISSAO", "1000"}, {"PO_CREDITO_FAT", "40"}, {"DS_SERIE_NF", "'A1'"},
                    {"NR_NOTA_FISCAL", "4711"}, {"DT_EMISSAO", "'05.03.2024'"}});
    dados->Item(1, 1, {{"VL_UNIT_REDUCAO_COMISSAO", "3"}});
    dados->Entrada(7, {{"ID_NF_COMERCIO", "1"}, {"VL_COMISSAO", "99"}});  // rebuilt, not kept
    dados->Entrada(41, {{"ID_NF_COMERCIO", "9"}});

    motor.GerarComissaoVendas();

    EXPECT_EQ(Linha("select * from mov_comissao where id_nf_comercio = 1"),
              "42|1|1|<null>|<null>|1|10|A1|4711|05/03/2024|100|Cliente Ltda|1000.00|1000.00|1.70|17.00|S|05/03/2024|"
              "S|S|<null>|N|S|N|N");
    EXPECT_EQ(Nota(1), "N|3");
    EXPECT_EQ(motor.sSituacao1, "N");
    EXPECT_TRUE(motor.bMensagemComercio);
    EXPECT_EQ(painel.legendas, std::vector<std::string>{"Fase 5/9 - Gerando comissão das vendas"});
    EXPECT_TRUE(painel.barraVisivel);
    EXPECT_EQ(painel.maximo, 1);
    EXPECT_EQ(painel.posicao, 1);
    EXPECT_GE(painel.eventos, 3) << "at the start, per invoice and after each entry";
    EXPECT_EQ(motor.resumo[5].selecionados, 1);
    EXPECT_EQ(motor.resumo[5].gravados, 1);
}

TEST_F(Fase5, ArredondamentoMeioParaOPar) {
    // 333.33 x 2.5 / 100 = 8.33325: the half goes to the even digit; the rate comes back as 2.5000.
    const Moeda v = comissao::MultiplicarValores(Moeda::Ler("333.33"), Moeda::Ler("2.5"), 100);
    EXPECT_EQ(v, Moeda::Ler("8.3332"));
    EXPECT_EQ(comissao::MultiplicarValores(v, Moeda::Ler("100"), 100), v);
    EXPECT_EQ(comissao::DividirValores(v, Moeda::Ler("333.33"), 100), Moeda::Ler("2.5"));
    EXPECT_EQ(comissao::MultiplicarValores(Moeda::Ler("333.35"), Moeda::Ler("2.5"), 100), Moeda::Ler("8.3338"));
    EXPECT_EQ(comissao::MultiplicarValores(Moeda::Ler("-333.33"), Moeda::Ler("2.5"), 100), Moeda::Ler("-8.3332"));
    EXPECT_THROW(comissao::DividirValores(v, Moeda{}, 100), std::runtime_error);

    dados->Nota(1, {{"VL_BASE_COMISSAO", "333.33"}, {"PO_COMISSAO", "2.5"}});
    motor.GerarComissaoVendas();
    EXPECT_EQ(Valores(1, 10), "333.33|2.50|8.33");
}

TEST_F(Fase5, RegraDaBasePorTipoDeComissao) {
    // Slot 1 at 5 %, slot 2 (seller 20) at 2 %, both credited in full; the invoice's base
    // 1000.00, commission 50.00, result of the sale 800.00; items' base 1000.00.
    const Colunas nota = {{"VL_BASE_COMISSAO", "1000"}, {"VL_COMISSAO", "50"}, {"VL_RESULTADO_VENDA", "800"},
                          {"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "2"}, {"ST_CREDITO_FAT2", "'S'"},
                          {"PO_CREDITO_FAT2", "100"}};
    struct Caso {
        const char* tipo;
        const char* tpBaseOutros;
        const char *vendedor10, *vendedor20;
    };
    const std::vector<Caso> casos = {
        {"0", "null", "1000.00|5.00|50.00", "1000.00|2.00|20.00"},
        {"4", "'C'", "1000.00|5.00|50.00", "50.00|2.00|1.00"},
        {"5", "'C'", "800.00|5.00|40.00", "800.00|2.00|16.00"},
        {"6", "null", "1000.00|5.00|50.00", "1000.00|2.00|20.00"},
        {"7", "null", "<null>|0.00|0.00", "<null>|0.00|0.00"},
        {"-1", "null", "<null>|0.00|0.00", "<null>|0.00|0.00"},
    };
    for (std::size_t i = 0; i < casos.size(); ++i) {
        const int id = static_cast<int>(i + 1);
        dados->Natureza(100 + id, {{"ID_SUGERIR_COMISSAO", casos[i].tipo}});
        Colunas colunas = nota;
        colunas["ID_NAT_OPERACAO"] = std::to_string(100 + id);
        colunas["TP_BASE_COMISSAO_OUTROS"] = casos[i].tpBaseOutros;
        dados->Nota(id, colunas);
        dados->Item(id, id);
    }
    // Without a base only a negative reduction leaves a commission.
    dados->Natureza(200, {{"ID_SUGERIR_COMISSAO", "7"}});
    dados->Nota(9, {{"ID_NAT_OPERACAO", "200"}});
    dados->Item(9, 9, {{"VL_UNIT_REDUCAO_COMISSAO", "-2"}});

    motor.GerarComissaoVendas();

    for (std::size_t i = 0; i < casos.size(); ++i) {
        EXPECT_EQ(Valores(static_cast<int>(i + 1), 10), casos[i].vendedor10) << "tipo " << casos[i].tipo;
        EXPECT_EQ(Valores(static_cast<int>(i + 1), 20), casos[i].vendedor20) << "tipo " << casos[i].tipo;
    }
    EXPECT_EQ(Valores(9, 10), "<null>|0.00|2.00");
}

TEST_F(Fase5, ReducaoMaiorQueAComissaoEBaseZero) {
    dados->Nota(1, {{"VL_BASE_COMISSAO", "100"}});
    dados->Item(1, 1, {{"VL_UNIT_REDUCAO_COMISSAO", "6"}});
    dados->Nota(2, {{"VL_BASE_COMISSAO", "0"}});
    motor.GerarComissaoVendas();
    EXPECT_EQ(Valores(1, 10), "100.00|0.00|0.00") << "never negative";
    EXPECT_EQ(Valores(2, 10), "0.00|0.00|0.00") << "no division by a base of 0";
}

TEST_F(Fase5, NotasSemEntradasAdmitidasPerdemAsAntigas) {
    dados->Natureza(2, {{"ST_COMISSAO_PAGAR", "'N'"}});
    dados->Nota(1, {{"ST_DEVOLVIDO", "'S'"}});
    dados->Nota(2, {{"ST_CREDITO_FAT", "'N'"}});
    dados->Nota(3, {{"ID_NAT_OPERACAO", "2"}});
    dados->Nota(4, {{"ID_VENDEDOR", "0"}});
    for (int i = 1; i <= 4; ++i) dados->Entrada(i, {{"ID_NF_COMERCIO", std::to_string(i)}});

    motor.GerarComissaoVendas();

    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(Entradas(i), 0) << "nota " << i;
        EXPECT_EQ(Nota(i), "N|3") << "nota " << i;
    }
}

TEST_F(Fase5, EntradaPagaMantemANotaENotaDivergenteVaiParaSituacao6) {
    // Invoice 1: one entry already paid, one not: both kept, the invoice waits.
    dados->Nota(1);
    dados->Entrada(1, {{"ID_COMISSAO_GERADA", "500"}});
    dados->Entrada(2, {{"ID_VENDEDOR", "20"}});
    // Invoices 2 and 3: items short of the products total; invoice 3 also has a paid entry.
    dados->Nota(2);
    dados->Item(2, 2, {{"VL_TOTAL", "999.99"}});
    dados->Entrada(3, {{"ID_NF_COMERCIO", "2"}});
    dados->Nota(3, {{"VL_FINANCEIRO", "900"}});
    dados->Receber(3, 3);
    dados->Entrada(4, {{"ID_NF_COMERCIO", "3"}, {"ID_COMISSAO_GERADA", "500"}});
    relogio.agora = {2024, 3, 5, 14, 7, 9};

    motor.GerarComissaoVendas();

    EXPECT_EQ(Entradas(1), 2);
    EXPECT_EQ(Nota(1), "S|3");
    EXPECT_EQ(motor.sSituacao1, "S");
    EXPECT_EQ(Entradas(2), 1);
    EXPECT_EQ(Nota(2), "N|6");
    EXPECT_EQ(Entradas(3), 1);
    EXPECT_EQ(Nota(3), "N|6") << "the consistency test comes first";
    EXPECT_EQ(Linha("select count(*), min(id_log_evento) as e, min(id_log_usuario) as u, min(dh_log_evento) as dh from mov_log_controle "
                    "where id_log_registro = 2"),
              "1|18|-1|05/03/2024 14:07:09");
    EXPECT_EQ(Linha("select ds_log_observacao, octet_length(ds_log_observacao) from mov_log_controle where "
                    "id_log_registro = 2"),
              "Cálculo de Comissão|19")
        << "19 bytes: the text stored in WIN1252";
    EXPECT_EQ(motor.resumo[5].ignorados, 3);
}

TEST_F(Fase5, CincoVendedoresEmOrdemENomeDoCliente) {
    Colunas colunas = {{"ID_DESTINATARIO_REMETENTE", "101"}};
    for (int n = 2; n <= 5; ++n) {
        const std::string s = std::to_string(n);
        colunas["ID_VENDEDOR" + s] = std::to_string(10 * n);
        colunas["PO_COMISSAO" + s] = "1";
        colunas["ST_CREDITO_FAT" + s] = "'S'";
        colunas["PO_CREDITO_FAT" + s] = "100";
    }
    colunas["ST_CREDITO_FAT3"] = "'N'";  // passed over
    dados->Nota(1, colunas);
    // A name longer than the entry's column keeps its first 50 characters, accents included.
    const std::string longo = "Comércio de Peças Ação e Companhia Limitada Filial Número";
    dados->Pessoa(101, longo);
    dados->Nota(2, {{"ID_DESTINATARIO_REMETENTE", "102"}});
    dados->Pessoa(102, "");
    dados->Nota(3, {{"ID_DESTINATARIO_REMETENTE", "103"}});

    motor.GerarComissaoVendas();

    const auto linhas = dados->Linhas("select id_vendedor, nm_cliente from mov_comissao where id_nf_comercio = 1 "
                                      "order by id_comissao");
    ASSERT_EQ(linhas.size(), 4u);
    EXPECT_EQ(linhas[0][0] + linhas[1][0] + linhas[2][0] + linhas[3][0], "10204050");
    EXPECT_EQ(linhas[0][1], "Comércio de Peças Ação e Companhia Limitada Filial");
    EXPECT_EQ(dados->Valor("select char_length(nm_cliente) from mov_comissao where id_nf_comercio = 1"), "50");
    EXPECT_EQ(dados->Valor("select nm_cliente from mov_comissao where id_nf_comercio = 2"), "<null>") << "empty name";
    EXPECT_EQ(dados->Valor("select nm_cliente from mov_comissao where id_nf_comercio = 3"), "<null>") << "no person";
}

TEST_F(Fase5, SemNotasOuForaDoLimiteDeEmissao) {
    dados->Nota(1, {{"DT_EMISSAO", "'09.03.2024'"}});
    dados->Nota(2, {{"ID_NAT_OPERACAO", "99"}});  // nature missing: not selected
    painel.emissaoAPartir = true;
    painel.dataEmissao = {2024, 3, 10, 0, 0, 0};

    motor.GerarComissaoVendas();

    EXPECT_FALSE(motor.bMensagemComercio);
    EXPECT_FALSE(painel.barraVisivel);
    EXPECT_EQ(painel.maximo, 0);
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao"), 0);
    EXPECT_EQ(dados->Contar("select count(*) from mov_nf_comercio where st_calc_comissao = 'S'"), 2);
}

TEST_F(Fase5, FalhaNaNotaNEAProximaExecucaoSemDuplicar) {
    for (int i = 1; i <= 3; ++i) dados->Nota(i, {{"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "1"}, {"ST_CREDITO_FAT2", "'S'"},
                                                 {"PO_CREDITO_FAT2", "100"}});
    const Inicio inicio = CapturarInicio(*dados);
    {
        TravaDeLinha trava(caminho, "update mov_nf_comercio set vl_frete = 0 where id_nf_comercio = 2");
        EXPECT_THROW(motor.GerarComissaoVendas(), db::ErroBanco);
    }
    EXPECT_EQ(Nota(1), "N|3");
    EXPECT_EQ(Entradas(1), 2);
    EXPECT_EQ(Nota(2), "S|3") << "its entries are committed, its flag is not";
    EXPECT_EQ(Nota(3), "S|3");
    EXPECT_EQ(Entradas(3), 0);

    motor.GerarComissaoVendas();
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(Nota(i), "N|3");
        EXPECT_EQ(Entradas(i), 2);
    }
    EXPECT_EQ(VerificarInvariantes(*dados, inicio), std::vector<std::string>{});
}

// Sales the ERP pays in cash, cancels or edits between runs, co-sellers and credit shares out of
// range: what each seller ends with on the invoice (the defaults: 1,000.00 at 5 %, seller 10).
TEST_F(Fase5, OQueCadaVendedorRecebeQuandoOErpAlteraAVenda) {
    dados->Natureza(5, {{"ID_SUGERIR_COMISSAO", "5"}});
    dados->Executar("insert into tab_plano_pagto (id_plano_pagto, qt_dias_estorna_comissao) values (1, 10)");
    const Colunas metade = {{"VL_DOCUMENTO", "500"}};
    const std::vector<Colunas> duas = {metade, metade};
    const Colunas credito40 = {{"PO_CREDITO_FAT", "40"}};
    const Colunas semCredito = {{"ST_CREDITO_FAT", "'N'"}};
    const Colunas coVendedor = {{"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "1"}, {"ST_COMISSAO_AD2", "'N'"},
                                {"ST_CREDITO_FAT2", "'S'"}, {"PO_CREDITO_FAT2", "100"}};
    const auto com = [](Colunas a, const Colunas& b) {
        for (const auto& [k, v] : b) a[k] = v;
        return a;
    };
    const auto marcar = "update mov_nf_comercio set st_calc_comissao = 'S' where id_nf_comercio = #";
    const auto pagarSegunda = "update mov_financeiro set dt_baixa = current_date, st_calc_comissao = 'S' where "
                              "id_financeiro = #1";
    ConferirVendas({
        // Nothing financed: the part not credited on invoicing was received in cash.
        {"à vista, 40 % no faturamento", {com(credito40, {{"VL_FINANCEIRO", "0"}})}, {}, {{10, "50.00"}}, "50.00"},
        {"à vista, sem crédito", {com(semCredito, {{"VL_FINANCEIRO", "0"}})}, {}, {{10, "50.00"}}, "50.00"},
        {"financiado nulo não é à vista", {com(semCredito, {{"VL_FINANCEIRO", "null"}})}, {}, {{10, "0.00"}}},
        {"400,00 à vista e 600,00 a receber", {com(semCredito, {{"VL_FINANCEIRO", "600"}}), {}, {{{"VL_DOCUMENTO", "600"}}}},
         {}, {{10, "50.00"}}, "20.00"},
        {"400,00 à vista, o resto pago", {com(semCredito, {{"VL_FINANCEIRO", "600"}}), {}, {{{"VL_DOCUMENTO", "600"}}}},
         {Erp({"update mov_financeiro set dt_baixa = current_date, st_calc_comissao = 'S' where id_financeiro = #0"})},
         {{10, "50.00"}}, "50.00"},
        // An invoice that no longer qualifies keeps only what was paid.
        {"cancelada", {credito40, {}, duas},
         {Erp({"update mov_nf_comercio set id_st_nf = 4, st_calc_comissao = 'S' where id_nf_comercio = #"})},
         {{10, "0.00"}}},
        {"total zerado", {credito40, {}, duas},
         {Erp({"update mov_nf_comercio set vl_total_nf = 0, st_calc_comissao = 'S' where id_nf_comercio = #"})},
         {{10, "0.00"}}},
        {"cancelada, a entrada de outro vendedor paga", {com(coVendedor, {{"ST_COMISSAO_AD2", "'S'"}}), {}, {{}}},
         {Erp({"update mov_comissao set id_comissao_gerada = 1 where id_nf_comercio = # and id_vendedor = 20",
               "update mov_nf_comercio set id_st_nf = 4, st_calc_comissao = 'S' where id_nf_comercio = #"})},
         {{10, "0.00"}, {20, "10.00"}}},
        {"posta de lado", {credito40, {}, duas},
         {Erp({"update mov_nf_comercio set id_st_nf = 6, st_calc_comissao = 'S' where id_nf_comercio = #"})},
         {{10, "50.00"}}},
        // Co-sellers within the main rate share the invoice's commission when their rates pass it.
        {"co-vendedor acima da taxa da nota", {coVendedor, {{"PO_COMISSAO", "0.5"}}, {{}}}, {}, {{10, "0.00"}, {20, "5.00"}}},
        {"dois co-vendedores", {com(coVendedor, {{"ID_VENDEDOR3", "30"}, {"PO_COMISSAO3", "1.5"}, {"ST_COMISSAO_AD3", "'N'"},
                                                  {"ST_CREDITO_FAT3", "'N'"}}),
                                {{"PO_COMISSAO", "0.5"}}, {{}}},
         {}, {{10, "0.00"}, {20, "2.00"}, {30, "3.00"}}},
        {"co-vendedor, resultado da venda", {com(coVendedor, {{"ID_NAT_OPERACAO", "5"}, {"VL_RESULTADO_VENDA", "200"}}),
                                             {{"PO_COMISSAO", "0.5"}}, {{}}},
         {}, {{10, "0.00"}, {20, "1.00"}}},
        // An invoice edited after its entries exist: its receipts follow it.
        {"vendedor trocado", {credito40, {}, duas},
         {Erp({"update mov_nf_comercio set id_vendedor = 11, st_calc_comissao = 'S' where id_nf_comercio = #"})},
         {{10, "0.00"}, {11, "50.00"}}},
        {"taxa de 5 % para 3 %", {credito40, {}, duas},
         {Erp({"update mov_nf_comercio_item set po_comissao = 3 where id_nf_comercio = #", marcar})}, {{10, "30.00"}}},
        {"editada depois do estorno",
         {com(credito40, {{"ST_ESTORNAR_COMISSAO", "'S'"}, {"ID_PLANO_PAGTO", "1"}}), {},
          {com(metade, {{"DT_VENCTO", DiaSQL(-40)}, {"DT_BAIXA", DiaSQL(-40)}}), com(metade, {{"DT_VENCTO", DiaSQL(-30)}})}},
         {Erp({marcar}), Erp({pagarSegunda})}, {{10, "50.00"}}, "50.00"},
        // A credit share outside 0 to 100 %: the nearest bound.
        {"crédito de 150 %", {{{"PO_CREDITO_FAT", "150"}}, {}, {{}}}, {}, {{10, "50.00"}}},
        {"crédito de -20 %", {{{"PO_CREDITO_FAT", "-20"}}, {}, {{}}}, {}, {{10, "50.00"}}},
    });

    const auto avisos = motor.textosCortados.Avisos();
    EXPECT_NE(std::find(avisos.begin(), avisos.end(),
                        "Comissão dos vendedores não adicionais maior que a da nota, repartida entre eles: 3 "
                        "(documentos id_nf_comercio 10, id_nf_comercio 11, id_nf_comercio 12)"),
              avisos.end());
    EXPECT_NE(std::find(avisos.begin(), avisos.end(),
                        "Percentual de crédito no faturamento fora de 0 a 100 na coluna PO_CREDITO_FAT de "
                        "MOV_NF_COMERCIO, tomado o limite mais próximo: 2 (documentos id_nf_comercio 16, "
                        "id_nf_comercio 17)"),
              avisos.end());
}

}  // namespace
}  // namespace zelprax::teste
