// The number routines and the amount: any double or text either gives a well-formed number or a
// clean error, never a crash or undefined behaviour.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "commission/moeda.h"
#include "commission/numeros.h"

using namespace zelprax::comissao;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    if (tamanho >= sizeof(double)) {
        double valor;
        std::memcpy(&valor, dados, sizeof valor);
        if (std::isfinite(valor) && std::fabs(valor) < 1e12) {
            const double a = ArredondarValor(2, valor);
            const double t = TruncarValor(2, valor);
            if (std::fabs(a - valor) > 0.0051 || std::fabs(t) > std::fabs(valor) + 0.01) __builtin_trap();
            if (ArredondarValor(2, -valor) != -a) __builtin_trap();  // symmetric below zero
            for (const char* padrao : {"##0.00", "###,##0.0000", "###,##0"}) {
                const std::string sql = AjustarDecimalSQL(FormatarNumero(padrao, static_cast<long double>(valor)));
                if (sql.find(',') != std::string::npos) __builtin_trap();
            }
            try {
                const Moeda m = Moeda::DeDouble(valor);
                const std::string texto = ValorSQL(m);
                if (texto.find_first_not_of("-0123456789.") != std::string::npos) __builtin_trap();
                (void)(m * m);
                (void)(m / Moeda::DeInteiro(3));
            } catch (const std::exception&) {
            }
        }
    }
    const std::string texto(reinterpret_cast<const char*>(dados), tamanho);
    try {
        const Moeda m = Moeda::Ler(texto);
        if (Moeda::Ler(m.Texto()) != m) __builtin_trap();  // its own text reads back the same
    } catch (const std::exception&) {
    }
    return 0;
}
