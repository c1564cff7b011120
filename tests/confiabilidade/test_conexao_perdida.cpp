// How a lost connection reaches the tick: the client reports it as a failed read or, when it still
// had a request to send, as a failed write. Both are a lost server; other errors are not.

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../app/erp_teste.h"
#include "../app/motor_gravador.h"
#include "apoio_confiabilidade.h"
#include "app/agendador.h"
#include "db/erro.h"
#include "support/interacao_gravada.h"

namespace zelprax::teste {
namespace {

TEST(ConexaoPerdida, ErrosDaConexaoLevamAosPassosDePerdaDoServidor) {
    struct Caso {
        const char* texto;
        std::int64_t codigo;
        bool perda;
    };
    const Caso casos[] = {
        {"Error reading data from the connection.", db::kConexaoPerdidaLeitura, true},
        {"Error writing data to the connection.", db::kConexaoPerdidaEscrita, true},
        {"Unable to complete network request to host \"127.0.0.1\".\nFailed to establish a connection.",
         db::kRedeIndisponivel, true},
        {"deadlock\nupdate conflicts with concurrent update\nconcurrent transaction number is 7",
         db::kConflitoDeAtualizacao, false},
        {"violation of PRIMARY or UNIQUE KEY constraint \"INTEG_2\" on table \"MOV_COMISSAO\"", db::kViolacaoDeChave,
         false},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.texto);
        InstalacaoERP erp;
        {
            DadosTeste dados(erp.banco);
            dados.Parametro({{"ST_MONITOR_COMISSAO_ATIVO", "'S'"}});
        }
        InteracaoGravada interacao;
        PainelObservado painel;
        MotorGravador motor(erp.sistema, interacao, painel);
        motor.acoes["GerarComissaoRecebimentos"] = [&caso](comissao::Motor&) {
            throw db::ErroBanco(caso.texto, {caso.codigo}, " select 1 from rdb$database");
        };
        TelaGravada tela;
        std::ostringstream erros;
        monitor::AgendadorComissao agendador(motor, tela, RelogioDoTeste(), false, erros);
        agendador.bMesnagemClickBotao = true;
        agendador.Timer1Timer();

        EXPECT_FALSE(tela.temporizadores);
        EXPECT_NE(erros.str().find(caso.texto), std::string::npos) << erros.str();
        if (caso.perda) {
            // The database is still there, so the inactive mark goes through before the end.
            EXPECT_EQ(erp.sistema.encerrados, std::vector<std::string>{monitor::NomeProgramaMonitor()});
            EXPECT_EQ(DadosTeste(erp.banco).Valor("select st_monitor_comissao_ativo from tab_parametro"), "N");
        } else {
            EXPECT_TRUE(erp.sistema.encerrados.empty()) << "outro erro: o monitor fica, parado";
            EXPECT_EQ(DadosTeste(erp.banco).Valor("select st_monitor_comissao_ativo from tab_parametro"), "S");
        }
    }
}

}  // namespace
}  // namespace zelprax::teste
