#pragma once
// The phases' caption and gauge, as a terminal shows them: each caption on its own line as its
// phase starts and, on a terminal, a progress bar redrawn in place under it. Without a terminal
// (cron, a pipe, a log file) only the caption lines are written.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "commission/painel.h"

namespace zelprax::executor {

class PainelTerminal : public comissao::PainelExecucao {
public:
    // saida may be null: nothing is written, the captions are still recorded.
    PainelTerminal(std::FILE* saida, bool terminal, std::optional<db::DataHora> emissaoAPartir);
    ~PainelTerminal() override;

    void MostrarLegenda(const std::string& legenda) override;
    void OcultarLegenda() override;
    void MostrarBarra(bool visivel) override;
    void DefinirMaximo(int maximo) override;
    void DefinirPosicao(int posicao) override;
    void Avancar() override;
    void ProcessarEventos() override {}

    bool EmissaoAPartir() const override { return emissaoAPartir_.has_value(); }
    db::DataHora DataEmissaoAPartir() const override { return emissaoAPartir_.value_or(db::DataHora{}); }

    // Ends the bar's line, so what follows starts on a fresh one.
    void Encerrar();

    // The captions shown, in order.
    const std::vector<std::string>& Legendas() const { return legendas_; }
    // The bar's steps after each caption, one count per caption.
    const std::vector<int>& Passos() const { return passos_; }

    // The bar as drawn for a position and maximum, width in characters between the brackets.
    static std::string DesenharBarra(int posicao, int maximo, int largura);

private:
    void Redesenhar();

    std::FILE* saida_;
    bool terminal_;
    std::optional<db::DataHora> emissaoAPartir_;
    std::vector<std::string> legendas_;
    std::vector<int> passos_;
    int maximo_ = 0;
    int posicao_ = 0;
    bool barraNaTela_ = false;
    long long ultimoMilesimo_ = -1;
    int ultimoMaximo_ = -1;
};

}  // namespace zelprax::executor
