// A preview that fails part-way keeps nothing either: cut off at an operation anywhere in the run,
// the database holds every row as before.

#include <string>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "app/execucao.h"
#include "app/trava.h"
#include "commission/motor.h"
#include "db/banco.h"
#include "db/erro.h"
#include "support/interacao_gravada.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {
namespace {

TEST(Previa, InterrompidaEmQualquerPontoNaoDeixaNada) {
    PastaTemporaria pasta;
    const std::string banco = pasta / "erp.fdb";
    CriarBancoGerado(banco, 12, 7);
    std::string antes;
    {
        DadosTeste dados(banco);
        antes = RetratoDeTodasAsTabelas(dados);
    }
    // Operations a preview of this database makes, counted once; then cut-off points across them.
    auto previa = [&](std::int64_t falharEm) {
        SistemaFalso sistema;
        InteracaoGravada interacao;
        PainelObservado painel;
        comissao::Motor motor(sistema, interacao, painel);
        motor.ConectarBanco(banco);
        motor.IBD_BancoDados->IniciarSimulacao();
        const std::int64_t inicio = db::EstatisticasDoProcesso().operacoes;
        db::FalharNaOperacao(falharEm);
        bool concluida = true;
        try {
            monitor::ExecutarFases(motor, {});
            monitor::AtualizarMonitorAtivo(false, *motor.IBD_BancoDados);
        } catch (const db::ErroBanco&) {
            concluida = false;
        }
        db::FalharNaOperacao(0);
        const std::int64_t feitas = db::EstatisticasDoProcesso().operacoes - inicio;
        motor.DesconectarBanco(concluida);  // committing, as after a completed run: still nothing kept
        return std::pair{concluida, feitas};
    };
    const auto [concluida, total] = previa(0);
    ASSERT_TRUE(concluida);
    ASSERT_GT(total, 100);
    for (std::int64_t k : {std::int64_t{1}, total / 5, total / 2, total - total / 5, total - 1}) {
        SCOPED_TRACE(k);
        EXPECT_FALSE(previa(k).first);
        DadosTeste dados(banco);
        EXPECT_EQ(RetratoDeTodasAsTabelas(dados), antes);
    }
    DadosTeste dados(banco);
    EXPECT_EQ(RetratoDeTodasAsTabelas(dados), antes);
}

}  // namespace
}  // namespace zelprax::teste
