// A run cut off at any statement or fetch loses nothing and writes nothing twice: for every
// operation k of a complete run on a generated database (statements and commits), and for every
// row k it fetches, a run that fails there followed by complete runs until one more changes
// nothing leaves the invariants intact and every row as complete runs to that point leave a copy
// of the same start. Repeated complete runs settle. Also: the same run over the server and
// embedded gives the same database.
//
// ZELPRAX_INTERRUPCOES_NOTAS (default 6) and ZELPRAX_INTERRUPCOES_SEMENTE (default 1) choose the
// generated database, one where the blocking, its deductions and payments and the reversal have
// work; ZELPRAX_INTERRUPCOES_AMOSTRA (default 50, 0: every k) is the number of evenly spread cuts
// to try, a quarter of them at fetches, besides a cut inside each of Phases 3, 4 and 9, where the
// settlements are written; scripts/interrupcoes runs a larger database.

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <utility>

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

// Shows nothing; notes the operation count at which each phase shows its caption.
class PainelMudo : public comissao::PainelExecucao {
public:
    void MostrarLegenda(const std::string& legenda) override {
        inicioDaFase.emplace(legenda.substr(0, legenda.find('/')), db::EstatisticasDoProcesso().operacoes);
    }
    void OcultarLegenda() override {}
    void MostrarBarra(bool) override {}
    void DefinirMaximo(int) override {}
    void DefinirPosicao(int) override {}
    void Avancar() override {}
    void ProcessarEventos() override {}
    bool EmissaoAPartir() const override { return false; }
    db::DataHora DataEmissaoAPartir() const override { return {}; }

    std::map<std::string, std::int64_t> inicioDaFase;  // "Fase 3" -> operations before its caption
};

// Where a run is cut off: at its k-th operation or at its k-th fetch (k from 1; 0: not at all).
struct Corte {
    bool busca = false;
    std::int64_t k = 0;
    bool operator<(const Corte& outro) const { return std::pair(busca, k) < std::pair(outro.busca, outro.k); }
};

// What a complete run did: its operations and fetches, and for each phase that showed its caption
// the range of its operations, counted from the connection.
struct Contagem {
    std::int64_t operacoes = 0, buscas = 0;
    std::map<int, std::pair<std::int64_t, std::int64_t>> fases;  // phase -> [first, last]
};

int Ambiente(const char* nome, int padrao) {
    const char* valor = std::getenv(nome);
    return valor != nullptr && *valor != '\0' ? std::atoi(valor) : padrao;
}

// One run as the monitor makes it: the phases and closing statements, the inactive mark, and the
// release of the connection (committing after a completed run, rolling back after a failed one),
// failing at `corte`. True when it completed; `contagem` then says what it did after connecting.
bool Executar(const std::string& conexao, Corte corte = {}, std::string* erro = nullptr,
              Contagem* contagem = nullptr) {
    SistemaFalso sistema;
    InteracaoGravada interacao;
    PainelMudo painel;
    comissao::Motor motor(sistema, interacao, painel, RelogioDoTeste());
    motor.ConectarBanco(conexao);
    const db::Estatisticas inicio = db::EstatisticasDoProcesso();
    (corte.busca ? db::FalharNaBusca : db::FalharNaOperacao)(corte.k);
    try {
        monitor::ExecutarFases(motor, {});
        monitor::AtualizarMonitorAtivo(false, *motor.IBD_BancoDados);
        db::FalharNaOperacao(0);
        db::FalharNaBusca(0);
        if (contagem != nullptr) {
            const db::Estatisticas fim = db::EstatisticasDoProcesso();
            contagem->operacoes = fim.operacoes - inicio.operacoes;
            contagem->buscas = fim.buscas - inicio.buscas;
            // A phase runs from the operation after its caption to the one before the next caption.
            std::int64_t depois = contagem->operacoes;
            for (auto it = painel.inicioDaFase.rbegin(); it != painel.inicioDaFase.rend(); ++it) {
                const std::int64_t primeira = it->second - inicio.operacoes + 1;
                contagem->fases[std::stoi(it->first.substr(5))] = {primeira, depois};
                depois = std::max<std::int64_t>(primeira - 1, 0);
            }
        }
        motor.DesconectarBanco(true);
        return true;
    } catch (const std::exception& e) {
        db::FalharNaOperacao(0);
        db::FalharNaBusca(0);
        if (erro != nullptr) *erro = e.what();
        motor.DesconectarBanco(false);
        return false;
    }
}

// `n` cuts spread evenly over primeiro..ultimo (every k when n is 0 or the range is no longer).
void Espalhar(std::set<Corte>& cortes, bool busca, std::int64_t primeiro, std::int64_t ultimo, int n) {
    const std::int64_t tamanho = ultimo - primeiro + 1;
    const std::int64_t passo = n > 0 && n < tamanho ? tamanho / n : 1;
    for (std::int64_t k = primeiro; k <= ultimo; k += passo) cortes.insert({busca, k});
}

