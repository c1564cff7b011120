// The ERP location read from arbitrary ini files: a local ini and a server ini with the fuzzer's
// bytes never crash the lookup; it answers with a path or a message. The reader itself, over the
// same bytes, gives a value that is one of the text's line pieces, trimmed.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "db/ini.h"
#include "db/localizacao.h"

namespace {

class InteracaoMuda : public zelprax::db::Interacao {
public:
    void MostrarMensagem(const std::string&, const std::string&, zelprax::db::Icone) override {}
    void SolicitarEncerramento() override {}
    void ExibirMensagem(const std::string&) override {}
};

const std::filesystem::path& Pasta() {
    static const std::filesystem::path pasta = [] {
        auto p = std::filesystem::temp_directory_path() / ("zelprax-fuzz-ini-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p / "Sistema");
        return p;
    }();
    return pasta;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const std::string conteudo(reinterpret_cast<const char*>(dados), tamanho);
    for (const char* secao : {"Database", "", "a"}) {
        std::istringstream texto(conteudo);
        const auto valor = zelprax::db::ValorIni(texto, secao, "name");
        // A value never holds a line break or a NUL, and never starts or ends with a blank.
        if (valor && (valor->find_first_of(std::string("\n\0", 2)) != std::string::npos ||
                      (!valor->empty() && (valor->front() == ' ' || valor->back() == ' '))))
            std::abort();
    }
    const auto servidor = Pasta() / "servidor.ini";
    std::ofstream(Pasta() / "Sistema" / "zelpraxempresa.ini", std::ios::binary | std::ios::trunc)
        << "[IniServidor]\nnomearquivo=" << servidor.string() << "\n";
    std::ofstream(servidor, std::ios::binary | std::ios::trunc) << conteudo;
    InteracaoMuda interacao;
    std::string ini;
    const std::string exe = (Pasta() / "Sistema" / "zelpraxComissao2").string();
    zelprax::db::LerCaminhoBanco(exe, interacao, ini);
    zelprax::db::LocalizarPastaDados(exe, interacao);

    // The same bytes as the local ini.
    std::ofstream(Pasta() / "Sistema" / "zelpraxempresa.ini", std::ios::binary | std::ios::trunc) << conteudo;
    zelprax::db::LerCaminhoBanco(exe, interacao, ini);
    zelprax::db::LocalizarPastaDados(exe, interacao);
    return 0;
}
