#pragma once
// Test fixture: a fresh embedded ERP database in a temporary folder, and one-line helpers that
// insert the ERP's documents and read values back. Values are given as SQL literals ("'S'",
// "1000.00", "null"); each helper fills the other columns with a plausible default.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "db/banco.h"
#include "db/consulta.h"
#include "db/datas.h"

namespace zelprax::teste {

using Colunas = std::map<std::string, std::string>;

// A temporary folder removed with the object.
class PastaTemporaria {
public:
    PastaTemporaria();
    ~PastaTemporaria();
    PastaTemporaria(const PastaTemporaria&) = delete;
    PastaTemporaria& operator=(const PastaTemporaria&) = delete;
    const std::filesystem::path& Caminho() const { return caminho_; }
    std::string operator/(const std::string& nome) const { return (caminho_ / nome).string(); }

private:
    std::filesystem::path caminho_;
};

// Copies a database freshly made from the schema to `destino` (the schema is loaded once per
// machine and schema version; later copies take milliseconds).
void CriarBancoDoEsquema(const std::string& destino);

// Writes a file with the given text (the ERP's ini files and the like).
void EscreverArquivo(const std::string& caminho, const std::string& texto);

// A connection of the test's own, beside the one under test.
class DadosTeste {
public:
    explicit DadosTeste(const std::string& conexao);
    ~DadosTeste();

    void Executar(const std::string& sql);  // committed at once
    void Inserir(const std::string& tabela, const Colunas& colunas);

    // Rows of a select as texts (null as "<null>"), amounts with their column's decimals.
    std::vector<std::vector<std::string>> Linhas(const std::string& sql);
    // The first column of the first row; "<vazio>" when there is no row.
    std::string Valor(const std::string& sql);
    long long Contar(const std::string& sql);  // the first column as an integer

    // The ERP's documents with defaults: an invoice issued today of 1000.00, status 3, awaiting
    // calculation, nature 1, company 1, seller 10 at 5 % credited in full on invoicing, customer 100.
    void Nota(int id, const Colunas& colunas = {});
    void Item(int id, int idNota, const Colunas& colunas = {});          // 1 x 1000.00 at 5 %, product 1
    void Receber(int id, int idNota, const Colunas& colunas = {});       // 1000.00 due today, open
    void Acerto(int id, const Colunas& colunas = {});                    // 'A' 100.00, seller 10, 'S'
    void Entrada(int id, const Colunas& colunas = {});                   // a sales entry of invoice 1
    void Natureza(int id, const Colunas& colunas = {});                  // type 0, payable, no phase check
    void Parametro(const Colunas& colunas = {});                         // row 1, hour 7
    void Pessoa(int id, const std::string& nome);
    void Produto(int id, const std::string& fabrica = "null");

    db::BancoDados& Banco() { return banco_; }

private:
    db::BancoDados banco_;
    db::Consulta consulta_;
};

// "Now" for every test of this process: the machine's clock read once. The dates the tests write
// and the dates a run measures them against (its windows of 45, 90 and 120 days) both come from
// this one instant, so that a test running across midnight does not see a window move between them.
db::DataHora AgoraDoTeste();
// A clock that always says AgoraDoTeste().
const db::Relogio& RelogioDoTeste();

// The test's today as an SQL date literal, shifted by `dias`.
std::string DiaSQL(int dias = 0);

}  // namespace zelprax::teste
