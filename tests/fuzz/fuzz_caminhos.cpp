// The path rules of the ERP location: whatever the path, no crash, and the results are pieces of
// the input.

#include <cstdint>
#include <string>

#include "db/localizacao.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const std::string caminho(reinterpret_cast<const char*>(dados), tamanho);
    for (const char sep : {'\\', '/'}) {
        const std::string pasta = zelprax::db::PastaComSeparador(caminho, sep);
        if (caminho.rfind(pasta, 0) != 0) __builtin_trap();
        const std::string nome = zelprax::db::NomeArquivo(caminho, sep);
        if (pasta + nome != caminho && !pasta.empty()) __builtin_trap();
        const std::string atualizacao = zelprax::db::PastaAtualizacaoDe(caminho, sep);
        if (!atualizacao.empty() && atualizacao.substr(atualizacao.size() - 6) != "Update") __builtin_trap();
        const std::string sem = zelprax::db::SemEspacos(caminho);
        if (sem.find(' ') != std::string::npos) __builtin_trap();
        zelprax::db::PrepararCaminhosAtualizacao(caminho, caminho, sep);
    }
    return 0;
}
