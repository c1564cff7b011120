// A complete run over a generated database, held against the rows stored in
// tests/dados/resultado-semente-7.txt: every table, every row, every column. How the program
// fetches rows and sends statements may change; what a run writes may not, on the embedded engine
// or through the server.
//
// The generated dates and the run's clock are one fixed day years back, so the rows do not move
// with the calendar (the windows the run counts back from the server's date have long closed).
// ZELPRAX_GRAVAR_REFERENCIA=1 writes the file anew instead of comparing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "apoio_confiabilidade.h"

namespace zelprax::teste {
namespace {

constexpr db::DataHora kDiaDaReferencia{2021, 3, 15, 10, 0, 0};
constexpr int kNotas = 150;
constexpr std::uint32_t kSemente = 7;

class RelogioDaReferencia : public db::Relogio {
public:
    db::DataHora Agora() const override { return kDiaDaReferencia; }
};

std::string LerReferencia() {
    std::ifstream entrada(ZELPRAX_REFERENCIA, std::ios::binary);
    std::ostringstream texto;
    texto << entrada.rdbuf();
    return texto.str();
}

TEST(ResultadosDeReferencia, UmaExecucaoCompletaGravaAsMesmasLinhas) {
    std::vector<std::pair<std::string, std::string>> motores = {{"embutido", ""}};
    if (!ServidorDeTeste().empty()) motores.push_back({"servidor", ServidorDeTeste() + ":"});
    const bool gravar = std::getenv("ZELPRAX_GRAVAR_REFERENCIA") != nullptr;
    const std::string referencia = gravar ? std::string() : LerReferencia();
    ASSERT_TRUE(gravar || !referencia.empty()) << "sem a referência " << ZELPRAX_REFERENCIA;

    PastaTemporaria pasta;
    const std::string modelo = pasta / "modelo.fdb";
    CriarBancoGerado(modelo, kNotas, kSemente, kDiaDaReferencia);
    for (const auto& [motor, prefixo] : motores) {
        SCOPED_TRACE(motor);
        const std::string banco = CopiarBanco(modelo, pasta / (motor + ".fdb"));
        std::string erro;
        ASSERT_TRUE(ExecutarCompleta(prefixo + banco, &erro, RelogioDaReferencia())) << erro;
        DadosTeste dados(banco);
        const std::string resultado = RetratoDeTodasAsTabelas(dados);
        if (gravar) {
            std::ofstream(ZELPRAX_REFERENCIA, std::ios::binary) << resultado;
            return;
        }
        if (resultado != referencia) {
            const std::string arquivo = std::string(ZELPRAX_PASTA_RESULTADOS) + "/resultado-" + motor + ".txt";
            std::ofstream(arquivo, std::ios::binary) << resultado;
            ADD_FAILURE() << "as linhas gravadas diferem da referência; compare com diff: " << arquivo;
        }
    }
}

}  // namespace
}  // namespace zelprax::teste
