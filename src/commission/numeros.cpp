#include "commission/numeros.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace zelprax::comissao {

namespace {

long double Potencia10(int n) {
    long double p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

struct Padrao {
    int casas;
    bool agrupar;
};

Padrao InterpretarPadrao(const std::string& padrao) {
    if (padrao == "##0.00") return {2, false};
    if (padrao == "###,##0.0000") return {4, true};
    if (padrao == "###,##0") return {0, true};
    throw std::invalid_argument("Padrão numérico desconhecido: " + padrao);
}

// Formats the plain decimal text of a non-negative value ("1234.56789...") to `casas` decimals,
// half away from zero.
std::string FormatarDecimal(bool negativo, std::string texto, const Padrao& p) {
    auto ponto = texto.find('.');
    if (ponto == std::string::npos) {
        ponto = texto.size();
        texto += '.';
    }
    std::string inteiro = texto.substr(0, ponto);
    std::string fracao = texto.substr(ponto + 1);
    fracao.resize(static_cast<std::size_t>(p.casas) + 1, '0');
    const bool subir = fracao.back() >= '5';
    fracao.pop_back();
    std::string digitos = inteiro + fracao;
    if (subir) {
        int i = static_cast<int>(digitos.size()) - 1;
        while (i >= 0 && digitos[i] == '9') digitos[i--] = '0';
        if (i < 0)
            digitos.insert(digitos.begin(), '1');
        else
            ++digitos[i];
    }
    inteiro = digitos.substr(0, digitos.size() - static_cast<std::size_t>(p.casas));
    fracao = digitos.substr(inteiro.size());
    inteiro.erase(0, std::min(inteiro.find_first_not_of('0'), inteiro.size() - 1));
    if (inteiro.empty()) inteiro = "0";
    if (p.agrupar) {
        for (int i = static_cast<int>(inteiro.size()) - 3; i > 0; i -= 3) inteiro.insert(static_cast<std::size_t>(i), ".");
    }
    const bool zero = digitos.find_first_not_of('0') == std::string::npos;
    std::string s = (negativo && !zero ? "-" : "") + inteiro;
    if (p.casas > 0) s += "," + fracao;
    return s;
}

}  // namespace

double ArredondarValor(int casas, double valor) {
    if (valor < 0) return -ArredondarValor(casas, -valor);
    const long double f = Potencia10(casas + 1);
    const long double a = std::trunc(static_cast<long double>(valor) * f);
    const long double b = a / 10;
    const auto n = static_cast<std::int64_t>(std::trunc(b + 0.5L));
    return static_cast<double>(static_cast<long double>(n) / Potencia10(casas));
}

double TruncarValor(int casas, double valor) {
    if (valor < 0) return -TruncarValor(casas, -valor);
    const long double p = Potencia10(casas);
    const auto n = static_cast<std::int64_t>(std::trunc(p * (static_cast<long double>(valor) + 0.00000000001L)));
    return static_cast<double>(static_cast<long double>(n) / p);
}

std::string AjustarDecimalSQL(const std::string& texto) {
    std::string s;
    for (char c : texto) {
        if (c == ',')
            s += '.';
        else if (c != '.')
            s += c;
    }
    return s;
}

std::string FormatarNumero(const std::string& padrao, long double valor) {
    const Padrao p = InterpretarPadrao(padrao);
    if (!std::isfinite(valor) || std::fabs(valor) >= 1e18L) throw std::overflow_error("Floating point overflow");
    // to_chars writes the decimal point whatever the program's locale: under Qt the numeric locale
    // is the user's, and printf would write "1234,5" where a point is read.
    char buf[128];
    const auto fim = std::to_chars(buf, buf + sizeof buf, std::fabs(valor), std::chars_format::fixed, 30);
    if (fim.ec != std::errc{}) throw std::overflow_error("Floating point overflow");
    return FormatarDecimal(valor < 0, std::string(buf, fim.ptr), p);
}

std::string FormatarNumero(const std::string& padrao, Moeda valor) {
    const Padrao p = InterpretarPadrao(padrao);
    std::string texto = valor.Texto();
    const bool negativo = !texto.empty() && texto[0] == '-';
    if (negativo) texto.erase(0, 1);
    return FormatarDecimal(negativo, texto, p);
}

std::string ValorSQL(Moeda valor) { return AjustarDecimalSQL(FormatarNumero("##0.00", valor)); }
std::string PercentualSQL(Moeda valor) { return AjustarDecimalSQL(FormatarNumero("###,##0.0000", valor)); }

}  // namespace zelprax::comissao
