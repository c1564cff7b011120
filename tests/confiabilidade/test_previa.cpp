// What a run does to each seller, against the database it leaves; and a preview that fails
// part-way, which keeps nothing either: cut off at an operation anywhere in the run, the database
// holds every row as before.

#include <functional>
#include <map>
#include <set>
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

// The unpaid commission of each seller, as the entries hold it.
std::map<std::int32_t, comissao::Moeda> NaoPagaPorVendedor(const std::string& banco) {
    DadosTeste dados(banco);
    std::map<std::int32_t, comissao::Moeda> total;
    for (const auto& l : dados.Linhas("select coalesce(id_vendedor, 0), sum(vl_comissao) from mov_comissao where "
                                      "id_comissao_gerada is null group by 1"))
        total[std::stoi(l.at(0))] = comissao::Moeda::Ler(l.at(1));
    return total;
}

struct Execucao {
    comissao::EfeitoExecucao efeito;
    bool concluida = false;
};

// One complete run in this process, with a hook where it lets the window process its events.
Execucao Executar(const std::string& banco, const std::function<void()>& noMeio = {}) {
    SistemaFalso sistema;
    InteracaoGravada interacao;
    PainelObservado painel;
    int chamadas = 0;
    painel.aoProcessarEventos = [&](PainelObservado&) {
        if (noMeio && ++chamadas == 40) noMeio();
    };
    comissao::Motor motor(sistema, interacao, painel);
    motor.ConectarBanco(banco);
    Execucao e;
    monitor::ExecutarFases(motor, {});
    e.efeito = motor.efeito;
    e.concluida = true;
    motor.DesconectarBanco(true);
    return e;
}

// The figures are what the run wrote: each seller's change of unpaid commission is exactly what
// the table shows after against before, and what the ERP writes meanwhile does not count.
TEST(EfeitoPorVendedor, IgualAoQueARunDeixouNoBancoEAlheioAoERP) {
    PastaTemporaria pasta;
    const std::string banco = pasta / "erp.fdb";
    CriarBancoGerado(banco, 40, 11);
    const std::string copia = CopiarBanco(banco, "copia.fdb");
    const auto antes = NaoPagaPorVendedor(banco);
    const Execucao sozinha = Executar(banco);
    const auto depois = NaoPagaPorVendedor(banco);
    ASSERT_FALSE(sozinha.efeito.PorVendedor().empty());
    std::set<std::int32_t> vendedores;
    for (const auto& m : {antes, depois})
        for (const auto& [v, total] : m) vendedores.insert(v);
    for (const std::int32_t v : vendedores) {
        SCOPED_TRACE(v);
        const auto efeito = sozinha.efeito.PorVendedor().find(v);
        const comissao::Moeda variacao =
            efeito == sozinha.efeito.PorVendedor().end() ? comissao::Moeda{} : efeito->second.VariacaoNaoPaga();
        const auto valor = [](const auto& m, std::int32_t k) { return m.count(k) ? m.at(k) : comissao::Moeda{}; };
        EXPECT_EQ(variacao, valor(depois, v) - valor(antes, v));
    }

    // The same run on the copy while the ERP writes an unpaid entry of its own for seller 1.
    bool erpEscreveu = false;
    const Execucao comERP = Executar(copia, [&] {
        DadosTeste erp(copia);
        erp.Entrada(900000, {{"TP_REGISTRO", "'1'"}, {"ID_NF_COMERCIO", "null"}, {"ID_VENDEDOR", "1"},
                             {"VL_COMISSAO", "500.00"}});
        erpEscreveu = true;
    });
    ASSERT_TRUE(erpEscreveu) << "the run let the window process its events fewer than 40 times";
    EXPECT_EQ(comERP.efeito.PorVendedor(), sozinha.efeito.PorVendedor());
}

}  // namespace
}  // namespace zelprax::teste
