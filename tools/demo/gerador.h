#pragma once
// The demo database: an ERP database made from the schema and filled with a realistic,
// repeatable set of documents (invoices with items and receivables, natures of every commission
// type, sellers with advance credit, paid commission entries of every age, settlements), so that
// a commission run has everything to do that it meets at a customer's.

#include <cstdint>
#include <string>
#include <vector>

#include "db/banco.h"
#include "db/datas.h"

namespace zelprax::demo {

struct OpcoesDemo {
    std::string banco;    // connection string of the database to create (a file path, or host:path)
    std::string esquema;  // the schema script
    std::string usuario = "sysdba";
    std::string senha = "quorvinel";
    int notas = 2000;
    std::uint32_t semente = 1;
    db::DataHora hoje;  // the run day every date is counted from
};

// What was written, table by table.
struct ContagemDemo {
    int notas = 0;
    int itens = 0;
    int duplicatas = 0;
    int lancamentos = 0;        // MOV_COMISSAO rows
    int lancamentosPagos = 0;   // of them, taken into a commission payment
    int acertos = 0;
    int pessoas = 0;
    int produtos = 0;
    int naturezas = 0;
    int vendedores = 0;
    int regrasVendedor = 0;     // TAB_COMISSAO_POR_VENDEDOR rows
};

// Creates the database from the schema and fills it; raises db::ErroBanco on any failure.
ContagemDemo CriarBancoDemo(const OpcoesDemo& opcoes);

// Fills a database freshly made from the schema, through the given open connection, and commits.
ContagemDemo PreencherBancoDemo(db::BancoDados& banco, const OpcoesDemo& opcoes);

// The schema script used when none is named: the first of the candidates that exists (the
// installed copy, then the one of the source tree the program was built from); the first
// candidate when none does, so the error names where it was looked for.
std::string EscolherEsquema(const std::vector<std::string>& candidatos);

// One line for the operator: what was created where.
std::string DescreverContagem(const ContagemDemo& contagem, const OpcoesDemo& opcoes, double segundos);

}  // namespace zelprax::demo
