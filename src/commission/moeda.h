#pragma once
// The fixed-point amount of the commission run: a signed 64-bit count of ten-thousandths. It holds
// every money value, percentage and share. Sums and differences are exact; products and quotients
// are formed in 80-bit extended precision and rounded to the nearest ten-thousandth, ties to even.

#include <compare>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace zelprax::comissao {

static_assert(std::numeric_limits<long double>::digits >= 64,
              "the amount's products need 80-bit extended precision");

class Moeda {
public:
    constexpr Moeda() = default;

    static constexpr Moeda DeDezMilesimos(std::int64_t n) { return Moeda(n); }
    static constexpr Moeda DeInteiro(std::int64_t n) { return Moeda(n * 10000); }
    // Rounds to the nearest ten-thousandth, ties to even; raises on overflow or a value that is
    // not a number.
    static Moeda DeLongDouble(long double valor);
    static Moeda DeDouble(double valor) { return DeLongDouble(valor); }
    // Exact reading of a decimal text such as "-1234.5" (at most four decimals).
    static Moeda Ler(std::string_view texto);

    constexpr std::int64_t DezMilesimos() const { return n_; }
    long double ComoLongDouble() const { return static_cast<long double>(n_) / 10000.0L; }
    double ComoDouble() const { return static_cast<double>(ComoLongDouble()); }
    // "-1234.5000": four decimals, a point, no grouping.
    std::string Texto() const;

    constexpr Moeda operator-() const { return Moeda(-n_); }
    constexpr Moeda& operator+=(Moeda o) { n_ += o.n_; return *this; }
    constexpr Moeda& operator-=(Moeda o) { n_ -= o.n_; return *this; }
    friend constexpr Moeda operator+(Moeda a, Moeda b) { return Moeda(a.n_ + b.n_); }
    friend constexpr Moeda operator-(Moeda a, Moeda b) { return Moeda(a.n_ - b.n_); }
    friend constexpr auto operator<=>(Moeda, Moeda) = default;
    friend constexpr bool operator==(Moeda, Moeda) = default;

    // Rounded products and quotients.
    friend Moeda operator*(Moeda a, Moeda b);
    friend Moeda operator/(Moeda a, Moeda b);  // raises on a zero divisor
    // The amount times a floating-point factor, rounded once.
    Moeda Vezes(long double fator) const;

private:
    constexpr explicit Moeda(std::int64_t n) : n_(n) {}
    std::int64_t n_ = 0;
};

}  // namespace zelprax::comissao
