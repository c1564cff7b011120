// Two runs on one database at once, in this process, met on purpose inside a phase. Either the
// second run enters while the first still holds a document uncommitted, and stops with the
// server's lock conflict; or it works from a selection read before the first run committed the
// same documents, and must not write them a second time. After one more complete run the
// database obeys every rule and equals one complete run on a copy of the same start.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "commission/motor.h"
#include "db/erro.h"
#include "support/interacao_gravada.h"
#include "support/invariantes.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {
namespace {

using comissao::Motor;

// The phases in run order, as the engine names them; Phases 2 to 4 and 8 to 9 are one call each.
const std::vector<std::pair<int, void (Motor::*)()>> kFases = {
    {1, &Motor::CalcularComissaoVendas}, {2, &Motor::GerarAcertosFaseProcesso}, {5, &Motor::GerarComissaoVendas},
    {6, &Motor::GerarComissaoRecebimentos}, {7, &Motor::GerarComissaoAcertos}, {8, &Motor::GerarEstornoInadimplentes}};

// The call that holds a given phase (3 and 4 are in 2's, 9 in 8's).
void (Motor::*ChamadaDaFase(int fase))() {
    void (Motor::*chamada)() = nullptr;
    for (const auto& [primeira, metodo] : kFases)
        if (primeira <= fase) chamada = metodo;
    return chamada;
}

bool LegendaDaFase(const PainelObservado& painel, int fase) {
    return !painel.legendas.empty() && painel.legendas.back().rfind("Fase " + std::to_string(fase) + "/9", 0) == 0;
}

// One engine with its own connection and its own progress display.
struct Execucao {
    explicit Execucao(const std::string& banco) { motor.ConectarBanco(banco); }
    ~Execucao() { motor.DesconectarBanco(false); }

    SistemaFalso sistema;
    InteracaoGravada interacao;
    PainelObservado painel;
    Motor motor{sistema, interacao, painel, RelogioDoTeste()};
};

class ExecucoesSimultaneas : public ::testing::Test {
protected:
    void SetUp() override {
        CriarBancoGerado(inicio, 60, 5);
        DadosTeste dados(inicio);
        estadoInicial = CapturarInicio(dados);
        const std::string referencia = CopiarBanco(inicio, pasta / "referencia.fdb");
        std::string erro;
        ASSERT_TRUE(ExecutarCompleta(referencia, &erro)) << erro;
        DadosTeste dadosReferencia(referencia);
        retratoReferencia = RetratoDasEntradas(dadosReferencia);
    }

    // Runs the phases with `primeira` on their own connection; the one that holds `fase` is given
    // to `encontro` instead, which makes the two runs meet there; the rest follow on `primeira`.
    void Executar(Execucao& primeira, int fase, const std::function<void()>& encontro) {
        for (const auto& [numero, metodo] : kFases) {
            (void)numero;
            if (metodo == ChamadaDaFase(fase))
                encontro();
            else
                (primeira.motor.*metodo)();
        }
    }

    PastaTemporaria pasta;
    std::string inicio = pasta / "inicio.fdb";
    Inicio estadoInicial;
    std::string retratoReferencia;
};

// The second run starts the same phase while the first has written part of a document's entries
// and not yet committed them: it stops at that document with the server's lock conflict, having
// written nothing for it; the first run goes on unharmed.
TEST_F(ExecucoesSimultaneas, SegundaExecucaoParaNoDocumentoQueAOutraAindaGrava) {
    for (int fase : {5, 6, 7}) {
        SCOPED_TRACE("fase " + std::to_string(fase));
        const std::string banco = CopiarBanco(inicio, pasta / ("dentro" + std::to_string(fase) + ".fdb"));
        Execucao primeira(banco), segunda(banco);
        bool encontrou = false;
        std::string erroDaSegunda;
        int gravadosAntes = 0;
        primeira.painel.aoProcessarEventos = [&](PainelObservado& p) {
            // Right after an entry is written (the count moved since the last call) the document
            // is still uncommitted.
            const int gravados = primeira.motor.resumo[fase].gravados;
            const bool depoisDeGravar = gravados > gravadosAntes;
            gravadosAntes = gravados;
            if (encontrou || !LegendaDaFase(p, fase) || p.passosNaFase < 2 || !depoisDeGravar) return;
            encontrou = true;
            try {
                (segunda.motor.*ChamadaDaFase(fase))();
            } catch (const db::ErroBanco& e) {
                erroDaSegunda = e.Texto();
            }
        };
        Executar(primeira, fase, [&] { (primeira.motor.*ChamadaDaFase(fase))(); });
        ASSERT_TRUE(encontrou) << "a fase não escreveu o bastante para o encontro";
        EXPECT_NE(erroDaSegunda.find("update conflicts with concurrent update"), std::string::npos) << erroDaSegunda;
        segunda.motor.DesconectarBanco(false);
        primeira.motor.DesconectarBanco(true);
        ConferirDepoisDeMaisUmaExecucao(banco, estadoInicial, retratoReferencia);
    }
}

// The second run has read its selection of the phase; before it takes up its first document, the
// first run does the whole phase and commits. The second run finds every document already done:
// it writes no settlement and no reversal a second time, and the entries it rebuilds replace the
// first run's.
TEST_F(ExecucoesSimultaneas, SelecaoLidaAntesDoCommitDaOutraNaoEscreveDeNovo) {
    for (int fase : {3, 4, 5, 6, 7, 9}) {
        SCOPED_TRACE("fase " + std::to_string(fase));
        const std::string banco = CopiarBanco(inicio, pasta / ("velha" + std::to_string(fase) + ".fdb"));
        Execucao primeira(banco), segunda(banco);
        bool encontrou = false;
        segunda.painel.aoAvancar = [&](PainelObservado& p) {
            if (encontrou || !LegendaDaFase(p, fase) || p.passosNaFase != 1) return;
            encontrou = true;
            (primeira.motor.*ChamadaDaFase(fase))();
        };
        Executar(primeira, fase, [&] { (segunda.motor.*ChamadaDaFase(fase))(); });
        ASSERT_TRUE(encontrou) << "a fase não selecionou nada";
        if (fase == 3 || fase == 4 || fase == 9) {
            EXPECT_EQ(segunda.motor.resumo[fase].gravados, 0);
            EXPECT_GT(segunda.motor.resumo[fase].ignorados, 0);
        }
        segunda.motor.DesconectarBanco(true);
        primeira.motor.DesconectarBanco(true);
        ConferirDepoisDeMaisUmaExecucao(banco, estadoInicial, retratoReferencia);
    }
}

}  // namespace
}  // namespace zelprax::teste
