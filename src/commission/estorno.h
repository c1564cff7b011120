#pragma once
// The reversal of the advance commission of a defaulting invoice: the amount of a seller's
// reversal and the statements that tell what the seller was credited on invoicing and whether it
// was already taken back.

#include <cstdint>
#include <string>

#include "commission/moeda.h"
#include "db/datas.h"

namespace zelprax::comissao {

// The advance actually credited to the seller on invoicing (the seller's sales entries on the
// invoice) x the unpaid share / 100, rounded once to the nearest ten-thousandth.
Moeda ValorEstornoSlot(Moeda adiantamento, Moeda poComissaoEstornada);

// The seller's sales entries on the invoice: their total (vl_adiantamento), how many there are
// (entradas) and how many carry a deduction of the commercial-phase blocking still outstanding
// (descontos).
std::string SqlAdiantamentoVendedor(std::int32_t idNota, std::int32_t idVendedor);

// Of the seller's sales entries on the invoice carrying a blocking deduction, those Phase 4 can
// still pay back (paid entries issued within its window, counted from `hoje`): a_devolver.
std::string SqlDescontosADevolver(std::int32_t idNota, std::int32_t idVendedor, const db::DataHora& hoje);

// The reversal settlements written for the seller on the invoice (estornos).
std::string SqlEstornosVendedor(std::int32_t idNota, std::int32_t idVendedor);

}  // namespace zelprax::comissao
