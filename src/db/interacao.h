#pragma once
// What the database layer and the phases need of the window: message boxes and the request to end
// the application. The window implements it; tests record what would be shown.

#include <string>

namespace zelprax::db {

enum class Icone { Nenhum, Informacao, Aviso, Erro };

class Interacao {
public:
    virtual ~Interacao() = default;
    // A message box with an OK button; returns when the user has answered it.
    virtual void MostrarMensagem(const std::string& texto, const std::string& titulo, Icone icone) = 0;
    // Asks the application to end when its event loop next turns; the caller goes on.
    virtual void SolicitarEncerramento() = 0;
    // The notice window: shows the text for 5 seconds without asking for an answer, then closes;
    // returns after it has closed.
    virtual void ExibirMensagem(const std::string& texto) = 0;
};

}  // namespace zelprax::db