TEST(Interrupcoes, CadaOperacaoOuBuscaInterrompidaESeguidaDeExecucoesAtePontoFixo) {
    PastaTemporaria pasta;
    const std::string inicio = pasta / "inicio.fdb";
    CriarBancoGerado(inicio, Ambiente("ZELPRAX_INTERRUPCOES_NOTAS", 6),
                     static_cast<std::uint32_t>(Ambiente("ZELPRAX_INTERRUPCOES_SEMENTE", 1)));
    Inicio estadoInicial;
    {
        DadosTeste dados(inicio);
        // One paid entry blocked 60 days ago and not yet deducted, so that Phase 3 writes too.
        dados.Executar("update mov_comissao set st_bloqueio_1 = 'S', st_estorno_1 = 'N', dt_emissao = " + DiaSQL(-60) +
                       " where id_comissao = (select min(id_comissao) from mov_comissao where "
                       "id_comissao_gerada is not null and st_bloqueio_1 = 'N' and st_estorno_1 = 'N')");
        estadoInicial = CapturarInicio(dados);
    }

    // The reference: complete runs until one more changes nothing, and what the first run does.
    const std::string referencia = CopiarBanco(inicio, pasta / "referencia.fdb");
    Contagem contagem;
    std::string erro;
    ASSERT_TRUE(Executar(referencia, {}, &erro, &contagem)) << erro;
    ASSERT_GE(ExecutarAtePontoFixo(referencia, 5, &erro), 0) << erro;
    std::string retratoReferencia;
    {
        DadosTeste dados(referencia);
        retratoReferencia = RetratoCompleto(dados);
        const auto falhas = VerificarInvariantes(dados, estadoInicial);
        ASSERT_TRUE(falhas.empty()) << falhas.front();
        // The run writes the deductions of Phase 3, the payments of Phase 4 and the reversals of
        // Phase 9, so that cuts can fall among those writes.
        const std::string novos = " from mov_acerto_comissao where id_acerto_comissao > " +
                                  std::to_string(estadoInicial.maiorAcerto);
        EXPECT_GT(dados.Contar("select count(*)" + novos + " and ds_acerto like 'COMISS_O BLOQUEADA%'"), 0);
        EXPECT_GT(dados.Contar("select count(*)" + novos + " and ds_acerto like 'COMISS_O DESBLOQUEADA%'"), 0);
        EXPECT_GT(dados.Contar("select count(*)" + novos + " and id_comissao_estornada is not null"), 0);
    }
    ASSERT_GT(contagem.operacoes, 50);
    ASSERT_GT(contagem.buscas, 20);

    // Evenly spread cuts: a quarter at fetches, a quarter among the operations of Phases 3, 4
    // and 9 (which the spread over the whole run may step over), the rest over all operations.
    const int amostra = Ambiente("ZELPRAX_INTERRUPCOES_AMOSTRA", 50);
    std::set<Corte> cortes;
    Espalhar(cortes, true, 1, contagem.buscas, amostra / 4);
    for (const int fase : {3, 4, 9}) {
        const auto faixa = contagem.fases.find(fase);
        ASSERT_NE(faixa, contagem.fases.end()) << "a fase " << fase << " não mostrou a sua legenda";
        ASSERT_LE(faixa->second.first, faixa->second.second) << "a fase " << fase << " não fez nada";
        Espalhar(cortes, false, faixa->second.first, faixa->second.second, amostra > 0 ? std::max(1, amostra / 12) : 0);
    }
    Espalhar(cortes, false, 1, contagem.operacoes, amostra > 0 ? std::max(1, amostra - static_cast<int>(cortes.size())) : 0);

    int tentados = 0, quebrados = 0;
    for (const Corte& corte : cortes) {
        ++tentados;
        const std::string onde = (corte.busca ? "busca " : "operação ") + std::to_string(corte.k);
        const std::string copia = CopiarBanco(inicio, pasta / "corte.fdb");
        erro.clear();
        const bool completou = Executar(copia, corte, &erro);
        EXPECT_FALSE(completou) << "a " << onde << " não foi alcançada";
        std::string erroDepois;
        ASSERT_GE(ExecutarAtePontoFixo(copia, 5, &erroDepois), 0) << "depois do corte na " << onde << ": " << erroDepois;

        DadosTeste dados(copia);
        std::vector<std::string> falhas = VerificarInvariantes(dados, estadoInicial);
        if (RetratoCompleto(dados) != retratoReferencia)
            falhas.push_back("o ponto fixo difere do das execuções sem corte");
        if (!falhas.empty()) {
            ++quebrados;
            ADD_FAILURE() << "corte na " << onde << " (" << erro << "): " << falhas.front()
                          << (falhas.size() > 1 ? " (e mais " + std::to_string(falhas.size() - 1) + ")" : "");
        }
    }
    std::cout << "interrupções: " << tentados << " pontos de corte tentados de " << contagem.operacoes
              << " operações e " << contagem.buscas << " buscas, " << quebrados << " quebraram uma regra\n";
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
    ASSERT_TRUE(Executar(std::string(servidor) + ":" + remoto, {}, &erro)) << erro;
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
