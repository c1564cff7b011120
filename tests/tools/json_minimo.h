#pragma once
// The tests read the runner's JSON with the program's own strict reader.

#include "app/json.h"

namespace zelprax::teste {

using monitor::Json;
using monitor::LerJson;
using monitor::ListaJson;
using monitor::ObjetoJson;

}  // namespace zelprax::teste
