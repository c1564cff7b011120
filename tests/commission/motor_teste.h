#pragma once
// The engine on a fresh database, with the window's caption, gauge and clock recorded or fixed.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commission/motor.h"
#include "support/banco_teste.h"
#include "support/interacao_gravada.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {

class PainelGravado : public comissao::PainelExecucao {
public:
    void MostrarLegenda(const std::string& legenda) override {
        legendas.push_back(legenda);
        legendaVisivel = true;
    }
    void OcultarLegenda() override { legendaVisivel = false; }
    void MostrarBarra(bool visivel) override { barraVisivel = visivel; }
    void DefinirMaximo(int m) override { maximo = m; }
    void DefinirPosicao(int p) override { posicao = p; }
    void Avancar() override { ++posicao; }
    void ProcessarEventos() override { ++eventos; }
    bool EmissaoAPartir() const override { return emissaoAPartir; }
    db::DataHora DataEmissaoAPartir() const override { return dataEmissao; }

    std::vector<std::string> legendas;
    bool legendaVisivel = false, barraVisivel = false;
    int maximo = 0, posicao = 0, eventos = 0;
    bool emissaoAPartir = false;
    db::DataHora dataEmissao;
};

class RelogioFixo : public db::Relogio {
public:
    db::DataHora Agora() const override { return agora.Vazia() ? AgoraDoTeste() : agora; }
    db::DataHora agora;  // empty: the test's own now, the one its dates are written from
};

class MotorTeste : public ::testing::Test {
protected:
    void SetUp() override {
        CriarBancoDoEsquema(caminho);
        dados = std::make_unique<DadosTeste>(caminho);
        motor.ConectarBanco(caminho);
    }
    void TearDown() override { motor.DesconectarBanco(); }

    PastaTemporaria pasta;
    std::string caminho = pasta / "erp.fdb";
    std::unique_ptr<DadosTeste> dados;
    SistemaFalso sistema;
    InteracaoGravada interacao;
    PainelGravado painel;
    RelogioFixo relogio;
    comissao::Motor motor{sistema, interacao, painel, relogio};
};

}  // namespace zelprax::teste
