#pragma once
// What must hold after any sequence of commission runs, complete or cut off: nothing lost and
// nothing written twice. A snapshot of the start tells which documents the runs had to handle.

#include <set>
#include <string>
#include <vector>

#include "support/banco_teste.h"

namespace zelprax::teste {

struct Inicio {
    std::set<int> notasPendentes;        // invoices with ST_CALC_COMISSAO 'S'
    std::set<int> recebimentosPendentes; // receivables with ST_CALC_COMISSAO 'S'
    std::set<int> acertosPendentes;      // settlements with ST_CALC_COMISSAO 'S'
    int maiorAcerto = 0;                 // settlements above it were written by the runs
    std::set<int> estornoInicial;        // paid entries whose ST_ESTORNO_1 was 'S'
    std::set<std::string> creditoInicial;  // "invoice/seller" of slots credited on invoicing
    std::set<int> status6Inicial;        // invoices already set aside
};

Inicio CapturarInicio(DadosTeste& dados);

// Every broken rule, one line each; empty when all hold.
std::vector<std::string> VerificarInvariantes(DadosTeste& dados, const Inicio& inicio);

// The sales and receipt entries (without their identifiers) and the flags of invoices and
// receivables, as one text: two databases that agree on it agree on what the rebuild phases did.
std::string RetratoDasEntradas(DadosTeste& dados);

// Every row a run touches (entries of every kind, settlements, invoice and receivable flags and
// amounts, the log, the parameters), without the keys the runs number themselves: two databases
// that agree on it were left in the same state.
std::string RetratoCompleto(DadosTeste& dados);

// Every row of every table of the ERP, sorted, as one text: two databases that agree on it hold
// the same data.
std::string RetratoDeTodasAsTabelas(DadosTeste& dados);

// What the sellers were given and taken back on the invoices the runs calculated: no reversal
// larger than the advance the seller was credited, no advance taken back both by a reversal and by
// a blocking deduction, and no seller given more than the invoice's full commission at the
// seller's rate. Every broken rule, one line each.
std::vector<std::string> VerificarValoresDosVendedores(DadosTeste& dados, const Inicio& inicio);

}  // namespace zelprax::teste
