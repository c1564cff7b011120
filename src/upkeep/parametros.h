#pragma once
// The upgrade of the ERP's parameter table: databases older than the ERP's version columns get
// `script_rodado` and `VERSAO_ERP` added and filled at start-up.

#include "db/banco.h"

namespace zelprax::manutencao {

// Adds and fills the two version columns of TAB_PARAMETRO when VERSAO_ERP is missing; changes
// nothing otherwise. Works in the connection's default transaction and commits, retaining it,
// after the alterations and after each update. Errors are raised; what was committed before a
// failing statement stays committed.
void AtualizarTabelaParametro(db::BancoDados& banco);

}  // namespace zelprax::manutencao
