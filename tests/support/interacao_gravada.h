#pragma once
// Records the messages and end requests that would reach the user.

#include <string>
#include <vector>

#include "db/interacao.h"

namespace zelprax::teste {

struct MensagemGravada {
    std::string texto, titulo;
    db::Icone icone;
};

class InteracaoGravada : public db::Interacao {
public:
    void MostrarMensagem(const std::string& texto, const std::string& titulo, db::Icone icone) override {
        mensagens.push_back({texto, titulo, icone});
    }
    void SolicitarEncerramento() override { ++pedidosDeEncerramento; }
    void ExibirMensagem(const std::string& texto) override { avisos.push_back(texto); }

    std::vector<MensagemGravada> mensagens;
    int pedidosDeEncerramento = 0;
    std::vector<std::string> avisos;  // notices of the 5-second window
};

}  // namespace zelprax::teste
