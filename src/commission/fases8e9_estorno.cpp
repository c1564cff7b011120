// Phases 8 and 9: the advance commission of an invoice whose customer defaults is taken back.
// Phase 8 marks the invoices with a receivable overdue beyond the payment plan's grace days and
// works out the share of the invoice the customer has not paid; Phase 9 writes, for every seller
// slot credited at invoicing, a deduction settlement of the advance the seller was actually
// credited times that share, and closes the invoice so that it is never reversed twice.
//
// An advance is taken back once: a seller whose advance carries a deduction of the commercial-phase
// blocking is left for a later run (the invoice stays marked), and reversed only once that
// deduction is paid back. Once the deduction can no longer be paid back (Phase 4's window has
// passed), the deduction took the advance for good: the invoice is closed without reversing that
// seller.

#include "commission/acertos_fase.h"
#include "commission/estorno.h"
#include "commission/gravacao_conjunta.h"
#include "commission/modelo.h"
#include "commission/motor.h"
#include "commission/vendedores_nota.h"
#include "db/sql.h"

namespace zelprax::comissao {

namespace {

const char* const kMarcarNotas =
    " update mov_nf_comercio mc set mc.st_calc_estorno = 'S' where mc.id_nf_comercio in (select mf.id_nf_comercio "
    "from mov_financeiro mf inner join mov_nf_comercio nf on (nf.id_nf_comercio = mf.id_nf_comercio) left join "
    "tab_plano_pagto tpp on (tpp.id_plano_pagto = nf.id_plano_pagto) where mf.dt_baixa is null and mf.dt_vencto < "
    "(current_date - tpp.qt_dias_estorna_comissao) and mf.id_nf_comercio is not null and mf.id_tp_mov_financ in "
    "(2, 8)) and mc.st_estornar_comissao = 'S' and (mc.st_calc_estorno <> 'S' or mc.st_calc_estorno is null) and "
    "mc.id_comissao_estornada is null and mc.vl_total_nf > 0  and mc.id_st_nf in (3,5)";

const char* const kMarcarRecebimentos =
    " update mov_financeiro mf set mf.st_estornar_comissao = 'S' where mf.id_nf_comercio in (select "
    "mc.id_nf_comercio from mov_nf_comercio mc where mc.st_calc_estorno = 'S') and mf.id_comissao_gerada is null";

// The unpaid share: the open receivables whose commission is not paid, each counted by the share
// of the invoice Phase 6 gives it. With the freight charged in an instalment, the one whose
// number holds "/A" carries the freight, and the freight is left out of it and of the total; an
// invoice of nothing but freight is counted as one without the freight rule.
const char* const kCalcularParteNaoPaga =
    " update mov_nf_comercio mc set mc.po_comissao_estornada =((select Sum(mf.vl_documento - case when "
    "position('/A' in mf.no_documento) > 0 then (case when mc.st_incluir_frete_parc = 'S' and mc.vl_frete <> "
    "mc.vl_total_nf then mc.vl_frete else 0 end) else 0 end) from mov_financeiro mf where mf.id_nf_comercio = "
    "mc.id_nf_comercio and mf.id_comissao_gerada is null and mf.dt_baixa is null) / (mc.vl_total_nf - case when "
    "mc.st_incluir_frete_parc = 'S' and mc.vl_frete <> mc.vl_total_nf then mc.vl_frete else 0 end)) * 100 where "
    "mc.st_calc_estorno = 'S' and mc.vl_total_nf > 0  and mc.id_st_nf in (3,5)";

const char* const kSelecaoNotasMarcadas =
    " select mc.id_nf_comercio, mc.id_empresa, mc.id_vendedor, mc.id_vendedor2, mc.id_vendedor3, mc.id_vendedor4, "
    "mc.id_vendedor5, mc.po_comissao, mc.po_comissao2, mc.po_comissao3, mc.po_comissao4, mc.po_comissao5, "
    "mc.st_credito_fat, mc.st_credito_fat2, mc.st_credito_fat3, mc.st_credito_fat4, mc.st_credito_fat5, "
    "mc.ds_serie_nf, mc.nr_nota_fiscal, mc.dt_emissao, mc.id_destinatario_remetente, mc.vl_total_nf, "
    "mc.vl_produtos, mc.vl_desconto, mc.id_nat_operacao, mc.id_situacao_orcamento, mc.PO_CREDITO_FAT, "
    "mc.PO_CREDITO_FAT, mc.PO_CREDITO_FAT2, mc.PO_CREDITO_FAT3, mc.PO_CREDITO_FAT4, mc.PO_CREDITO_FAT5, "
    "mc.po_comissao_estornada from mov_nf_comercio mc where st_calc_estorno = 'S' and mc.vl_total_nf > 0  and "
    "mc.id_st_nf in (3,5)";

void Executar(db::Consulta& gen, const std::string& sql, const std::string& linhaOpcao = {}) {
    gen.Fechar();
    gen.DefinirSQL(sql);
    if (!linhaOpcao.empty()) gen.AdicionarLinha(linhaOpcao);
    gen.Executar();
}

// Keeps the settlement data set on the transaction of IBQ_Gen while Phase 9 runs, so that a
// settlement and its slot update share one commit; the previous binding comes back afterwards
// (none when it ran in the connection's own transaction, which ends with the connection).
class AcertosNaTransacaoDe {
public:
    AcertosNaTransacaoDe(db::InsercaoPreparada& acertos, db::Consulta& gen, db::BancoDados& banco)
        : acertos_(acertos), atual_(gen.TransacaoAtual()) {
        db::Transacao* anterior = &acertos.TransacaoAtual();
        anterior_ = anterior == &banco.TransacaoPadrao() ? nullptr : anterior;
        acertos_.DefinirTransacao(&atual_);
    }
    ~AcertosNaTransacaoDe() { acertos_.DefinirTransacao(anterior_); }
    AcertosNaTransacaoDe(const AcertosNaTransacaoDe&) = delete;
    AcertosNaTransacaoDe& operator=(const AcertosNaTransacaoDe&) = delete;

