#include "upkeep/parametros.h"

#include <string>

#include "db/consulta.h"

namespace zelprax::manutencao {

namespace {

// The column test against the catalogue, kept exactly as the ERP's own upgrade sends it.
std::string TextoTesteColuna() {
    return " sELECT r.* FROM RDB$RELATION_fields r" + std::string(16, ' ') + "where" + std::string(48, ' ') +
           "r.RDB$relation_name =" + "'TAB_PARAMETRO'" + " and  r.RDB$field_name = " + "'VERSAO_ERP'";
}

void ExecutarTexto(db::Consulta& consulta, const std::string& sql) {
    consulta.Fechar();
    consulta.DefinirSQL(sql);
    consulta.Executar();
}

}  // namespace

void AtualizarTabelaParametro(db::BancoDados& banco) {
    // No transaction of its own: the query runs in the connection's default one.
    db::Consulta consulta("IBQ_AtualizaParametro");
    consulta.Anexar(&banco);

    consulta.DefinirSQL(TextoTesteColuna());
    consulta.Abrir();
    const bool versaoExiste = !consulta.Fim();
    consulta.Fechar();
    // Only VERSAO_ERP decides: a table with script_rodado alone fails at the first alteration.
    if (versaoExiste) return;

    db::Transacao& transacao = consulta.TransacaoAtual();
    ExecutarTexto(consulta, "alter table tab_parametro add script_rodado integer");
    ExecutarTexto(consulta, "alter table tab_parametro add VERSAO_ERP varchar(30)");
    // The new columns must be committed before the updates can name them.
    transacao.CommitRetaining();
    ExecutarTexto(consulta,
                  " update tab_parametro a set a.script_rodado = (select max(a.no_log_atualizacao) from "
                  "mov_log_atualizacao a)");
    transacao.CommitRetaining();
    ExecutarTexto(consulta, " update tab_parametro a set a.VERSAO_ERP = 'Versao Inicial'");
    transacao.CommitRetaining();
}

}  // namespace zelprax::manutencao
