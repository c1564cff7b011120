#pragma once
// What must hold after any sequence of commission runs, complete or cut off: nothing lost and
// nothing written twice. A snapshot of the start tells which documents the runs had to handle.

#include <map>
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
// larger than the advance the seller was credited, no blocking deduction of an advance a reversal
// took whole, and no seller given more than the invoice's full commission at the
// seller's rate. Every broken rule, one line each.
std::vector<std::string> VerificarValoresDosVendedores(DadosTeste& dados, const Inicio& inicio);

// The paid entries (ID_COMISSAO_GERADA set) by identifier, each row as one text of every column but
// the pair ST_BLOQUEIO_1 / ST_ESTORNO_1, which the commercial phase moves on paid entries.
std::map<int, std::string> EntradasPagas(DadosTeste& dados);

// Every entry of `pagas` (EntradasPagas as each was paid) still there and as it was.
std::vector<std::string> VerificarEntradasPagas(DadosTeste& dados, const std::map<int, std::string>& pagas);

// On each invoice of `notas` the runs calculated (status 3 or 5, a total above 0, flag 'N') with
// no paid sales or receipt entry: each seller's sales and receipt entries, less the reversals of
// the seller's advance, within the seller's commission on the sale (a cent of rounding each), and
// for commission types 0 to 4 the co-sellers whose rate is part of the main rate within the
// invoice's commission together.
std::vector<std::string> VerificarComissaoDaVenda(DadosTeste& dados, const std::set<int>& notas);

// No unpaid entry of a receivable that is gone or zeroed, of a settlement that is gone, or (sales
// and receipt entries) of an invoice of `notas` that no longer qualifies: a status other than 3,
// 5 or 6, or a total of 0 or less. A receipt entry without a receivable is a cash sale's.
std::vector<std::string> VerificarEntradasSemDocumento(DadosTeste& dados, const std::set<int>& notas);

}  // namespace zelprax::teste
