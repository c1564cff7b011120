#include "commission/motor.h"

namespace zelprax::comissao {

// Not built yet: the phase does nothing.
void Motor::GerarComissaoVendas() {}

}  // namespace zelprax::comissao

namespace zelprax::comissao {

Moeda Motor::BaseComissaoItens(std::int32_t) { return {}; }
Moeda Motor::ValorReducaoComissao(std::int32_t) { return {}; }

}  // namespace zelprax::comissao
