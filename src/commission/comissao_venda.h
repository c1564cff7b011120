#pragma once
// What one sale owes each of its sellers, as the sales phase (the advance credited on invoicing and
// the part the customer paid in cash) and the receipt phase (each receivable's share) work it out
// from the invoice. Both phases take every figure from here, so that the advance, the cash part and
// the receipts of a slot add up to the slot's commission on the sale, and so that no seller's
// entries on an invoice, less the reversals written for them, ever add up to more than that.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "commission/moeda.h"
#include "commission/vendedores_nota.h"
#include "db/consulta.h"
#include "db/datas.h"

namespace zelprax::comissao {

class Motor;

// The invoice's columns the phases' own selections do not give.
struct DadosVenda {
    std::optional<Moeda> vlFinanceiro;  // the financed total; null when the ERP stored none
    Moeda vlFrete;
    bool freteNaParcela = false;  // ST_INCLUIR_FRETE_PARC 'S': the freight is charged in an instalment
    std::array<std::string, kSlotsVendedor + 1> stComissaoAd;  // slots 2 to 5: "N" = not additional
    bool estorno = false;  // the advance of a defaulting customer is being or was reversed
};
DadosVenda LerDadosVenda(Motor& motor, std::int32_t idNota);

// What one receipt entry stands for: a receivable of the sale, or the part of the sale paid in cash
// at invoicing (no receivable).
struct ParcelaDaVenda {
    std::optional<std::int32_t> idFinanceiro;  // empty: the cash part
    std::optional<std::string> noDocumento;
    Moeda vlOperacao;        // the receivable's amount; for the cash part, the amount paid in cash
    Moeda reducoes;          // the discounts granted on the receivable
    db::DataHora dtCredito;  // the payment date, or the due date while it is open
    bool recebida = false;
};

class ComissaoDaVenda {
public:
    // `nota` is the invoice's row, with the columns of the sales phase's selection, and stays on
    // that row while this object is used.
    ComissaoDaVenda(Motor& motor, const db::Consulta& nota, DadosVenda dados);

    std::int32_t IdNota() const { return idNota_; }
    const DadosVenda& Dados() const { return dados_; }
    // The slot with its credit share held within 0 to 100 (a share outside is reported in the
    // run's warnings).
    const SlotVendedor& Slot(int n) const { return slots_[static_cast<std::size_t>(n)]; }
    // Whether part of the slot's commission was credited on invoicing. A slot whose advance was
    // reversed for a defaulting customer still counts as credited (the reversal cleared its flag):
    // its advance is rebuilt as it was, and the reversal keeps taking back its share.
    bool Creditado(int n) const;
    // Whether a receipt entry of the slot takes only the share not credited on invoicing. For a
    // reversed slot the part paid in cash and the receivables paid before the day of the reversal do;
    // the receivables the reversal counted as unpaid earn the full share once paid, since their
    // share of the advance was taken back.
    bool CreditadoNaParcela(int n, const ParcelaDaVenda& parcela) const;

    // The base rule's base of the slot, when it sets one.
    std::optional<Moeda> Base(int n);
    // The invoice's commission reduction.
    Moeda Reducao();
    // The slot's commission on the whole sale: base x rate / 100, rounded; a co-seller whose rate is
    // part of the main rate gets its share of the invoice's own commission when the co-sellers'
    // rates add up to more than it (the main seller then gets nothing). Negative for a negative rate.
    Moeda Integral(int n);
    // The sales entry's commission: the share credited on invoicing, less the invoice's reduction,
    // never below 0.
    Moeda Adiantamento(int n);
    // The part of the reduction that comes off the slot's receipts and cash part: all of it for a
    // slot not credited on invoicing, what the advance could not absorb for one credited.
    Moeda ReducaoRestante(int n);

    // The slot's entry of a receipt or of the cash part: the share `fatorParcela` of the sale, with
    // the discount factor `fatorDesconto` of the receivable; of the share not credited on invoicing
    // when `creditado`. Not yet bounded.
    Moeda Recebimento(int n, double fatorParcela, double fatorDesconto, bool creditado);

    // What the seller may still be given on the invoice: the seller's commission on the sale (every
    // slot of the seller, each less the reduction, never below 0) less the seller's entries of the
    // invoice as stored (sales and receipts, those this unit of work already wrote included) plus
    // the reversals written for the seller. Never below 0. The unpaid receipts of a receivable
    // marked for calculation are left out: the receipt phase rebuilds them, each against what the
    // ones rebuilt before it took, so that receivables the ERP re-balanced add up to the whole.
    Moeda Espaco(std::int32_t vendedor);

private:
    Motor& motor_;
    const db::Consulta& nota_;
    DadosVenda dados_;
    std::int32_t idNota_ = 0;
    std::array<SlotVendedor, kSlotsVendedor + 1> slots_{};
    std::array<double, kSlotsVendedor + 1> rateio_{};  // the factor on each slot's rate (1: as it stands)
    std::array<std::optional<std::optional<Moeda>>, kSlotsVendedor + 1> bases_{};
    std::optional<Moeda> reducao_;
    std::map<std::int32_t, db::DataHora> estornos_;  // seller -> the day of the reversal of its advance
};

// The share of the sale paid in cash: the part of the total not financed, against the total less
// the freight charged in an instalment (the share the receivables of the sale leave over). 0 when
// the financed total is null, not below the total, or there is nothing to share.
double FatorAVista(Moeda total, const DadosVenda& dados);

// The share of the sale a receipt entry stands for (the instalment factor) and the receivable's
// discount factor, from the invoice's total `t`, products `p` and discount `dn`: a receivable's
// share of the total, the freight left out of the others' share when one instalment ("/A" in its
// number) carries it; for the cash part, the share the receivables leave over. The discount factor
// is 1 less the receivable's discounts against its share of the net products; 0 for an invoice
// without products, 1 for the cash part. Empty when a divisor is 0 (an invoice all freight, a
// discount equal to the products, an instalment that is all freight).
struct FatoresDaParcela {
    double parcela = 0, desconto = 0;
};
std::optional<FatoresDaParcela> CalcularFatores(Moeda t, Moeda p, Moeda dn, const DadosVenda& dados,
                                                const ParcelaDaVenda& parcela);

// The receivable at `receber`'s current row (the columns of the receipt phase's selection).
ParcelaDaVenda ParcelaDoRecebimento(const db::Consulta& receber);

}  // namespace zelprax::comissao
