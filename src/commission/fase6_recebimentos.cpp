// Phase 6: the receipt commission entries (TP_REGISTRO 2) of the receivables awaiting calculation,
// one per seller of the invoice whose commission is earned, wholly or in the part not credited on
// invoicing, as the customer pays.

#include <algorithm>
#include <stdexcept>

#include "commission/calculos.h"
#include "commission/modelo.h"
#include "commission/motor.h"
#include "commission/vendedores_nota.h"
#include "db/sql.h"

namespace zelprax::comissao {

namespace {

const char* const kSelecaoRecebimentos =
    " select mf.id_financeiro, mf.no_documento, mf.vl_documento, mf.dt_baixa, mf.dt_vencto, "
    "mf.id_nf_comercio, mf.vl_desconto, mf.vl_outras_reducoes, mf.vl_abatimento from mov_financeiro mf "
    "inner join mov_nf_comercio mc on (mc.id_nf_comercio = mf.id_nf_comercio) where mf.st_calc_comissao = "
    "'S' AND mf.vl_documento > 0 and mf.id_nf_comercio is not null and mc.id_st_nf in (3,5)";

const char* const kNotaDoRecebimento =
    " select mc.id_nf_comercio, mc.id_empresa, mc.id_vendedor, mc.id_vendedor2, mc.id_vendedor3, "
    "mc.id_vendedor4, mc.id_vendedor5, mc.po_comissao, mc.po_comissao2, mc.po_comissao3, mc.po_comissao4, "
    "mc.po_comissao5, mc.st_credito_fat, mc.st_credito_fat2, mc.st_credito_fat3, mc.st_credito_fat4, "
    "mc.st_credito_fat5, mc.ds_serie_nf, mc.nr_nota_fiscal, mc.dt_emissao, mc.id_destinatario_remetente, "
    "mc.vl_total_nf, mc.vl_produtos, mc.vl_desconto, mc.id_nat_operacao, mc.id_situacao_orcamento, "
    "mc.PO_CREDITO_FAT, mc.PO_CREDITO_FAT2, mc.PO_CREDITO_FAT3, mc.PO_CREDITO_FAT4, mc.PO_CREDITO_FAT5, "
    "mc.id_st_nf, mc.tp_base_comissao_outros, mc.vl_base_comissao, mc.vl_comissao, tno.id_sugerir_comissao, "
    "mc.vl_resultado_venda, mc.st_devolvido, mc.st_incluir_frete_parc, mc.vl_frete, tno.ST_COMISSAO_PAGAR "
    "from mov_nf_comercio mc inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao) "
    "where mc.id_nf_comercio = ";

Moeda LerValor(const db::Consulta& consulta, const char* coluna) {
    return Moeda::DeDezMilesimos(consulta.Campo(coluna).ComoDezMilesimos());
}

// Whether slot n of the invoice yields a receipt entry. A slot credited in full on invoicing has
// nothing left to earn on receipt.
bool SlotAdmitido(const db::Consulta& nota, const SlotVendedor& slot, bool creditado) {
    const std::int32_t situacao = nota.Campo("id_st_nf").ComoInteiro();
    if (situacao != 3 && situacao != 5) return false;
    if (nota.Campo("st_devolvido").ComoTexto() == "S") return false;
    if (slot.idVendedor <= 0) return false;
    if (creditado && !(slot.poCreditoFat < Moeda::DeInteiro(100))) return false;
    return nota.Campo("ST_COMISSAO_PAGAR").ComoTexto() == "S";
}

}  // namespace

void Motor::GravarEntradasRecebimento(ComissaoDaVenda& venda, const db::Consulta& nota, const ParcelaDaVenda& parcela,
                                      ResumoFase& resumoFase) {
    for (int n = 1; n <= kSlotsVendedor; ++n) {
        const SlotVendedor& slot = venda.Slot(n);
        const bool creditado = venda.CreditadoNaParcela(n, parcela);
        if (!SlotAdmitido(nota, slot, creditado)) continue;

        EntradaComissao entrada = EntradaDaNota(*this, nota, n, kEntradaRecebimento);
        entrada.idFinanceiro = parcela.idFinanceiro;
        entrada.noDocumento = parcela.noDocumento;
        entrada.vlOperacao = parcela.vlOperacao;
        if (venda.Dados().freteNaParcela) cFreteComissao = venda.Dados().vlFrete;

        // The receivable's share of the invoice and its discount factor; a zero divisor is an
        // arithmetic error, as in any other calculation of the run.
        const Moeda b = venda.Base(n).value_or(Moeda{});
        const auto fatores = CalcularFatores(LerValor(nota, "vl_total_nf"), LerValor(nota, "vl_produtos"),
                                             LerValor(nota, "vl_desconto"), venda.Dados(), parcela);
        if (!fatores) throw std::runtime_error("Division by zero");
        fFatorParcela = fatores->parcela;
        fFatorDesconto = fatores->desconto;

        // Never more than what the sale still owes the seller: a receivable re-issued, renegotiated
        // or raised with interest does not pay the same commission twice.
        const Moeda v = std::min(venda.Recebimento(n, fFatorParcela, fFatorDesconto, creditado), venda.Espaco(slot.idVendedor));
        entrada.vlComissao = v;
        const Moeda baseFinal = AplicarFatores(b, fFatorParcela, fFatorDesconto);
        entrada.vlBaseComissao = baseFinal;
        entrada.poComissao = baseFinal == Moeda{} ? Moeda{} : DividirValores(v, baseFinal, 100);
        entrada.dtCredito = parcela.dtCredito;
        entrada.stRecebimento = parcela.recebida ? "S" : "N";

        GravarEntradaComissao(*this, entrada, false);
        ++resumoFase.gravados;
        painel_.ProcessarEventos();
    }
}

void Motor::GravarEntradasRecebimento(const db::Consulta& receber, ResumoFase& resumoFase) {
    // The receivable's invoice; when it no longer qualifies no row comes back and no slot passes.
    IBQ_Comercio.Fechar();
    IBQ_Comercio.DefinirSQL(std::string(kNotaDoRecebimento) + db::InteiroSQL(receber.Campo("id_nf_comercio").ComoInteiro()) +
                            " and mc.VL_TOTAL_NF > 0 " + " and mc.id_st_nf in (3,5)");
    IBQ_Comercio.Abrir();
    if (IBQ_Comercio.Fim()) return;
    const std::int32_t idNota = IBQ_Comercio.Campo("id_nf_comercio").ComoInteiro();
    ComissaoDaVenda venda(*this, IBQ_Comercio, LerDadosVenda(*this, idNota));
    GravarEntradasRecebimento(venda, IBQ_Comercio, ParcelaDoRecebimento(receber), resumoFase);
}

void Motor::GerarComissaoRecebimentos() {
    ResumoFase& resumoFase = resumo[6];
    resumoFase = {};
    sSituacao2 = "N";
    bMensagemFinanceiro = false;
    painel_.MostrarLegenda("Fase 6/9 - Gerando comissão dos recebimentos");
    painel_.ProcessarEventos();

    // The unpaid receipt entries of receivables the ERP deleted or zeroed: nothing stands behind
    // them any more. The part of a sale paid in cash has no receivable and stays.
    resumoFase.gravados += RemoverEntradasSemDocumento(
        kEntradaRecebimento, "c.id_financeiro is not null and not exists (select 1 from mov_financeiro mf where "
                             "mf.id_financeiro = c.id_financeiro and mf.vl_documento > 0)");

    const int total = AbrirSelecao(IBQ_Financeiro, kSelecaoRecebimentos, " and mc.dt_emissao >= ");
    resumoFase.selecionados = total;
    bMensagemFinanceiro = total > 0;

    for (; !IBQ_Financeiro.Fim(); IBQ_Financeiro.Proximo()) {
        painel_.ProcessarEventos();
        painel_.Avancar();
        const db::Consulta& receber = IBQ_Financeiro;
        const std::string idFinanceiro = db::InteiroSQL(receber.Campo("id_financeiro").ComoInteiro());

        // A receivable with a paid receipt entry is left alone and keeps its flag.
        const std::string marcar =
            " update mov_financeiro set st_calc_comissao = 'N' where id_financeiro = " + idFinanceiro;
        if (!ReconstruirEntradas(marcar, kEntradaRecebimento, "id_financeiro", idFinanceiro,
                                 [&] { GravarEntradasRecebimento(receber, resumoFase); })) {
            sSituacao2 = "S";
            ++resumoFase.ignorados;
        }
    }
}

}  // namespace zelprax::comissao
