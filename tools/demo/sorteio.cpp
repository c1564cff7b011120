#include "sorteio.h"

#include <stdexcept>

namespace zelprax::demo {

std::int64_t Sorteio::Inteiro(std::int64_t a, std::int64_t b) {
    if (b < a) throw std::invalid_argument("Sorteio::Inteiro: intervalo vazio");
    const std::uint64_t faixa = static_cast<std::uint64_t>(b - a) + 1;
    constexpr std::uint64_t kSaidas = std::uint64_t{1} << 32;  // values of one draw
    if (faixa > kSaidas) throw std::invalid_argument("Sorteio::Inteiro: intervalo grande demais");
    // Draws at or above the largest multiple of the range would favour the low values: draw again.
    const std::uint64_t limite = kSaidas - kSaidas % faixa;
    std::uint64_t sorteado;
    do {
        sorteado = static_cast<std::uint32_t>(gerador_());
    } while (sorteado >= limite);
    return a + static_cast<std::int64_t>(sorteado % faixa);
}

int Sorteio::Pesos(std::initializer_list<int> pesos) {
    int total = 0;
    for (int p : pesos) total += p;
    std::int64_t r = Inteiro(1, total);
    int indice = 0;
    for (int p : pesos) {
        if (r <= p) return indice;
        r -= p;
        ++indice;
    }
    return indice - 1;
}

}  // namespace zelprax::demo
