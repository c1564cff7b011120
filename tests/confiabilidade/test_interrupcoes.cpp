// A run cut off at any statement loses nothing and writes nothing twice: for every operation k of a
// complete run on a generated database, a run that fails at its k-th operation followed by complete
// runs until one more changes nothing leaves the invariants intact and every row as complete runs
// to that point leave a copy of the same start. Repeated complete runs settle. Also: the same run
// over the server and embedded gives the same database.
//
// ZELPRAX_INTERRUPCOES_NOTAS (default 6) and ZELPRAX_INTERRUPCOES_SEMENTE (default 1) choose the
// generated database, one where the blocking, its settlements and the reversal have work;
// ZELPRAX_INTERRUPCOES_AMOSTRA (default 50, 0: every k) is the number of evenly spread k to try;
// scripts/interrupcoes runs a larger database.

#include <cstdlib>
#include <iostream>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "app/execucao.h"
#include "app/trava.h"
#include "commission/motor.h"
#include "db/banco.h"
#include "support/banco_teste.h"
#include "support/interacao_gravada.h"
#include "support/invariantes.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {
namespace {

class PainelMudo : public comissao::PainelExecucao {
public:
    void MostrarLegenda(const std::string&) override {}
    void OcultarLegenda() override {}
    void MostrarBarra(bool) override {}
    void DefinirMaximo(int) override {}
    void DefinirPosicao(int) override {}
    void Avancar() override {}
    void ProcessarEventos() override {}
    bool EmissaoAPartir() const override { return false; }
    db::DataHora DataEmissaoAPartir() const override { return {}; }
};

int Ambiente(const char* nome, int padrao) {
    const char* valor = std::getenv(nome);
    return valor != nullptr && *valor != '\0' ? std::atoi(valor) : padrao;
}

// One run as the monitor makes it: the phases and closing statements, the inactive mark, and the
// release of the connection (committing after a completed run, rolling back after a failed one).
// With falharEm > 0 the falharEm-th operation after the connection fails. True when it completed.
// `operacoes` receives the number of operations the run made after connecting, up to its release.
bool Executar(const std::string& conexao, std::int64_t falharEm = 0, std::string* erro = nullptr,
              std::int64_t* operacoes = nullptr) {
    SistemaFalso sistema;
    InteracaoGravada interacao;
    PainelMudo painel;
    comissao::Motor motor(sistema, interacao, painel, RelogioDoTeste());
    motor.ConectarBanco(conexao);
    const std::int64_t inicio = db::EstatisticasDoProcesso().operacoes;
    db::FalharNaOperacao(falharEm);
    try {
        monitor::ExecutarFases(motor, {});
        monitor::AtualizarMonitorAtivo(false, *motor.IBD_BancoDados);
        db::FalharNaOperacao(0);
        if (operacoes != nullptr) *operacoes = db::EstatisticasDoProcesso().operacoes - inicio;
        motor.DesconectarBanco(true);
        return true;
    } catch (const std::exception& e) {
        db::FalharNaOperacao(0);
        if (erro != nullptr) *erro = e.what();
        motor.DesconectarBanco(false);
        return false;
    }
}

TEST(Interrupcoes, CadaOperacaoInterrompidaESeguidaDeExecucoesAtePontoFixo) {
    PastaTemporaria pasta;
    const std::string inicio = pasta / "inicio.fdb";
    CriarBancoGerado(inicio, Ambiente("ZELPRAX_INTERRUPCOES_NOTAS", 6),
                     static_cast<std::uint32_t>(Ambiente("ZELPRAX_INTERRUPCOES_SEMENTE", 1)));
    Inicio estadoInicial;
    {
        DadosTeste dados(inicio);
        estadoInicial = CapturarInicio(dados);
    }

    // The reference: complete runs until one more changes nothing, and how many operations the
    // first run takes.
    const std::string referencia = CopiarBanco(inicio, pasta / "referencia.fdb");
    std::int64_t total = 0;
    std::string erro;
    ASSERT_TRUE(Executar(referencia, 0, &erro, &total)) << erro;
    ASSERT_GE(ExecutarAtePontoFixo(referencia, 5, &erro), 0) << erro;
    std::string retratoReferencia;
    {
        DadosTeste dados(referencia);
        retratoReferencia = RetratoCompleto(dados);
        const auto falhas = VerificarInvariantes(dados, estadoInicial);
        ASSERT_TRUE(falhas.empty()) << falhas.front();
        // The cuts must fall inside the blocking, its settlements and the reversal too.
        const std::string novos = " from mov_acerto_comissao where id_acerto_comissao > " +
                                  std::to_string(estadoInicial.maiorAcerto);
        EXPECT_GT(dados.Contar("select count(*)" + novos + " and ds_acerto like 'COMISS_O %BLOQUEADA%'"), 0);
        EXPECT_GT(dados.Contar("select count(*)" + novos + " and id_comissao_estornada is not null"), 0);
    }
    ASSERT_GT(total, 50);

    const int amostra = Ambiente("ZELPRAX_INTERRUPCOES_AMOSTRA", 50);
    const std::int64_t passo = amostra > 0 && amostra < total ? total / amostra : 1;
    int tentados = 0, quebrados = 0;
    for (std::int64_t k = 1; k <= total; k += passo) {
        ++tentados;
        const std::string copia = CopiarBanco(inicio, pasta / "corte.fdb");
        erro.clear();
        const bool completou = Executar(copia, k, &erro);
        EXPECT_FALSE(completou) << "a operação " << k << " não foi alcançada";
        std::string erroDepois;
        ASSERT_GE(ExecutarAtePontoFixo(copia, 5, &erroDepois), 0)
            << "depois do corte na operação " << k << ": " << erroDepois;

        DadosTeste dados(copia);
        std::vector<std::string> falhas = VerificarInvariantes(dados, estadoInicial);
        if (RetratoCompleto(dados) != retratoReferencia)
            falhas.push_back("o ponto fixo difere do das execuções sem corte");
        if (!falhas.empty()) {
            ++quebrados;
            ADD_FAILURE() << "corte na operação " << k << " (" << erro << "): " << falhas.front()
                          << (falhas.size() > 1 ? " (e mais " + std::to_string(falhas.size() - 1) + ")" : "");
        }
    }
    std::cout << "interrupções: " << tentados << " pontos de corte tentados de " << total << " operações, "
              << quebrados << " quebraram uma regra\n";
    RecordProperty("pontos", tentados);
    RecordProperty("quebras", quebrados);
    EXPECT_EQ(quebrados, 0);
}

// Complete runs repeated on one database settle within three runs (Phase 9's settlements become
// entries in the run after it, nothing after that), no run writes a settlement twice, and no
// seller is given more than the commission or has an advance taken back more than once.
TEST(Convergencia, ExecucoesRepetidasChegamAUmPontoFixo) {
    for (const std::uint32_t semente : {1u, 11u, 13u}) {
        SCOPED_TRACE("semente " + std::to_string(semente));
        PastaTemporaria pasta;
        const std::string banco = pasta / "banco.fdb";
        CriarBancoGerado(banco, 40, semente);
        Inicio estadoInicial;
        {
            DadosTeste dados(banco);
            estadoInicial = CapturarInicio(dados);
        }
        std::string erro;
        const int execucoes = ExecutarAtePontoFixo(banco, 5, &erro);
        EXPECT_GE(execucoes, 1) << erro;
        EXPECT_LE(execucoes, 3);
        DadosTeste dados(banco);
        auto falhas = VerificarInvariantes(dados, estadoInicial);
        for (auto& f : VerificarValoresDosVendedores(dados, estadoInicial)) falhas.push_back(std::move(f));
        EXPECT_TRUE(falhas.empty()) << falhas.size() << " regras quebradas; a primeira: " << falhas.front();
        EXPECT_GT(dados.Contar("select count(*) from mov_acerto_comissao where id_comissao_estornada is not null "
                               "and id_acerto_comissao > " + std::to_string(estadoInicial.maiorAcerto)),
                  0);
    }
}

TEST(Servidor, ExecucaoPeloServidorIgualAEmbutida) {
    const char* servidor = std::getenv("ZELPRAX_SERVIDOR");
    if (servidor == nullptr || *servidor == '\0') GTEST_SKIP() << "sem servidor Firebird (ZELPRAX_SERVIDOR)";
    PastaTemporaria pasta;
    const std::string inicio = pasta / "inicio.fdb";
    CriarBancoGerado(inicio, 40, 7);
    const std::string embutido = CopiarBanco(inicio, pasta / "embutido.fdb");
    const std::string remoto = CopiarBanco(inicio, pasta / "remoto.fdb");
    ASSERT_TRUE(Executar(embutido));
    std::string erro;
    ASSERT_TRUE(Executar(std::string(servidor) + ":" + remoto, 0, &erro)) << erro;
    std::string retratoEmbutido, retratoRemoto;
    {
        DadosTeste dados(embutido);
        retratoEmbutido = RetratoCompleto(dados);
    }
    {
        DadosTeste dados(std::string(servidor) + ":" + remoto);
        retratoRemoto = RetratoCompleto(dados);
    }
    EXPECT_GT(retratoEmbutido.size(), 1000u);
    EXPECT_EQ(retratoEmbutido, retratoRemoto);
}

}  // namespace
}  // namespace zelprax::teste
