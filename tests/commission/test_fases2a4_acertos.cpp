// Phases 2 to 4: paid entries blocked and unblocked by the commercial phase of their sale, the
// deduction and payment settlements, their windows of age, and a failure between a settlement and
// its entry's flag.

#include "db/erro.h"
#include "fases_vendas_teste.h"

namespace zelprax::teste {
namespace {

using Linhas = std::vector<std::vector<std::string>>;

std::string Dia(int dias = 0) {
    return db::FormatarDataHoraTela(db::SomarDias(AgoraDoTeste(), dias)).substr(0, 10);
}

// Nature 1 does not check the phase, nature 2 does; situation 1 pays commission, 2 does not.
void PrepararFases(DadosTeste& d) {
    d.Natureza(2, {{"ST_VERIFICA_FASE", "'S'"}});
    d.Executar("insert into fix_situacao_orcamento (id_situacao_orcamento, st_pagar_comissao) values (1, 'S')");
    d.Executar("insert into fix_situacao_orcamento (id_situacao_orcamento, st_pagar_comissao) values (2, 'N')");
}

struct Venda {
    int dias = 60;                     // age of the invoice and of its entry
    int natureza = 1;
    std::string situacao = "null";
    std::string bloqueio = "'N'", estorno = "'N'";
    bool semNota = false;              // an entry without invoice
    std::string emissaoNota = {};      // the invoice's own date when it differs from the entry's
    std::string gerada = "900";        // the commission payment that took the entry
    std::string credito = {};          // DT_CREDITO, the entry's date when empty
};

// Invoice `id` with its sales entry `id`; the entry's VL_COMISSAO is `id`, so that its settlement
// can be told apart.
void Vender(DadosTeste& d, int id, const Venda& v) {
    const std::string nota = v.semNota ? "null" : std::to_string(id);
    if (!v.semNota)
        d.Nota(id, {{"DT_EMISSAO", v.emissaoNota.empty() ? DiaSQL(-v.dias) : v.emissaoNota},
                    {"ID_NAT_OPERACAO", std::to_string(v.natureza)},
                    {"ID_SITUACAO_ORCAMENTO", v.situacao}});
    d.Entrada(id, {{"ID_NF_COMERCIO", nota},
                   {"DT_EMISSAO", DiaSQL(-v.dias)},
                   {"DT_CREDITO", v.credito.empty() ? DiaSQL(-v.dias) : v.credito},
                   {"ID_COMISSAO_GERADA", v.gerada},
                   {"VL_COMISSAO", std::to_string(id)},
                   {"ST_BLOQUEIO_1", v.bloqueio},
                   {"ST_ESTORNO_1", v.estorno}});
}

class Fases2a4 : public FasesTeste {
protected:
    void SetUp() override {
        FasesTeste::SetUp();
        PrepararFases(*dados);
    }
    void Vender(int id, const Venda& v) { teste::Vender(*dados, id, v); }
    std::string Flags(int id) {
        return Linha("select st_bloqueio_1, st_estorno_1 from mov_comissao where id_comissao = " + std::to_string(id));
    }
    // The settlements written so far, as type and amount (the amount names the entry).
    Linhas Acertos() {
        return dados->Linhas("select tp_acerto, vl_acerto from mov_acerto_comissao order by id_acerto_comissao");
    }
};

TEST_F(Fases2a4, BloqueiaQuandoASituacaoNaoPagaEDevolveUmaVezQuandoPassaAPagar) {
    Vender(1, {.natureza = 2, .situacao = "2"});
    dados->Entrada(7, {{"ID_COMISSAO_GERADA", "900"}, {"DT_EMISSAO", DiaSQL(-200)}});  // the highest key so far
    dados->Executar("update mov_comissao set vl_comissao = 150 where id_comissao = 1");

    motor.GerarAcertosFaseProcesso();
    EXPECT_EQ(Flags(1), "S|S");
    EXPECT_EQ(dados->Linhas("select * from mov_acerto_comissao"),
              (Linhas{{"1", Dia(), "10", "150.00", "D", "N", "COMISSÃO BLOQUEADA PELA FASE DO PROCESSO", "1", "<null>",
                       "S", "<null>"}}));
    EXPECT_EQ(painel.legendas,
              (std::vector<std::string>{
                  "Fase 2/9 - Marcando comissões bloqueadas / desbloqueadas conforme a fase comercial",
                  "Fase 3/9 - Gerando desconto de comissões bloqueadas na fase 2/9"}));
    EXPECT_EQ(painel.maximo, 1);
    EXPECT_EQ(painel.posicao, 1);
    EXPECT_EQ(motor.resumo[3].selecionados, 1);
    EXPECT_EQ(motor.resumo[3].gravados, 1);
    EXPECT_EQ(motor.resumo[4].gravados, 0);

    // Phase 7 of the same run turns the deduction into an entry of -150.00.
    motor.GerarComissaoAcertos();
    EXPECT_EQ(dados->Valor("select vl_comissao from mov_comissao where tp_registro = 3"), "-150.00");

    // While the sale stays in a phase that does not pay, nothing more happens.
    motor.GerarAcertosFaseProcesso();
    EXPECT_EQ(Flags(1), "S|S");
    EXPECT_EQ(Acertos(), (Linhas{{"D", "150.00"}}));

    // The sale moves on to a paying situation: paid back once, then left alone.
    dados->Executar("update mov_nf_comercio set id_situacao_orcamento = 1 where id_nf_comercio = 1");
    painel.legendas.clear();
    motor.GerarAcertosFaseProcesso();
    EXPECT_EQ(Flags(1), "N|N");
    EXPECT_EQ(dados->Linhas("select id_acerto_comissao, tp_acerto, vl_acerto, ds_acerto from mov_acerto_comissao "
                            "where id_acerto_comissao = 2"),
              (Linhas{{"2", "A", "150.00", "COMISSÃO DESBLOQUEADA PELA FASE DO PROCESSO"}}));
    EXPECT_EQ(painel.legendas.back(), "Fase 4/9 - Gerando pagamento de comissões desbloqueadas na fase 2/9");
    EXPECT_EQ(motor.resumo[4].gravados, 1);

    for (int run = 0; run < 3; ++run) motor.GerarAcertosFaseProcesso();
    EXPECT_EQ(Flags(1), "N|N");
    EXPECT_EQ(Acertos(), (Linhas{{"D", "150.00"}, {"A", "150.00"}}));
}

// Only a sale whose nature checks the phase and whose situation does not pay is blocked; every
// other paid entry keeps its commission, however many runs pass.
TEST_F(Fases2a4, NaturezaESituacaoDecidemOBloqueio) {
    struct Caso {
        Venda venda;
        const char* flags;  // after each of three runs
    };
    const std::vector<Caso> casos = {
        {{.natureza = 1, .situacao = "1"}, "N|N"},  // no phase check
        {{.natureza = 1, .situacao = "2"}, "N|N"},
        {{.natureza = 2, .situacao = "1"}, "N|N"},  // paying situation
        {{.natureza = 2, .situacao = "2"}, "S|S"},  // not paying: blocked and deducted
        {{.natureza = 2, .situacao = "null"}, "N|N"},  // no situation counts as neither
        {{.natureza = 2, .situacao = "99"}, "N|N"},
        {{.semNota = true}, "N|N"},
        {{.natureza = 2, .situacao = "2", .emissaoNota = "'31.12.1899'"}, "N|N"},  // before the bound
        {{.natureza = 2, .situacao = "2", .gerada = "null"}, "N|N"},  // not paid: never blocked
    };
    for (std::size_t i = 0; i < casos.size(); ++i) Vender(static_cast<int>(i + 1), casos[i].venda);

    for (int run = 1; run <= 3; ++run) {
        motor.GerarAcertosFaseProcesso();
        for (std::size_t i = 0; i < casos.size(); ++i)
            EXPECT_EQ(Flags(static_cast<int>(i + 1)), casos[i].flags) << "case " << i + 1 << ", run " << run;
        EXPECT_EQ(Acertos(), (Linhas{{"D", "4.00"}})) << "run " << run;
    }
}

TEST_F(Fases2a4, JanelasDeIdade) {
    struct Caso {
        Venda venda;
        const char* flags;
        const char* acerto;  // the settlement written for it, "" for none
    };
    const std::vector<Caso> casos = {
        {{.dias = 44, .natureza = 2, .situacao = "2"}, "N|N", ""},
        {{.dias = 45, .natureza = 2, .situacao = "2"}, "S|S", "D"},
        {{.dias = 90, .natureza = 2, .situacao = "2"}, "S|S", "D"},
        {{.dias = 91, .natureza = 2, .situacao = "2"}, "N|N", ""},
        {{.dias = 119, .natureza = 2, .situacao = "1", .bloqueio = "'S'", .estorno = "'S'"}, "N|N", "A"},
        {{.dias = 120, .natureza = 2, .situacao = "1", .bloqueio = "'S'", .estorno = "'S'"}, "S|S", ""},
        // Unblocked with the deduction outstanding: paid back without 2c, while younger than 120 days.
        {{.dias = 119, .estorno = "'S'", .semNota = true}, "N|N", "A"},
        {{.dias = 120, .estorno = "'S'", .semNota = true}, "N|S", ""},
        // Blocked outside the deduction window: stays, no deduction.
        {{.dias = 100, .bloqueio = "'S'"}, "S|N", ""},
        {{.dias = 30, .bloqueio = "'S'"}, "S|N", ""},
    };
    for (std::size_t i = 0; i < casos.size(); ++i) Vender(static_cast<int>(i + 1), casos[i].venda);

    motor.GerarAcertosFaseProcesso();

    for (std::size_t i = 0; i < casos.size(); ++i) {
        const int id = static_cast<int>(i + 1);
        EXPECT_EQ(Flags(id), casos[i].flags) << "case " << id;
        const Linhas acertos = dados->Linhas("select tp_acerto from mov_acerto_comissao where vl_acerto = " + std::to_string(id));
        EXPECT_EQ(acertos, std::string(casos[i].acerto).empty() ? Linhas{} : Linhas{{casos[i].acerto}}) << "case " << id;
    }
}

// Reversed for a defaulting customer, then blocked: the block takes what the reversal left of the
// seller's advance, once over the seller's sales entries on the invoice; the payback as much.
TEST_F(Fases2a4, BloqueioDepoisDoEstornoTomaORestoDoAdiantamento) {
    struct Caso {
        std::vector<const char*> entradas;  // seller n's paid sales entries on invoice n
        const char *estorno, *acertos;      // the reversal; the deductions, then paybacks: count|sum
    };
    const std::vector<Caso> casos = {{{"20"}, "10", "1|10.00"}, {{"20"}, "0", "1|20.00"}, {{"20"}, "20", "0|0.00"},
                                     {{"20", "20"}, "20", "1|20.00"}, {{"20", "20"}, "10", "2|30.00"}};
    for (std::size_t i = 0; i < casos.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        dados->Nota(i + 1, {{"DT_EMISSAO", DiaSQL(-60)}, {"ID_NAT_OPERACAO", "2"}, {"ID_SITUACAO_ORCAMENTO", "2"}});
        for (std::size_t k = 0; k < casos[i].entradas.size(); ++k)
            dados->Entrada(10 * (i + 1) + k, {{"ID_NF_COMERCIO", n}, {"ID_VENDEDOR", n}, {"DT_EMISSAO", DiaSQL(-60)},
                                              {"VL_COMISSAO", casos[i].entradas[k]}, {"ID_COMISSAO_GERADA", "900"}});
        dados->Acerto(100 + i, {{"ID_VENDEDOR", n}, {"VL_ACERTO", casos[i].estorno}, {"TP_ACERTO", "'D'"},
                                {"ST_CALC_COMISSAO", "'N'"}, {"ID_COMISSAO_ESTORNADA", n}});
    }
    for (const std::string tipo : {"D", "A"}) {
        motor.GerarAcertosFaseProcesso();
        for (std::size_t i = 0; i < casos.size(); ++i)
            EXPECT_EQ(Linha("select count(*), coalesce(sum(vl_acerto), 0) from mov_acerto_comissao where tp_acerto = '" +
                            tipo + "' and id_comissao_estornada is null and id_vendedor = " +
                            std::to_string(i + 1)),
                      casos[i].acertos)
                << tipo << ", case " << i + 1;
        dados->Executar("update mov_nf_comercio set id_situacao_orcamento = 1");
    }
}

TEST_F(Fases2a4, DataDoAcertoEAMaiorEntreHojeEOCredito) {
    // Blocked and not yet deducted: Phase 3 takes them whatever Phase 2 does.
    Vender(1, {.bloqueio = "'S'", .credito = DiaSQL(10)});
    Vender(2, {.bloqueio = "'S'", .credito = DiaSQL(-10)});
    Vender(3, {.bloqueio = "'S'", .credito = "null"});
    Vender(4, {.bloqueio = "'S'", .credito = DiaSQL(0)});

    motor.GerarAcertosFaseProcesso();

    EXPECT_EQ(dados->Linhas("select vl_acerto, dt_pagamento from mov_acerto_comissao order by vl_acerto"),
              (Linhas{{"1.00", Dia(10)}, {"2.00", Dia()}, {"3.00", Dia()}, {"4.00", Dia()}}));
}

TEST_F(Fases2a4, SemEntradasPagasSoNormalizaAsMarcas) {
    dados->Entrada(1, {{"ST_BLOQUEIO_1", "null"}, {"ST_ESTORNO_1", "null"}, {"DT_EMISSAO", DiaSQL(-60)}});
    motor.GerarAcertosFaseProcesso();

    EXPECT_EQ(Flags(1), "N|N");
    EXPECT_EQ(Acertos(), Linhas{});
    EXPECT_EQ(painel.legendas.size(), 2u) << "Phase 3 shows its caption; Phase 4 without rows does not";
    EXPECT_EQ(painel.maximo, 0);
    EXPECT_EQ(painel.posicao, 0);
    EXPECT_TRUE(painel.barraVisivel);
    EXPECT_GE(painel.eventos, 1);
    EXPECT_EQ(motor.sSituacao3, "");
    EXPECT_FALSE(motor.bMensagemAcerto);
}

TEST_F(Fases2a4, OpcaoDeEmissaoDeixaAsEntradasAnterioresDeFora) {
    painel.emissaoAPartir = true;
    painel.dataEmissao = db::SomarDias(AgoraDoTeste(), -70).SoData();
    dados->Entrada(1, {{"ST_BLOQUEIO_1", "null"}, {"ST_ESTORNO_1", "null"}, {"DT_EMISSAO", DiaSQL(-80)}});
    dados->Entrada(2, {{"ST_BLOQUEIO_1", "null"}, {"ST_ESTORNO_1", "null"}, {"DT_EMISSAO", DiaSQL(-60)}});
    Vender(3, {.dias = 80, .natureza = 2, .situacao = "2"});
    Vender(4, {.dias = 60, .natureza = 2, .situacao = "2"});
    Vender(5, {.dias = 80, .bloqueio = "'S'"});               // would be deducted without the option
    Vender(6, {.dias = 80, .estorno = "'S'", .semNota = true});  // would be paid back
    // Its situation does not pay, but its invoice lies before the bound, so the invoice test fails.
    Vender(7, {.dias = 60, .natureza = 2, .situacao = "2", .emissaoNota = DiaSQL(-75)});
    Vender(8, {.dias = 60, .natureza = 1});

    motor.GerarAcertosFaseProcesso();

    EXPECT_EQ(Flags(1), "<null>|<null>");
    EXPECT_EQ(Flags(2), "N|N");
    EXPECT_EQ(Flags(3), "N|N");
    EXPECT_EQ(Flags(4), "S|S");
    EXPECT_EQ(Flags(5), "S|N");
    EXPECT_EQ(Flags(6), "N|S");
    EXPECT_EQ(Flags(7), "N|N");
    EXPECT_EQ(Flags(8), "N|N");
    EXPECT_EQ(Acertos(), (Linhas{{"D", "4.00"}}));
    EXPECT_EQ(motor.it_dDataEmissaoParametro, painel.dataEmissao);
}

// An ERP user holds the entry while the phase writes its deduction: the flag update fails after the
// settlement insert. The settlement must not survive without its flag, even when the connection is
// released with a commit as the run driver does.
TEST_F(Fases2a4, TravaEntreAcertoEMarcaNaoDuplicaODesconto) {
    Vender(1, {.bloqueio = "'S'"});
    {
        TravaDeLinha trava(caminho, "update mov_comissao set nm_cliente = nm_cliente where id_comissao = 1");
        try {
            motor.GerarAcertosFaseProcesso();
            ADD_FAILURE() << "the locked entry should have stopped the phase";
        } catch (const db::ErroBanco& erro) {
            EXPECT_TRUE(erro.TemCodigo(db::kConflitoDeAtualizacao)) << erro.Texto();
        }
    }
    motor.DesconectarBanco();
    EXPECT_EQ(Acertos(), Linhas{});

    motor.ConectarBanco(caminho);
    motor.GerarAcertosFaseProcesso();
    EXPECT_EQ(Acertos(), (Linhas{{"D", "1.00"}}));
    EXPECT_EQ(Flags(1), "S|S");
}

// A failure at any statement or commit of the routine, the connection released as the driver
// releases it, then a complete run: every deduction and payment exists exactly once.
TEST_F(Fases2a4, FalhaEmQualquerPontoSeguidaDeNovaExecucao) {
    auto preparar = [](const std::string& arquivo) {
        CriarBancoDoEsquema(arquivo);
        DadosTeste d(arquivo);
        d.Parametro();
        d.Natureza(1);
        d.Pessoa(100, "Cliente Ltda");
        PrepararFases(d);
        teste::Vender(d, 1, {.bloqueio = "'S'"});                          // to deduct
        teste::Vender(d, 2, {.dias = 100, .estorno = "'S'", .semNota = true});  // to pay back
        teste::Vender(d, 3, {.natureza = 2, .situacao = "2"});             // to block and deduct
        // To unblock and pay back; at 100 days it is past the block window, so a run repeated
        // after the payment does not block it again.
        teste::Vender(d, 4, {.dias = 100, .natureza = 2, .situacao = "1", .bloqueio = "'S'", .estorno = "'S'"});
    };
    auto verificar = [](const std::string& arquivo, const std::string& contexto) {
        DadosTeste d(arquivo);
        EXPECT_EQ(d.Linhas("select tp_acerto, vl_acerto, count(*) from mov_acerto_comissao group by 1, 2 order by 2"),
                  (Linhas{{"D", "1.00", "1"}, {"A", "2.00", "1"}, {"D", "3.00", "1"}, {"A", "4.00", "1"}}))
            << contexto;
        EXPECT_EQ(d.Linhas("select st_bloqueio_1 || st_estorno_1 from mov_comissao order by id_comissao"),
                  (Linhas{{"SS"}, {"NN"}, {"SS"}, {"NN"}}))
            << contexto;
    };

    motor.DesconectarBanco();
    const std::string medida = pasta / "medida.fdb";
    preparar(medida);
    motor.ConectarBanco(medida);
    const std::int64_t antes = db::EstatisticasDoProcesso().operacoes;
    motor.GerarAcertosFaseProcesso();
    const std::int64_t operacoes = db::EstatisticasDoProcesso().operacoes - antes;
    motor.DesconectarBanco();
    verificar(medida, "clean run");
    ASSERT_GT(operacoes, 10);

    for (std::int64_t k = 1; k <= operacoes; ++k) {
        const std::string arquivo = pasta / ("falha" + std::to_string(k) + ".fdb");
        preparar(arquivo);
        motor.ConectarBanco(arquivo);
        db::FalharNaOperacao(k);
        bool falhou = false;
        try {
            motor.GerarAcertosFaseProcesso();
        } catch (const db::ErroBanco&) {
            falhou = true;
        }
        db::FalharNaOperacao(0);
        EXPECT_TRUE(falhou) << "operation " << k;
        motor.DesconectarBanco();
        motor.ConectarBanco(arquivo);
        motor.GerarAcertosFaseProcesso();
        motor.DesconectarBanco();
        verificar(arquivo, "failure at operation " + std::to_string(k));
    }
    motor.ConectarBanco(caminho);
}

}  // namespace
}  // namespace zelprax::teste
