#include "commission/motor.h"

namespace zelprax::comissao {

// Not built yet: the phase does nothing.
void Motor::GerarComissaoAcertos() {}

}  // namespace zelprax::comissao
