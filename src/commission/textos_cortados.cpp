#include "commission/textos_cortados.h"

#include <algorithm>

namespace zelprax::comissao {

void TextosCortados::Registrar(const std::string& tabela, const std::string& coluna, const std::string& documento) {
    auto it = std::find_if(colunas_.begin(), colunas_.end(),
                           [&](const Coluna& c) { return c.tabela == tabela && c.coluna == coluna; });
    if (it == colunas_.end()) it = colunas_.insert(colunas_.end(), Coluna{tabela, coluna, 0, {}});
    ++it->cortes;
    if (std::find(it->documentos.begin(), it->documentos.end(), documento) == it->documentos.end())
        it->documentos.push_back(documento);
}

std::vector<std::string> TextosCortados::Avisos() const {
    std::vector<std::string> avisos;
    for (const Coluna& c : colunas_) {
        std::string linha = "Textos cortados na coluna " + c.coluna + " de " + c.tabela + ": " + std::to_string(c.cortes) +
                            " (documentos ";
        const std::size_t listados = std::min(c.documentos.size(), kDocumentosListados);
        for (std::size_t i = 0; i < listados; ++i) linha += (i > 0 ? ", " : "") + c.documentos[i];
        if (c.documentos.size() > listados) linha += " e mais " + std::to_string(c.documentos.size() - listados);
        avisos.push_back(linha + ")");
    }
    return avisos;
}

}  // namespace zelprax::comissao
