// Data of the ERP in every bad shape: each nullable column the phases read set to null, amounts
// at the edges of the columns, names with quotes and accents, and a workstation whose numbers are
// written the Brazilian way. Each case says whether its run completes or stops with the server's
// error; none crashes, and what it writes stays right.

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "commission/numeros.h"
#include "db/sql.h"
#include "support/invariantes.h"
#include "programas.h"

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

// Columns set to null together: one table, or one group of a table's columns. A null reads as its
// type's empty value and the run completes, except where a statement takes the value as text:
// there the server rejects the statement and the run stops with its text.
struct GrupoNulo {
    const char* tabela;
    const char* colunas;
    bool regras = true;          // false where the run rules themselves read these columns of old entries
    const char* erro = nullptr;  // part of the server's text when the run must stop; null: it completes
};

const GrupoNulo kGruposNulos[] = {
    {"MOV_NF_COMERCIO", "ID_EMPRESA, DS_SERIE_NF, NR_NOTA_FISCAL, DT_EMISSAO, ID_DESTINATARIO_REMETENTE"},
    {"MOV_NF_COMERCIO", "ID_NAT_OPERACAO"},
    {"MOV_NF_COMERCIO", "ID_SITUACAO_ORCAMENTO, ID_PLANO_PAGTO"},
    {"MOV_NF_COMERCIO", "ID_ST_NF"},
    {"MOV_NF_COMERCIO", "ID_VENDEDOR, ID_VENDEDOR2, ID_VENDEDOR3, ID_VENDEDOR4, ID_VENDEDOR5"},
    {"MOV_NF_COMERCIO", "PO_COMISSAO, PO_COMISSAO2, PO_COMISSAO3, PO_COMISSAO4, PO_COMISSAO5"},
    {"MOV_NF_COMERCIO", "ST_COMISSAO_AD2, ST_COMISSAO_AD3, ST_COMISSAO_AD4, ST_COMISSAO_AD5"},
    {"MOV_NF_COMERCIO", "ST_CREDITO_FAT, ST_CREDITO_FAT2, ST_CREDITO_FAT3, ST_CREDITO_FAT4, ST_CREDITO_FAT5"},
    {"MOV_NF_COMERCIO", "PO_CREDITO_FAT, PO_CREDITO_FAT2, PO_CREDITO_FAT3, PO_CREDITO_FAT4, PO_CREDITO_FAT5"},
    {"MOV_NF_COMERCIO", "VL_TOTAL_NF"},
    {"MOV_NF_COMERCIO", "VL_PRODUTOS"},
    {"MOV_NF_COMERCIO", "VL_DESCONTO, VL_SERVICO"},
    {"MOV_NF_COMERCIO", "VL_FINANCEIRO, VL_FRETE, VL_RESULTADO_VENDA"},
    {"MOV_NF_COMERCIO", "TP_BASE_COMISSAO_OUTROS, ST_DEVOLVIDO, ST_INCLUIR_FRETE_PARC"},
    {"MOV_NF_COMERCIO", "ST_ESTORNAR_COMISSAO, ST_CALC_ESTORNO, PO_COMISSAO_ESTORNADA, ID_COMISSAO_ESTORNADA"},
    {"MOV_NF_COMERCIO", "VL_BASE_COMISSAO, VL_COMISSAO, VL_PO_PRODUTO_TOTAL"},
    {"MOV_NF_COMERCIO", "ST_CALC_COMISSAO"},
    {"MOV_NF_COMERCIO_ITEM", "ID_NF_COMERCIO"},
    {"MOV_NF_COMERCIO_ITEM", "NO_ITEM, ID_PRODUTO"},
    {"MOV_NF_COMERCIO_ITEM", "QT_PRODUTO, VL_UNITARIO"},
    {"MOV_NF_COMERCIO_ITEM", "VL_TOTAL"},
    {"MOV_NF_COMERCIO_ITEM", "VL_FRETE_UNIT, ST_FRETE_INCLUSO"},
    {"MOV_NF_COMERCIO_ITEM",
     "VL_OUTRAS_AJUSTADO, VL_FRETE_AJUSTADO, VL_SEGURO_AJUSTADO, VL_IPI, VL_ICMS_SUBST, VL_UNIT_REDUCAO_COMISSAO"},
    {"MOV_NF_COMERCIO_ITEM", "PO_COMISSAO"},
    {"MOV_FINANCEIRO", "ID_NF_COMERCIO"},
    {"MOV_FINANCEIRO", "NO_DOCUMENTO, VL_DOCUMENTO"},
    {"MOV_FINANCEIRO", "DT_VENCTO, DT_BAIXA"},
    {"MOV_FINANCEIRO", "VL_DESCONTO, VL_OUTRAS_REDUCOES, VL_ABATIMENTO"},
    {"MOV_FINANCEIRO", "ID_TP_MOV_FINANC, ST_ESTORNAR_COMISSAO"},
    {"MOV_FINANCEIRO", "ST_CALC_COMISSAO, ID_COMISSAO_GERADA"},
    {"MOV_ACERTO_COMISSAO", "ID_COMISSAO_GERADA, ID_COMISSAO_ESTORNADA"},
    {"MOV_ACERTO_COMISSAO", "ST_CALC_COMISSAO"},
    {"MOV_COMISSAO", "TP_REGISTRO", false},
    {"MOV_COMISSAO", "ID_NF_COMERCIO, ID_FINANCEIRO, ID_ACERTO_COMISSAO", false},
    // A paid entry without seller or company: its deduction settlement is written with an empty
    // value between two commas.
    {"MOV_COMISSAO", "ID_EMPRESA, ID_VENDEDOR", false, "Token unknown"},
    {"MOV_COMISSAO", "DS_SERIE, NO_DOCUMENTO, DT_EMISSAO, ID_CLIENTE, NM_CLIENTE"},
    {"MOV_COMISSAO", "VL_OPERACAO, VL_BASE_COMISSAO, PO_COMISSAO, VL_COMISSAO", false},
    {"MOV_COMISSAO", "ST_IRRF, DT_CREDITO, ST_RECEBIMENTO, ST_ENTREGA, ST_CANCELADA, ST_PAGAR"},
    {"MOV_COMISSAO", "ID_COMISSAO_GERADA"},
    {"MOV_COMISSAO", "ST_BLOQUEIO_1, ST_ESTORNO_1"},
    {"TAB_NAT_OPERACAO", "ID_SUGERIR_COMISSAO"},
    {"TAB_NAT_OPERACAO", "ST_COMISSAO_PAGAR, ST_VERIFICA_FASE"},
    {"TAB_PARAMETRO", "HR_ATUALIZAR_COMISSAO, ST_MONITOR_COMISSAO_ATIVO"},
    {"TAB_PARAMETRO", "ST_COMISSAO_FRETE_DESPESA, ST_COMISSAO_IPI_ICMSST"},
    {"CAD_PRODUTO", "ID_FABRICA"},
    {"CAD_PESSOA", "NM_PESQUISA"},
    {"TAB_COMISSAO_POR_VENDEDOR", "ID_EMPRESA, ID_VENDEDOR"},
    {"TAB_COMISSAO_POR_VENDEDOR", "ID_FABRICANTE, PO_COMISSAO"},
    {"FIX_SITUACAO_ORCAMENTO", "ST_PAGAR_COMISSAO"},
    {"TAB_PLANO_PAGTO", "QT_DIAS_ESTORNA_COMISSAO"},
};

