#pragma once
// One prepared statement handle with its descriptor areas: the part of a query that talks to the
// ISC API. Internal to the database layer.

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <ibase.h>

#include "db/banco.h"
#include "db/valor.h"

namespace zelprax::db::detalhe {

// An XSQLDA with its buffers, owned.
class AreaDescritora {
public:
    explicit AreaDescritora(int variaveis = 1);
    XSQLDA* Ptr() { return reinterpret_cast<XSQLDA*>(memoria_.get()); }
    const XSQLDA* Ptr() const { return reinterpret_cast<const XSQLDA*>(memoria_.get()); }
    void Redimensionar(int variaveis);
    // Points every variable at a buffer of its described size.
    void AlocarDados();

private:
    std::unique_ptr<std::byte[]> memoria_;
    std::vector<std::vector<char>> dados_;
    std::vector<short> indicadores_;
};

// The columns of a result as the server described them when the statement was prepared: what each
// value is read as, and the names a field is looked up by.
struct FormaResultado {
    struct Coluna {
        short tipo = 0;
        short escala = 0;
        short subtipo = 0;
        short tamanho = 0;
        std::string nome;
    };
    std::vector<Coluna> colunas;
    std::unordered_map<std::string, std::size_t> indices;  // upper-case name -> first column of that name
};

class Comando {
public:
    explicit Comando(BancoDados& banco);
    ~Comando();
    Comando(const Comando&) = delete;
    Comando& operator=(const Comando&) = delete;

    // `texto` is the UTF-8 text; the server receives it in Windows-1252.
    void Preparar(Transacao& transacao, const std::string& texto);
    bool Selecao() const { return tipo_ == isc_info_sql_stmt_select || tipo_ == isc_info_sql_stmt_select_for_upd; }

    int Colunas() const { return saida_.Ptr()->sqld; }
    // The result's columns; shared with the selections of the same shape that run without a
    // preparation of their own.
    const std::shared_ptr<const FormaResultado>& Forma() const { return forma_; }

    int Parametros() const { return entrada_.Ptr()->sqld; }
    // Sets parameter i; text longer than its column is cut to the column's size, and then the
    // result is true.
    bool DefinirParametro(int i, const Valor& valor);

    void Executar(Transacao& transacao);
    // Reads the next row; false at the end of the result.
    bool Buscar(std::vector<Valor>& linha);
    void FecharCursor() noexcept;
    const std::string& Texto() const { return texto_; }

private:
    BancoDados& banco_;
    isc_stmt_handle handle_ = 0;
    int tipo_ = 0;
    std::string texto_;
    AreaDescritora saida_;
    AreaDescritora entrada_;
    std::vector<std::vector<char>> dadosEntrada_;
    std::vector<short> indicadoresEntrada_;
    std::vector<short> tiposDescritos_;
    std::vector<short> tamanhosDescritos_;
    std::shared_ptr<const FormaResultado> forma_;
};

// A selection whose every row so far came alone can run in one exchange with the server, without
// a preparation: the shape of its text names the selections that share its columns. The shape is
// the text with the values of the conditions (after its outermost "where") left out; a value there
// never changes what the columns are, unlike one in the list of columns. Empty for a text that
// cannot run so: not a plain select, one that joins selections with "union", or one with a
// literal quoted q'{...}'.
std::string FormaDaSelecao(const std::string& texto);

enum class LinhaUnica { Linha, Nenhuma, Varias };
// Runs a selection of the given columns for at most one row, in one exchange. `Varias` when the
// server found more than one: nothing was read, and the selection must run the usual way.
LinhaUnica ExecutarLinhaUnica(BancoDados& banco, Transacao& transacao, const std::string& texto,
                              const FormaResultado& forma, std::vector<Valor>& linha);

// True for a statement that returns nothing and changes rows (insert, update, delete): it runs in
// one exchange, prepared and executed together.
bool ComandoSemResultado(const std::string& texto);
void ExecutarSemPreparar(BancoDados& banco, Transacao& transacao, const std::string& texto);

// Where the string literal, quoted name or comment that starts at `i` ends; `i` itself where none
// starts there.
std::size_t FimDoTrechoLiteral(const std::string& texto, std::size_t i);

// True for " commit retain" and its kin, which run through the immediate call on the query's
// transaction.
bool ComandoDeTransacao(const std::string& texto);
// Runs such a statement; in a preview it is left out (a commit still runs what waits for it).
void ExecutarImediato(Transacao& transacao, const std::string& texto);

}  // namespace zelprax::db::detalhe
