#include "db/banco.h"

#include <vector>

#include "db/consulta.h"
#include "db/erro.h"

namespace zelprax::db {

namespace {

// write, read committed, record version, no wait: a statement meeting a row locked by another
// transaction fails at once instead of waiting.
const char kParametrosTransacao[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                     isc_tpb_rec_version, isc_tpb_nowait};

std::int64_t g_falharEm = 0;
std::function<void(const std::string&)> g_observador;
bool g_observando = false;
std::int64_t g_falharNaBusca = 0;

}  // namespace

Estatisticas& EstatisticasDoProcesso() {
    static Estatisticas estatisticas;
    return estatisticas;
}

void FalharNaOperacao(std::int64_t k) {
    g_falharEm = k > 0 ? EstatisticasDoProcesso().operacoes + k : 0;
}

void ContarOperacao(const std::string& descricao) {
    const std::int64_t n = ++EstatisticasDoProcesso().operacoes;
    if (g_falharEm != 0 && n == g_falharEm) {
        g_falharEm = 0;
        throw ErroBanco("Falha provocada no teste (operação " + std::to_string(n) + ")", {}, descricao);
    }
    if (g_observador && !g_observando) {
        g_observando = true;
        try {
            g_observador(descricao);
        } catch (...) {
            g_observando = false;
            throw;
        }
        g_observando = false;
    }
}

void ObservarOperacoes(std::function<void(const std::string&)> observador) { g_observador = std::move(observador); }
void FalharNaBusca(std::int64_t k) {
    g_falharNaBusca = k > 0 ? EstatisticasDoProcesso().buscas + k : 0;
}

void ContarBusca(const std::string& descricao) {
    const std::int64_t n = ++EstatisticasDoProcesso().buscas;
    if (g_falharNaBusca != 0 && n == g_falharNaBusca) {
        g_falharNaBusca = 0;
        throw ErroBanco("Falha provocada no teste (busca " + std::to_string(n) + ")", {}, descricao);
    }
}

// ---------------------------------------------------------------------------------------------

Transacao::Transacao(std::string nome) : nome_(std::move(nome)) {}

Transacao::~Transacao() {
    Abandonar();
    if (banco_ != nullptr) banco_->Desregistrar(this);
}

void Transacao::Anexar(BancoDados* banco) {
    if (banco_ == banco) return;
    Abandonar();
    if (banco_ != nullptr) banco_->Desregistrar(this);
    banco_ = banco;
    if (banco_ != nullptr) banco_->Registrar(this);
}

isc_tr_handle* Transacao::Handle() {
    // In a preview every transaction works through the connection's own one.
    if (banco_ != nullptr && banco_->simulacao_ && this != banco_->padrao_.get()) return banco_->padrao_->Handle();
    if (handle_ == 0) {
        if (banco_ == nullptr) throw ErroBanco("Transação " + nome_ + " sem banco de dados", {});
        ISC_STATUS_ARRAY status;
        isc_db_handle* db = banco_->Handle();
        isc_start_transaction(status, &handle_, 1, db, static_cast<unsigned short>(sizeof kParametrosTransacao),
                              kParametrosTransacao);
        Verificar(status);
    }
    pendente_ = true;
    return &handle_;
}

void Transacao::CommitRetaining() {
    if (banco_ != nullptr && banco_->simulacao_) return Confirmado();
    if (handle_ == 0) return;
    ContarOperacao("commit retaining " + nome_);
    ISC_STATUS_ARRAY status;
    isc_commit_retaining(status, &handle_);
    Verificar(status);
    Confirmado();
}

void Transacao::Commit() {
    if (banco_ != nullptr && banco_->simulacao_) return Confirmado();
    if (handle_ == 0) return;
    ContarOperacao("commit " + nome_);
    ISC_STATUS_ARRAY status;
    isc_commit_transaction(status, &handle_);
    Verificar(status);
    Confirmado();
}

void Transacao::Rollback() {
    aoConfirmar_.clear();
    if (handle_ == 0) return;
    ISC_STATUS_ARRAY status;
    isc_rollback_transaction(status, &handle_);
    Verificar(status);
    pendente_ = false;
}

void Transacao::Abandonar() noexcept {
    aoConfirmar_.clear();
    if (handle_ == 0) return;
    ISC_STATUS_ARRAY status;
    if (isc_rollback_transaction(status, &handle_) != 0) handle_ = 0;  // the connection is gone
    pendente_ = false;
}

void Transacao::AoConfirmar(std::function<void()> acao) { aoConfirmar_.push_back(std::move(acao)); }

void Transacao::Confirmado() {
    // A preview's commit is left out: its row locks stay, its work stays uncommitted.
    if (banco_ == nullptr || !banco_->simulacao_) pendente_ = false;
    // In a preview the transactions of the connection are one: a commit there is a commit of all.
    std::vector<Transacao*> todas{this};
    if (banco_ != nullptr && banco_->simulacao_) todas.assign(banco_->transacoes_.begin(), banco_->transacoes_.end());
    for (Transacao* t : todas) {
        std::vector<std::function<void()>> acoes;
        acoes.swap(t->aoConfirmar_);
        for (const auto& acao : acoes) acao();
    }
}

// ---------------------------------------------------------------------------------------------

BancoDados::BancoDados(std::string nome)
    : nome_(std::move(nome)), padrao_(std::make_unique<Transacao>("IBT_BancoDados")) {
    padrao_->Anexar(this);
}

BancoDados::~BancoDados() {
    Fechar(false);
    padrao_.reset();
    for (Transacao* t : std::vector<Transacao*>(transacoes_.begin(), transacoes_.end())) t->banco_ = nullptr;
    for (ComandoAnexado* c : std::vector<ComandoAnexado*>(comandos_.begin(), comandos_.end())) {
        c->LiberarComando();
        c->banco_ = nullptr;
    }
}

void BancoDados::DefinirUsuario(std::string usuario, std::string senha) {
    usuario_ = std::move(usuario);
    senha_ = std::move(senha);
}

void BancoDados::Abrir() {
    if (handle_ != 0) return;
    std::vector<char> dpb{isc_dpb_version1};
    auto acrescentar = [&dpb](char item, const std::string& valor) {
        dpb.push_back(item);
        dpb.push_back(static_cast<char>(valor.size()));
        dpb.insert(dpb.end(), valor.begin(), valor.end());
    };
    acrescentar(isc_dpb_user_name, usuario_);
    acrescentar(isc_dpb_password, senha_);
    ContarOperacao("connect " + nomeBanco_);
    ISC_STATUS_ARRAY status;
    isc_attach_database(status, 0, nomeBanco_.c_str(), &handle_, static_cast<short>(dpb.size()), dpb.data());
    if (status[0] == 1 && status[1] != 0) handle_ = 0;
    Verificar(status);
}

bool BancoDados::TrabalhoPendente() const {
    for (const Transacao* t : transacoes_)
        if (t->Pendente()) return true;
    return false;
}

isc_db_handle* BancoDados::Handle() {
    // Like the ERP's data access components, a closed connection opens itself on first use, so a
    // failed connection raises its error again at the next statement.
    if (handle_ == 0) Abrir();
    return &handle_;
}

void BancoDados::Fechar(bool confirmar) {
    if (simulacao_) confirmar = false;  // a preview keeps nothing
    for (Transacao* t : std::vector<Transacao*>(transacoes_.begin(), transacoes_.end())) {
        if (!t->Ativa()) continue;
        if (confirmar) {
            try {
                t->Commit();
                continue;
            } catch (const ErroBanco&) {
                // falls through to the rollback: what could not be committed is not kept
            }
        }
        t->Abandonar();
    }
    for (ComandoAnexado* c : comandos_) c->LiberarComando();
    if (handle_ != 0) {
        ISC_STATUS_ARRAY status;
        isc_detach_database(status, &handle_);
        handle_ = 0;
    }
    simulacao_ = false;
}

std::shared_ptr<const detalhe::FormaResultado> BancoDados::FormaDeLinhaUnica(const std::string& forma) const {
    const auto it = formas_.find(forma);
    if (it == formas_.end()) return nullptr;
    // A try in one exchange costs three when it finds more rows (the try, then the preparation and
    // the fetch), against two for the usual way: it pays while fewer than a third find more.
    const FormaConhecida& conhecida = it->second;
    return 3 * conhecida.varias < conhecida.unicas + conhecida.varias ? conhecida.colunas : nullptr;
}

void BancoDados::AprenderForma(const std::string& forma, std::size_t linhas,
                               const std::shared_ptr<const detalhe::FormaResultado>& colunas) {
    // A run sends a few dozen shapes; a bound keeps a program that builds texts without end
    // from growing with them.
    constexpr std::size_t kMaximoDeFormas = 1024;
    if (forma.empty() || !colunas) return;
    auto it = formas_.find(forma);
    if (it == formas_.end()) {
        if (formas_.size() >= kMaximoDeFormas) return;
        it = formas_.emplace(forma, FormaConhecida{colunas}).first;
    }
    ++(linhas > 1 ? it->second.varias : it->second.unicas);
}

void CancelarOperacao(isc_db_handle handle) noexcept {
    if (handle == 0) return;
    ISC_STATUS_ARRAY status;
    fb_cancel_operation(status, &handle, fb_cancel_raise);
}

}  // namespace zelprax::db