std::string Atribuicoes(const std::string& colunas) {
    std::string s, coluna;
    for (std::size_t i = 0; i <= colunas.size(); ++i) {
        if (i == colunas.size() || colunas[i] == ',') {
            s += (s.empty() ? "" : ", ") + coluna + " = null";
            coluna.clear();
        } else if (colunas[i] != ' ') {
            coluna += colunas[i];
        }
    }
    return s;
}

// A failure's text must say something a person can act on, not a library's internals.
void ConferirErroClaro(const std::string& erro) {
    EXPECT_FALSE(erro.empty());
    for (const char* interno : {"basic_string", "stoi", "stoll", "vector::", "bad_", "std::"})
        EXPECT_EQ(erro.find(interno), std::string::npos) << erro;
}

TEST(DadosInvalidos, ColunasNulasUmGrupoDeCadaVez) {
    PastaTemporaria pasta;
    const std::string inicio = pasta / "inicio.fdb";
    CriarBancoGerado(inicio, 20, 9);
    int concluidas = 0, falhas = 0;
    for (const GrupoNulo& grupo : kGruposNulos) {
        SCOPED_TRACE(std::string(grupo.tabela) + ": " + grupo.colunas);
        const std::string banco = CopiarBanco(inicio, pasta / "erp.fdb");
        Inicio estadoInicial;
        std::vector<std::string> antes;
        {
            DadosTeste dados(banco);
            dados.Executar(std::string("update ") + grupo.tabela + " set " + Atribuicoes(grupo.colunas));
            estadoInicial = CapturarInicio(dados);
            if (grupo.regras) antes = VerificarInvariantes(dados, estadoInicial);
        }
        std::string erro;
        const bool concluiu = ExecutarCompleta(banco, &erro);
        std::cout << grupo.tabela << " (" << grupo.colunas << "): "
                  << (concluiu ? "concluída" : "falhou: " + erro.substr(0, erro.find('\n'))) << "\n";
        if (concluiu) {
            ++concluidas;
        } else {
            ++falhas;
            ConferirErroClaro(erro);
        }
        EXPECT_EQ(concluiu, grupo.erro == nullptr) << erro;
        if (grupo.erro != nullptr) {
            EXPECT_NE(erro.find(grupo.erro), std::string::npos) << erro;
        }
        // Whatever the run wrote from such data, completed or not, breaks no rule that the data
        // did not break already.
        if (!grupo.regras) continue;
        DadosTeste dados(banco);
        for (const std::string& quebra : VerificarInvariantes(dados, estadoInicial))
            EXPECT_NE(std::find(antes.begin(), antes.end(), quebra), antes.end()) << quebra;
    }
    std::cout << "colunas nulas: " << std::size(kGruposNulos) << " grupos, " << concluidas << " execuções concluídas, "
              << falhas << " falharam com o seu erro\n";
}

