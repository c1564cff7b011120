#pragma once
// A session on a fresh database, with the messages recorded and process termination faked.

#include <gtest/gtest.h>

#include "db/localizacao.h"
#include "db/sessao.h"
#include "support/banco_teste.h"
#include "support/interacao_gravada.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {

class SessaoTeste : public ::testing::Test {
protected:
    void SetUp() override {
        CriarBancoDoEsquema(caminho);
        dados = std::make_unique<DadosTeste>(caminho);
        sessao.ConectarBanco(caminho);
    }
    void TearDown() override { sessao.DesconectarBanco(); }

    PastaTemporaria pasta;
    std::string caminho = pasta / "erp.fdb";
    std::unique_ptr<DadosTeste> dados;
    SistemaFalso sistema;
    InteracaoGravada interacao;
    db::SessaoBanco sessao{sistema, interacao};
};

}  // namespace zelprax::teste
