#pragma once
// The command line of the headless runner, read into one record. Reading it is pure: errors come
// back as text, so the program can answer with its usage status and tests can check every case.

#include <optional>
#include <string>
#include <vector>

#include "db/datas.h"

namespace zelprax::executor {

struct OpcoesRunner {
    std::optional<std::string> banco;  // --banco: the connection string, bypassing the ERP's ini files
    std::optional<std::string> pasta;  // --pasta: the folder the monitor is installed in
    bool semAcertos = false;           // --sem-acertos: "Não gerar acertos conforme a fase do processo"
    bool semEstorno = false;           // --sem-estorno: "Não gerar estorno de comissão de inadimplentes"
    std::optional<db::DataHora> emissaoAPartir;  // --emissao-a-partir: "Emissão a partir de" ticked, with its date
    bool json = false;                 // --json: the summary as one JSON object
    std::optional<std::string> registro;  // --registro: the journal of runs to append to
    bool semRegistro = false;             // --sem-registro: this run is not recorded
    std::optional<int> historico;         // --historico [N]: show the last N runs instead of running
    bool simular = false;                 // --simular: a preview, all undone at the end
    std::optional<std::string> csv;       // --csv: the effect by seller, as a spreadsheet file
    bool ajuda = false;                // --help
    bool versao = false;               // --version
};

// The runs --historico shows when no number follows it.
inline constexpr int kHistoricoPadrao = 10;

struct LeituraOpcoes {
    OpcoesRunner opcoes;
    std::string erro;  // empty when the command line is valid
    bool Valida() const { return erro.empty(); }
};

LeituraOpcoes LerOpcoes(const std::vector<std::string>& argumentos);

// "DD/MM/AAAA" (day and month of one or two digits, a four-digit year) as a real calendar date.
std::optional<db::DataHora> LerDataBrasileira(const std::string& texto);

// What --help prints.
extern const char* const kAjudaRunner;

}  // namespace zelprax::executor
