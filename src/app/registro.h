#pragma once
// The journal of runs: one JSON line per run of the monitor or of the headless runner, so that
// "did the commissions update last night, and what did it do?" has an answer. A journal that
// cannot be written never fails or stops a run.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "commission/efeito.h"
#include "db/datas.h"

namespace zelprax::monitor {

// The size at which the journal is rotated once (the older file kept beside it, as FILE.1).
inline constexpr std::uintmax_t kLimiteRegistro = 5u * 1024u * 1024u;

// How a run started.
inline constexpr const char* kOrigemAgendada = "agendada";  // the monitor's daily hour
inline constexpr const char* kOrigemBotao = "botao";        // "Atualizar as Comissões"
inline constexpr const char* kOrigemManual = "manual";      // the monitor started in manual mode
inline constexpr const char* kOrigemRunner = "runner";      // zelprax-comissao

// Exit statuses, the runner's; the monitor records 0 or 1.
inline constexpr int kRegistroConcluida = 0;
inline constexpr int kRegistroFalhou = 1;
inline constexpr int kRegistroRecusada = 2;  // refused by the lock, or a usage or configuration error
inline constexpr int kRegistroSemPlanilha = 3;  // completed, but its spreadsheet could not be written
inline constexpr int kRegistroInterrompida = 4;  // stopped by a signal, what was pending rolled back

struct FaseRegistrada {
    int numero = 0;
    int selecionados = 0;
    int gravados = 0;
    int ignorados = 0;
};

// What the run did to one seller, with the seller's name when CAD_PESSOA has one.
struct VendedorRegistrado {
    std::int32_t vendedor = 0;
    std::string nome;
    comissao::EfeitoVendedor efeito;
    bool operator==(const VendedorRegistrado&) const = default;
};

struct RegistroExecucao {
    db::DataHora inicio, fim;  // local time
    std::string origem;
    std::string conexao;  // the connection string; the password is never part of it
    std::vector<FaseRegistrada> fases;  // phases 1 to 9
    std::vector<std::string> avisos;
    std::optional<std::string> mensagemFinal;
    std::optional<std::string> erro;  // the full error text
    std::int64_t codigo = 0;          // the engine's code of the error; 0 when none
    int status = kRegistroConcluida;
    bool simulacao = false;  // a preview: nothing it did was kept
    std::vector<VendedorRegistrado> vendedores;  // by seller identifier
};

// The run's effect by seller, in seller order, from the engine's record of its committed writes
// and the names in `nomes`.
std::vector<VendedorRegistrado> VendedoresDaExecucao(const comissao::EfeitoExecucao& efeito,
                                                     const std::map<std::int32_t, std::string>& nomes);
// The sellers as a JSON array (amounts as numbers with a decimal point), and back.
std::string VendedoresEmJson(const std::vector<VendedorRegistrado>& vendedores);

std::string RegistroEmJson(const RegistroExecucao& registro);
// One journal line read back; nullopt when the line is not a record (truncated, binary, ...).
std::optional<RegistroExecucao> LerRegistro(const std::string& linha);

// The journal's default file: execucoes.jsonl in $STATE_DIRECTORY (a service's state folder),
// else in $XDG_STATE_HOME/zelprax, else in $HOME/.local/state/zelprax. Empty when none is set.
std::string CaminhoRegistroPadrao();

// Appends the record as one line, rotating first at the limit. Empty on success, else why not.
std::string AcrescentarRegistro(const std::string& arquivo, const RegistroExecucao& registro,
                                std::uintmax_t limite = kLimiteRegistro);

// At most this much of each journal file is read, its end: twice the rotation size, so that any
// journal this program wrote is read whole, and a link to a huge file or a device is not.
inline constexpr std::uintmax_t kLimiteLeituraRegistro = 2 * kLimiteRegistro;

struct HistoricoLido {
    std::vector<RegistroExecucao> registros;  // oldest first
    int ilegiveis = 0;                        // lines that were not records
    // Why the journal (or its older file FILE.1) could not be read: "FILE: <the system's reason>",
    // or "FILE: é uma pasta; ..." for what is not a regular file. Unset when it was read or does
    // not exist yet (no run recorded); `registros` then holds what could be read.
    std::optional<std::string> erro;
};
// The last `quantos` records of the journal: of the current file, and of the rotated FILE.1
// before them when the current one holds fewer.
HistoricoLido LerHistorico(const std::string& arquivo, std::size_t quantos);

// "concluída", "falhou" or "recusada".
std::string SituacaoRegistro(const RegistroExecucao& registro);
// "Última execução: 09/12/2026 07:30 — concluída", or "... — falhou: <first line of the error>".
std::string LinhaUltimaExecucao(const RegistroExecucao& registro);

}  // namespace zelprax::monitor
