#include "app/trava.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "db/consulta.h"
#include "db/localizacao.h"
#include "db/texto.h"
#include "platform/platform.h"

namespace zelprax::monitor {

namespace {

namespace fs = std::filesystem;

struct FecharArquivo {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using Arquivo = std::unique_ptr<std::FILE, FecharArquivo>;

std::string CaminhoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados) {
    return pastaDados + NomeArquivoTrava(caminhoExecutavel, plataforma::Separador());
}

}  // namespace

std::string NomeArquivoTrava(const std::string& caminhoExecutavel, char separador) {
    const std::string nome = db::Aparar(db::NomeArquivo(caminhoExecutavel, separador));
    const std::size_t ponto = nome.rfind('.');
    return (ponto == std::string::npos ? nome : nome.substr(0, ponto)) + ".lock";
}

std::string ConteudoArquivoTrava(const std::string& caminhoExecutavel) {
    const std::string linha =
        "Este arquivo indica que o monitor " + caminhoExecutavel + " está em execução.\r\n";
#ifdef _WIN32
    return db::ParaWin1252(linha);  // the system's ANSI code page
#else
    return linha;
#endif
}

bool ExisteArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados) {
    std::error_code erro;
    const fs::file_status estado = fs::status(CaminhoTrava(caminhoExecutavel, pastaDados), erro);
    return fs::exists(estado) && !fs::is_directory(estado);
}

void CriarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados) {
    const std::string caminho = CaminhoTrava(caminhoExecutavel, pastaDados);
    const std::string conteudo = ConteudoArquivoTrava(caminhoExecutavel);
    Arquivo arquivo(std::fopen(caminho.c_str(), "wb"));
    if (!arquivo) throw std::runtime_error("Não foi possível criar o arquivo " + caminho + ": " + std::strerror(errno));
    const bool escrito = std::fwrite(conteudo.data(), 1, conteudo.size(), arquivo.get()) == conteudo.size();
    const bool fechado = std::fclose(arquivo.release()) == 0;
    if (!escrito || !fechado)
        throw std::runtime_error("Não foi possível gravar o arquivo " + caminho + ": " + std::strerror(errno));
}

void ApagarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados) {
    std::error_code erro;
    fs::remove(CaminhoTrava(caminhoExecutavel, pastaDados), erro);
}

void AtualizarMonitorAtivo(bool ativo, db::BancoDados& conexao) {
    db::Consulta consulta("IBQ_MonitorAtivo");
    consulta.Anexar(&conexao);
    consulta.DefinirSQL(std::string(" update tab_parametro") + " SET ST_MONITOR_COMISSAO_ATIVO = " +
                        (ativo ? "'S'" : "'N'"));
    consulta.Executar();
    consulta.DefinirSQL("commit retain");
    consulta.Executar();
}

bool ServidorConectado(const std::string& pastaDados) {
    const std::string falha = std::string(kMensagemPastaInacessivel) + " (" + pastaDados + ")";
    std::error_code erro;
    const fs::file_status pasta = fs::status(pastaDados, erro);
    if (erro && pasta.type() != fs::file_type::not_found) throw std::runtime_error(falha + ": " + erro.message());
    if (!fs::is_directory(pasta)) return true;

    const std::string caminho = pastaDados + kArquivoSinal;
    const fs::file_status arquivo = fs::status(caminho, erro);
    if (erro && arquivo.type() != fs::file_type::not_found) throw std::runtime_error(falha + ": " + erro.message());
    if (!fs::exists(arquivo)) return true;
    if (!fs::is_regular_file(arquivo)) throw std::runtime_error(falha + ": " + caminho + " não é um arquivo");

    // Only the first line counts, and only a line of the signal's length can be the signal: a
    // bounded read is enough, however large the file.
    Arquivo f(std::fopen(caminho.c_str(), "rb"));
    if (!f) throw std::runtime_error(falha + ": " + std::strerror(errno));
    char inicio[64];
    const std::size_t lidos = std::fread(inicio, 1, sizeof inicio, f.get());
    if (std::ferror(f.get())) throw std::runtime_error(falha + ": " + std::strerror(errno));
    std::string linha(inicio, lidos);
    const std::size_t quebra = linha.find('\n');
    if (quebra == std::string::npos && lidos == sizeof inicio) return true;  // a longer first line
    if (quebra != std::string::npos) linha.resize(quebra);
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();  // a line written with CR LF
    return linha != kSinalDesconectar;
}

}  // namespace zelprax::monitor
