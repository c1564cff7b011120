#pragma once
// A query: SQL text as lines, bound to a transaction, executed or opened. Rows are fetched from the
// server as the caller moves on, or all at once (BuscarTodos), and kept compactly (LinhasLidas);
// fields are found by name, in any letter case. A selection whose shape nearly always gives one
// row, and a statement that changes rows, each take one exchange with the server.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/banco.h"
#include "db/linhas.h"
#include "db/valor.h"

namespace zelprax::db {

namespace detalhe {
class Comando;
struct FormaResultado;
}

// What a query and the cached-update insert share: a name, the connection they are attached to
// (which releases their prepared statement when it closes) and the transaction they run in.
class ComandoAnexado {
public:
    ComandoAnexado(const ComandoAnexado&) = delete;
    ComandoAnexado& operator=(const ComandoAnexado&) = delete;

    const std::string& Nome() const { return nome_; }

    // Attaches to a connection; without a transaction of its own the statement runs in the
    // connection's default transaction.
    void Anexar(BancoDados* banco);
    BancoDados* Banco() const { return banco_; }
    void DefinirTransacao(Transacao* transacao) { transacao_ = transacao; }
    // The transaction a statement runs in now.
    Transacao& TransacaoAtual() const;

protected:
    explicit ComandoAnexado(std::string nome);
    // The derived destructor releases its statement first; this one only leaves the connection.
    ~ComandoAnexado();
    // Drops the prepared statement and whatever was read or set through it.
    virtual void LiberarComando() noexcept = 0;

    std::string nome_;
    BancoDados* banco_ = nullptr;
    Transacao* transacao_ = nullptr;
    std::unique_ptr<detalhe::Comando> comando_;

private:
    friend class BancoDados;
};

class Consulta : public ComandoAnexado {
public:
    explicit Consulta(std::string nome = {});
    ~Consulta();

    // Setting the text replaces every line; adding appends one, joined by a line break.
    void DefinirSQL(std::string texto);
    void AdicionarLinha(std::string linha);
    void LimparSQL() { linhas_.clear(); }
    std::string SQL() const;

    void Fechar();
    bool Aberta() const { return aberta_; }
    // Runs a select and reads its first row.
    void Abrir();
    // Runs a statement that returns no rows; " commit retain" commits the query's transaction
    // and keeps it.
    void Executar();
    // Fetches every remaining row, then goes back to the first (the data set's Last and First).
    void BuscarTodos();

    bool Fim() const;
    void Proximo();
    void Primeiro();
    int Contagem() const { return static_cast<int>(lidas_.Contagem()); }

    // A field of the current row; raises when the statement has no column of that name.
    db::Campo Campo(std::string_view nome) const;
    // Every column of the result, also those that share a name with another.
    int NumeroColunas() const;
    db::Campo CampoNaPosicao(int indice) const;

private:
    void Preparar();
    bool LerLinha();
    // Makes row `atual_` the current one.
    void Posicionar();
    void LiberarComando() noexcept override;

    std::vector<std::string> linhas_;
    std::string textoPreparado_;
    std::shared_ptr<const detalhe::FormaResultado> forma_;  // the columns of the last result

    bool aberta_ = false;
    bool cursorAberto_ = false;
    // The selection ran in one exchange: its row, if any, waits here to be read.
    bool linhaUnica_ = false;
    std::optional<std::vector<Valor>> linhaEsperando_;
    std::string textoAberto_;
    std::string formaAberta_;  // the shape of the selection read, for the connection to learn
    LinhasLidas lidas_;
    std::size_t atual_ = 0;
    std::vector<Valor> linhaAtual_;
    std::size_t decodificada_ = 0;  // the row in linhaAtual_, when below lidas_.Contagem()
    bool temDecodificada_ = false;
};

// The cached-update insert: a fixed insert statement with named parameters (":ID_COMISSAO"),
// prepared once, one row at a time. A field left unset is inserted as null.
class InsercaoPreparada : public ComandoAnexado {
public:
    InsercaoPreparada(std::string nome, std::string textoComNomes);
    ~InsercaoPreparada();

    // The data set as the phases see it: opened empty, a row appended, its fields set, posted.
    bool Aberta() const { return aberta_; }
    void Abrir() { aberta_ = true; }
    void Fechar() { aberta_ = false; linha_.clear(); }
    void Acrescentar();
    void Definir(std::string_view campo, Valor valor);
    // Applies the pending row: executes the insert in the current transaction. A text longer than
    // its column is stored cut to the column's size (a row that could never be written would stop
    // every run at the same document); ColunasCortadas then names those columns.
    void Gravar();
    // The columns (as the insert names them, upper case) whose text the last row applied had cut.
    const std::vector<std::string>& ColunasCortadas() const { return cortadas_; }
    // The table the insert writes, upper case.
    const std::string& Tabela() const { return tabela_; }
    // Commits the data set's transaction, retaining it.
    void CommitRetaining() { TransacaoAtual().CommitRetaining(); }

    // The statement as the server receives it, with '?' in place of every name.
    const std::string& TextoServidor() const { return textoServidor_; }
    const std::vector<std::string>& Parametros() const { return nomes_; }

private:
    void LiberarComando() noexcept override;

    std::string textoServidor_;
    std::vector<std::string> nomes_;  // upper case, in order of appearance
    std::string tabela_;
    std::vector<std::string> cortadas_;
    bool aberta_ = false;
    std::unordered_map<std::string, Valor> linha_;
};

// Turns ":NAME" parameters into '?', skipping string literals, comments and quoted names.
std::string TraduzirParametros(const std::string& texto, std::vector<std::string>& nomes);

}  // namespace zelprax::db
