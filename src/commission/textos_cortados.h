#pragma once
// Texts a run stored cut to the size of their column, and other values of the ERP's documents the
// run could not take as they stand. A value longer than its column is cut rather than rejected (a
// row that could never be written would stop every run at the same document), but the loss is not
// silent: the run counts each cut by column and names the documents, and reports one warning line
// per column. The same holds for a value the run corrects (a percentage out of its range, say).

#include <string>
#include <vector>

namespace zelprax::comissao {

class TextosCortados {
public:
    // One value of `coluna` of `tabela` stored cut, written for `documento` ("id_nf_comercio 12").
    void Registrar(const std::string& tabela, const std::string& coluna, const std::string& documento);
    // A document whose values the run corrected, under the warning's own text (which says what was
    // corrected and how); the warning counts the documents.
    void RegistrarCorrecao(const std::string& aviso, const std::string& documento);
    void Zerar() { colunas_.clear(); }
    bool Vazio() const { return colunas_.empty(); }

    // One line per column, in the order of the first cut: "Textos cortados na coluna NM_CLIENTE de
    // MOV_COMISSAO: 3 (documentos id_nf_comercio 12, id_financeiro 15)"; at most kDocumentosListados
    // documents are named, the rest counted ("e mais 4"). A correction's line is its text, the
    // number of documents and the documents.
    std::vector<std::string> Avisos() const;

    static constexpr std::size_t kDocumentosListados = 10;

private:
    struct Coluna {
        std::string aviso;
        bool porDocumento = false;  // counts documents rather than values
        int cortes = 0;
        std::vector<std::string> documentos;  // each once, in the order met
    };
    void Somar(const std::string& aviso, bool porDocumento, const std::string& documento);
    std::vector<Coluna> colunas_;
};

}  // namespace zelprax::comissao
