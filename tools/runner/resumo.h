#pragma once
// The end-of-run summary of the headless runner, as text for a person and as one JSON object for
// a script.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/json.h"
#include "app/registro.h"

namespace zelprax::executor {

using monitor::TextoJson;

struct FaseResumo {
    int numero = 0;
    bool executada = true;  // false when an option skipped it
    bool exibida = false;   // its caption was shown during the run
    int selecionados = 0;
    int gravados = 0;
    int ignorados = 0;
    // The steps of its bar: for a phase of set-based statements (Phase 2's four, Phase 8's three),
    // which selects no documents one by one, the statements it ran.
    int passos = 0;
};

// A file the run wrote besides the database: its path, and why it could not be written.
struct ArquivoGravado {
    std::string caminho;
    std::optional<std::string> erro;
};

struct ResumoRunner {
    bool concluida = false;
    bool simulacao = false;  // a preview: everything was undone
    std::vector<monitor::VendedorRegistrado> vendedores;  // what the run did to each seller
    std::array<FaseResumo, 9> fases{};  // phases 1 to 9
    std::vector<std::string> avisos;
    std::optional<std::string> mensagemFinal;  // none when the run failed
    std::optional<std::string> erro;           // the failure's text
    bool interrompida = false;                 // ended by SIGTERM, SIGINT or SIGHUP; `erro` says which
    std::int64_t comandos = 0;
    std::int64_t preparacoes = 0;  // statements prepared; a text executed again unchanged is not prepared again
    double segundos = 0;
    std::optional<ArquivoGravado> registro;  // the journal of runs; none with --sem-registro
    std::optional<ArquivoGravado> planilha;  // the --csv spreadsheet
};

// The caption a phase shows while it runs ("Fase 1/9 - Calculando comissão das vendas").
const std::string& LegendaDaFase(int numero);
// The phase a caption belongs to, 0 when it is none of the nine.
int FaseDaLegenda(const std::string& legenda);

std::string ResumoEmTexto(const ResumoRunner& resumo);

// The effect by seller as a spreadsheet opens it in Brazil: UTF-8 with a byte-order mark,
// semicolons between the fields, decimal commas, one line per seller and a total line. A name
// that begins as a formula does (=, +, -, @) is written with an apostrophe before it, which
// spreadsheet programs take as "this cell is text".
std::string VendedoresEmCsv(const std::vector<monitor::VendedorRegistrado>& vendedores);

// An amount for a person: "1.234,56" (two decimals, more only where the amount has them).
std::string ValorBrasileiro(comissao::Moeda valor, bool milhares = true);

// Characters on screen of a UTF-8 text (every byte that does not continue a character), and the
// text padded with blanks to a width on screen.
std::size_t Largura(const std::string& texto);
std::string AlinharDireita(const std::string& texto, std::size_t largura);
std::string AlinharEsquerda(const std::string& texto, std::size_t largura);
std::string ResumoEmJson(const ResumoRunner& resumo);

}  // namespace zelprax::executor
