// Phase 1: the invoice's commission base, amount and main rate, its selection, and the failure
// part-way through the invoices.

#include "db/erro.h"
#include "fases_vendas_teste.h"
#include "support/invariantes.h"

namespace zelprax::teste {
namespace {

// An invoice the phase did not touch: no base, no amount, the default rate of 5.
const char* const kIntocada = "<null>|<null>|5.00";

class Fase1 : public FasesTeste {
protected:
    std::string Valores(int nota) {
        return Linha("select vl_base_comissao, vl_comissao, po_comissao from mov_nf_comercio where id_nf_comercio = " +
                     std::to_string(nota));
    }
};

TEST_F(Fase1, BaseValorETaxaPrincipalDoExemplo) {
    // One item of 1000.00 at 5 %, invoice discount 100.00; co-seller at 1.5 % in slot 2 of
    // invoices 2 to 4, part of the main rate only when st_comissao_ad2 is 'N'.
    dados->Nota(1, {{"VL_DESCONTO", "100"}});
    dados->Nota(2, {{"VL_DESCONTO", "100"}, {"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "1.5"}, {"ST_COMISSAO_AD2", "'N'"}});
    dados->Nota(3, {{"VL_DESCONTO", "100"}, {"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "1.5"}, {"ST_COMISSAO_AD2", "'S'"}});
    dados->Nota(4, {{"VL_DESCONTO", "100"}, {"ID_VENDEDOR2", "20"}, {"PO_COMISSAO2", "1.5"}});
    for (int i = 1; i <= 4; ++i) dados->Item(i, i);

    motor.CalcularComissaoVendas();

    EXPECT_EQ(Valores(1), "900.00|45.00|5.00");
    EXPECT_EQ(Valores(2), "900.00|45.00|3.50");
    EXPECT_EQ(Valores(3), "900.00|45.00|5.00");
    EXPECT_EQ(Valores(4), "900.00|45.00|5.00");
    EXPECT_EQ(dados->Contar("select count(*) from mov_nf_comercio where st_calc_comissao = 'S'"), 4)
        << "Phase 1 changes no flag";
    EXPECT_EQ(painel.legendas, std::vector<std::string>{"Fase 1/9 - Calculando comissão das vendas"});
    EXPECT_EQ(painel.maximo, 4);
    EXPECT_EQ(painel.posicao, 4);
    EXPECT_GE(painel.eventos, 1);
    EXPECT_EQ(motor.resumo[1].selecionados, 4);
    EXPECT_EQ(motor.resumo[1].gravados, 4);
}

TEST_F(Fase1, FreteIncluidoSemItensEBaseNaoPositiva) {
    // Included freight leaves the base: 2 x 10.00 of 1000.00.
    dados->Nota(1);
    dados->Item(1, 1, {{"QT_PRODUTO", "2"}, {"VL_UNITARIO", "500"}, {"VL_FRETE_UNIT", "10"}, {"ST_FRETE_INCLUSO", "'S'"}});
    // No items: everything 0.
    dados->Nota(2, {{"VL_BASE_COMISSAO", "7"}, {"VL_COMISSAO", "7"}, {"PO_COMISSAO", "7"}});
    // A discount above the items' total: a negative base and amount, rounded like positive ones,
    // and no main rate.
    dados->Nota(3, {{"VL_DESCONTO", "150"}});
    dados->Item(3, 3, {{"VL_TOTAL", "100"}});

    motor.CalcularComissaoVendas();

    EXPECT_EQ(Valores(1), "980.00|49.00|5.00");
    EXPECT_EQ(Valores(2), "0.00|0.00|0.00");
    EXPECT_EQ(Valores(3), "-50.00|-2.50|0.00");
}

TEST_F(Fase1, SelecionaSoAsNotasAguardandoCalculo) {
    struct Caso {
        Colunas colunas;
        bool selecionada;
    };
    const std::vector<Caso> casos = {
        {{}, true},
        {{{"TP_BASE_COMISSAO_OUTROS", "'P'"}}, true},
        {{{"TP_BASE_COMISSAO_OUTROS", "'C'"}}, true},
        {{{"TP_BASE_COMISSAO_OUTROS", "'R'"}}, false},
        {{{"ID_ST_NF", "5"}}, true},
        {{{"ID_ST_NF", "4"}}, false},
        {{{"ID_ST_NF", "6"}}, false},
        {{{"ST_CALC_COMISSAO", "'N'"}}, false},
        {{{"ST_CALC_COMISSAO", "null"}}, false},
        {{{"VL_PRODUTOS", "0"}}, false},
        {{{"VL_TOTAL_NF", "0"}}, false},
        {{{"ID_NAT_OPERACAO", "99"}}, false},
        {{{"DT_EMISSAO", "'01.01.2001'"}}, true},  // no emission bound unless the option is on
    };
    for (std::size_t i = 0; i < casos.size(); ++i) {
        dados->Nota(static_cast<int>(i + 1), casos[i].colunas);
        dados->Item(static_cast<int>(i + 1), static_cast<int>(i + 1));
    }

    motor.CalcularComissaoVendas();

    for (std::size_t i = 0; i < casos.size(); ++i)
        EXPECT_EQ(Valores(static_cast<int>(i + 1)), casos[i].selecionada ? "1000.00|50.00|5.00" : kIntocada)
            << "caso " << i;
    EXPECT_EQ(motor.resumo[1].selecionados, 5);
}

TEST_F(Fase1, LimiteDeEmissaoIncluiOProprioDia) {
    dados->Nota(1, {{"DT_EMISSAO", "'09.03.2024'"}});
    dados->Nota(2, {{"DT_EMISSAO", "'10.03.2024'"}});
    dados->Nota(3, {{"DT_EMISSAO", "'11.03.2024'"}});
    for (int i = 1; i <= 3; ++i) dados->Item(i, i);
    painel.emissaoAPartir = true;
    painel.dataEmissao = {2024, 3, 10, 18, 30, 0};

    motor.CalcularComissaoVendas();

    EXPECT_EQ(Valores(1), kIntocada);
    EXPECT_EQ(Valores(2), "1000.00|50.00|5.00");
    EXPECT_EQ(Valores(3), "1000.00|50.00|5.00");
}

TEST_F(Fase1, TiposSemComissaoFicamComoEstao) {
    dados->Natureza(7, {{"ID_SUGERIR_COMISSAO", "7"}});
    dados->Natureza(8, {{"ID_SUGERIR_COMISSAO", "-1"}});
    dados->Natureza(9, {{"ID_SUGERIR_COMISSAO", "null"}});  // reads as type 0
    dados->Nota(1, {{"ID_NAT_OPERACAO", "7"}, {"VL_BASE_COMISSAO", "1.23"}});
    dados->Nota(2, {{"ID_NAT_OPERACAO", "8"}, {"VL_BASE_COMISSAO", "1.23"}});
    dados->Nota(3, {{"ID_NAT_OPERACAO", "9"}});
    for (int i = 1; i <= 3; ++i) dados->Item(i, i);

    motor.CalcularComissaoVendas();

    EXPECT_EQ(Valores(1), "1.23|<null>|5.00");
    EXPECT_EQ(Valores(2), "1.23|<null>|5.00");
    EXPECT_EQ(Valores(3), "1000.00|50.00|5.00");
    EXPECT_EQ(painel.posicao, 3) << "the gauge advances for every invoice";
    EXPECT_EQ(motor.resumo[1].ignorados, 2);
}

TEST_F(Fase1, FalhaNaNotaNDeixaAsAnterioresGravadasEAProximaExecucaoCompleta) {
    for (int i = 1; i <= 3; ++i) {
        dados->Nota(i);
        dados->Item(i, i);
    }
    const Inicio inicio = CapturarInicio(*dados);
    {
        TravaDeLinha trava(caminho, "update mov_nf_comercio set vl_frete = 0 where id_nf_comercio = 2");
        try {
            motor.CalcularComissaoVendas();
            FAIL() << "the locked invoice must stop the phase";
        } catch (const db::ErroBanco& erro) {
            EXPECT_TRUE(erro.TemCodigo(db::kConflitoDeAtualizacao)) << erro.Texto();
        }
    }
    EXPECT_EQ(Valores(1), "1000.00|50.00|5.00");
    EXPECT_EQ(Valores(2), kIntocada);
    EXPECT_EQ(Valores(3), kIntocada);

    motor.CalcularComissaoVendas();
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(Valores(i), "1000.00|50.00|5.00");
    EXPECT_EQ(VerificarInvariantes(*dados, inicio), std::vector<std::string>{});
}

TEST_F(Fase1, NotaComItensQueSomamZeroNaoParaAExecucao) {
    // Items netting to 0 leave the amount statement without a discount ratio: the amount is 0, the
    // invoices after it are still computed, and Phase 5 sets the inconsistent ones aside.
    dados->Nota(1);
    dados->Item(1, 1);
    dados->Nota(2, {{"VL_PRODUTOS", "100"}});
    dados->Item(2, 2, {{"VL_TOTAL", "0"}});
    dados->Nota(3, {{"VL_DESCONTO", "50"}});  // the discount is the whole of the divisor's other half
    dados->Item(3, 3, {{"VL_TOTAL", "0"}});
    dados->Nota(4);
    dados->Item(4, 4);

    motor.CalcularComissaoVendas();

    EXPECT_EQ(Valores(1), "1000.00|50.00|5.00");
    EXPECT_EQ(Valores(2), "0.00|0.00|0.00");
    EXPECT_EQ(Valores(3), "-50.00|0.00|0.00");
    EXPECT_EQ(Valores(4), "1000.00|50.00|5.00");

    motor.GerarComissaoVendas();

    for (int nota : {1, 4})
        EXPECT_EQ(Linha("select m.vl_comissao, n.st_calc_comissao, n.id_st_nf from mov_comissao m join mov_nf_comercio n "
                        "on n.id_nf_comercio = m.id_nf_comercio where m.id_nf_comercio = " + std::to_string(nota)),
                  "50.00|N|3")
            << nota;
    for (int nota : {2, 3}) {
        EXPECT_EQ(Linha("select st_calc_comissao, id_st_nf from mov_nf_comercio where id_nf_comercio = " +
                        std::to_string(nota)),
                  "N|6")
            << nota;
        EXPECT_EQ(dados->Contar("select count(*) from mov_log_controle where id_log_evento = 18 and id_log_registro = " +
                                std::to_string(nota)),
                  1)
            << nota;
    }
}

}  // namespace
}  // namespace zelprax::teste
