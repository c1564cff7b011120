// The rows of a result kept compactly, in memory and past the budget in a temporary file: every
// kind of value comes back as it went in, in order, again from the first, and after more rows
// arrive between two readings; a file changed under the query raises the error.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>
#include <unistd.h>

#include "db/erro.h"
#include "db/linhas.h"
#include "support/banco_teste.h"

namespace zelprax::db {
namespace {

std::vector<Valor> LinhaDeTeste(int i) {
    const std::int64_t grande = std::numeric_limits<std::int64_t>::max() - i;
    return {Nulo{},
            Decimal{i % 2 == 0 ? grande : -grande, -4},
            Decimal{-i, 0},
            0.1 * i,
            std::string(i % 7 == 0 ? 70000 : i % 5, i % 3 == 0 ? 'x' : 'y') + "ção €",
            std::string(),
            Data{{2026, 12, 1 + i % 28, 0, 0, 0}},
            Instante{{1899, 12, 30, 23, 59, i % 60}}};
}

TEST(LinhasLidas, CadaValorVoltaComoFoiEmMemoriaOuEmArquivo) {
    struct Caso {
        std::size_t limite;
        int linhas;
        bool emArquivo;
    } casos[] = {
        {LinhasLidas::kLimitePadrao, 50, false},  // a few rows stay in memory
        {0, 1, true},                             // every row goes to the file
        {256, 200, true},                         // rows cross from the file into memory
        {4096, 400, true},                        // texts longer than the reading window
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE("limite " + std::to_string(caso.limite));
        LinhasLidas lidas(caso.limite);
        std::vector<Valor> linha;
        // Rows arrive while earlier ones are read, as a query moves on before its result's end.
        for (int i = 0; i < caso.linhas; ++i) {
            lidas.Acrescentar(LinhaDeTeste(i));
            lidas.Ler(static_cast<std::size_t>(i), linha);
            ASSERT_EQ(linha, LinhaDeTeste(i)) << "linha " << i << " logo depois de chegar";
        }
        EXPECT_EQ(lidas.Contagem(), static_cast<std::size_t>(caso.linhas));
        EXPECT_EQ(lidas.EmArquivo(), caso.emArquivo);
        // From the first again, in order, then a jump back and one forward.
        for (int i = 0; i < caso.linhas; ++i) {
            lidas.Ler(static_cast<std::size_t>(i), linha);
            ASSERT_EQ(linha, LinhaDeTeste(i)) << "linha " << i << " na segunda leitura";
        }
        for (int i : {caso.linhas / 2, 0, caso.linhas - 1}) {
            lidas.Ler(static_cast<std::size_t>(i), linha);
            ASSERT_EQ(linha, LinhaDeTeste(i)) << "linha " << i << " fora de ordem";
        }
        lidas.Limpar();
        EXPECT_EQ(lidas.Contagem(), 0u);
        EXPECT_FALSE(lidas.EmArquivo());
        lidas.Acrescentar(LinhaDeTeste(3));
        lidas.Ler(0, linha);
        EXPECT_EQ(linha, LinhaDeTeste(3)) << "depois de esvaziada";
    }
}

#ifndef _WIN32
// The file of the rows in TMPDIR, unnamed there, found through the process's open files.
int DescritorDoArquivoEm(const std::filesystem::path& pasta) {
    for (const auto& entrada : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code erro;
        const std::string alvo = std::filesystem::read_symlink(entrada.path(), erro).string();
        if (!erro && alvo.rfind(pasta.string() + "/", 0) == 0) return std::stoi(entrada.path().filename().string());
    }
    return -1;
}

TEST(LinhasLidas, ArquivoEmTmpdirAlteradoDuranteAConsultaLevantaOErro) {
    const std::pair<off_t, std::string> casos[] = {{100, "o arquivo foi alterado (tem 100 bytes, esperados "},
                                                   {-1, "o arquivo foi alterado (linha 1 com 7 colunas, esperadas 8)"}};
    teste::PastaTemporaria pasta;
    struct Tmpdir {
        std::string antes = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "";
        ~Tmpdir() { antes.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", antes.c_str(), 1); }
    } tmpdir;
    setenv("TMPDIR", pasta.Caminho().c_str(), 1);
    for (const auto& [tamanho, causa] : casos) {
        LinhasLidas lidas(0);
        for (int i = 0; i < 20; ++i) lidas.Acrescentar(LinhaDeTeste(i));
        const int fd = DescritorDoArquivoEm(pasta.Caminho());
        ASSERT_GE(fd, 0) << "o arquivo não está em TMPDIR";
        ASSERT_EQ(tamanho >= 0 ? ftruncate(fd, tamanho) : pwrite(fd, "\x07", 1, 0) - 1, 0);  // 8 columns become 7
        std::vector<Valor> linha;
        try {
            lidas.Ler(0, linha);
            ADD_FAILURE() << "lida como se nada fosse: " << causa;
        } catch (const ErroBanco& erro) {
            EXPECT_EQ(erro.Texto().rfind("Não foi possível ler as linhas lidas no arquivo temporário: " + causa, 0), 0u)
                << erro.Texto();
        }
    }
}
#endif

}  // namespace
}  // namespace zelprax::db
