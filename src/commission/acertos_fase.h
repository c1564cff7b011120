#pragma once
// The statements of the commercial-phase blocking (Phases 2 to 4): the four markings of the paid
// entries, the two selections of what to deduct and to pay back, the settlement insert and the
// entry's flag update. Pure text builders, so that each text can be checked on its own.
//
// `opcao` is the emission-date option's date when "Emissão a partir de" is ticked; it bounds every
// statement to the entries issued on or after it.

#include <cstdint>
#include <optional>
#include <string>

#include "commission/moeda.h"
#include "db/datas.h"

namespace zelprax::comissao {

using OpcaoEmissao = std::optional<db::DataHora>;

// Statement 2a and 2b: null flags become 'N'.
std::string SqlNormalizarBloqueio(const OpcaoEmissao& opcao);
std::string SqlNormalizarEstorno(const OpcaoEmissao& opcao);

// The invoice bound of the blocking statements: the option's date, or 1 January 1900.
db::DataHora LimiteEmissaoNotas(const OpcaoEmissao& opcao);

// Statement 2c: a blocked and deducted entry younger than 120 days is unblocked when its invoice's
// nature checks the phase and the order situation pays commission.
std::string SqlDesbloquearEntradas(const db::DataHora& hoje, const db::DataHora& limiteEmissao,
                                   const OpcaoEmissao& opcao);
// Statement 2d: a normal paid entry 45 to 90 days old is blocked when its invoice's nature checks
// the phase and the order situation does not pay commission. Entries of natures without the check,
// of situations that pay or are missing, and entries without an invoice are left alone.
std::string SqlBloquearEntradas(const db::DataHora& hoje, const db::DataHora& limiteEmissao,
                                const OpcaoEmissao& opcao);

// Phase 4 pays a deduction back only for entries issued less than this many days ago; past that
// the deduction stands for good.
inline constexpr int kDiasParaDevolverDesconto = 120;

// Phase 3: blocked entries 45 to 90 days old whose deduction is not yet written.
std::string SqlSelecionarDescontos(const db::DataHora& hoje, const OpcaoEmissao& opcao);
// Phase 4: unblocked entries younger than 120 days whose deduction is still outstanding.
std::string SqlSelecionarPagamentos(const db::DataHora& hoje, const OpcaoEmissao& opcao);

enum class AcertoFase { Desconto, Pagamento };

// The settlement's date: now, or the entry's credit date when that lies later.
db::DataHora DataPagamentoAcertoFase(const db::DataHora& agora, const db::DataHora& dtCredito);

// The settlement insert, its key computed by the database. Seller and company are the entry's
// columns in their text form: an entry without them gives a statement the database rejects rather
// than a settlement for nobody.
std::string SqlInserirAcertoFase(AcertoFase tipo, const db::DataHora& pagamento, const std::string& idVendedor,
                                 Moeda valor, const std::string& idEmpresa);

// For a seller's sales entry (the advance credited on invoicing): the reversal settlements written
// for the seller on the invoice (vl_estornado) and the seller's sales entries on the invoice that
// come before this one in identifier order (vl_anteriores).
std::string SqlEstornoDoAdiantamento(std::int32_t idNota, std::int32_t idVendedor, const std::string& idComissao);

// What the block takes of an advance entry of `valor`, and what the payback gives back: the part
// the reversals have not already taken. The reversals are absorbed once over the seller's sales
// entries on the invoice, in identifier order, each entry up to its own amount. Paid entries are
// never rebuilt and Phase 9 writes no reversal while a deduction can still be paid back, so the
// deduction and its payback come to the same amount.
Moeda DescontoDoAdiantamento(Moeda valor, Moeda estornado, Moeda anteriores);

// The entry's ST_ESTORNO_1 after its settlement: 'S' once deducted, 'N' once paid back.
std::string SqlMarcarEstornoEntrada(AcertoFase tipo, const std::string& idComissao);

// The entry's ST_ESTORNO_1 while its settlement is still to be written ('N' before a deduction,
// 'S' before a payment), and the statement that locks the entry and reads it again.
std::string EstornoAntesDoAcerto(AcertoFase tipo);
std::string SqlTravarEntrada(const std::string& idComissao);

}  // namespace zelprax::comissao
