// Texts longer than their column: a run stores them cut, counts each cut by column and document,
// and ends with one warning line per column.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/execucao.h"
#include "commission/textos_cortados.h"
#include "db/sql.h"
#include "support/banco_teste.h"
#include "support/interacao_gravada.h"
#include "support/sistema_falso.h"
#include "../commission/motor_teste.h"

namespace zelprax::monitor {
namespace {

TEST(TextosCortados, UmaLinhaPorColunaComOsDocumentos) {
    struct Caso {
        const char* nome;
        std::vector<std::vector<std::string>> cortes;  // table, column, document
        std::vector<std::string> linhas;
    };
    std::vector<std::vector<std::string>> doze;
    for (int i = 1; i <= 12; ++i) doze.push_back({"MOV_COMISSAO", "NM_CLIENTE", "id_nf_comercio " + std::to_string(i)});
    doze.push_back({"MOV_COMISSAO", "NM_CLIENTE", "id_nf_comercio 3"});
    const Caso casos[] = {
        {"nenhum corte", {}, {}},
        {"o mesmo documento duas vezes",
         {{"MOV_COMISSAO", "NM_CLIENTE", "id_nf_comercio 12"}, {"MOV_COMISSAO", "NM_CLIENTE", "id_nf_comercio 12"}},
         {"Textos cortados na coluna NM_CLIENTE de MOV_COMISSAO: 2 (documentos id_nf_comercio 12)"}},
        {"dez documentos nomeados, os outros contados", doze,
         {"Textos cortados na coluna NM_CLIENTE de MOV_COMISSAO: 13 (documentos id_nf_comercio 1, id_nf_comercio 2, "
          "id_nf_comercio 3, id_nf_comercio 4, id_nf_comercio 5, id_nf_comercio 6, id_nf_comercio 7, id_nf_comercio 8, "
          "id_nf_comercio 9, id_nf_comercio 10 e mais 2)"}},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        comissao::TextosCortados cortes;
        for (const auto& c : caso.cortes) cortes.Registrar(c[0], c[1], c[2]);
        EXPECT_EQ(cortes.Avisos(), caso.linhas);
        cortes.Zerar();
        EXPECT_TRUE(cortes.Avisos().empty());
    }
}

// One invoice whose sellers are credited half on invoicing, so that it gets a sales entry and its
// receivable a receipt entry, through a whole run.
TEST(TextosCortados, ExecucaoGuardaOTextoCortadoEAvisa) {
    const std::string nome50 = "Distribuidora São João de Alimentos e Bebidas Ltda";  // the column's 50 characters
    const std::string nome60 = nome50 + " Filial 02";
    struct Caso {
        const char* nome;
        std::string cliente;           // the customer's search name
        std::string numeroNota;        // NR_NOTA_FISCAL
        std::string numeroDuplicata;   // the receivable's NO_DOCUMENTO
        std::vector<std::string> avisos;
        std::string nomeGuardado, notaGuardada, duplicataGuardada;  // as the entries keep them
    };
    const Caso casos[] = {
        {"nada passa do tamanho", nome50, "2147483647", "0123456789", {},
         nome50, "2147483647", "0123456789"},
        {"nome do cliente", nome60, "1", "1/A",
         {"Textos cortados na coluna NM_CLIENTE de MOV_COMISSAO: 2 (documentos id_nf_comercio 1, id_financeiro 1)"},
         nome50, "1", "1/A"},
        {"número da nota", "Cliente", "-2147483648", "1/A",
         {"Textos cortados na coluna NO_DOCUMENTO de MOV_COMISSAO: 1 (documentos id_nf_comercio 1)"}, "Cliente",
         "-214748364", "1/A"},
        {"número da duplicata", "Cliente", "1", "00012345/A-RENEGOCIA",
         {"Textos cortados na coluna NO_DOCUMENTO de MOV_COMISSAO: 1 (documentos id_financeiro 1)"}, "Cliente", "1",
         "00012345/A"},
        {"duas colunas", nome60, "1", "00012345/A-RENEGOCIA",
         {"Textos cortados na coluna NM_CLIENTE de MOV_COMISSAO: 2 (documentos id_nf_comercio 1, id_financeiro 1)",
          "Textos cortados na coluna NO_DOCUMENTO de MOV_COMISSAO: 1 (documentos id_financeiro 1)"},
         nome50, "1", "00012345/A"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        teste::PastaTemporaria pasta;
        const std::string caminho = pasta / "erp.fdb";
        teste::CriarBancoDoEsquema(caminho);
        teste::DadosTeste dados(caminho);
        dados.Parametro();
        dados.Natureza(1);
        dados.Produto(1);
        dados.Pessoa(100, caso.cliente);
        dados.Nota(1, {{"NR_NOTA_FISCAL", caso.numeroNota}, {"PO_CREDITO_FAT", "50"}});
        dados.Item(1, 1);
        dados.Receber(1, 1, {{"NO_DOCUMENTO", db::TextoSQL(caso.numeroDuplicata)}});

        teste::SistemaFalso sistema;
        teste::InteracaoGravada interacao;
        teste::PainelGravado painel;
        comissao::Motor motor(sistema, interacao, painel);
        motor.ConectarBanco(caminho);
        const ResultadoExecucao r = ExecutarFases(motor, OpcoesExecucao{});
        motor.DesconectarBanco(true);

        EXPECT_EQ(r.avisos, caso.avisos);
        const auto coluna = [&dados](const char* nome, const char* tipo) {
            return dados.Valor(std::string("select ") + nome + " from mov_comissao where tp_registro = '" + tipo + "'");
        };
        EXPECT_EQ(coluna("nm_cliente", "1"), caso.nomeGuardado);
        EXPECT_EQ(coluna("nm_cliente", "2"), caso.nomeGuardado);
        EXPECT_EQ(coluna("no_documento", "1"), caso.notaGuardada);
        EXPECT_EQ(coluna("no_documento", "2"), caso.duplicataGuardada);
    }
}

}  // namespace
}  // namespace zelprax::monitor
