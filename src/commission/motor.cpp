#include "commission/motor.h"

#include "db/sql.h"

namespace zelprax::comissao {

Motor::Motor(plataforma::Sistema& sistema, db::Interacao& interacao, PainelExecucao& painel,
             const db::Relogio& relogio)
    : db::SessaoBanco(sistema, interacao), painel_(painel), relogio_(relogio) {}

std::string Motor::LinhaEmissao(const std::string& prefixo) const {
    if (!painel_.EmissaoAPartir()) return {};
    return prefixo + db::DataSQL(painel_.DataEmissaoAPartir());
}

}  // namespace zelprax::comissao
