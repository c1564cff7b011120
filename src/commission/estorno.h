#pragma once
// The reversal amount of a seller slot of a defaulting invoice.

#include "commission/moeda.h"

namespace zelprax::comissao {

// (products - discount) x rate / 100 x share credited at invoicing / 100 x unpaid share / 100, formed
// in extended precision in that order and rounded once to the nearest ten-thousandth.
Moeda ValorEstornoSlot(Moeda vlProdutos, Moeda vlDesconto, Moeda poComissao, Moeda poCreditoFat,
                       Moeda poComissaoEstornada);

}  // namespace zelprax::comissao
