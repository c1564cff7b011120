#pragma once
// Texts a run stored cut to the size of their column. A value longer than its column is cut rather
// than rejected (a row that could never be written would stop every run at the same document), but
// the loss is not silent: the run counts each cut by column and names the documents, and reports
// one warning line per column.

#include <string>
#include <vector>

namespace zelprax::comissao {

class TextosCortados {
public:
    // One value of `coluna` of `tabela` stored cut, written for `documento` ("id_nf_comercio 12").
    void Registrar(const std::string& tabela, const std::string& coluna, const std::string& documento);
    void Zerar() { colunas_.clear(); }
    bool Vazio() const { return colunas_.empty(); }

    // One line per column, in the order of the first cut: "Textos cortados na coluna NM_CLIENTE de
    // MOV_COMISSAO: 3 (documentos id_nf_comercio 12, id_financeiro 15)"; at most kDocumentosListados
    // documents are named, the rest counted ("e mais 4").
    std::vector<std::string> Avisos() const;

    static constexpr std::size_t kDocumentosListados = 10;

private:
    struct Coluna {
        std::string tabela, coluna;
        int cortes = 0;
        std::vector<std::string> documentos;  // each once, in the order met
    };
    std::vector<Coluna> colunas_;
};

}  // namespace zelprax::comissao
