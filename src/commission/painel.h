#pragma once
// What the phases need of the window while they run: the phase caption (lblAguarde), the gauge
// (Gauge1), event processing, and the emission-date option, read afresh each time a statement is
// built. The main window implements it; the headless runner prints; tests record.

#include <string>

#include "db/datas.h"

namespace zelprax::comissao {

class PainelExecucao {
public:
    virtual ~PainelExecucao() = default;

    // Makes the caption visible with this text and repaints it.
    virtual void MostrarLegenda(const std::string& legenda) = 0;
    virtual void OcultarLegenda() = 0;
    // The gauge: visibility, maximum, position, one step.
    virtual void MostrarBarra(bool visivel) = 0;
    virtual void DefinirMaximo(int maximo) = 0;
    virtual void DefinirPosicao(int posicao) = 0;
    virtual void Avancar() = 0;
    // Lets the window handle what is pending (paint, timers, clicks).
    virtual void ProcessarEventos() = 0;

    // "Emissão a partir de" and its date.
    virtual bool EmissaoAPartir() const = 0;
    virtual db::DataHora DataEmissaoAPartir() const = 0;
};

}  // namespace zelprax::comissao
