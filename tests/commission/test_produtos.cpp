// The split by seller of invoices of commission type 6: the rate lookups of Phase 1, the matrix
// and the rates CalcularComissaoProdutos writes back.

#include "commission/numeros.h"
#include "fases_vendas_teste.h"

namespace zelprax::teste {
namespace {

using comissao::Moeda;

// An item of a split invoice: its number, product and total.
struct ItemNota {
    int numero, produto;
    const char* total;
};

class Produtos : public FasesTeste {
protected:
    void SetUp() override {
        FasesTeste::SetUp();
        dados->Natureza(6, {{"ID_SUGERIR_COMISSAO", "6"}});
    }
    void Taxa(int vendedor, const std::string& fabricante, const std::string& taxa, int empresa = 1) {
        dados->Inserir("TAB_COMISSAO_POR_VENDEDOR", {{"ID_EMPRESA", std::to_string(empresa)},
                                                     {"ID_VENDEDOR", std::to_string(vendedor)},
                                                     {"ID_FABRICANTE", fabricante},
                                                     {"PO_COMISSAO", taxa}});
    }
    std::string TaxasNota(int nota) {
        return Linha("select po_comissao, po_comissao2, po_comissao3, po_comissao4, po_comissao5, vl_po_produto_total "
                     "from mov_nf_comercio where id_nf_comercio = " + std::to_string(nota));
    }
    std::string TaxaItem(int item) {
        return dados->Valor("select po_comissao from mov_nf_comercio_item where id_nf_comercio_item = " +
                            std::to_string(item));
    }
    // Seller 10 at 5 % for manufacturer 7 (product 1) and at 1 % for manufacturer 8 (product 2).
    void CincoEUmPorCento() {
        Taxa(10, "7", "5");
        Taxa(10, "8", "1");
        dados->Produto(2, "8");
    }
    // A split invoice whose items are stored in the given order, identifiers nota * 10 + position;
    // its products total is the items' total.
    void NotaComItens(int nota, const std::vector<ItemNota>& itens, Colunas colunas = {}) {
        int produtos = 0;
        for (const ItemNota& item : itens) produtos += std::stoi(item.total);
        colunas["ID_NAT_OPERACAO"] = "6";
        colunas["VL_PRODUTOS"] = std::to_string(produtos);
        dados->Nota(nota, colunas);
        for (std::size_t p = 0; p < itens.size(); ++p)
            dados->Item(nota * 10 + static_cast<int>(p), nota,
                        {{"NO_ITEM", std::to_string(itens[p].numero)}, {"ID_PRODUTO", std::to_string(itens[p].produto)},
                         {"VL_UNITARIO", itens[p].total}, {"VL_TOTAL", itens[p].total}});
    }
    // After Phases 1 and 5 with CincoEUmPorCento: seller 10's rate on the invoice, each item's own
    // rate, and seller 10's sales entry.
    void ConferirNota(int nota, const std::vector<ItemNota>& itens, const std::string& taxa, const char* comissao) {
        EXPECT_EQ(TaxasNota(nota), taxa + "|0.00|0.00|0.00|0.00|" + taxa);
        for (std::size_t p = 0; p < itens.size(); ++p)
            EXPECT_EQ(TaxaItem(nota * 10 + static_cast<int>(p)), itens[p].produto == 1 ? "5.00" : "1.00") << p;
        EXPECT_EQ(dados->Valor("select vl_comissao from mov_comissao where tp_registro = 1 and id_vendedor = 10 and "
                               "id_nf_comercio = " + std::to_string(nota)),
                  comissao);
    }
};

TEST_F(Produtos, DoisVendedoresDividemAComissaoDoItem) {
    Taxa(10, "7", "3");
    Taxa(20, "7", "2");
    dados->Nota(1, {{"ID_NAT_OPERACAO", "6"}, {"ID_VENDEDOR2", "20"}});
    dados->Item(1, 1);

    motor.CalcularComissaoVendas();

    EXPECT_EQ(TaxasNota(1), "1.50|1.00|0.00|0.00|0.00|2.50");
    EXPECT_EQ(TaxaItem(1), "2.50");
    const std::vector<std::vector<double>> matriz = {{3, 2, 0, 0, 0, 2, 1, 1000, 15, 10, 0, 0, 0}};
    EXPECT_EQ(motor.it_MatrizComissaoPorVendedor, matriz);
    EXPECT_EQ(Linha("select vl_base_comissao, vl_comissao from mov_nf_comercio"), "<null>|<null>")
        << "type 6 writes only the rates";
}

TEST_F(Produtos, TaxaDoVendedorPorFabricanteOuParaTodos) {
    Taxa(10, "7", "3");
    Taxa(10, "null", "1");
    Taxa(20, "0", "2.5");
    Taxa(30, "null", "null");
    Taxa(10, "7", "9", 2);
    struct Caso {
        int empresa, vendedor, fabricante;
        const char* taxa;
    };
    for (const Caso& c : std::vector<Caso>{{1, 10, 7, "3"},    // the manufacturer's row
                                           {1, 10, 8, "1"},    // the row for every manufacturer
                                           {1, 20, 0, "2.5"},  // a product without manufacturer
                                           {1, 20, 7, "0"},    // neither row
                                           {1, 30, 7, "0"},    // an empty rate
                                           {2, 10, 7, "9"},
                                           {3, 10, 7, "0"}})
        EXPECT_EQ(motor.BuscarComissaoVendedor(c.empresa, c.vendedor, c.fabricante), Moeda::Ler(c.taxa))
            << c.empresa << "/" << c.vendedor << "/" << c.fabricante;

    dados->Produto(2);
    EXPECT_EQ(motor.BuscarFabricanteProduto(1), 7);
    EXPECT_EQ(motor.BuscarFabricanteProduto(2), 0) << "no manufacturer";
    EXPECT_EQ(motor.BuscarFabricanteProduto(3), 0) << "no product";
}

TEST_F(Produtos, SoVendedoresComTaxaPositivaContamNaDivisao) {
    // Slot 1 at 4 %, slot 2 with a rate of 0, slot 3 seller 0, slot 4 empty, slot 5 without rows:
    // slot 1 keeps its whole rate. The second item's product has no manufacturer and no rate.
    Taxa(10, "7", "4");
    Taxa(20, "7", "0");
    dados->Produto(2);
    dados->Nota(1, {{"ID_NAT_OPERACAO", "6"}, {"ID_VENDEDOR2", "20"}, {"ID_VENDEDOR3", "0"}, {"ID_VENDEDOR5", "50"}});
    dados->Item(1, 1);
    dados->Item(2, 1, {{"NO_ITEM", "2"}, {"ID_PRODUTO", "2"}});

    motor.CalcularComissaoVendas();

    EXPECT_EQ(motor.it_MatrizComissaoPorVendedor[0], (std::vector<double>{4, 0, 0, 0, 0, 1, 1, 1000, 40, 0, 0, 0, 0}));
    EXPECT_EQ(motor.it_MatrizComissaoPorVendedor[1], (std::vector<double>{0, 0, 0, 0, 0, 0, 2, 1000, 0, 0, 0, 0, 0}));
    EXPECT_EQ(TaxasNota(1), "2.00|0.00|0.00|0.00|0.00|2.00");
    EXPECT_EQ(TaxaItem(1), "4.00");
    EXPECT_EQ(TaxaItem(2), "0.00");
}

TEST_F(Produtos, DescontoForaDosPesosETaxasArredondadas) {
    // Discount 100.00 on both invoices; the items weigh by their own bases. Item 1 (manufacturer 7)
    // is shared by sellers 10 and 20; item 2 (manufacturer 8) only seller 10 has a rate for.
    Taxa(10, "7", "4");
    Taxa(20, "7", "2");
    Taxa(10, "8", "3");
    dados->Produto(2, "8");
    struct Caso {
        const char *item1, *item2, *taxas;
    };
    const std::vector<Caso> casos = {
        // Seller 10: 12.00 + 12.00 of 1000.00, seller 20: 6.00.
        {"600", "400", "2.40|0.60|0.00|0.00|0.00|3.00"},
        // Seller 10: 10.00 + 9.00 of 800.00 = 2.375 %, seller 20: 5.00 = 0.625 %, both rounded up.
        {"500", "300", "2.38|0.63|0.00|0.00|0.00|3.01"},
    };
    for (int n = 1; n <= static_cast<int>(casos.size()); ++n) {
        const Caso& c = casos[static_cast<std::size_t>(n - 1)];
        dados->Nota(n, {{"ID_NAT_OPERACAO", "6"}, {"ID_VENDEDOR2", "20"}, {"VL_DESCONTO", "100"}});
        dados->Item(n * 10 + 1, n, {{"VL_UNITARIO", c.item1}, {"VL_TOTAL", c.item1}});
        dados->Item(n * 10 + 2, n, {{"NO_ITEM", "2"}, {"ID_PRODUTO", "2"}, {"VL_UNITARIO", c.item2}, {"VL_TOTAL", c.item2}});
    }

    motor.CalcularComissaoVendas();

    for (int n = 1; n <= static_cast<int>(casos.size()); ++n) {
        EXPECT_EQ(TaxasNota(n), casos[static_cast<std::size_t>(n - 1)].taxas) << n;
        EXPECT_EQ(TaxaItem(n * 10 + 1), "3.00") << n;
        EXPECT_EQ(TaxaItem(n * 10 + 2), "3.00") << n;
    }
}

TEST_F(Produtos, ParametrosDeFreteDespesasEImpostosNaBase) {
    // 2 x 500.00 with 10.00 of freight included per unit; adjusted other expenses, freight and
    // insurance 1 + 2 + 3; IPI and ICMS-ST 4 + 5; invoice discount 10.00, service 4.00.
    dados->Nota(1, {{"ID_NAT_OPERACAO", "6"}, {"VL_DESCONTO", "10"}, {"VL_SERVICO", "4"}});
    dados->Item(1, 1, {{"QT_PRODUTO", "2"}, {"VL_UNITARIO", "500"}, {"VL_FRETE_UNIT", "10"}, {"ST_FRETE_INCLUSO", "'S'"},
                       {"VL_OUTRAS_AJUSTADO", "1"}, {"VL_FRETE_AJUSTADO", "2"}, {"VL_SEGURO_AJUSTADO", "3"},
                       {"VL_IPI", "4"}, {"VL_ICMS_SUBST", "5"}});
    // The item's base leaves the invoice's discount and service value out; Phase 5's base of the
    // items takes them in: 6.00 less.
    struct Caso {
        const char *freteDespesa, *impostos;
        double baseItem, baseNota;
    };
    for (const Caso& c : std::vector<Caso>{
             {"'N'", "'N'", 980, 974}, {"'S'", "'N'", 1006, 1000}, {"'N'", "'S'", 989, 983}, {"'S'", "'S'", 1015, 1009}}) {
        dados->Executar(std::string("update tab_parametro set st_comissao_frete_despesa = ") + c.freteDespesa +
                        ", st_comissao_ipi_icmsst = " + c.impostos);
        comissao::TDynamicDoubleArray matriz = {{5, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0}};  // item 1's row
        comissao::CalcularComissaoProdutos(1, matriz, *motor.IBD_BancoDados);
        EXPECT_EQ(matriz[0][7], c.baseItem) << c.freteDespesa << c.impostos;
        EXPECT_EQ(matriz[0][8], comissao::TruncarValor(2, c.baseItem * 5 / 100)) << c.freteDespesa << c.impostos;
        // Phase 5's base of the items follows the same freight, expense and tax rules.
        EXPECT_EQ(motor.BaseComissaoItens(1).ComoDouble(), c.baseNota) << c.freteDespesa << c.impostos;
    }
}

TEST_F(Produtos, BaseTotalZeroENumeroDeItemForaDaMatriz) {
    Taxa(10, "7", "3");
    // Invoice 1: its only item's product is missing, so no item row and a total base of 0: no
    // division, every rate 0, and no update of an item 0 (which here belongs to another invoice).
    dados->Nota(1, {{"ID_NAT_OPERACAO", "6"}});
    dados->Item(1, 1, {{"ID_PRODUTO", "99"}});
    dados->Item(0, 9);
    // Invoice 2: item numbers 1 and 5 on a two-row matrix. Each item finds its row by its
    // identifier, so item 5 gets its rate like item 1.
    dados->Nota(2, {{"ID_NAT_OPERACAO", "6"}});
    dados->Item(21, 2);
    dados->Item(22, 2, {{"NO_ITEM", "5"}});

    motor.CalcularComissaoVendas();

    EXPECT_EQ(TaxasNota(1), "0.00|0.00|0.00|0.00|0.00|0.00");
    EXPECT_EQ(TaxaItem(1), "5.00");
    EXPECT_EQ(TaxaItem(0), "5.00");
    EXPECT_EQ(TaxasNota(2), "3.00|0.00|0.00|0.00|0.00|3.00");
    EXPECT_EQ(TaxaItem(21), "3.00");
    EXPECT_EQ(TaxaItem(22), "3.00");
    EXPECT_EQ(motor.it_MatrizComissaoPorVendedor[1], (std::vector<double>{3, 0, 0, 0, 0, 1, 22, 1000, 30, 0, 0, 0, 0}));
}

TEST_F(Produtos, ItensPesamPelaPropriaBaseSemODescontoNemOServicoDaNota) {
    // The invoice's rate is the items' rates weighed by their own bases; Phase 5 then takes the
    // discount off and adds the service value to the invoice's base once.
    CincoEUmPorCento();
    struct Caso {
        const char *desconto, *servico;
        std::vector<ItemNota> itens;
        const char *taxa, *comissao;
    };
    const std::vector<Caso> casos = {
        {"0", "0", {{1, 1, "900"}, {2, 2, "100"}}, "4.60", "46.00"},
        {"100", "0", {{1, 1, "900"}, {2, 2, "100"}}, "4.60", "41.40"},
        {"0", "50", {{1, 1, "900"}, {2, 2, "100"}}, "4.60", "48.30"},
        {"100", "0", {{1, 1, "100"}, {2, 1, "100"}}, "5.00", "5.00"},  // the discount is the whole of one item
    };
    for (std::size_t i = 0; i < casos.size(); ++i)
        NotaComItens(static_cast<int>(i + 1), casos[i].itens,
                     {{"VL_DESCONTO", casos[i].desconto}, {"VL_SERVICO", casos[i].servico}});

    motor.CalcularComissaoVendas();
    motor.GerarComissaoVendas();

    for (std::size_t i = 0; i < casos.size(); ++i) {
        SCOPED_TRACE("caso " + std::to_string(i));
        ConferirNota(static_cast<int>(i + 1), casos[i].itens, casos[i].taxa, casos[i].comissao);
    }
}

TEST_F(Produtos, CadaItemRecebeAsSuasTaxasQualquerQueSejaAOrdemOuANumeracao) {
    // Items of 900.00 at 1 % and 100.00 at 5 %: 14.00 on 1000.00, however the ERP stored and
    // numbered them; an invoice of one item of 1000.00 at 5 % gets 50.00.
    CincoEUmPorCento();
    struct Caso {
        const char* descricao;
        std::vector<ItemNota> itens;  // in the order they are stored
        const char *taxa, *comissao;
    };
    const std::vector<Caso> casos = {
        {"em ordem", {{1, 2, "900"}, {2, 1, "100"}}, "1.40", "14.00"},
        {"gravados 2, 1", {{2, 1, "100"}, {1, 2, "900"}}, "1.40", "14.00"},
        {"numerados 1 e 3", {{1, 2, "900"}, {3, 1, "100"}}, "1.40", "14.00"},
        {"numerados a partir de 0", {{0, 2, "900"}, {1, 1, "100"}}, "1.40", "14.00"},
        {"número repetido", {{1, 2, "900"}, {1, 1, "100"}}, "1.40", "14.00"},
        {"um item de número 0", {{0, 1, "1000"}}, "5.00", "50.00"},
        {"um item de número 7", {{7, 1, "1000"}}, "5.00", "50.00"},
    };
    for (std::size_t i = 0; i < casos.size(); ++i) NotaComItens(static_cast<int>(i + 1), casos[i].itens);

    motor.CalcularComissaoVendas();
    motor.GerarComissaoVendas();

    for (std::size_t i = 0; i < casos.size(); ++i) {
        SCOPED_TRACE(casos[i].descricao);
        ConferirNota(static_cast<int>(i + 1), casos[i].itens, casos[i].taxa, casos[i].comissao);
    }
}

}  // namespace
}  // namespace zelprax::teste
