#pragma once
// The start-up check for a newer version of the monitor and the hand-over to the updater, with the
// parameter-table upgrade it runs on the way.

#include <string>

#include "db/interacao.h"
#include "db/sessao.h"
#include "platform/platform.h"

namespace zelprax::manutencao {

// Runs once per start with the open connection. May hand over to the updater and end the process.
void VerificarAtualizacao(db::SessaoBanco& sessao, plataforma::Sistema& sistema, db::Interacao& interacao,
                          bool compararVersao = true);

}  // namespace zelprax::manutencao