// A small ERP of one invoice with one item and one receivable, and one settlement.
class Documentos : public ::testing::Test {
protected:
    void SetUp() override {
        CriarBancoDoEsquema(banco);
        dados = std::make_unique<DadosTeste>(banco);
        dados->Parametro();
        dados->Natureza(1);
        dados->Produto(1);
        dados->Pessoa(100, "Cliente");
    }

    // One run; true when it completed, with the rules checked either way.
    bool Executar() {
        const Inicio estadoInicial = CapturarInicio(*dados);
        const bool concluiu = ExecutarCompleta(banco, &erro);
        if (!concluiu) ConferirErroClaro(erro);
        const std::vector<std::string> quebras = VerificarInvariantes(*dados, estadoInicial);
        EXPECT_TRUE(quebras.empty()) << quebras.size() << " regras quebradas; a primeira: " << quebras.front();
        return concluiu;
    }

    PastaTemporaria pasta;
    std::string banco = pasta / "erp.fdb";
    std::unique_ptr<DadosTeste> dados;
    std::string erro;
};

TEST_F(Documentos, ValoresNosLimitesDasColunas) {
    struct Caso {
        const char* nome;
        const char* total;     // invoice totals, item total and unit price, receivable
        const char* taxa;      // item and seller rate
        const char* acerto;    // a settlement's amount
        const char* unitario;  // the item's unit price, numeric(15,4)
        bool conclui;
    };
    const Caso casos[] = {
        // Phase 1's statements multiply an item's total by the discount ratio and the rate at
        // eight decimals: the server's 64 bits hold such a product up to some 92,000,000,000.
        {"dez bilhões e o maior acerto", "9999999999.99", "5", "99999999999999.99", "9999999999.99", true},
        {"o maior valor de numeric(18,2) que cabe no valor fixo", "99999999999999.99", "5", "100.00",
         "99999999999999.99", false},
        {"centavos", "0.01", "0.01", "0.01", "0.01", true},
        {"negativos", "-1000.00", "-5", "-250.00", "-1000.00", true},
        {"acerto zero", "1000.00", "5", "0.00", "1000.00", true},
        {"além do valor fixo de quatro casas", "999999999999999.99", "5", "100.00", "1000.00", false},
    };
    int tentadas = 0;
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        ++tentadas;
        for (const char* tabela : {"MOV_NF_COMERCIO", "MOV_NF_COMERCIO_ITEM", "MOV_FINANCEIRO", "MOV_ACERTO_COMISSAO",
                                   "MOV_COMISSAO", "MOV_LOG_CONTROLE"})
            dados->Executar(std::string("delete from ") + tabela);
        const std::string t = caso.total;
        dados->Nota(1, {{"VL_TOTAL_NF", t}, {"VL_PRODUTOS", t}, {"VL_FINANCEIRO", t}, {"PO_COMISSAO", caso.taxa},
                        {"PO_CREDITO_FAT", "50"}});
        dados->Item(1, 1, {{"VL_UNITARIO", caso.unitario}, {"VL_TOTAL", t}, {"PO_COMISSAO", caso.taxa}});
        dados->Receber(1, 1, {{"VL_DOCUMENTO", t}});
        dados->Acerto(1, {{"VL_ACERTO", caso.acerto}, {"TP_ACERTO", "'D'"}});
        EXPECT_EQ(Executar(), caso.conclui) << erro;
        if (!caso.conclui) continue;
        // The invoice's base and the settlement's entry carry their amounts to the cent.
        if (t[0] != '-') {
            EXPECT_EQ(dados->Valor("select vl_base_comissao from mov_nf_comercio where id_nf_comercio = 1"), t);
        }
        const std::string acerto = caso.acerto;
        if (acerto != "0.00") {
            EXPECT_EQ(dados->Valor("select vl_comissao from mov_comissao where tp_registro = '3'"),
                      acerto[0] == '-' ? acerto.substr(1) : "-" + acerto);
        }
    }
    std::cout << "valores nos limites: " << tentadas << " entradas inválidas\n";
}

