#pragma once
// An engine whose phases only record that they were called, and do what a test asks of them
// (set the run state, write, fail), so the driver's order, skips and error handling can be seen.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "commission/motor.h"

namespace zelprax::teste {

class MotorGravador : public comissao::Motor {
public:
    using comissao::Motor::Motor;

    void CalcularComissaoVendas() override { Fase("CalcularComissaoVendas"); }
    void GerarAcertosFaseProcesso() override { Fase("GerarAcertosFaseProcesso"); }
    void GerarComissaoVendas() override { Fase("GerarComissaoVendas"); }
    void GerarComissaoRecebimentos() override { Fase("GerarComissaoRecebimentos"); }
    void GerarComissaoAcertos() override { Fase("GerarComissaoAcertos"); }
    void GerarEstornoInadimplentes() override { Fase("GerarEstornoInadimplentes"); }

    std::vector<std::string> chamadas;
    std::map<std::string, std::function<void(comissao::Motor&)>> acoes;  // by phase name

private:
    void Fase(const std::string& nome) {
        chamadas.push_back(nome);
        if (auto acao = acoes.find(nome); acao != acoes.end()) acao->second(*this);
    }
};

}  // namespace zelprax::teste
