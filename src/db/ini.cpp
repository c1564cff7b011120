#include "db/ini.h"

#include <fstream>

namespace zelprax::db {

namespace {

bool Branco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view SemBrancos(std::string_view texto) {
    while (!texto.empty() && Branco(texto.front())) texto.remove_prefix(1);
    while (!texto.empty() && Branco(texto.back())) texto.remove_suffix(1);
    return texto;
}

char Minuscula(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IguaisSemCaixa(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Minuscula(a[i]) != Minuscula(b[i])) return false;
    return true;
}

// Where the first of `fins` stands, or the start of a comment (a ';' after a blank); the end of
// the text when there is neither.
std::size_t FimOuComentario(std::string_view texto, std::string_view fins) {
    bool aposBranco = false;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (fins.find(texto[i]) != std::string_view::npos || (aposBranco && texto[i] == ';')) return i;
        aposBranco = Branco(texto[i]);
    }
    return texto.size();
}

}  // namespace

std::optional<std::string> ValorIni(std::istream& texto, std::string_view secao, std::string_view chave) {
    std::string linhaLida;
    bool primeira = true;
    bool naSecao = secao.empty();
    while (std::getline(texto, linhaLida)) {
        std::string_view linha = linhaLida;
        if (primeira && linha.starts_with("\xEF\xBB\xBF")) linha.remove_prefix(3);
        primeira = false;
        if (const std::size_t nulo = linha.find('\0'); nulo != std::string_view::npos) linha = linha.substr(0, nulo);
        linha = SemBrancos(linha);
        if (linha.empty() || linha.front() == ';' || linha.front() == '#') continue;

        if (linha.front() == '[') {
            const std::size_t fim = FimOuComentario(linha.substr(1), "]");
            if (fim < linha.size() - 1 && linha[1 + fim] == ']') naSecao = IguaisSemCaixa(linha.substr(1, fim), secao);
            continue;
        }
        if (!naSecao) continue;
        const std::size_t separador = FimOuComentario(linha, "=:");
        if (separador == linha.size() || (linha[separador] != '=' && linha[separador] != ':')) continue;
        if (!IguaisSemCaixa(SemBrancos(linha.substr(0, separador)), chave)) continue;
        std::string_view valor = linha.substr(separador + 1);
        valor = SemBrancos(valor.substr(0, FimOuComentario(valor, {})));
        return std::string(valor);
    }
    return std::nullopt;
}

std::string LerValorIni(const std::string& arquivo, std::string_view secao, std::string_view chave) {
    std::ifstream texto(arquivo, std::ios::binary);
    if (!texto) return {};
    return ValorIni(texto, secao, chave).value_or(std::string{});
}

}  // namespace zelprax::db
