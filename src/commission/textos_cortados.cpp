#include "commission/textos_cortados.h"

#include <algorithm>

namespace zelprax::comissao {

void TextosCortados::Somar(const std::string& aviso, bool porDocumento, const std::string& documento) {
    auto it = std::find_if(colunas_.begin(), colunas_.end(), [&](const Coluna& c) { return c.aviso == aviso; });
    if (it == colunas_.end()) it = colunas_.insert(colunas_.end(), Coluna{aviso, porDocumento, 0, {}});
    const bool novo = std::find(it->documentos.begin(), it->documentos.end(), documento) == it->documentos.end();
    if (novo) it->documentos.push_back(documento);
    if (novo || !porDocumento) ++it->cortes;
}

void TextosCortados::Registrar(const std::string& tabela, const std::string& coluna, const std::string& documento) {
    Somar("Textos cortados na coluna " + coluna + " de " + tabela, false, documento);
}

void TextosCortados::RegistrarCorrecao(const std::string& aviso, const std::string& documento) {
    Somar(aviso, true, documento);
}

std::vector<std::string> TextosCortados::Avisos() const {
    std::vector<std::string> avisos;
    for (const Coluna& c : colunas_) {
        std::string linha = c.aviso + ": " + std::to_string(c.cortes) + " (documentos ";
        const std::size_t listados = std::min(c.documentos.size(), kDocumentosListados);
        for (std::size_t i = 0; i < listados; ++i) linha += (i > 0 ? ", " : "") + c.documentos[i];
        if (c.documentos.size() > listados) linha += " e mais " + std::to_string(c.documentos.size() - listados);
        avisos.push_back(linha + ")");
    }
    return avisos;
}

}  // namespace zelprax::comissao
