#pragma once
// The engine on a fresh database with what every invoice of the commission phases needs: the
// parameter row, nature of operation 1 (type 0, payable), product 1 of manufacturer 7 and
// customer 100. Plus a second connection that holds a row locked, as an ERP user editing it does.

#include <string>

#include "db/banco.h"
#include "db/consulta.h"
#include "motor_teste.h"

namespace zelprax::teste {

class FasesTeste : public MotorTeste {
protected:
    void SetUp() override {
        MotorTeste::SetUp();
        dados->Parametro();
        dados->Natureza(1);
        dados->Produto(1, "7");
        dados->Pessoa(100, "Cliente Ltda");
    }

    // The first row of a select, its columns joined by '|'.
    std::string Linha(const std::string& sql) {
        const auto linhas = dados->Linhas(sql);
        std::string s;
        if (linhas.empty()) return "<nenhuma>";
        for (const auto& c : linhas[0]) s += (s.empty() ? "" : "|") + c;
        return s;
    }
};

// Updates a row on its own connection and keeps the change uncommitted until destroyed; the
// engine's transactions do not wait, so touching that row fails at once.
class TravaDeLinha {
public:
    TravaDeLinha(const std::string& caminho, const std::string& update) {
        banco_.DefinirNomeBanco(caminho);
        banco_.Abrir();
        comando_.Anexar(&banco_);
        comando_.DefinirSQL(update);
        comando_.Executar();
    }
    ~TravaDeLinha() { banco_.Fechar(false); }
    TravaDeLinha(const TravaDeLinha&) = delete;
    TravaDeLinha& operator=(const TravaDeLinha&) = delete;

private:
    db::BancoDados banco_{"ERP"};
    db::Consulta comando_;
};

}  // namespace zelprax::teste