TEST_F(Documentos, NomesComAspasEAcentos) {
    struct Caso {
        const char* nome;
        std::string esperado;  // as the entry keeps it (50 characters at most)
    };
    const std::string longo = "Ção" + std::string(47, 'x') + "ÉÉÉÉÉ";
    const Caso casos[] = {
        {"D'Ávila & Filhos", "D'Ávila & Filhos"},
        {"''''", "''''"},
        {"O\"Brien\"; drop table mov_comissao; --", "O\"Brien\"; drop table mov_comissao; --"},
        {"€ – “aspas” ‘simples’ …", "€ – “aspas” ‘simples’ …"},
        {"Ação São João ÃÕÇ", "Ação São João ÃÕÇ"},
        {longo.c_str(), longo.substr(0, longo.size() - 10)},  // five two-byte letters cut
    };
    int tentadas = 0;
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        ++tentadas;
        for (const char* tabela : {"MOV_NF_COMERCIO", "MOV_NF_COMERCIO_ITEM", "MOV_FINANCEIRO", "MOV_ACERTO_COMISSAO",
                                   "MOV_COMISSAO", "CAD_PESSOA"})
            dados->Executar(std::string("delete from ") + tabela);
        dados->Pessoa(100, caso.nome);
        dados->Nota(1, {{"DS_SERIE_NF", "'A'''"}, {"PO_CREDITO_FAT", "50"}});
        dados->Item(1, 1);
        dados->Receber(1, 1, {{"NO_DOCUMENTO", "'1''/A ÇÃ'"}});
        dados->Acerto(1, {{"DS_ACERTO", db::TextoSQL(caso.esperado)}});
        ASSERT_TRUE(Executar()) << erro;

        // Read back as text, and as the bytes the ERP would have written: one Windows-1252 byte
        // per letter.
        for (const char* tipo : {"1", "3"}) {
            SCOPED_TRACE(std::string("tipo ") + tipo);
            const std::string onde = std::string(" from mov_comissao where tp_registro = '") + tipo + "'";
            EXPECT_EQ(dados->Valor("select nm_cliente" + onde), caso.esperado);
            EXPECT_EQ(dados->Contar("select count(*)" + onde + " and octet_length(nm_cliente) = char_length(nm_cliente)"), 1);
        }
        EXPECT_EQ(dados->Valor("select ds_serie from mov_comissao where tp_registro = '1'"), "A'");
        EXPECT_EQ(dados->Valor("select no_documento from mov_comissao where tp_registro = '2'"), "1'/A ÇÃ");
    }
    std::cout << "nomes: " << tentadas << " entradas inválidas\n";
}

// The monitor's Qt application takes the user's locale, numbers included: on a Brazilian
// workstation printf writes "1234,5". The amounts written into SQL must not follow it.
TEST(LocaleDoBrasil, ValoresNoSqlContinuamComPonto) {
    struct VoltarAoC {
        ~VoltarAoC() { std::setlocale(LC_NUMERIC, "C"); }
    } voltarAoC;
    ASSERT_NE(std::setlocale(LC_NUMERIC, "pt_BR.UTF-8"), nullptr)
        << "falta o locale pt_BR.UTF-8 nesta máquina: scripts/setup o gera";
    char amostra[32];
    std::snprintf(amostra, sizeof amostra, "%.1f", 1.5);
    ASSERT_STREQ(amostra, "1,5") << "o locale não foi aplicado";

    const struct {
        long double valor;
        const char* sql;
    } casos[] = {{1234.5L, "1234.50"}, {0.004L, "0.00"}, {-0.5L, "-0.50"}, {99999999999999.984375L, "99999999999999.98"}};
    for (const auto& caso : casos)
        EXPECT_EQ(comissao::AjustarDecimalSQL(comissao::FormatarNumero("##0.00", caso.valor)), caso.sql);

    // A whole run gives what it gives under the C locale.
    PastaTemporaria pasta;
    const std::string inicio = pasta / "inicio.fdb";
    CriarBancoGerado(inicio, 30, 3);
    const std::string brasil = CopiarBanco(inicio, pasta / "brasil.fdb");
    std::string erro;
    ASSERT_TRUE(ExecutarCompleta(brasil, &erro)) << erro;
    std::setlocale(LC_NUMERIC, "C");
    const std::string c = CopiarBanco(inicio, pasta / "c.fdb");
    ASSERT_TRUE(ExecutarCompleta(c, &erro)) << erro;
    DadosTeste dadosBrasil(brasil), dadosC(c);
    EXPECT_EQ(RetratoDasEntradas(dadosBrasil), RetratoDasEntradas(dadosC));
}

}  // namespace
}  // namespace zelprax::teste
