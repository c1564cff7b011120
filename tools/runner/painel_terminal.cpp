#include "painel_terminal.h"

#include <algorithm>

namespace zelprax::executor {

namespace {
constexpr int kLarguraBarra = 40;
}

PainelTerminal::PainelTerminal(std::FILE* saida, bool terminal, std::optional<db::DataHora> emissaoAPartir)
    : saida_(saida), terminal_(terminal && saida != nullptr), emissaoAPartir_(emissaoAPartir) {}

PainelTerminal::~PainelTerminal() { Encerrar(); }

std::string PainelTerminal::DesenharBarra(int posicao, int maximo, int largura) {
    const int limite = std::max(maximo, 0);
    const int feito = std::clamp(posicao, 0, limite);
    const int cheios = limite == 0 ? 0 : static_cast<int>(static_cast<long long>(feito) * largura / limite);
    std::string barra = "[";
    barra.append(static_cast<std::size_t>(cheios), '#');
    barra.append(static_cast<std::size_t>(largura - cheios), '.');
    barra += "] " + std::to_string(feito) + "/" + std::to_string(limite);
    return barra;
}

void PainelTerminal::MostrarLegenda(const std::string& legenda) {
    legendas_.push_back(legenda);
    passos_.push_back(0);
    if (saida_ == nullptr) return;
    Encerrar();
    std::fprintf(saida_, "%s\n", legenda.c_str());
    std::fflush(saida_);
    // A phase that sets no gauge of its own starts from an empty one.
    maximo_ = 0;
    posicao_ = 0;
}

void PainelTerminal::OcultarLegenda() {}

void PainelTerminal::MostrarBarra(bool visivel) {
    if (!visivel) {
        Encerrar();
        return;
    }
    Redesenhar();  // drawn once it has a maximum: an empty "0/0" bar says nothing
}

void PainelTerminal::DefinirMaximo(int maximo) {
    maximo_ = maximo;
    Redesenhar();
}

void PainelTerminal::DefinirPosicao(int posicao) {
    posicao_ = posicao;
    Redesenhar();
}

void PainelTerminal::Avancar() {
    if (!passos_.empty()) ++passos_.back();
    ++posicao_;
    Redesenhar();
}

void PainelTerminal::Redesenhar() {
    if (!terminal_) return;
    if (!barraNaTela_ && maximo_ <= 0) return;
    // Redrawn at each thousandth of the work, not at every document: a long phase must not flood
    // the terminal.
    const long long limite = std::max(maximo_, 1);
    const long long milesimo = static_cast<long long>(std::clamp(posicao_, 0, std::max(maximo_, 0))) * 1000 / limite;
    if (barraNaTela_ && milesimo == ultimoMilesimo_ && maximo_ == ultimoMaximo_) return;
    std::fprintf(saida_, "\r%s", DesenharBarra(posicao_, maximo_, kLarguraBarra).c_str());
    std::fflush(saida_);
    ultimoMilesimo_ = milesimo;
    ultimoMaximo_ = maximo_;
    barraNaTela_ = true;
}

void PainelTerminal::Encerrar() {
    if (!barraNaTela_) return;
    std::fputc('\n', saida_);
    std::fflush(saida_);
    barraNaTela_ = false;
}

}  // namespace zelprax::executor
