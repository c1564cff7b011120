// Phase 6: the receipt entries of the receivables awaiting calculation.

#include <stdexcept>

#include "commission/calculos.h"
#include "db/erro.h"
#include "fases_vendas_teste.h"
#include "support/invariantes.h"

namespace zelprax::teste {
namespace {

using comissao::Moeda;

class Fase6 : public FasesTeste {
protected:
    long long Entradas(int receber) {
        return dados->Contar("select count(*) from mov_comissao where tp_registro = 2 and id_financeiro = " +
                             std::to_string(receber));
    }
    std::string Flag(int receber) {
        return dados->Valor("select st_calc_comissao from mov_financeiro where id_financeiro = " + std::to_string(receber));
    }
    // Base, rate and amount of the receipt entry of one seller.
    std::string Valores(int receber, int vendedor = 10) {
        return Linha("select vl_base_comissao, po_comissao, vl_comissao from mov_comissao where tp_registro = 2 and "
                     "id_financeiro = " + std::to_string(receber) + " and id_vendedor = " + std::to_string(vendedor));
    }
};

TEST_F(Fase6, ParcelaDoExemploComEsemDescontoPagaEAberta) {
    // Base 1000.00 at 5 %, 40 % credited on invoicing; two receivables of 500.00, the second paid
    // with a discount of 10.00.
    dados->Nota(1, {{"VL_BASE_COMISSAO", "1000"}, {"PO_CREDITO_FAT", "40"}, {"DT_EMISSAO", "'05.03.2024'"}});
    dados->Receber(1, 1, {{"VL_DOCUMENTO", "500"}, {"DT_VENCTO", "'10.04.2024'"}});
    dados->Receber(2, 1, {{"VL_DOCUMENTO", "500"}, {"VL_DESCONTO", "10"}, {"NO_DOCUMENTO", "'1/2'"},
                          {"DT_VENCTO", "'10.05.2024'"}, {"DT_BAIXA", "'12.04.2024'"}});
    dados->Entrada(5, {{"TP_REGISTRO", "'2'"}, {"ID_FINANCEIRO", "1"}});  // rebuilt, not kept
    dados->Entrada(30, {{"TP_REGISTRO", "'2'"}, {"ID_FINANCEIRO", "9"}});  // no receivable 9: removed

    motor.GerarComissaoRecebimentos();

    EXPECT_EQ(Linha("select * from mov_comissao where id_financeiro = 1"),
              "1|2|1|1|<null>|1|10|<null>|1/1|05/03/2024|100|Cliente Ltda|500.00|500.00|3.00|15.00|S|10/04/2024|N|S|"
              "<null>|N|S|N|N");
    EXPECT_EQ(Linha("select vl_operacao, vl_base_comissao, po_comissao, vl_comissao, dt_credito, st_recebimento from "
                    "mov_comissao where id_financeiro = 2"),
              "500.00|490.00|3.00|14.70|12/04/2024|S");
    EXPECT_EQ(Flag(1), "N");
    EXPECT_EQ(Flag(2), "N");
    EXPECT_EQ(motor.sSituacao2, "N");
    EXPECT_TRUE(motor.bMensagemFinanceiro);
    EXPECT_EQ(painel.legendas, std::vector<std::string>{"Fase 6/9 - Gerando comissão dos recebimentos"});
    EXPECT_EQ(painel.maximo, 2);
    EXPECT_EQ(painel.posicao, 2);
    EXPECT_EQ(motor.resumo[6].selecionados, 2);
    EXPECT_EQ(motor.resumo[6].gravados, 3);  // two entries written, one removed

    // The sales entry holds the other 20.00 of the 50.00.
    motor.GerarComissaoVendas();
    EXPECT_EQ(dados->Valor("select vl_comissao from mov_comissao where tp_registro = 1"), "20.00");
}

TEST_F(Fase6, FatoresGuardadosSemArredondar) {
    dados->Nota(1, {{"VL_BASE_COMISSAO", "1000"}, {"PO_CREDITO_FAT", "40"}});
    dados->Receber(1, 1, {{"VL_DOCUMENTO", "300"}, {"VL_ABATIMENTO", "1"}, {"VL_OUTRAS_REDUCOES", "2"}});
    motor.GerarComissaoRecebimentos();
    EXPECT_DOUBLE_EQ(motor.fFatorParcela, 0.3);
    EXPECT_DOUBLE_EQ(motor.fFatorDesconto, 0.99);
    // 30.00 x 0.3 = 9.00, x 0.99 = 8.91; base 1000.00 x 0.3 x 0.99 = 297.00.
    EXPECT_EQ(Valores(1), "297.00|3.00|8.91");
}

TEST_F(Fase6, CreditoNoFaturamentoDecideOQueSobraNoRecebimento) {
    // Slot 1 credited in full on invoicing: nothing on receipt. Slot 2 at 100 % but not credited
    // on invoicing, slot 3 credited at 0 %: their full share.
    dados->Nota(1, {{"VL_BASE_COMISSAO", "1000"}, {"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "2"},
                    {"ST_CREDITO_FAT2", "'N'"}, {"PO_CREDITO_FAT2", "100"}, {"ID_VENDEDOR3", "30"},
                    {"PO_COMISSAO3", "1"}, {"ST_CREDITO_FAT3", "'S'"}, {"PO_CREDITO_FAT3", "0"}});
    dados->Receber(1, 1);
    motor.GerarComissaoRecebimentos();
    EXPECT_EQ(Valores(1, 10), "<nenhuma>");
    EXPECT_EQ(Valores(1, 20), "1000.00|2.00|20.00");
    EXPECT_EQ(Valores(1, 30), "1000.00|1.00|10.00");
}

// The invoice's commission reduction comes off each seller's commission once, however the sale
// is split: a receipt takes the receivable's share of it, and a slot credited on invoicing takes
// none on receipt because its sales entry already took it whole. Invoice 1000.00 at 5 %; seller 20
// (2 %), where present, is credited 50 % on invoicing.
TEST_F(Fase6, ReducaoDaNotaUmaVezPorVendedorEmQualquerParcelamento) {
    struct Caso {
        const char* reducao;
        const char* creditoFat;  // slot 1's share credited on invoicing; null: not credited
        std::vector<const char*> parcelas;
        const char* total10;     // seller 10 over the sales and receipt entries
        const char* total20;     // seller 20; null: no second seller
    };
    const std::vector<const char*> dezDe100(10, "100"), vinteDe50(20, "50");
    const std::vector<Caso> casos = {
        {"3", nullptr, {"1000"}, "47.00", nullptr},
        {"3", nullptr, dezDe100, "47.00", nullptr},
        {"3", nullptr, vinteDe50, "47.00", nullptr},
        {"3", "40", {"500", "500"}, "47.00", nullptr},
        {"3", nullptr, {"500", "500"}, "47.00", "17.00"},
        // Shares that do not divide evenly: each share of the reduction is rounded to four
        // decimals like the share of the commission, and each entry is stored with two, so the
        // total may be a cent short; never above the commission less the reduction, where the
        // last receipt is cut. Shares of the commission 16.6665, 16.6665, 16.667; of 3.00: 1.0000
        // each (15.6665 is stored 15.67, the third cut to 15.66); of 1.00: 0.3333 each (16.3332 is
        // 16.33).
        {"3", nullptr, {"333.33", "333.33", "333.34"}, "47.00", nullptr},
        {"1", nullptr, {"333.33", "333.33", "333.34"}, "48.99", nullptr},
        {"60", nullptr, {"500", "500"}, "0.00", nullptr},  // never below zero
        {"-2", nullptr, {"500", "500"}, "52.00", nullptr},
    };
    for (std::size_t i = 0; i < casos.size(); ++i) {
        const Caso& c = casos[i];
        const int nota = static_cast<int>(i + 1);
        Colunas colunas = {{"VL_BASE_COMISSAO", "1000"}, {"VL_FINANCEIRO", "1000"}};
        if (c.creditoFat) colunas["PO_CREDITO_FAT"] = c.creditoFat;
        else colunas["ST_CREDITO_FAT"] = "'N'";
        if (c.total20) {
            colunas.insert({{"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "2"}, {"ST_CREDITO_FAT2", "'S'"},
                            {"PO_CREDITO_FAT2", "50"}});
        }
        dados->Nota(nota, colunas);
        dados->Item(nota, nota, {{"VL_UNIT_REDUCAO_COMISSAO", c.reducao}});
        for (std::size_t k = 0; k < c.parcelas.size(); ++k)
            dados->Receber(nota * 100 + static_cast<int>(k), nota, {{"VL_DOCUMENTO", c.parcelas[k]}});
    }

    motor.GerarComissaoVendas();
    motor.GerarComissaoRecebimentos();

    const auto total = [this](int nota, int vendedor) {
        return dados->Valor("select coalesce(sum(vl_comissao), 0) from mov_comissao where id_nf_comercio = " +
                            std::to_string(nota) + " and id_vendedor = " + std::to_string(vendedor));
    };
    for (std::size_t i = 0; i < casos.size(); ++i) {
        const int nota = static_cast<int>(i + 1);
        EXPECT_EQ(total(nota, 10), casos[i].total10) << "caso " << i;
        EXPECT_EQ(total(nota, 20), casos[i].total20 ? casos[i].total20 : "0.00") << "caso " << i;
    }
}

TEST_F(Fase6, FreteCobradoNaParcelaA) {
    // Total 1100.00 with 100.00 of freight in instalment "/A": 123/A of 600.00 and 123/B of
    // 500.00 both take half of the 50.00. Without the freight flag 500.00 of 1100.00 is 22.7273.
    // A number longer than the entry's column is cut after its "/A" has been seen.
    const Colunas nota = {{"VL_TOTAL_NF", "1100"}, {"VL_FRETE", "100"}, {"VL_BASE_COMISSAO", "1000"},
                          {"ST_CREDITO_FAT", "'N'"}};
    Colunas comFrete = nota;
    comFrete["ST_INCLUIR_FRETE_PARC"] = "'S'";
    dados->Nota(1, comFrete);
    dados->Receber(1, 1, {{"NO_DOCUMENTO", "'2024000123/A'"}, {"VL_DOCUMENTO", "600"}});
    dados->Receber(2, 1, {{"NO_DOCUMENTO", "'123/B'"}, {"VL_DOCUMENTO", "500"}});
    dados->Nota(2, nota);
    dados->Receber(3, 2, {{"NO_DOCUMENTO", "'124/A'"}, {"VL_DOCUMENTO", "500"}});

    motor.GerarComissaoRecebimentos();

    EXPECT_EQ(Valores(1), "500.00|5.00|25.00");
    EXPECT_EQ(dados->Valor("select no_documento from mov_comissao where id_financeiro = 1"), "2024000123");
    EXPECT_EQ(Valores(2), "500.00|5.00|25.00");
    EXPECT_EQ(comissao::AplicarFatores(Moeda::Ler("50"), 500.0 / 1100.0), Moeda::Ler("22.7273"));
    EXPECT_EQ(Valores(3), "454.55|5.00|22.73");
}

TEST_F(Fase6, RecebimentosSemEntradasOuForaDaSelecao) {
    dados->Natureza(2, {{"ST_COMISSAO_PAGAR", "'N'"}});
    struct Caso {
        Colunas nota;
        long long entradas;
        const char* flag;
    };
    const std::vector<Caso> casos = {
        {{{"VL_PRODUTOS", "0"}}, 1, "N"},        // services only: an entry of 0 (the driver removes it)
        {{{"VL_TOTAL_NF", "0"}}, 0, "N"},        // the invoice lookup finds nothing
        {{{"ST_DEVOLVIDO", "'S'"}}, 0, "N"},
        {{{"ID_NAT_OPERACAO", "2"}}, 0, "N"},
        {{{"ID_ST_NF", "4"}}, 1, "S"},           // not selected: the old entry stays
        {{{"DT_EMISSAO", "'09.03.2024'"}}, 1, "S"},  // before the emission bound
        {{{"DT_EMISSAO", "'10.03.2024'"}}, 1, "N"},
    };
    for (std::size_t i = 0; i < casos.size(); ++i) {
        const int id = static_cast<int>(i + 1);
        Colunas nota = casos[i].nota;
        nota.emplace("PO_CREDITO_FAT", "0");
        nota.emplace("VL_BASE_COMISSAO", "1000");
        nota.emplace("DT_EMISSAO", "'01.04.2024'");
        dados->Nota(id, nota);
        dados->Receber(id, id);
        dados->Entrada(id, {{"TP_REGISTRO", "'2'"}, {"ID_NF_COMERCIO", std::to_string(id)}, {"ID_FINANCEIRO", std::to_string(id)}});
    }
    dados->Receber(99, 1, {{"ID_NF_COMERCIO", "null"}});  // without an invoice: never selected
    painel.emissaoAPartir = true;
    painel.dataEmissao = {2024, 3, 10, 9, 0, 0};

    motor.GerarComissaoRecebimentos();

    for (std::size_t i = 0; i < casos.size(); ++i) {
        EXPECT_EQ(Entradas(static_cast<int>(i + 1)), casos[i].entradas) << "caso " << i;
        EXPECT_EQ(Flag(static_cast<int>(i + 1)), casos[i].flag) << "caso " << i;
    }
    EXPECT_EQ(Valores(1), "0.00|0.00|0.00");
    EXPECT_EQ(Flag(99), "S");
    EXPECT_EQ(motor.resumo[6].selecionados, 5);
}

TEST_F(Fase6, EntradaDeRecebimentoPagaMantemTudo) {
    dados->Nota(1, {{"PO_CREDITO_FAT", "0"}, {"VL_BASE_COMISSAO", "1000"}});
    dados->Receber(1, 1);
    dados->Entrada(1, {{"TP_REGISTRO", "'2'"}, {"ID_FINANCEIRO", "1"}, {"ID_COMISSAO_GERADA", "9"}});
    dados->Entrada(2, {{"TP_REGISTRO", "'2'"}, {"ID_FINANCEIRO", "1"}, {"ID_VENDEDOR", "20"}});
    motor.GerarComissaoRecebimentos();
    EXPECT_EQ(Entradas(1), 2);
    EXPECT_EQ(Flag(1), "S");
    EXPECT_EQ(motor.sSituacao2, "S");
    EXPECT_EQ(motor.resumo[6].ignorados, 1);
}

// The receivable is rebuilt as one unit: the failure leaves its old entry and its flag for the
// next run, as if the rebuild had not started. The rebuild of its invoice leaves it to this phase.
TEST_F(Fase6, DivisorZeroEncerraAFaseEORecebimentoFicaComoEstava) {
    // Freight equal to the total with the freight flag; an invoice discount equal to the products.
    const std::vector<Colunas> casos = {{{"VL_TOTAL_NF", "100"}, {"VL_FRETE", "100"}, {"ST_INCLUIR_FRETE_PARC", "'S'"}},
                                        {{"VL_DESCONTO", "1000"}}};
    for (std::size_t i = 0; i < casos.size(); ++i) {
        const int id = static_cast<int>(i + 1);
        Colunas nota = casos[i];
        nota.emplace("PO_CREDITO_FAT", "0");
        nota.emplace("VL_BASE_COMISSAO", "1000");
        nota.emplace("VL_FINANCEIRO", "100");
        dados->Nota(id, nota);
        dados->Item(id, id);
        dados->Receber(id, id, {{"VL_DOCUMENTO", "100"}});
        dados->Entrada(200 - id, {{"TP_REGISTRO", "'2'"}, {"ID_NF_COMERCIO", std::to_string(id)},
                                  {"ID_FINANCEIRO", std::to_string(id)}});
        EXPECT_NO_THROW(motor.GerarComissaoVendas()) << "caso " << i;
        EXPECT_EQ(Entradas(id), 1) << "caso " << i;
        try {
            motor.GerarComissaoRecebimentos();
            FAIL() << "caso " << i;
        } catch (const std::runtime_error& erro) {
            EXPECT_STREQ(erro.what(), "Division by zero") << "caso " << i;
        }
        EXPECT_EQ(Entradas(id), 1) << "caso " << i;
        EXPECT_EQ(Flag(id), "S") << "caso " << i;
        dados->Executar("update mov_financeiro set st_calc_comissao = 'N' where id_financeiro = " + std::to_string(id));
    }
}

TEST_F(Fase6, FalhaNoRecebimentoNEAProximaExecucaoSemDuplicar) {
    dados->Nota(1, {{"PO_CREDITO_FAT", "0"}, {"VL_BASE_COMISSAO", "1000"}, {"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "1"}});
    for (int i = 1; i <= 3; ++i) dados->Receber(i, 1, {{"VL_DOCUMENTO", "100"}});
    const Inicio inicio = CapturarInicio(*dados);
    {
        TravaDeLinha trava(caminho, "update mov_financeiro set vl_abatimento = 0 where id_financeiro = 2");
        EXPECT_THROW(motor.GerarComissaoRecebimentos(), db::ErroBanco);
    }
    EXPECT_EQ(Flag(1), "N");
    EXPECT_EQ(Entradas(1), 2);
    EXPECT_EQ(Flag(2), "S");
    EXPECT_EQ(Flag(3), "S");
    EXPECT_EQ(Entradas(3), 0);

    motor.GerarComissaoRecebimentos();
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(Flag(i), "N");
        EXPECT_EQ(Valores(i, 10), "100.00|5.00|5.00");
        EXPECT_EQ(Valores(i, 20), "100.00|1.00|1.00");
    }
    EXPECT_EQ(VerificarInvariantes(*dados, inicio), std::vector<std::string>{});
}

// Receivables the ERP deletes, zeroes, renegotiates or raises after their entries exist, and a
// reduction larger than the advance: no seller is given more than the sale's commission.
TEST_F(Fase6, RecebimentosReemitidosNaoPagamDuasVezes) {
    const Colunas metade = {{"VL_DOCUMENTO", "500"}};
    const auto reemitir = [](std::vector<const char*> valores, const char* antes) {
        return [valores, antes](DadosTeste& d, const std::string& nota) {
            d.Executar(std::string(antes) + " where id_financeiro = " + nota + "1");
            for (std::size_t k = 0; k < valores.size(); ++k)
                d.Receber(std::stoi(nota) * 10 + 2 + static_cast<int>(k), std::stoi(nota), {{"VL_DOCUMENTO", valores[k]}});
        };
    };
    const VendaDoCaso venda{{{"ST_CREDITO_FAT", "'N'"}}, {}, {metade, metade}};
    ConferirVendas({
        {"apagada e reemitida em duas de 250,00", venda, {reemitir({"250", "250"}, "delete from mov_financeiro")},
         {{10, "50.00"}}},
        {"zerada e reemitida", venda, {reemitir({"500"}, "update mov_financeiro set vl_documento = 0")}, {{10, "50.00"}}},
        {"renegociada e trocada por uma de 520,00", venda,
         {reemitir({"520"}, "update mov_financeiro set dt_baixa = current_date, st_calc_comissao = 'S'")},
         {{10, "50.00"}}},
        {"com juros de 20,00, paga", venda,
         {Erp({"update mov_financeiro set vl_documento = 520, dt_baixa = current_date, st_calc_comissao = 'S' "
               "where id_financeiro = #1"})},
         {{10, "50.00"}}},
        // Credited 10 % with a reduction of 8.00: the advance takes 5.00 of it, the receipt the other 3.00.
        {"redução maior que o adiantamento", {{{"PO_CREDITO_FAT", "10"}}, {{"VL_UNIT_REDUCAO_COMISSAO", "8"}}, {{}}}, {},
         {{10, "42.00"}}},
    });
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao where id_financeiro = 11"), 0) << "a receivable gone";
}

}  // namespace
}  // namespace zelprax::teste
