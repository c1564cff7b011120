#pragma once
// The window's side of the monitor's tick, recorded: the hour and start texts it offers, what the
// tick writes back, and the two skip boxes as a test sets them.

#include <string>

#include "app/agendador.h"

namespace zelprax::teste {

class TelaGravada : public monitor::TelaAgendador {
public:
    std::string TextoHora() const override { return hora; }
    std::string TextoInicio() const override { return inicio; }
    void EscreverInicio(const std::string& t) override { inicio = t; }
    void EscreverFinal(const std::string& t) override { final = t; }
    void MostrarProgresso() override { progresso = true; }
    void OcultarProgresso() override { progresso = false; }
    bool NaoGerarAcertos() const override { return naoAcertos; }
    bool NaoGerarEstorno() const override { return naoEstorno; }
    void AbrirJanela() override { ++janelaAberta; }
    void PararTemporizadores() override { temporizadores = false; }

    std::string hora = "7", inicio = monitor::kSemAtualizacao, final = monitor::kSemAtualizacao;
    bool progresso = false, naoAcertos = false, naoEstorno = false, temporizadores = true;
    int janelaAberta = 0;
};

}  // namespace zelprax::teste
