#include "app/trava.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <system_error>

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

constexpr std::string_view kChaveMaquina = "maquina=";
constexpr std::string_view kChaveProcesso = "processo=";
constexpr std::string_view kChavePrograma = "programa=";

// A lock file is a few lines; more than this is not one we wrote, and only its start is read.
constexpr std::size_t kTamanhoMaximoLido = 64 * 1024;

// The system's text as the lock file holds it, and back.
std::string ParaArquivo(const std::string& texto) {
#ifdef _WIN32
    return db::ParaWin1252(texto);  // the system's ANSI code page
#else
    return texto;
#endif
}

std::string DoArquivo(const std::string& texto) {
#ifdef _WIN32
    return db::DeWin1252(texto);
#else
    return texto;
#endif
}

// The start of the lock file; none when it cannot be read.
std::optional<std::string> LerInicio(const std::string& caminho) {
    Arquivo arquivo(std::fopen(caminho.c_str(), "rb"));
    if (!arquivo) return std::nullopt;
    std::string conteudo(kTamanhoMaximoLido, '\0');
    conteudo.resize(std::fread(conteudo.data(), 1, conteudo.size(), arquivo.get()));
    if (std::ferror(arquivo.get())) return std::nullopt;
    return conteudo;
}

}  // namespace

std::string NomeArquivoTrava(const std::string& caminhoExecutavel, char separador) {
    const std::string nome = db::Aparar(db::NomeArquivo(caminhoExecutavel, separador));
    const std::size_t ponto = nome.rfind('.');
    return (ponto == std::string::npos ? nome : nome.substr(0, ponto)) + ".lock";
}

std::string ConteudoArquivoTrava(const std::string& caminhoExecutavel) {
    return ParaArquivo("Este arquivo indica que o monitor " + caminhoExecutavel + " está em execução.\r\n");
}

bool ExisteArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados) {
    std::error_code erro;
    const fs::file_status estado = fs::status(CaminhoTrava(caminhoExecutavel, pastaDados), erro);
    return fs::exists(estado) && !fs::is_directory(estado);
}

void CriarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados,
                       const plataforma::Sistema& sistema) {
    const std::string caminho = CaminhoTrava(caminhoExecutavel, pastaDados);
    const std::string conteudo = ConteudoArquivoTrava(caminhoExecutavel, DonoAtual(sistema));
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

DonoTrava DonoAtual(const plataforma::Sistema& sistema) {
    DonoTrava dono;
    dono.maquina = sistema.NomeMaquina();
    dono.processo = sistema.IdProcesso();
    dono.programa = sistema.ProgramaDoProcesso(dono.processo).value_or(std::string{});
    return dono;
}

std::string ConteudoArquivoTrava(const std::string& caminhoExecutavel, const DonoTrava& dono) {
    std::string linhas;
    for (const auto& [chave, valor] : {std::pair{kChaveMaquina, dono.maquina},
                                       std::pair{kChaveProcesso, std::to_string(dono.processo)},
                                       std::pair{kChavePrograma, dono.programa}})
        linhas.append(chave).append(valor).append("\r\n");
    return ConteudoArquivoTrava(caminhoExecutavel) + ParaArquivo(linhas);
}

std::optional<DonoTrava> LerDonoTrava(const std::string& conteudo) {
    DonoTrava dono;
    bool temMaquina = false, temProcesso = false;
    // The holder's lines follow the fixed first line; each value ends at its line break, and the
    // first line of each name counts.
    const std::size_t primeira = conteudo.find('\n');
    std::size_t inicio = primeira == std::string::npos ? conteudo.size() : primeira + 1;
    while (inicio < conteudo.size()) {
        std::size_t fim = conteudo.find('\n', inicio);
        if (fim == std::string::npos) fim = conteudo.size();
        std::string linha = conteudo.substr(inicio, fim - inicio);
        if (!linha.empty() && linha.back() == '\r') linha.pop_back();
        inicio = fim + 1;
        if (!temMaquina && linha.starts_with(kChaveMaquina)) {
            dono.maquina = DoArquivo(linha.substr(kChaveMaquina.size()));
            temMaquina = true;
        } else if (!temProcesso && linha.starts_with(kChaveProcesso)) {
            const std::string numero = linha.substr(kChaveProcesso.size());
            long valor = 0;
            const auto [fimNumero, erro] = std::from_chars(numero.data(), numero.data() + numero.size(), valor);
            if (erro != std::errc{} || fimNumero != numero.data() + numero.size() || valor <= 0) return std::nullopt;
            dono.processo = valor;
            temProcesso = true;
        } else if (dono.programa.empty() && linha.starts_with(kChavePrograma)) {
            dono.programa = DoArquivo(linha.substr(kChavePrograma.size()));
        }
    }
    if (!temMaquina || dono.maquina.empty() || !temProcesso) return std::nullopt;
    return dono;
}

bool TravaAbandonada(const DonoTrava& dono, const plataforma::Sistema& sistema) {
    const std::string estaMaquina = sistema.NomeMaquina();
    if (estaMaquina.empty() || db::Minusculas(dono.maquina) != db::Minusculas(estaMaquina)) return false;
    // The writer cannot be this process: it has not written its lock yet.
    if (dono.processo == sistema.IdProcesso()) return true;
    const std::optional<std::string> programa = sistema.ProgramaDoProcesso(dono.processo);
    if (!programa) return true;
    if (programa->empty() || dono.programa.empty()) return false;  // running, and perhaps ours
    return db::Minusculas(*programa) != db::Minusculas(dono.programa);
}

TravaEncontrada ExaminarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados,
                                     const plataforma::Sistema& sistema) {
    TravaEncontrada encontrada;
    if (!ExisteArquivoTrava(caminhoExecutavel, pastaDados)) return encontrada;
    encontrada.estado = EstadoTrava::Ocupada;
    const std::optional<std::string> conteudo = LerInicio(CaminhoTrava(caminhoExecutavel, pastaDados));
    if (!conteudo) return encontrada;
    const std::optional<DonoTrava> dono = LerDonoTrava(*conteudo);
    if (dono && TravaAbandonada(*dono, sistema)) {
        encontrada.estado = EstadoTrava::Abandonada;
        encontrada.dono = *dono;
    }
    return encontrada;
}

std::string MensagemTravaAssumida(const DonoTrava& dono) {
    return "O arquivo de trava deixado por uma execução anterior (processo " + std::to_string(dono.processo) +
           " em " + dono.maquina + "), que não está mais em execução, foi assumido por esta execução.";
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
