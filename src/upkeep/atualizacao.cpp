#include "upkeep/atualizacao.h"

namespace zelprax::manutencao {

// Not built yet: the check does nothing.
void VerificarAtualizacao(db::SessaoBanco&, plataforma::Sistema&, db::Interacao&, bool) {}

}  // namespace zelprax::manutencao
