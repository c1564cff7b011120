// Phase 5: the sales commission entries (TP_REGISTRO 1) of the invoices awaiting calculation, one
// per seller credited on invoicing; and the two invoice calculations the receipt phase shares.

#include <algorithm>
#include <set>

#include "commission/calculos.h"
#include "commission/gravacao_conjunta.h"
#include "commission/modelo.h"
#include "commission/motor.h"
#include "commission/vendedores_nota.h"
#include "db/sql.h"

namespace zelprax::comissao {

namespace {

const char* const kSelecaoNotas =
    " select mc.id_nf_comercio, mc.id_empresa, mc.id_vendedor, mc.id_vendedor2, mc.id_vendedor3, "
    "mc.id_vendedor4, mc.id_vendedor5, mc.po_comissao, mc.po_comissao2, mc.po_comissao3, mc.po_comissao4, "
    "mc.po_comissao5, mc.st_credito_fat, mc.st_credito_fat2, mc.st_credito_fat3, mc.st_credito_fat4, "
    "mc.st_credito_fat5, mc.ds_serie_nf, mc.nr_nota_fiscal, mc.dt_emissao, mc.id_destinatario_remetente, "
    "mc.vl_total_nf, mc.vl_produtos, mc.vl_desconto, mc.id_nat_operacao, mc.id_situacao_orcamento, "
    "mc.PO_CREDITO_FAT, mc.PO_CREDITO_FAT, mc.PO_CREDITO_FAT2, mc.PO_CREDITO_FAT3, mc.PO_CREDITO_FAT4, "
    "mc.PO_CREDITO_FAT5, mc.id_st_nf, mc.tp_base_comissao_outros, mc.vl_base_comissao, mc.vl_comissao, "
    "tno.id_sugerir_comissao, mc.vl_resultado_venda, mc.st_devolvido, tno.ST_COMISSAO_PAGAR from "
    "mov_nf_comercio mc inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao) "
    "where mc.st_calc_comissao = 'S' and mc.vl_total_nf > 0  and mc.id_st_nf in (3,5)";

// The item sums of the commission base; the identifier follows.
const char* const kSomasItens[] = {
    " select Sum ((mci.qt_produto * (mci.vl_unitario - (case mci.st_frete_incluso when ",
    nullptr,  // 'S'
    " then case when tp.st_comissao_frete_despesa <> ",
    nullptr,  // 'S'
    " then mci.vl_frete_unit else 0 end else 0 end))) * mci.po_comissao / 100) as Valor_Comissao,",
    " Sum ((mci.qt_produto * (mci.vl_unitario - (case mci.st_frete_incluso when ",
    nullptr,  // 'S'
    " then case when tp.st_comissao_frete_despesa <> ",
    nullptr,  // 'S'
    " then mci.vl_frete_unit else 0 end else 0 end)))) as Base_Comissao,",
    " SUM(mci.vl_outras_ajustado) as vl_outras_ajustado,",
    " SUM(mci.vl_frete_ajustado) as vl_frete_ajustado,",
    " SUM(mci.vl_seguro_ajustado) as vl_seguro_ajustado,",
    " SUM(mci.vl_ipi) as vl_ipi,",
    " SUM(mci.vl_icms_subst) as vl_icms_subst",
    " from mov_nf_comercio_item mci",
    " inner join tab_parametro tp on (tp.id_parametro = 1)",
    " where id_nf_comercio = ",
};

Moeda LerValor(const db::Consulta& consulta, const char* coluna) {
    return Moeda::DeDezMilesimos(consulta.Campo(coluna).ComoDezMilesimos());
}

// Whether slot n of the selected invoice yields a sales entry.
bool SlotAdmitido(const db::Consulta& nota, const SlotVendedor& slot, bool creditado) {
    const std::int32_t situacao = nota.Campo("id_st_nf").ComoInteiro();
    if (situacao != 3 && situacao != 5) return false;
    if (nota.Campo("st_devolvido").ComoTexto() == "S") return false;
    if (slot.idVendedor <= 0) return false;
    if (!creditado) return false;
    return nota.Campo("ST_COMISSAO_PAGAR").ComoTexto() == "S";
}

}  // namespace

Moeda Motor::BaseComissaoItens(std::int32_t idNota) {
    const std::string id = db::InteiroSQL(idNota);
    db::Consulta consulta;
    consulta.Anexar(&Banco());
    AbrirConsulta(consulta, " select mc.VL_DESCONTO, mc.VL_SERVICO from mov_nf_comercio mc where id_nf_comercio = " + id);
    const Moeda desconto = LerValor(consulta, "VL_DESCONTO");
    const Moeda servico = LerValor(consulta, "VL_SERVICO");

    std::string sql;
    for (const char* parte : kSomasItens) sql += parte != nullptr ? parte : db::TextoSQL("S");
    AbrirConsulta(consulta, sql + id);
    Moeda base = LerValor(consulta, "Base_Comissao") - desconto + servico;
    const Moeda outras = LerValor(consulta, "vl_outras_ajustado");
    const Moeda frete = LerValor(consulta, "vl_frete_ajustado");
    const Moeda seguro = LerValor(consulta, "vl_seguro_ajustado");
    const Moeda ipi = LerValor(consulta, "vl_ipi");
    const Moeda icmsSubst = LerValor(consulta, "vl_icms_subst");

    if (LerParametro("ST_COMISSAO_FRETE_DESPESA") == "S") base += outras + frete + seguro;
    if (LerParametro("ST_COMISSAO_IPI_ICMSST") == "S") base += ipi + icmsSubst;
    return base;
}

Moeda Motor::ValorReducaoComissao(std::int32_t idNota) {
    db::Consulta consulta;
    consulta.Anexar(&Banco());
    AbrirConsulta(consulta,
                  " select Sum(mci.qt_produto * mci.vl_unit_reducao_comissao) as vl_reducao_comissao from "
                  "mov_nf_comercio mc inner join mov_nf_comercio_item mci on (mc.id_nf_comercio = "
                  "mci.id_nf_comercio) inner join cad_produto cp on (cp.id_produto = mci.id_produto) where "
                  "mci.id_nf_comercio = " +
                      db::InteiroSQL(idNota));
    return LerValor(consulta, "vl_reducao_comissao");
}

void Motor::GravarEntradasVenda(ComissaoDaVenda& venda, ResumoFase& resumoFase) {
    for (int n = 1; n <= kSlotsVendedor; ++n) {
        const SlotVendedor& slot = venda.Slot(n);
        if (!SlotAdmitido(IBQ_Comercio, slot, venda.Creditado(n))) continue;

        EntradaComissao entrada = EntradaDaNota(*this, IBQ_Comercio, n, kEntradaVenda);
        const std::string serie = IBQ_Comercio.Campo("ds_serie_nf").ComoTexto();
        if (!serie.empty()) entrada.dsSerie = serie;
        const std::string numero = IBQ_Comercio.Campo("nr_nota_fiscal").ComoTexto();
        if (!numero.empty()) entrada.noDocumento = numero;
        entrada.vlOperacao = LerValor(IBQ_Comercio, "vl_total_nf");
        entrada.dtCredito = entrada.dtEmissao;
        entrada.stRecebimento = "S";

        const std::optional<Moeda> base = venda.Base(n);
        entrada.vlBaseComissao = base;
        const Moeda b = base.value_or(Moeda{});
        const Moeda v = std::min(venda.Adiantamento(n), venda.Espaco(slot.idVendedor));
        entrada.vlComissao = v;
        entrada.poComissao = b == Moeda{} ? Moeda{} : DividirValores(v, b, 100);

        GravarEntradaComissao(*this, entrada, false);
        ++resumoFase.gravados;
        painel_.ProcessarEventos();
    }
}

bool Motor::ReconstruirNota(std::int32_t idNota, ResumoFase& resumoFase) {
    const std::string id = db::InteiroSQL(idNota);
    db::Transacao& transacao = Banco().TransacaoPadrao();
    GravacaoConjunta gravacao(transacao);
    const auto travadas = TravarEntradas("id_nf_comercio = " + id + " and tp_registro in (1, 2)", transacao);
    IBQ_Pesquisa.DefinirTransacao(&transacao);
    if (EntradaJaPaga(kEntradaVenda, "id_nf_comercio", id)) {
        transacao.CommitRetaining();  // releases the locks; nothing else is pending
        gravacao.Concluir();
        return false;
    }

    // The receivables, by receivable as the receipt phase does them. One whose share cannot be
    // worked out (a zero divisor) is left for the receipt phase, which reports it when it is marked.
    const DadosVenda dados = LerDadosVenda(*this, idNota);
    std::vector<ParcelaDaVenda> parcelas;
    std::set<std::int32_t> deixados;
    {
        db::Consulta receber("qryRecebimentosDaNota");
        receber.Anexar(&Banco());
        receber.DefinirTransacao(&transacao);
        receber.DefinirSQL(" select mf.id_financeiro, mf.no_documento, mf.vl_documento, mf.dt_baixa, mf.dt_vencto, "
                           "mf.id_nf_comercio, mf.vl_desconto, mf.vl_outras_reducoes, mf.vl_abatimento from "
                           "mov_financeiro mf where mf.id_nf_comercio = " + id + " and mf.vl_documento > 0");
        receber.Abrir();
        for (; !receber.Fim(); receber.Proximo()) {
            ParcelaDaVenda parcela = ParcelaDoRecebimento(receber);
            if (CalcularFatores(LerValor(IBQ_Comercio, "vl_total_nf"), LerValor(IBQ_Comercio, "vl_produtos"),
                                LerValor(IBQ_Comercio, "vl_desconto"), dados, parcela))
                parcelas.push_back(std::move(parcela));
            else
                deixados.insert(*parcela.idFinanceiro);
        }
    }

    // What the rebuild replaces: every sales entry; the receipts of the receivables no paid entry
    // holds (those of receivables gone too); the part paid in cash, unless an entry of it is paid.
    std::set<std::int32_t> financeirosPagos;
    bool aVistaPago = false;
    for (const EntradaTravada& e : travadas)
        if (e.tpRegistro == kEntradaRecebimento && e.paga) {
            if (e.idFinanceiro != 0) financeirosPagos.insert(e.idFinanceiro);
            else aVistaPago = true;
        }
    std::vector<EntradaTravada> vendas, recebimentos;
    for (const EntradaTravada& e : travadas) {
        if (e.tpRegistro != kEntradaRecebimento) {
            vendas.push_back(e);
        } else if (!e.paga && (e.idFinanceiro == 0 ? !aVistaPago
                                                    : !financeirosPagos.count(e.idFinanceiro) &&
                                                          !deixados.count(e.idFinanceiro))) {
            recebimentos.push_back(e);
        }
    }

    IBQ_Gen.DefinirTransacao(&transacao);
    ExecutarEmGen(" update mov_nf_comercio set st_calc_comissao = 'N' where id_nf_comercio = " + id);
    ContarRemovidas(vendas, transacao);
    ExecutarEmGen(" delete from mov_comissao where tp_registro = 1 and id_nf_comercio = " + id);
    RemoverEntradas(recebimentos, transacao);

    // A slot whose advance was reversed for a defaulting customer is rebuilt as credited: its
    // reversal stays and keeps taking back its share.
    ComissaoDaVenda venda(*this, IBQ_Comercio, dados);
    GravarEntradasVenda(venda, resumoFase);

    // The part of the sale not financed was received at invoicing.
    const Moeda total = LerValor(IBQ_Comercio, "vl_total_nf");
    if (!aVistaPago && FatorAVista(total, venda.Dados()) > 0) {
        ParcelaDaVenda aVista;
        const std::string numero = IBQ_Comercio.Campo("nr_nota_fiscal").ComoTexto();
        if (!numero.empty()) aVista.noDocumento = numero;
        aVista.vlOperacao = total - std::max(*venda.Dados().vlFinanceiro, Moeda{});
        aVista.dtCredito = IBQ_Comercio.Campo("dt_emissao").ComoDataHora().SoData();
        aVista.recebida = true;
        GravarEntradasRecebimento(venda, IBQ_Comercio, aVista, resumoFase);
    }

    // Each receivable rebuilt is marked calculated, as the receipt phase marks it.
    for (const ParcelaDaVenda& parcela : parcelas) {
        if (financeirosPagos.count(*parcela.idFinanceiro)) continue;
        GravarEntradasRecebimento(venda, IBQ_Comercio, parcela, resumoFase);
        ExecutarEmGen(" update mov_financeiro set st_calc_comissao = 'N' where id_financeiro = " +
                      db::InteiroSQL(*parcela.idFinanceiro));
    }

    ExecutarEmGen(" commit retain");
    gravacao.Concluir();
    return true;
}

void Motor::RemoverEntradasDeNotasCanceladas(ResumoFase& resumoFase) {
    db::Consulta notas("qryNotasCanceladas");
    notas.Anexar(&Banco());
    notas.DefinirSQL(" select mc.id_nf_comercio from mov_nf_comercio mc where mc.st_calc_comissao = 'S' and "
                     "(coalesce(mc.id_st_nf, 0) not in (3, 5, 6) or (mc.id_st_nf in (3, 5) and "
                     "coalesce(mc.vl_total_nf, 0) <= 0))");
    if (painel_.EmissaoAPartir()) notas.AdicionarLinha(LinhaEmissao(" and mc.dt_emissao >= "));
    notas.Abrir();
    notas.BuscarTodos();
    resumoFase.selecionados += notas.Contagem();
    for (; !notas.Fim(); notas.Proximo()) {
        painel_.ProcessarEventos();
        const std::string id = db::InteiroSQL(notas.Campo("id_nf_comercio").ComoInteiro());
        db::Transacao& transacao = Banco().TransacaoPadrao();
        GravacaoConjunta gravacao(transacao);
        auto travadas = TravarEntradas("id_nf_comercio = " + id + " and tp_registro in (1, 2)", transacao);
        std::erase_if(travadas, [](const EntradaTravada& e) { return e.paga; });
        IBQ_Gen.DefinirTransacao(&transacao);
        ExecutarEmGen(" update mov_nf_comercio set st_calc_comissao = 'N' where id_nf_comercio = " + id);
        RemoverEntradas(travadas, transacao);
        ExecutarEmGen(" commit retain");
        gravacao.Concluir();
        resumoFase.gravados += static_cast<int>(travadas.size());
    }
}

void Motor::GerarComissaoVendas() {
    ResumoFase& resumoFase = resumo[5];
    resumoFase = {};
    sSituacao1 = "N";
    bMensagemComercio = false;
    painel_.MostrarLegenda("Fase 5/9 - Gerando comissão das vendas");
    painel_.ProcessarEventos();

    // A marked invoice cancelled since its entries were built keeps nothing unpaid.
    RemoverEntradasDeNotasCanceladas(resumoFase);
    const int total = AbrirSelecao(IBQ_Comercio, kSelecaoNotas, " and mc.dt_emissao >= ");
    resumoFase.selecionados += total;
    bMensagemComercio = resumoFase.selecionados > 0;

    for (; !IBQ_Comercio.Fim(); IBQ_Comercio.Proximo()) {
        painel_.ProcessarEventos();
        painel_.Avancar();
        const std::int32_t idNota = IBQ_Comercio.Campo("id_nf_comercio").ComoInteiro();
        const std::string id = db::InteiroSQL(idNota);

        // Totals that disagree with the items or the receivables: the invoice is set aside and
        // logged; its entries stay as they are.
        if (DocumentoDivergente(idNota)) {
            ExecutarComando(IBQ_Gen,
                            " update mov_nf_comercio set st_calc_comissao = " + db::TextoSQL("N") + "," +
                                " id_st_nf = 6" + " where id_nf_comercio = " + id,
                            false);
            ExecutarComando(IBQ_Gen,
                            " insert into mov_log_controle (ID_LOG_EVENTO, DH_LOG_EVENTO, ID_LOG_USUARIO, "
                            "ID_LOG_REGISTRO, DS_LOG_OBSERVACAO) values (18," +
                                db::DataHoraSQL(relogio_.Agora()) + "," + "-1," + id + "," +
                                db::TextoSQL("Cálculo de Comissão") + ")",
                            true);
            ++resumoFase.ignorados;
            continue;
        }

        // An invoice with a paid sales entry is left alone and keeps its flag.
        if (!ReconstruirNota(idNota, resumoFase)) {
            sSituacao1 = "S";
            ++resumoFase.ignorados;
        }
    }
}

}  // namespace zelprax::comissao