    db::Transacao& Transacao() { return atual_; }

private:
    db::InsercaoPreparada& acertos_;
    db::Transacao& atual_;
    db::Transacao* anterior_ = nullptr;
};

// Locks the invoice in `trava`'s transaction and reads it again: true while the slot's advance
// commission is still credited and the invoice still marked for reversal.
bool SlotAindaAEstornar(db::Consulta& trava, const std::string& idNota, int slot) {
    trava.Fechar();
    trava.DefinirSQL(" select " + ColunaSlot("ST_CREDITO_FAT", slot) +
                     " as st_credito_fat, st_calc_estorno from mov_nf_comercio where id_nf_comercio = " + idNota +
                     " with lock");
    trava.Abrir();
    const bool aEstornar = !trava.Fim() && trava.Campo("st_credito_fat").ComoTexto() == "S" &&
                           trava.Campo("st_calc_estorno").ComoTexto() == "S";
    trava.Fechar();
    return aEstornar;
}

// What the seller of a slot was credited on the invoice, read under the invoice's lock.
struct AdiantamentoVendedor {
    Moeda valor;                  // the seller's sales entries on the invoice
    bool creditado = false;       // there is such an entry
    bool descontoPendente = false;  // one of them carries an outstanding blocking deduction
    bool descontoADevolver = false;  // one such deduction that Phase 4 can still pay back
    bool estornado = false;       // a reversal was already written for the seller (another slot)
};

AdiantamentoVendedor LerAdiantamento(db::Consulta& consulta, std::int32_t idNota, std::int32_t idVendedor,
                                     const db::DataHora& hoje) {
    AdiantamentoVendedor a;
    consulta.Fechar();
    consulta.DefinirSQL(SqlAdiantamentoVendedor(idNota, idVendedor));
    consulta.Abrir();
    a.valor = Moeda::DeDezMilesimos(consulta.Campo("vl_adiantamento").ComoDezMilesimos());
    a.creditado = consulta.Campo("entradas").ComoInteiro() > 0;
    a.descontoPendente = consulta.Campo("descontos").ComoInteiro() > 0;
    consulta.Fechar();
    if (a.descontoPendente) {
        consulta.DefinirSQL(SqlDescontosADevolver(idNota, idVendedor, hoje));
        consulta.Abrir();
        a.descontoADevolver = consulta.Campo("a_devolver").ComoInteiro() > 0;
        consulta.Fechar();
    }
    consulta.DefinirSQL(SqlEstornosVendedor(idNota, idVendedor));
    consulta.Abrir();
    a.estornado = consulta.Campo("estornos").ComoInteiro() > 0;
    consulta.Fechar();
    return a;
}

}  // namespace

Moeda ValorEstornoSlot(Moeda adiantamento, Moeda poComissaoEstornada) {
    return Moeda::DeLongDouble(adiantamento.ComoLongDouble() * poComissaoEstornada.ComoLongDouble() / 100.0L);
}

std::string SqlAdiantamentoVendedor(std::int32_t idNota, std::int32_t idVendedor) {
    return " select coalesce(sum(c.vl_comissao), 0) as vl_adiantamento, count(*) as entradas, "
           "sum(case when c.st_estorno_1 = 'S' then 1 else 0 end) as descontos from mov_comissao c "
           "where c.tp_registro = '1' and c.id_nf_comercio = " +
           db::InteiroSQL(idNota) + " and c.id_vendedor = " + db::InteiroSQL(idVendedor);
}

std::string SqlDescontosADevolver(std::int32_t idNota, std::int32_t idVendedor, const db::DataHora& hoje) {
    return " select count(*) as a_devolver from mov_comissao c where c.tp_registro = '1' and c.id_nf_comercio = " +
           db::InteiroSQL(idNota) + " and c.id_vendedor = " + db::InteiroSQL(idVendedor) +
           " and c.st_estorno_1 = 'S' and c.id_comissao_gerada is not null and c.dt_emissao > " +
           db::DataSQL(db::SomarDias(hoje, -kDiasParaDevolverDesconto));
}

std::string SqlEstornosVendedor(std::int32_t idNota, std::int32_t idVendedor) {
    return " select count(*) as estornos from mov_acerto_comissao where id_comissao_estornada = " +
           db::InteiroSQL(idNota) + " and id_vendedor = " + db::InteiroSQL(idVendedor);
}

void Motor::GerarEstornoInadimplentes() {
    resumo[8] = {};
    resumo[9] = {};
    const auto opcao = [this](const char* prefixo) { return LinhaEmissao(prefixo); };

    // Phase 8: marking, three set-based statements, each committed at once. The receivables'
    // marking (8b) follows every marked invoice, whatever its emission date.
    painel_.MostrarLegenda("Fase 8/9 - Marcando estorno da comissão de inadimplentes");
    painel_.ProcessarEventos();
    painel_.MostrarBarra(true);
    painel_.DefinirMaximo(3);
    painel_.DefinirPosicao(1);
    Executar(IBQ_Gen, kMarcarNotas, opcao(" and mc.dt_emissao >= "));
    Executar(IBQ_Gen, "Commit retain");
    painel_.Avancar();
    Executar(IBQ_Gen, kMarcarRecebimentos);
    Executar(IBQ_Gen, " Commit retain");
    painel_.Avancar();
    Executar(IBQ_Gen, kCalcularParteNaoPaga, opcao(" and mc.dt_emissao >= "));
    Executar(IBQ_Gen, " Commit retain");
    painel_.Avancar();

    // Phase 9: reversal settlements of the marked invoices.
    painel_.MostrarLegenda("Fase 9/9 - Gerando estorno da comissão de inadimplentes da fase 8/9");
    painel_.ProcessarEventos();
    IBQ_Comercio.Fechar();
    IBQ_Comercio.DefinirSQL(kSelecaoNotasMarcadas);
    const std::string linhaOpcao = opcao(" and mc.dt_emissao >= ");
    if (!linhaOpcao.empty()) IBQ_Comercio.AdicionarLinha(linhaOpcao);
    IBQ_Comercio.Abrir();
    IBQ_Comercio.BuscarTodos();
    resumo[9].selecionados = IBQ_Comercio.Contagem();
    painel_.MostrarBarra(true);
    painel_.DefinirMaximo(IBQ_Comercio.Contagem());
    painel_.DefinirPosicao(0);

    AcertosNaTransacaoDe vinculo(IBD_AcertoComissao, IBQ_Gen, Banco());
    db::Consulta trava("qryTravaNota");
    trava.Anexar(&Banco());
    trava.DefinirTransacao(&vinculo.Transacao());
    for (; !IBQ_Comercio.Fim(); IBQ_Comercio.Proximo()) {
        painel_.ProcessarEventos();
        painel_.Avancar();
        const db::Consulta& nota = IBQ_Comercio;
        auto valor = [&nota](const char* coluna) { return Moeda::DeDezMilesimos(nota.Campo(coluna).ComoDezMilesimos()); };
        const std::int32_t idNota = nota.Campo("id_nf_comercio").ComoInteiro();
        const std::string idNotaSQL = db::InteiroSQL(idNota);

        bool aguardaDesconto = false;  // a seller's advance is held by a blocking deduction
        for (int n = 1; n <= kSlotsVendedor; ++n) {
            IBD_AcertoComissao.Fechar();
            IBD_AcertoComissao.Abrir();
            const SlotVendedor slot = LerSlotVendedor(nota, n);
            if (slot.idVendedor <= 0 || slot.stCreditoFat != "S") continue;

            // Another run on the same database may have reversed this slot since the selection
            // was read: the invoice is locked and the slot read again first, and a slot already
            // reversed (or an invoice already closed) is left alone. A run still writing it holds
            // the lock, and this one stops with the server's lock conflict.
            if (!SlotAindaAEstornar(trava, idNotaSQL, n)) {
                vinculo.Transacao().CommitRetaining();  // releases the lock; nothing else is pending
                ++resumo[9].ignorados;
                continue;
            }

            // Only what the seller was actually credited is taken back, and only once: nothing
            // when no advance was credited, nothing while the blocking holds a deduction of it
            // (the invoice waits for that deduction to be paid back while it still can be; past
            // that the deduction keeps the advance and the slot stays as it is), and for a seller
            // in two slots, one reversal of the whole advance.
            const AdiantamentoVendedor adiantamento =
                LerAdiantamento(trava, idNota, slot.idVendedor, relogio_.Agora());
            if (!adiantamento.creditado || adiantamento.descontoPendente) {
                aguardaDesconto = aguardaDesconto || adiantamento.descontoADevolver;
                vinculo.Transacao().CommitRetaining();
                ++resumo[9].ignorados;
                continue;
            }
            const auto estornarSlot = [&] {
                Executar(IBQ_Gen, " update mov_nf_comercio set " + ColunaSlot("ST_CREDITO_FAT", n) + " = " + "'" +
                                      "N" + "'" + " where id_nf_comercio = " + idNotaSQL);
                Executar(IBQ_Gen, " commit retain");
            };
            if (adiantamento.estornado) {
                GravacaoConjunta gravacao(vinculo.Transacao());
                estornarSlot();
                gravacao.Concluir();
                ++resumo[9].ignorados;
                continue;
            }

            AcertoComissao acerto;
            acerto.dtPagamento = relogio_.Agora().SoData();
            acerto.idVendedor = slot.idVendedor;
            acerto.vlAcerto = ValorEstornoSlot(adiantamento.valor, valor("po_comissao_estornada"));
            acerto.tpAcerto = "D";
            acerto.stIrrf = "S";
            acerto.dsAcerto = "Estorno da comissão antecipada da NF " + nota.Campo("nr_nota_fiscal").ComoTexto();
            acerto.idEmpresa = nota.Campo("id_empresa").ComoInteiro();
            acerto.stCalcComissao = "S";
            acerto.idComissaoEstornada = idNota;

            // The settlement and the slot's ST_CREDITO_FAT are one commit: a settlement kept
            // without its flag would be written again by the next run.
            GravacaoConjunta gravacao(vinculo.Transacao());
            GravarAcertoComissao(*this, acerto, false);
            vinculo.Transacao().AoConfirmar([this, vendedor = acerto.idVendedor, valor = acerto.vlAcerto] {
                efeito.AcertoGravado(vendedor, TipoAcertoExecucao::Estorno, valor);
            });
            estornarSlot();
            gravacao.Concluir();
            ++resumo[9].gravados;
            painel_.ProcessarEventos();
        }

        // The invoice is closed, with or without settlements, and committed before the next one;
        // one whose seller waits for a blocking deduction stays marked for the next runs.
        if (aguardaDesconto) continue;
        Executar(IBQ_Gen, " update mov_nf_comercio set st_calc_estorno = 'N', id_comissao_estornada = " + idNotaSQL +
                              " where id_nf_comercio = " + idNotaSQL + " and mov_nf_comercio.vl_total_nf > 0 " +
                              " and mov_nf_comercio.id_st_nf in (3,5)");
        Executar(IBQ_Gen, " commit retain");
    }
    Executar(IBQ_Gen, " commit retain");
}

}  // namespace zelprax::comissao
