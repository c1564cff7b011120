#pragma once
// What one run did to each seller: the commission entries it created and removed, per kind, and
// the settlements it wrote, with counts and totals. It is built up from the run's own writes as
// each is committed, never from totals of the tables before and after, which would count what the
// ERP writes to the same tables meanwhile.

#include <array>
#include <cstdint>
#include <map>

#include "commission/moeda.h"

namespace zelprax::comissao {

struct Contagem {
    int quantidade = 0;
    Moeda total;
    void Somar(Moeda valor) {
        ++quantidade;
        total += valor;
    }
    bool operator==(const Contagem&) const = default;
};

// The settlements a run writes itself: the deductions and payments of the blocking by commercial
// phase, and the reversals of defaulting customers' advances.
enum class TipoAcertoExecucao { Desconto, Pagamento, Estorno };

struct EfeitoVendedor {
    // Index 0, 1, 2: TP_REGISTRO 1 (sales), 2 (receipts), 3 (settlements).
    std::array<Contagem, 3> criadas, removidas;
    Contagem descontos, pagamentos, estornos;
    // The change of the seller's unpaid commission: what the created entries add less what the
    // removed ones held (a run never removes a paid entry).
    Moeda VariacaoNaoPaga() const;
    bool operator==(const EfeitoVendedor&) const = default;
};

class EfeitoExecucao {
public:
    // The amounts as the tables keep them: VL_COMISSAO and VL_ACERTO hold two decimals, and the
    // server rounds a value written with more half away from zero.
    static Moeda ComoGravado(Moeda valor);

    // Entries of amount zero leave nothing behind: the run's closing step removes the unpaid ones,
    // so they are neither counted as created nor as removed.
    void EntradaCriada(std::int32_t vendedor, int tpRegistro, Moeda valor);
    void EntradaRemovida(std::int32_t vendedor, int tpRegistro, Moeda valor);
    void AcertoGravado(std::int32_t vendedor, TipoAcertoExecucao tipo, Moeda valor);

    // By seller identifier (0: an entry without a seller).
    const std::map<std::int32_t, EfeitoVendedor>& PorVendedor() const { return porVendedor_; }
    void Zerar() { porVendedor_.clear(); }

private:
    static Contagem& DoTipo(std::array<Contagem, 3>& contagens, int tpRegistro);
    std::map<std::int32_t, EfeitoVendedor> porVendedor_;
};

}  // namespace zelprax::comissao
