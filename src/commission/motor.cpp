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

int Motor::AbrirSelecao(db::Consulta& consulta, const std::string& sql, const std::string& prefixoEmissao) {
    consulta.Fechar();
    consulta.DefinirSQL(sql);
    if (painel_.EmissaoAPartir()) consulta.AdicionarLinha(LinhaEmissao(prefixoEmissao));
    consulta.Abrir();
    consulta.BuscarTodos();
    const int total = consulta.Contagem();
    if (total > 0) {
        painel_.MostrarBarra(true);
        painel_.DefinirMaximo(total);
        painel_.DefinirPosicao(0);
    }
    return total;
}

}  // namespace zelprax::comissao
