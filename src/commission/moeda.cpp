#include "commission/moeda.h"

#include <cmath>
#include <stdexcept>

namespace zelprax::comissao {

namespace {

// A value already counted in ten-thousandths, rounded to a whole count.
std::int64_t Arredondar(long double escalado) {
    if (!std::isfinite(escalado) || std::fabs(escalado) >= 9.2e18L)
        throw std::overflow_error("Floating point overflow");
    return std::llrint(escalado);  // the default rounding mode: to nearest, ties to even
}

}  // namespace

Moeda Moeda::DeLongDouble(long double valor) { return Moeda(Arredondar(valor * 10000.0L)); }

Moeda Moeda::Ler(std::string_view texto) {
    bool negativo = false;
    std::size_t i = 0;
    if (i < texto.size() && (texto[i] == '-' || texto[i] == '+')) negativo = texto[i++] == '-';
    std::int64_t inteiro = 0, fracao = 0;
    int casas = 0;
    bool digitos = false, ponto = false;
    for (; i < texto.size(); ++i) {
        const char c = texto[i];
        if (c == '.' && !ponto) {
            ponto = true;
        } else if (c >= '0' && c <= '9' && !ponto) {
            // Beyond what ten-thousandths in 64 bits can hold the text is no amount.
            if (inteiro > (922337203685476 - (c - '0')) / 10)
                throw std::out_of_range("'" + std::string(texto) + "' is out of the amount's range");
            inteiro = inteiro * 10 + (c - '0');
            digitos = true;
        } else if (c >= '0' && c <= '9' && casas < 4) {
            fracao = fracao * 10 + (c - '0');
            ++casas;
            digitos = true;
        } else {
            throw std::invalid_argument("'" + std::string(texto) + "' is not a valid amount");
        }
    }
    if (!digitos) throw std::invalid_argument("'" + std::string(texto) + "' is not a valid amount");
    while (casas++ < 4) fracao *= 10;
    const std::int64_t n = inteiro * 10000 + fracao;
    return Moeda(negativo ? -n : n);
}

std::string Moeda::Texto() const {
    const bool negativo = n_ < 0;
    const std::uint64_t abs = negativo ? 0 - static_cast<std::uint64_t>(n_) : static_cast<std::uint64_t>(n_);
    std::string fracao = std::to_string(abs % 10000);
    fracao.insert(0, 4 - fracao.size(), '0');
    return (negativo ? "-" : "") + std::to_string(abs / 10000) + "." + fracao;
}

Moeda operator*(Moeda a, Moeda b) {
    return Moeda(Arredondar(static_cast<long double>(a.n_) * static_cast<long double>(b.n_) / 10000.0L));
}

Moeda operator/(Moeda a, Moeda b) {
    if (b.n_ == 0) throw std::domain_error("Division by zero");
    return Moeda(Arredondar(static_cast<long double>(a.n_) * 10000.0L / static_cast<long double>(b.n_)));
}

Moeda Moeda::Vezes(long double fator) const {
    return Moeda(Arredondar(static_cast<long double>(n_) * fator));
}

}  // namespace zelprax::comissao
