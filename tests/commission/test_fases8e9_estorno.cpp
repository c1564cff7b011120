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
    return db::FormatarDataHoraTela(db::SomarDias(AgoraDoTeste(), dias)).substr(0, 10);
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

// The sales entry of `vendedor` on invoice `nota`: the advance Phase 5 credited on invoicing.
void Adiantar(DadosTeste& d, int id, int nota, int vendedor, const std::string& valor,
              const std::string& estorno = "'N'", const Colunas& mais = {}) {
    Colunas colunas = {{"ID_NF_COMERCIO", std::to_string(nota)}, {"ID_VENDEDOR", std::to_string(vendedor)},
                       {"VL_COMISSAO", valor}, {"ST_ESTORNO_1", estorno}};
    for (const auto& [k, v] : mais) colunas[k] = v;
    d.Entrada(id, colunas);
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

TEST(ValorEstorno, AdiantamentoVezesAParteNaoPagaArredondadoUmaVez) {
    struct Caso {
        const char *adiantamento, *parte, *esperado;
    };
    const std::vector<Caso> casos = {
        {"22.50", "40", "9.0000"},   // 900.00 at 5 %, half credited, 40 % unpaid
        {"50", "0", "0.0000"},       // nothing unpaid
        {"33.3322", "66.67", "22.2226"},
        {"0.005", "50", "0.0025"},
        {"-5", "100", "-5.0000"},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(comissao::ValorEstornoSlot(Moeda::Ler(c.adiantamento), Moeda::Ler(c.parte)).Texto(), c.esperado)
            << c.adiantamento << " x " << c.parte;
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
        {11, {{"ST_INCLUIR_FRETE_PARC", "'S'"}, {"VL_FRETE", "1000"}}, {}, true},  // all of it freight
        {0, {}, {}, false},                                    // no receivable at all
    };
    for (std::size_t i = 0; i < casos.size(); ++i) {
        const int id = static_cast<int>(i + 1);
        NotaInadimplente(*dados, id, casos[i].vencido, casos[i].nota, casos[i].receber);
        Adiantar(*dados, id, id, 10, "50");
    }

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
    Adiantar(*dados, 1, 1, 12, "22.50");

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
    EXPECT_EQ(dados->Contar("select count(*) from mov_comissao where tp_registro = 3"), 0);
    motor.GerarEstornoInadimplentes();
    EXPECT_EQ(dados->Contar("select count(*) from mov_acerto_comissao"), 1);
    motor.GerarComissaoAcertos();
    EXPECT_EQ(dados->Valor("select vl_comissao from mov_comissao where tp_registro = 3"), "-9.00");
}

TEST_F(Fases8e9, ComissaoDeTodosOsRecebimentosPagaDaValorZero) {
    NotaInadimplente(*dados, 1, 30, {}, {{"ID_COMISSAO_GERADA", "900"}});
    Adiantar(*dados, 1, 1, 10, "50");

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
    Adiantar(*dados, 1, 1, 20, "20");

    motor.GerarEstornoInadimplentes();

    // The 20.00 credited to the second seller (1000.00 x 2 %), all of it unpaid.
    EXPECT_EQ(dados->Linhas("select id_vendedor, vl_acerto from mov_acerto_comissao"), (Linhas{{"20", "20.00"}}));
    EXPECT_EQ(Linha("select st_credito_fat, st_credito_fat2, st_credito_fat3, st_credito_fat4, st_credito_fat5 "
                    "from mov_nf_comercio"),
              "N|N|N|S|S");
    EXPECT_EQ(Estado(1), "N|1");
}

// Seller 10's advance carries a blocking deduction: the invoice waits for its payback while Phase 4
// can still pay it (entries younger than 120 days), then is closed without reversing seller 10.
TEST_F(Fases8e9, EsperaPeloDescontoDoBloqueioSoEnquantoPodeSerDevolvido) {
    // Invoice's reversal state, both slots' ST_CREDITO_FAT, its reversals: count|sum (seller 20's).
    const std::vector<std::pair<int, std::string>> casos = {{119, "S|<null>|S|N|1|20.00"}, {120, "N|2|S|N|1|20.00"}};
    for (int id = 1; id <= 2; ++id) {
        NotaInadimplente(*dados, id, 30, {{"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "2"}, {"ST_CREDITO_FAT2", "'S'"}});
        Adiantar(*dados, id, id, 10, "50", "'S'",
                 {{"DT_EMISSAO", DiaSQL(-casos[id - 1].first)}, {"ID_COMISSAO_GERADA", "9"}});
        Adiantar(*dados, 10 + id, id, 20, "20");
    }
    motor.GerarEstornoInadimplentes();
    for (int id = 1; id <= 2; ++id)
        EXPECT_EQ(Linha("select st_calc_estorno, id_comissao_estornada, st_credito_fat, st_credito_fat2, "
                        "(select count(*) from mov_acerto_comissao where id_comissao_estornada = n.id_nf_comercio), "
                        "(select sum(vl_acerto) from mov_acerto_comissao where id_comissao_estornada = "
                        "n.id_nf_comercio) from mov_nf_comercio n where id_nf_comercio = " + std::to_string(id)),
                  casos[id - 1].second)
            << casos[id - 1].first << " days";
}

TEST_F(Fases8e9, NotaSemSlotCreditadoEFechadaSemAcerto) {
    NotaInadimplente(*dados, 1, 30, {{"ST_CREDITO_FAT", "'N'"}});
    motor.GerarEstornoInadimplentes();
    EXPECT_EQ(Estado(1), "N|1");
    EXPECT_EQ(dados->Contar("select count(*) from mov_acerto_comissao"), 0);
}

TEST_F(Fases8e9, OpcaoDeEmissaoNaoLimitaAMarcacaoDosRecebimentos) {
    painel.emissaoAPartir = true;
    painel.dataEmissao = db::SomarDias(AgoraDoTeste(), -40).SoData();
    NotaInadimplente(*dados, 1, 30, {{"DT_EMISSAO", DiaSQL(-50)}});  // before the option: not marked
    // Marked by an earlier run, but dated before the option: its receivables are still marked,
    // the invoice is not reversed.
    NotaInadimplente(*dados, 2, 30, {{"DT_EMISSAO", DiaSQL(-50)}, {"ST_CALC_ESTORNO", "'S'"}});
    NotaInadimplente(*dados, 3, 30, {{"DT_EMISSAO", DiaSQL(-40)}});  // on the option's date
    for (int id = 1; id <= 3; ++id) Adiantar(*dados, id, id, 10, "50");

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
        for (int nota = 1; nota <= 2; ++nota) {
            Adiantar(d, 2 * nota - 1, nota, 10, "50");
            Adiantar(d, 2 * nota, nota, 20, "20");
        }
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
    Adiantar(*dados, 1, 1, 10, "50");
    db::Transacao* antes = &motor.IBD_AcertoComissao.TransacaoAtual();
    motor.IBQ_Gen.DefinirTransacao(&motor.IBT_Gen);
    motor.GerarEstornoInadimplentes();
    EXPECT_EQ(&motor.IBD_AcertoComissao.TransacaoAtual(), antes);
    EXPECT_EQ(dados->Contar("select count(*) from mov_acerto_comissao"), 1);
}

// What the sellers end with: the advance of Phase 5, the receipts of Phase 6 and the settlements
// of the blocking and of the reversal, over runs of the phases that follow Phase 1.
class EstornoDoCreditado : public Fases8e9 {
protected:
    void Executar(int execucoes = 1) {
        for (int i = 0; i < execucoes; ++i) {
            motor.GerarAcertosFaseProcesso();
            motor.GerarComissaoVendas();
            motor.GerarComissaoRecebimentos();
            motor.GerarComissaoAcertos();
            motor.GerarEstornoInadimplentes();
        }
    }
    // What the seller's entries give for what the customer paid (receipts of open receivables wait).
    std::string Total(int vendedor) {
        return dados->Valor("select coalesce(sum(vl_comissao), 0) from mov_comissao where st_recebimento = 'S' and "
                            "id_vendedor = " + std::to_string(vendedor));
    }
    std::string Estornos(int nota) {
        return Linha("select id_vendedor, vl_acerto from mov_acerto_comissao where id_comissao_estornada = " +
                     std::to_string(nota));
    }
    // Invoice `id` of 1,000.00 at 5 %, half credited on invoicing, its one receivable 30 days overdue
    // and unpaid, each with its own seller (`id` x 10) unless the columns say otherwise.
    void Vender(int id, const Colunas& nota = {}, const Colunas& item = {}) {
        Colunas colunas = {{"VL_BASE_COMISSAO", "1000"}, {"VL_COMISSAO", "50"}, {"PO_CREDITO_FAT", "50"},
                           {"ID_VENDEDOR", std::to_string(id * 10)}};
        for (const auto& [k, v] : nota) colunas[k] = v;
        NotaInadimplente(*dados, id, 30, colunas, {{"ST_CALC_COMISSAO", "'N'"}});
        dados->Item(id, id, item);
    }
};

// The reversal takes back the advance actually credited, whatever the commission type, the base of
// the other slots, the reduction, or a nature or return that credited nothing.
TEST_F(EstornoDoCreditado, OAdiantamentoCreditadoVezesAParteNaoPaga) {
    dados->Natureza(5, {{"ID_SUGERIR_COMISSAO", "5"}});
    dados->Natureza(6, {{"ST_COMISSAO_PAGAR", "'N'"}});
    Vender(1);
    Vender(2, {{"ST_CREDITO_FAT", "'N'"}, {"TP_BASE_COMISSAO_OUTROS", "'C'"}, {"ID_VENDEDOR2", "21"},
               {"PO_COMISSAO2", "10"}, {"ST_CREDITO_FAT2", "'S'"}, {"PO_CREDITO_FAT2", "50"}});
    Vender(3, {{"ID_NAT_OPERACAO", "5"}, {"VL_RESULTADO_VENDA", "200"}});
    Vender(4, {{"ID_NAT_OPERACAO", "6"}});
    Vender(5, {{"ST_DEVOLVIDO", "'S'"}});
    Vender(6, {}, {{"VL_UNIT_REDUCAO_COMISSAO", "3"}});

    Executar();

    struct Caso {
        int nota, vendedor;
        const char *creditado, *estorno;
    };
    for (const Caso& c : std::vector<Caso>{{1, 10, "25.00", "10|25.00"},
                                           {2, 21, "2.50", "21|2.50"},
                                           {3, 30, "5.00", "30|5.00"},
                                           {4, 40, "0.00", "<nenhuma>"},
                                           {5, 50, "0.00", "<nenhuma>"},
                                           {6, 60, "22.00", "60|22.00"}}) {
        EXPECT_EQ(dados->Valor("select coalesce(sum(vl_comissao), 0) from mov_comissao where tp_registro = 1 and "
                               "id_nf_comercio = " + std::to_string(c.nota)),
                  c.creditado)
            << "invoice " << c.nota;
        EXPECT_EQ(Estornos(c.nota), c.estorno) << "invoice " << c.nota;
        EXPECT_EQ(Estado(c.nota), "N|" + std::to_string(c.nota)) << "invoice " << c.nota;
    }
    // The settlements become entries in the next run: every seller is back at 0.
    Executar();
    for (int vendedor : {10, 21, 30, 40, 50, 60}) EXPECT_EQ(Total(vendedor), "0.00") << "seller " << vendedor;
}

// A receivable the customer paid on time is not part of the unpaid share, whether or not the ERP
// has paid its commission yet: once the customer pays the rest, the seller has all of it. With the
// freight charged in instalment "/A", the open one counts by its share of the invoice less freight.
TEST_F(EstornoDoCreditado, RecebimentoPagoPeloClienteNaoEntraNaParteNaoPaga) {
    for (int caso = 0; caso < 4; ++caso) {
        const bool frete = caso >= 2;  // 1,100.00 of which 100.00 freight, 40 % credited
        const char* comissaoPaga = caso % 2 == 0 ? "null" : "900";
        SCOPED_TRACE(std::string("commission of the paid receivable: ") + comissaoPaga + (frete ? ", freight" : ""));
        dados->Executar("delete from mov_comissao");
        dados->Executar("delete from mov_acerto_comissao");
        dados->Executar("delete from mov_financeiro");
        dados->Executar("delete from mov_nf_comercio_item");
        dados->Executar("delete from mov_nf_comercio");
        dados->Nota(1, {{"VL_BASE_COMISSAO", "1000"}, {"PO_CREDITO_FAT", frete ? "40" : "50"},
                        {"ST_ESTORNAR_COMISSAO", "'S'"}, {"ID_PLANO_PAGTO", "1"}, {"VL_TOTAL_NF", frete ? "1100" : "1000"},
                        {"VL_FINANCEIRO", frete ? "1100" : "1000"}, {"VL_FRETE", frete ? "100" : "0"},
                        {"ST_INCLUIR_FRETE_PARC", frete ? "'S'" : "'N'"}});
        dados->Item(1, 1);
        dados->Receber(11, 1, {{"NO_DOCUMENTO", "'1/A'"}, {"VL_DOCUMENTO", frete ? "600" : "500"}, {"DT_VENCTO", DiaSQL(-60)},
                               {"DT_BAIXA", DiaSQL(-60)}, {"ID_COMISSAO_GERADA", comissaoPaga}});
        dados->Receber(12, 1, {{"VL_DOCUMENTO", "500"}, {"DT_VENCTO", DiaSQL(-40)}, {"ST_CALC_COMISSAO", "'N'"}});

        Executar();
        EXPECT_EQ(Estornos(1), frete ? "10|10.00" : "10|12.50");

        dados->Executar("update mov_financeiro set dt_baixa = current_date, st_calc_comissao = 'S' "
                        "where id_financeiro = 12");
        Executar(2);
        EXPECT_EQ(Total(10), "50.00");
    }
}

// An advance is taken back once: by the blocking or by the reversal, whichever comes first; the
// reversal takes it after the blocking gave it back.
TEST_F(EstornoDoCreditado, OBloqueioEOEstornoNaoTomamDuasVezesOMesmoAdiantamento) {
    dados->Natureza(2, {{"ST_VERIFICA_FASE", "'S'"}});
    dados->Executar("insert into fix_situacao_orcamento (id_situacao_orcamento, st_pagar_comissao) values (1, 'S')");
    dados->Executar("insert into fix_situacao_orcamento (id_situacao_orcamento, st_pagar_comissao) values (2, 'N')");
    // Paid advances of 25.00 on invoices in a phase that does not pay, their receivables overdue.
    for (int id : {1, 2}) {
        Vender(id, {{"ID_NAT_OPERACAO", "2"}, {"ID_SITUACAO_ORCAMENTO", "2"}, {"DT_EMISSAO", DiaSQL(id == 1 ? -60 : -30)},
                    {"ST_CALC_COMISSAO", "'N'"}, {"ID_VENDEDOR", "10"}});
        dados->Entrada(id, {{"ID_NF_COMERCIO", std::to_string(id)}, {"ID_VENDEDOR", std::to_string(id * 10)},
                            {"VL_COMISSAO", "25"}, {"DT_EMISSAO", DiaSQL(id == 1 ? -60 : -30)},
                            {"ID_COMISSAO_GERADA", "900"}});
    }
    dados->Executar("update mov_nf_comercio set id_vendedor = 20 where id_nf_comercio = 2");

    // Invoice 1: blocked first; the reversal waits while the deduction stands.
    Executar(3);
    EXPECT_EQ(Total(10), "0.00");
    EXPECT_EQ(Estornos(1), "<nenhuma>");
    EXPECT_EQ(Estado(1), "S|<null>");
    // Invoice 2: reversed first (30 days old); when it comes into the blocking window, no deduction.
    EXPECT_EQ(Estornos(2), "20|25.00");
    relogio.agora = db::SomarDias(AgoraDoTeste(), 30);
    Executar(2);
    EXPECT_EQ(Total(20), "0.00");
    EXPECT_EQ(dados->Contar("select count(*) from mov_acerto_comissao where tp_acerto = 'D' and id_vendedor = 20"), 1);

    // The sale of invoice 1 moves on to a paying phase: the deduction is paid back and the
    // reversal then takes the advance.
    relogio.agora = {};
    dados->Executar("update mov_nf_comercio set id_situacao_orcamento = 1 where id_nf_comercio = 1");
    Executar(2);
    EXPECT_EQ(Estornos(1), "10|25.00");
    EXPECT_EQ(Estado(1), "N|1");
    EXPECT_EQ(Total(10), "0.00");
    EXPECT_EQ(dados->Linhas("select tp_acerto, vl_acerto from mov_acerto_comissao where id_vendedor = 10 "
                            "order by id_acerto_comissao"),
              (Linhas{{"D", "25.00"}, {"A", "25.00"}, {"D", "25.00"}}));
}

}  // namespace
}  // namespace zelprax::teste
