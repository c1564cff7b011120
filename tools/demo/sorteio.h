#pragma once
// The demo's random source: the Mersenne Twister, whose output sequence the C++ standard fixes,
// turned into ranges by our own rejection sampling. The standard distributions are left out on
// purpose: their results differ between standard libraries, and a seed must give the same
// database everywhere.

#include <cstdint>
#include <initializer_list>
#include <random>

namespace zelprax::demo {

class Sorteio {
public:
    explicit Sorteio(std::uint32_t semente) : gerador_(semente) {}

    // An integer from a to b, both included, every value equally likely. Requires a <= b and a
    // range of at most 2^32 values.
    std::int64_t Inteiro(std::int64_t a, std::int64_t b);

    // True with the given chance in percent (0 never, 100 always).
    bool Chance(int porcentagem) { return Inteiro(1, 100) <= porcentagem; }

    // The index of one weight, each index drawn in proportion to its weight.
    int Pesos(std::initializer_list<int> pesos);

private:
    std::mt19937 gerador_;
};

}  // namespace zelprax::demo
