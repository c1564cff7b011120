// The ini reader over texts: the rules every ERP ini file is read by.

#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "db/ini.h"

namespace zelprax::db {
namespace {

TEST(ValorIni, RegrasDeLeitura) {
    using namespace std::string_literals;
    const std::string longo(5000, 'p');
    struct Caso {
        const char* descricao;
        std::string texto;
        std::optional<std::string> valor;  // of key "Nome" in section "Base"
    };
    const Caso casos[] = {
        {"simples", "[Base]\nNome=x\n", "x"},
        {"letras trocadas", "[BASE]\nnOME=x\n", "x"},
        {"brancos em volta", "  [Base]  \n \t Nome \t=  x y  \n", "x y"},
        {"CR LF e BOM", "\xEF\xBB\xBF[Base]\r\nNome=x\r\n", "x"},
        {"BOM só no começo", "[Outra]\n\xEF\xBB\xBF[Base]\nNome=x\n", std::nullopt},
        {"linha sem limite de tamanho", "[Base]\nNome=" + longo + "\n", longo},
        {"seção longa antes", "[" + longo + "]\nNome=y\n[Base]\nNome=x\n", "x"},
        {"sem quebra no fim", "[Base]\nNome=x", "x"},
        {"dois-pontos separa", "[Base]\nNome: C:\\x=y\n", "C:\\x=y"},
        {"o primeiro separador conta", "[Base]\nNome=C:\\x\n", "C:\\x"},
        {"aspas fazem parte", "[Base]\nNome=\"x\"\n", "\"x\""},
        {"comentário depois de branco", "[Base]\nNome=x ;nota\n", "x"},
        {"ponto e vírgula colado fica", "[Base]\nNome=x;y\n", "x;y"},
        {"só comentário no valor", "[Base]\nNome= ;nota\n", ""},
        {"valor vazio", "[Base]\nNome=\n", ""},
        {"linhas de comentário", "[Base]\n;Nome=y\n#Nome=z\nNome=x\n", "x"},
        {"a primeira ocorrência vale", "[Base]\nNome=x\nNome=y\n", "x"},
        {"a primeira vazia também vale", "[Base]\nNome=\nNome=y\n", ""},
        {"seção repetida", "[Base]\nNome=x\n[Outra]\n[Base]\nNome=y\n", "x"},
        {"só na seção repetida", "[Base]\n[Outra]\nNome=y\n[Base]\nNome=x\n", "x"},
        {"linha recuada é uma chave", "[Base]\nOutro=a\n  Nome=x\n", "x"},
        {"NUL corta a linha", "[Base]\nNome=x\0lixo\n"s, "x"},
        {"NUL antes do igual", "[Base]\nNome\0=x\nNome=y\n"s, "y"},
        {"outra seção", "[Outra]\nNome=x\n", std::nullopt},
        {"antes de qualquer seção", "Nome=x\n", std::nullopt},
        {"seção sem fecho mantém a anterior", "[Outra]\n[Base\nNome=x\n", std::nullopt},
        {"seção sem fecho dentro da certa", "[Base]\n[Outra\nNome=x\n", "x"},
        {"texto depois do fecho", "[Base] resto\nNome=x\n", "x"},
        {"brancos dentro dos colchetes contam", "[ Base ]\nNome=x\n", std::nullopt},
        {"comentário antes do fecho", "[Base ;x]\nNome=x\n", std::nullopt},
        {"chave sem valor", "[Base]\nNome\n", std::nullopt},
        {"chave parecida", "[Base]\nNomes=x\nNom=y\n", std::nullopt},
        {"comentário antes do igual", "[Base]\nNome ;=x\n", std::nullopt},
        {"vazio", "", std::nullopt},
    };
    for (const Caso& c : casos) {
        std::istringstream texto(c.texto);
        EXPECT_EQ(ValorIni(texto, "Base", "Nome"), c.valor) << c.descricao;
    }
}

}  // namespace
}  // namespace zelprax::db
