#include "db/valor.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/erro.h"

namespace zelprax::db {

namespace {

std::int64_t Potencia10(int n) {
    std::int64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// Division rounding half to even, for a positive divisor.
std::int64_t DividirParaPar(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d, r = n % d;
    const std::int64_t dobro = 2 * (r < 0 ? -r : r);
    if (dobro > d || (dobro == d && (q % 2 != 0))) q += (n < 0 ? -1 : 1);
    return q;
}

std::string DecimalEmTexto(const Decimal& d) {
    if (d.escala >= 0) return std::to_string(d.numero * Potencia10(d.escala));
    const std::int64_t p = Potencia10(-d.escala);
    const bool negativo = d.numero < 0;
    const std::uint64_t abs = negativo ? 0 - static_cast<std::uint64_t>(d.numero) : d.numero;
    std::string frac = std::to_string(abs % p);
    frac.insert(0, static_cast<std::size_t>(-d.escala) - frac.size(), '0');
    return (negativo ? "-" : "") + std::to_string(abs / p) + "." + frac;
}

}  // namespace

std::int64_t DecimalEmDezMilesimos(const Decimal& d) {
    if (d.escala >= -4) return d.numero * Potencia10(4 + d.escala);
    return DividirParaPar(d.numero, Potencia10(-4 - d.escala));
}

bool Campo::Nulo() const { return valor_ == nullptr || std::holds_alternative<db::Nulo>(*valor_); }

std::int64_t Campo::ComoInteiro64() const {
    if (Nulo()) return 0;
    if (auto d = std::get_if<Decimal>(valor_)) {
        if (d->escala >= 0) return d->numero * Potencia10(d->escala);
        return DividirParaPar(d->numero, Potencia10(-d->escala));
    }
    if (auto f = std::get_if<double>(valor_)) return std::llround(*f);
    if (auto s = std::get_if<std::string>(valor_)) {
        char* fim = nullptr;
        const long long v = std::strtoll(s->c_str(), &fim, 10);
        if (fim == s->c_str() || *fim != '\0')
            throw ErroBanco("'" + *s + "' is not a valid integer value", {});
        return v;
    }
    return 0;
}

std::int32_t Campo::ComoInteiro() const { return static_cast<std::int32_t>(ComoInteiro64()); }

std::string Campo::ComoTexto() const {
    if (Nulo()) return {};
    if (auto s = std::get_if<std::string>(valor_)) return *s;
    if (auto d = std::get_if<Decimal>(valor_)) return DecimalEmTexto(*d);
    if (auto f = std::get_if<double>(valor_)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", *f);
        return buf;
    }
    if (auto d = std::get_if<Data>(valor_)) return FormatarDataHoraTela(d->valor).substr(0, 10);
    if (auto i = std::get_if<Instante>(valor_)) return FormatarDataHoraTela(i->valor);
    return {};
}

std::int64_t Campo::ComoDezMilesimos() const {
    if (Nulo()) return 0;
    if (auto d = std::get_if<Decimal>(valor_)) return DecimalEmDezMilesimos(*d);
    if (auto f = std::get_if<double>(valor_)) return std::llrint(static_cast<long double>(*f) * 10000.0L);
    if (std::holds_alternative<std::string>(*valor_)) return ComoInteiro64() * 10000;
    return 0;
}

double Campo::ComoDouble() const {
    if (Nulo()) return 0;
    if (auto d = std::get_if<Decimal>(valor_))
        return static_cast<double>(static_cast<long double>(d->numero) / Potencia10(-d->escala));
    if (auto f = std::get_if<double>(valor_)) return *f;
    return static_cast<double>(ComoInteiro64());
}

DataHora Campo::ComoDataHora() const {
    if (Nulo()) return {};
    if (auto d = std::get_if<Data>(valor_)) return d->valor;
    if (auto i = std::get_if<Instante>(valor_)) return i->valor;
    return {};
}

}  // namespace zelprax::db
