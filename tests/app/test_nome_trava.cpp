// The lock file's name and first line, from Windows and POSIX program paths; no files, no
// database, so the Windows build runs them too.

#include <gtest/gtest.h>

#include "app/trava.h"
#include "db/texto.h"

namespace zelprax::monitor {
namespace {

TEST(NomeArquivoTrava, NomeDoProgramaAteOUltimoPonto) {
    struct Caso {
        const char* caminho;
        char separador;
        const char* nome;
    };
    const Caso casos[] = {
        {"C:\\Apps\\zelpraxComissao2.exe", '\\', "zelpraxComissao2.lock"},
        {"C:\\Meu Sistema\\v1.2\\zelpraxComissao2.exe", '\\', "zelpraxComissao2.lock"},
        {"/opt/zelprax/zelpraxComissao2", '/', "zelpraxComissao2.lock"},
        {"/opt/zelprax.d/zelpraxComissao2", '/', "zelpraxComissao2.lock"},  // a dot in the folder is not the name's
        {"/opt/monitor.v2.bin", '/', "monitor.v2.lock"},
        {"/opt/ zelpraxComissao2.exe ", '/', "zelpraxComissao2.lock"},
        {"zelpraxComissao2.exe", '/', "zelpraxComissao2.lock"},
    };
    for (const Caso& c : casos) EXPECT_EQ(NomeArquivoTrava(c.caminho, c.separador), c.nome) << c.caminho;
}

TEST(ArquivoTrava, UmaLinhaComOCaminhoDoPrograma) {
    const std::string linha = "Este arquivo indica que o monitor C:\\Apps\\zelpraxComissao2.exe está em execução.\r\n";
    // Text files are in the system's code page: UTF-8 on POSIX, the ANSI code page on Windows.
#ifdef _WIN32
    EXPECT_EQ(ConteudoArquivoTrava("C:\\Apps\\zelpraxComissao2.exe"), db::ParaWin1252(linha));
#else
    EXPECT_EQ(ConteudoArquivoTrava("C:\\Apps\\zelpraxComissao2.exe"), linha);
#endif
}

}  // namespace
}  // namespace zelprax::monitor
