#pragma once
// The five seller slots of a sales invoice and the parts of a commission entry that the sales
// phase (TP_REGISTRO 1) and the receipt phase (TP_REGISTRO 2) take alike from the invoice row
// that IBQ_Comercio holds.

#include <cstdint>
#include <optional>
#include <string>

#include "commission/modelo.h"
#include "commission/moeda.h"
#include "db/consulta.h"

namespace zelprax::comissao {

class Motor;

inline constexpr int kSlotsVendedor = 5;

// The column of a slot: the base name for slot 1, the base name followed by the digit for slots
// 2 to 5 ("ID_VENDEDOR", "ID_VENDEDOR2", ...).
std::string ColunaSlot(const std::string& base, int slot);

// One seller slot as the invoice row holds it; empty columns read as 0 or "".
struct SlotVendedor {
    std::int32_t idVendedor = 0;
    Moeda poComissao;        // PO_COMISSAOn: the seller's rate in percent
    std::string stCreditoFat;  // ST_CREDITO_FATn: "S" when part is credited on invoicing
    Moeda poCreditoFat;      // PO_CREDITO_FATn: the share credited on invoicing, in percent
};
SlotVendedor LerSlotVendedor(const db::Consulta& nota, int slot);

// The commission base of a slot, by the commission type of the invoice's nature of operation
// (id_sugerir_comissao, null reads 0): 0 to 4 the invoice's base (slots 2 to 5 take the invoice's
// commission instead when tp_base_comissao_outros is "C"), 5 the result of the sale, 6 the base
// computed from the items; any other type sets no base.
std::optional<Moeda> BaseComissaoSlot(Motor& motor, const db::Consulta& nota, int slot);

// An entry with the columns every sales or receipt entry takes from its invoice and slot:
// ID_NF_COMERCIO, ID_EMPRESA, ID_VENDEDOR, DT_EMISSAO, ID_CLIENTE, NM_CLIENTE (the customer's
// search name read on IBQ_Gen, null when there is none or it is empty; a longer name than the
// column's is cut, and counted, by the insert), ST_IRRF "S" and ST_PAGAR
// (the nature of operation's ST_COMISSAO_PAGAR read again on IBQ_Gen). The fixed flags keep their
// defaults (ST_ENTREGA "S", ST_CANCELADA, ST_BLOQUEIO_1, ST_ESTORNO_1 "N").
EntradaComissao EntradaDaNota(Motor& motor, const db::Consulta& nota, int slot, int tpRegistro);

}  // namespace zelprax::comissao
