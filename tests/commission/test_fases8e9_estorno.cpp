// Phases 8 and 9: which invoices of defaulting customers are marked, the unpaid share, the reversal
// settlement of each credited seller slot, and a failure between a settlement and its slot's flag.

#include "commission/estorno.h"
#include "db/erro.h"
#include "fases_vendas_teste.h"

namespace zelprax::teste {
namespace {

using Linhas = std::vector<std::vector<std::string>>;
using comissao::Moeda;

std::string Dia(int dias = 0) {
    return db::FormatarDataHoraTela(db::SomarDias(db::RelogioDoSistema().Agora(), dias)).substr(0, 10);
}

// Payment plan 1 reverses after 10 days overdue; plan 2 has no grace days set.
void PrepararPlanos(DadosTeste& d) {
    d.Executar("insert into tab_plano_pagto (id_plano_pagto, qt_dias_estorna_comissao) values (1, 10)");
    d.Executar("insert into tab_plano_pagto (id_plano_pagto, qt_dias_estorna_comissao) values (2, null)");
}

// Invoice `id` asking for reversal on plan 1, with one open receivable of movement kind 2 due
// `vencido` days ago (0: none).
void NotaInadimplente(DadosTeste& d, int id, int vencido, const Colunas& nota = {}, const Colunas& receber = {}) {
    Colunas colunas = {{"ST_ESTORNAR_COMISSAO", "'S'"}, {"ID_PLANO_PAGTO", "1"}};
    for (const auto& [k, v] : nota) colunas[k] = v;
    d.Nota(id, colunas);
    if (vencido > 0) {
        Colunas r = {{"DT_VENCTO", DiaSQL(-vencido)}};
        for (const auto& [k, v] : receber) r[k] = v;
        d.Receber(id * 10, id, r);
    }
}

class Fases8e9 : public FasesTeste {
protected:
    void SetUp() override {
        FasesTeste::SetUp();
        PrepararPlanos(*dados);
    }
    // Whether Phase 9 reversed the invoice: closed with its own identifier.
    std::string Estado(int id) {
        return Linha("select st_calc_estorno, id_comissao_estornada from mov_nf_comercio where id_nf_comercio = " +
                     std::to_string(id));
    }
};

TEST(ValorEstorno, ProdutoFormadoNaOrdemEArredondadoUmaVez) {
    struct Caso {
        const char *produtos, *desconto, *taxa, *credito, *parte, *esperado;
    };
    const std::vector<Caso> casos = {
        {"1000", "100", "5", "50", "40", "9.0000"},      // the example of the reversal
        {"1000", "0", "5", "100", "0", "0.0000"},        // nothing unpaid
        {"999.99", "0", "3", "33.33", "66.67", "6.6663"},
        // Rounded once at the end; rounding each step would give 17.4955 and 18.3453.
        {"665.48", "0", "17", "31.11", "49.71", "17.4956"},
        {"970.60", "0", "10.5", "21.18", "84.99", "18.3452"},
        {"1", "0", "1", "50", "50", "0.0025"},
        {"100", "200", "5", "100", "100", "-5.0000"},    // a discount above the products
    };
    for (const Caso& c : casos)
        EXPECT_EQ(comissao::ValorEstornoSlot(Moeda::Ler(c.produtos), Moeda::Ler(c.desconto), Moeda::Ler(c.taxa),
                                             Moeda::Ler(c.credito), Moeda::Ler(c.parte))
                      .Texto(),
                  c.esperado)
            << c.produtos << " " << c.taxa << " " << c.credito << " " << c.parte;
}

TEST_F(Fases8e9, QuaisNotasSaoMarcadas) {
    struct Caso {
        int vencido;
        Colunas nota, receber;
        bool marcada;
    };
    const std::vector<Caso> casos = {
        {11, {}, {}, true},
        {10, {}, {}, false},                                   // due exactly the grace days ago
        {11, {{"ID_PLANO_PAGTO", "2"}}, {}, false},             // plan without grace days
        {11, {{"ID_PLANO_PAGTO", "null"}}, {}, false},          // no plan
        {11, {}, {{"ID_TP_MOV_FINANC", "8"}}, true},
        {11, {}, {{"ID_TP_MOV_FINANC", "1"}}, false},
        {11, {}, {{"DT_BAIXA", DiaSQL(-1)}}, false},            // paid late
        {11, {{"ST_ESTORNAR_COMISSAO", "'N'"}}, {}, false},
        {11, {{"ST_ESTORNAR_COMISSAO", "null"}}, {}, false},
        {11, {{"ID_COMISSAO_ESTORNADA", "999"}}, {}, false},    // already reversed
        {11, {{"ID_ST_NF", "4"}}, {}, false},
        {11, {{"ID_ST_NF", "5"}}, {}, true},
        {11, {{"VL_TOTAL_NF", "0"}}, {}, false},
        {11, {{"ST_CALC_ESTORNO", "'N'"}}, {}, true},
        {0, {}, {}, false},                                    // no receivable at all
    };
    for (std::size_t i = 0; i < casos.size(); ++i)
        NotaInadimplente(*dados, static_cast<int>(i + 1), casos[i].vencido, casos[i].nota, casos[i].receber);

    motor.GerarEstornoInadimplentes();

    for (std::size_t i = 0; i < casos.size(); ++i) {
        const int id = static_cast<int>(i + 1);
        const long long acertos =
            dados->Contar("select count(*) from mov_acerto_comissao where id_comissao_estornada = " + std::to_string(id));
        const std::string receber = dados->Valor("select coalesce(st_estornar_comissao, '-') from mov_financeiro "
                                                 "where id_nf_comercio = " + std::to_string(id));
        if (casos[i].marcada) {
            EXPECT_EQ(Estado(id), "N|" + std::to_string(id)) << "case " << id;
            EXPECT_EQ(acertos, 1) << "case " << id;
            EXPECT_EQ(receber, "S") << "case " << id;
        } else {
            EXPECT_NE(Estado(id), "N|" + std::to_string(id)) << "case " << id;
            EXPECT_EQ(acertos, 0) << "case " << id;
            EXPECT_NE(receber, "S") << "case " << id;
        }
    }
}

TEST_F(Fases8e9, ExemploDeNoveReais) {
    // 1000.00 of products less 100.00, 5 % credited half at invoicing, 400.00 of the 1000.00 still
    // with its commission unpaid.
    NotaInadimplente(*dados, 1, 30,
                     {{"VL_DESCONTO", "100"}, {"PO_CREDITO_FAT", "50"}, {"NR_NOTA_FISCAL", "4321"}, {"ID_EMPRESA", "2"},
                      {"ID_VENDEDOR", "12"}},
                     {{"VL_DOCUMENTO", "400"}});
    dados->Receber(11, 1, {{"VL_DOCUMENTO", "600"}, {"ID_COMISSAO_GERADA", "900"}});

    motor.GerarEstornoInadimplentes();

    EXPECT_EQ(dados->Linhas("select * from mov_acerto_comissao"),
              (Linhas{{"1", Dia(), "12", "9.00", "D", "S", "Estorno da comissão antecipada da NF 4321", "2", "<null>",
                       "S", "1"}}));
    EXPECT_EQ(Linha("select st_calc_estorno, id_comissao_estornada, po_comissao_estornada, st_credito_fat from "
                    "mov_nf_comercio where id_nf_comercio = 1"),
              "N|1|40.00|N");
    EXPECT_EQ(dados->Linhas("select id_financeiro, st_estornar_comissao from mov_financeiro order by 1"),
              (Linhas{{"10", "S"}, {"11", "<null>"}}));
    EXPECT_EQ(painel.legendas, (std::vector<std::string>{"Fase 8/9 - Marcando estorno da comissão de inadimplentes",
                                                         "Fase 9/9 - Gerando estorno da comissão de inadimplentes da fase 8/9"}));
    EXPECT_EQ(painel.maximo, 1);
    EXPECT_EQ(painel.posicao, 1);
    EXPECT_EQ(motor.resumo[9].selecionados, 1);
    EXPECT_EQ(motor.resumo[9].gravados, 1);

    // It becomes a settlement entry only in the next run's Phase 7, and is never reversed again.
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao"), 0);
    motor.GerarEstornoInadimplentes();
    EXPECT_EQ(dados->Contar("select count(*) from mov_acerto_comissao"), 1);
    motor.GerarComissaoAcertos();
    EXPECT_EQ(dados->Valor("select vl_comissao from mov_comissao where tp_registro = 3"), "-9.00");
}

TEST_F(Fases8e9, ComissaoDeTodosOsRecebimentosPagaDaValorZero) {
    NotaInadimplente(*dados, 1, 30, {}, {{"ID_COMISSAO_GERADA", "900"}});

    motor.GerarEstornoInadimplentes();

    EXPECT_EQ(Linha("select po_comissao_estornada from mov_nf_comercio"), "<null>");
    EXPECT_EQ(Linha("select vl_acerto, tp_acerto from mov_acerto_comissao"), "0.00|D");
    EXPECT_EQ(Estado(1), "N|1");
}

TEST_F(Fases8e9, SoOSegundoDeTresVendedoresFoiCreditado) {
    NotaInadimplente(*dados, 1, 30,
                     {{"ST_CREDITO_FAT", "'N'"},
                      {"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "2"}, {"ST_CREDITO_FAT2", "'S'"}, {"PO_CREDITO_FAT2", "100"},
                      {"ID_VENDEDOR3", "30"}, {"PO_COMISSAO3", "3"}, {"ST_CREDITO_FAT3", "'N'"}, {"PO_CREDITO_FAT3", "100"},
                      // credited but without a seller: skipped
                      {"ID_VENDEDOR4", "null"}, {"ST_CREDITO_FAT4", "'S'"}, {"PO_COMISSAO4", "1"},
                      {"ID_VENDEDOR5", "0"}, {"ST_CREDITO_FAT5", "'S'"}, {"PO_COMISSAO5", "1"}});

    motor.GerarEstornoInadimplentes();

    // 1000.00 x 2 % x 100 % x 100 % unpaid.
    EXPECT_EQ(dados->Linhas("select id_vendedor, vl_acerto from mov_acerto_comissao"), (Linhas{{"20", "20.00"}}));
    EXPECT_EQ(Linha("select st_credito_fat, st_credito_fat2, st_credito_fat3, st_credito_fat4, st_credito_fat5 "
                    "from mov_nf_comercio"),
              "N|N|N|S|S");
    EXPECT_EQ(Estado(1), "N|1");
}

TEST_F(Fases8e9, NotaSemSlotCreditadoEFechadaSemAcerto) {
    NotaInadimplente(*dados, 1, 30, {{"ST_CREDITO_FAT", "'N'"}});
    motor.GerarEstornoInadimplentes();
    EXPECT_EQ(Estado(1), "N|1");
    EXPECT_EQ(dados->Contar("select count(*) from mov_acerto_comissao"), 0);
}

TEST_F(Fases8e9, OpcaoDeEmissaoNaoLimitaAMarcacaoDosRecebimentos) {
    painel.emissaoAPartir = true;
    painel.dataEmissao = db::SomarDias(db::RelogioDoSistema().Agora(), -40).SoData();
    NotaInadimplente(*dados, 1, 30, {{"DT_EMISSAO", DiaSQL(-50)}});  // before the option: not marked
    // Marked by an earlier run, but dated before the option: its receivables are still marked,
    // the invoice is not reversed.
    NotaInadimplente(*dados, 2, 30, {{"DT_EMISSAO", DiaSQL(-50)}, {"ST_CALC_ESTORNO", "'S'"}});
    NotaInadimplente(*dados, 3, 30, {{"DT_EMISSAO", DiaSQL(-40)}});  // on the option's date

    motor.GerarEstornoInadimplentes();

    EXPECT_EQ(Estado(1), "<null>|<null>");
    EXPECT_EQ(Estado(2), "S|<null>");
    EXPECT_EQ(Estado(3), "N|3");
    EXPECT_EQ(dados->Linhas("select id_financeiro, st_estornar_comissao from mov_financeiro order by 1"),
              (Linhas{{"10", "<null>"}, {"20", "S"}, {"30", "S"}}));
    EXPECT_EQ(dados->Linhas("select id_comissao_estornada from mov_acerto_comissao"), (Linhas{{"3"}}));
    EXPECT_EQ(Linha("select po_comissao_estornada from mov_nf_comercio where id_nf_comercio = 2"), "<null>")
        << "the unpaid share is bounded by the option too";
}

// A failure at any statement or commit of the routine, the connection released as the run driver
// releases it (committing what is pending), then a complete run: every credited slot of every
// invoice is reversed exactly once and every invoice is closed.
TEST_F(Fases8e9, FalhaEmQualquerPontoSeguidaDeNovaExecucao) {
    auto preparar = [](const std::string& arquivo) {
        CriarBancoDoEsquema(arquivo);
        DadosTeste d(arquivo);
        d.Parametro();
        d.Natureza(1);
        PrepararPlanos(d);
        const Colunas doisVendedores = {{"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "2"}, {"ST_CREDITO_FAT2", "'S'"},
                                        {"PO_CREDITO_FAT2", "100"}};
        NotaInadimplente(d, 1, 30, doisVendedores);
        NotaInadimplente(d, 2, 30, doisVendedores);
    };
    auto verificar = [](const std::string& arquivo, const std::string& contexto) {
        DadosTeste d(arquivo);
        EXPECT_EQ(d.Linhas("select id_comissao_estornada, id_vendedor, count(*), sum(vl_acerto) from "
                           "mov_acerto_comissao group by 1, 2 order by 1, 2"),
                  (Linhas{{"1", "10", "1", "50.00"}, {"1", "20", "1", "20.00"}, {"2", "10", "1", "50.00"},
                          {"2", "20", "1", "20.00"}}))
            << contexto;
        EXPECT_EQ(d.Linhas("select st_calc_estorno, id_comissao_estornada, st_credito_fat, st_credito_fat2 from "
                           "mov_nf_comercio order by id_nf_comercio"),
                  (Linhas{{"N", "1", "N", "N"}, {"N", "2", "N", "N"}}))
            << contexto;
    };

    motor.DesconectarBanco();
    const std::string medida = pasta / "medida.fdb";
    preparar(medida);
    motor.ConectarBanco(medida);
    const std::int64_t antes = db::EstatisticasDoProcesso().operacoes;
    motor.GerarEstornoInadimplentes();
    const std::int64_t operacoes = db::EstatisticasDoProcesso().operacoes - antes;
    motor.DesconectarBanco();
    verificar(medida, "clean run");
    ASSERT_GT(operacoes, 10);

    for (std::int64_t k = 1; k <= operacoes; ++k) {
        const std::string arquivo = pasta / ("falha" + std::to_string(k) + ".fdb");
        preparar(arquivo);
        motor.ConectarBanco(arquivo);
        // IBQ_Gen runs in the connection's transaction unless an earlier phase bound it to the
        // run transaction; both must keep a settlement and its flag together.
        if (k % 2 == 1) motor.IBQ_Gen.DefinirTransacao(&motor.IBT_Gen);
        db::FalharNaOperacao(k);
        bool falhou = false;
        try {
            motor.GerarEstornoInadimplentes();
        } catch (const db::ErroBanco&) {
            falhou = true;
        }
        db::FalharNaOperacao(0);
        EXPECT_TRUE(falhou) << "operation " << k;
        motor.DesconectarBanco();
        motor.ConectarBanco(arquivo);
        motor.GerarEstornoInadimplentes();
        motor.DesconectarBanco();
        verificar(arquivo, "failure at operation " + std::to_string(k));
    }
    motor.ConectarBanco(caminho);
}

// The settlement data set goes back to its own transaction after the phase, also when IBQ_Gen
// runs in the run transaction.
TEST_F(Fases8e9, AcertosVoltamATransacaoAnterior) {
    NotaInadimplente(*dados, 1, 30);
    db::Transacao* antes = &motor.IBD_AcertoComissao.TransacaoAtual();
    motor.IBQ_Gen.DefinirTransacao(&motor.IBT_Gen);
    motor.GerarEstornoInadimplentes();
    EXPECT_EQ(&motor.IBD_AcertoComissao.TransacaoAtual(), antes);
    EXPECT_EQ(dados->Contar("select count(*) from mov_acerto_comissao"), 1);
}

}  // namespace
}  // namespace zelprax::teste
