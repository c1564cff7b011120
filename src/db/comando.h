#pragma once
// One prepared statement handle with its descriptor areas: the part of a query that talks to the
// ISC API. Internal to the database layer.

#include <memory>
#include <string>
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
    std::string NomeColuna(int i) const;

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
};

// True for " commit retain" and its kin, which run through the immediate call on the query's
// transaction.
bool ComandoDeTransacao(const std::string& texto);
// Runs such a statement; in a preview it is left out (a commit still runs what waits for it).
void ExecutarImediato(Transacao& transacao, const std::string& texto);

}  // namespace zelprax::db::detalhe
