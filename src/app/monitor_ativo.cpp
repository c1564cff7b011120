// The monitor flag in the parameter table; apart from the lock file's rules, so that a program that
// needs only those links no database client.

#include <string>

#include "app/trava.h"
#include "db/consulta.h"

namespace zelprax::monitor {

void AtualizarMonitorAtivo(bool ativo, db::BancoDados& conexao) {
    db::Consulta consulta("IBQ_MonitorAtivo");
    consulta.Anexar(&conexao);
    consulta.DefinirSQL(std::string(" update tab_parametro") + " SET ST_MONITOR_COMISSAO_ATIVO = " +
                        (ativo ? "'S'" : "'N'"));
    consulta.Executar();
    consulta.DefinirSQL("commit retain");
    consulta.Executar();
}

}  // namespace zelprax::monitor
