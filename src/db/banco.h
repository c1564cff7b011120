#pragma once
// The connection to the ERP database and its transactions, over the classic ISC API. Every handle
// has one owner; destructors roll back and never commit.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include <ibase.h>

namespace zelprax::db {

class BancoDados;
class ComandoAnexado;
namespace detalhe {
struct FormaResultado;
}

// A transaction with the run's parameters: write, read committed, record version, no wait.
// It starts by itself when a statement needs it.
class Transacao {
public:
    explicit Transacao(std::string nome = {});
    ~Transacao();
    Transacao(const Transacao&) = delete;
    Transacao& operator=(const Transacao&) = delete;

    const std::string& Nome() const { return nome_; }
    void Anexar(BancoDados* banco);  // the default database; nullptr detaches
    BancoDados* Banco() const { return banco_; }

    bool Ativa() const { return handle_ != 0; }
    // A statement has run in it since its last commit or rollback: it may hold row locks.
    bool Pendente() const { return handle_ != 0 && pendente_; }
    // The handle of the running transaction, started when it is not yet.
    isc_tr_handle* Handle();

    // Commits and keeps the transaction (and the cursors open in it) alive.
    void CommitRetaining();
    // Ends the transaction.
    void Commit();
    void Rollback();
    // Ends the transaction without raising: used where the connection may already be gone.
    void Abandonar() noexcept;

    // Runs `acao` once the work done so far is committed (in a preview: where it would have
    // been); dropped, not run, when the transaction is rolled back instead. What a run reports
    // it wrote is what it committed.
    void AoConfirmar(std::function<void()> acao);
    // The commit a statement (" commit retain") made, or a preview left out: runs what waits.
    void Confirmado();

private:
    friend class BancoDados;
    std::string nome_;
    BancoDados* banco_ = nullptr;
    isc_tr_handle handle_ = 0;
    bool pendente_ = false;
    std::vector<std::function<void()>> aoConfirmar_;
};

// One attachment. Its own default transaction is the connection's `IBT_BancoDados`.
class BancoDados {
public:
    explicit BancoDados(std::string nome = "IBD_BancoDados");
    ~BancoDados();  // releases statements, rolls back what is pending, detaches
    BancoDados(const BancoDados&) = delete;
    BancoDados& operator=(const BancoDados&) = delete;

    // The connection string: "server:path" or a plain file path.
    void DefinirNomeBanco(std::string nome) { nomeBanco_ = std::move(nome); }
    const std::string& NomeBanco() const { return nomeBanco_; }
    void DefinirUsuario(std::string usuario, std::string senha);

    void Abrir();
    bool Conectado() const { return handle_ != 0; }
    // Ends every transaction attached to it (committing when `confirmar`, else rolling back),
    // releases the statements of its queries and detaches. Safe on a lost connection.
    void Fechar(bool confirmar);

    isc_db_handle* Handle();
    Transacao& TransacaoPadrao() { return *padrao_; }
    // Some transaction of this connection has work that is neither committed nor rolled back.
    bool TrabalhoPendente() const;

    // A preview: from now on every transaction of this connection is one and the same server
    // transaction (so each statement sees what the earlier ones wrote, as in a real run, where
    // they are committed), every commit is left out, and closing the connection rolls it all
    // back. Nothing written after this call is ever committed.
    void IniciarSimulacao() { simulacao_ = true; }
    bool Simulacao() const { return simulacao_; }

    // The selections of this connection that ran for at most one row nearly every time so far, by
    // the shape of their text, with their columns: these run in one exchange with the server (and
    // run again the usual way when the server finds more rows). Null for a shape not yet seen, or
    // one that gives more rows too often for the exchange to pay.
    std::shared_ptr<const detalhe::FormaResultado> FormaDeLinhaUnica(const std::string& forma) const;
    // How many rows a selection of that shape returned (2 for "more than one").
    void AprenderForma(const std::string& forma, std::size_t linhas,
                       const std::shared_ptr<const detalhe::FormaResultado>& colunas);

private:
    friend class Transacao;
    friend class ComandoAnexado;
    void Registrar(Transacao* t) { transacoes_.insert(t); }
    void Desregistrar(Transacao* t) { transacoes_.erase(t); }
    void Registrar(ComandoAnexado* c) { comandos_.insert(c); }
    void Desregistrar(ComandoAnexado* c) { comandos_.erase(c); }

    std::string nome_;
    std::string nomeBanco_;
    std::string usuario_ = "sysdba";
    std::string senha_ = "quorvinel";
    isc_db_handle handle_ = 0;
    std::unique_ptr<Transacao> padrao_;
    std::set<Transacao*> transacoes_;
    std::set<ComandoAnexado*> comandos_;
    bool simulacao_ = false;
    struct FormaConhecida {
        std::shared_ptr<const detalhe::FormaResultado> colunas;
        std::int64_t unicas = 0;  // results of at most one row
        std::int64_t varias = 0;  // of more
    };
    std::unordered_map<std::string, FormaConhecida> formas_;
};

// Cancels what the connection `handle` runs at this moment (a statement, a fetch, a commit), from
// another thread: the one that receives a request to end. The call under way then fails with the
// engine's error for a cancelled operation. Without effect when nothing runs; never raises.
void CancelarOperacao(isc_db_handle handle) noexcept;

// Counts of what the program sent to the server, for the runner's summary, and seams that let a
// test make the k-th operation or the k-th fetch of a run fail.
struct Estatisticas {
    std::int64_t comandos = 0;     // statements executed
    std::int64_t preparacoes = 0;  // statements prepared
    std::int64_t operacoes = 0;    // statements executed plus commits
    std::int64_t buscas = 0;       // rows asked of an open cursor, the one that finds its end included
};
Estatisticas& EstatisticasDoProcesso();
// From now on, the k-th operation (counted from this call, 1-based) raises an error instead of
// running; 0 switches the seam off.
void FalharNaOperacao(std::int64_t k);
// Called before each operation; raises the injected failure when its turn has come.
void ContarOperacao(const std::string& descricao);
// A seam for tests that act between two statements of a run, as another writer would: from now on
// `observador` sees the text of each operation just before it runs (an empty function switches it
// off). Operations it makes itself, on a connection of its own, are not shown to it again.
void ObservarOperacoes(std::function<void(const std::string&)> observador);
// The same for fetches: the k-th row asked of a cursor from now on (1-based) raises an error, as a
// connection lost in the middle of a result would; 0 switches the seam off.
void FalharNaBusca(std::int64_t k);
void ContarBusca(const std::string& descricao);

}  // namespace zelprax::db
