#include "commission/motor.h"

namespace zelprax::comissao {

// Not built yet: the phase does nothing.
void Motor::CalcularComissaoVendas() {}

}  // namespace zelprax::comissao

namespace zelprax::comissao {

void Motor::GravarValorNota(std::int32_t, const std::string&, Moeda) {}
std::int32_t Motor::BuscarFabricanteProduto(std::int32_t) { return 0; }
Moeda Motor::BuscarComissaoVendedor(std::int32_t, std::int32_t, std::int32_t) { return {}; }
void CalcularComissaoProdutos(std::int32_t, TDynamicDoubleArray&, db::BancoDados&) {}

}  // namespace zelprax::comissao
