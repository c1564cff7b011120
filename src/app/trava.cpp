#include "app/trava.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
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

constexpr std::string_view kChaveIdentidade = "identidade=";

constexpr const char* kPodeSerApagado = "; se nenhum monitor estiver em execução, ele pode ser apagado.";

using plataforma::ArquivoDeTrava;

// The locks this process holds, by path: each open file keeps its advisory lock until deleted.
std::mutex g_mutexTravas;
std::map<std::string, ArquivoDeTrava>& TravasDesteProcesso() {
    static std::map<std::string, ArquivoDeTrava> travas;
    return travas;
}

// Deletes this process's own lock at that path, if it holds one there (and the name is still its
// file), releasing its advisory lock; false when it holds none there.
bool ApagarPropria(const std::string& caminho) {
    const std::lock_guard<std::mutex> guarda(g_mutexTravas);
    auto& travas = TravasDesteProcesso();
    auto propria = travas.find(caminho);
    // The same file may be named another way (a folder given with another spelling).
    for (auto t = travas.begin(); propria == travas.end() && t != travas.end(); ++t) {
        std::error_code erro;
        if (fs::equivalent(t->first, caminho, erro)) propria = t;
    }
    if (propria == travas.end()) return false;
    propria->second.Apagar();
    travas.erase(propria);  // closed: the advisory lock goes with it
    return true;
}

std::string DescreverDono(const std::string& caminho, const DonoTrava& dono) {
    return "O arquivo de trava " + caminho + " é mantido pelo programa " +
           (dono.programa.empty() ? std::string("(não informado)") : dono.programa) + ", processo " +
           std::to_string(dono.processo) + ", no computador " + dono.maquina + ".";
}

// Judges the lock file open in `arquivo` (its advisory lock taken when it could be). The file
// stays open, so that a takeover deletes it while still holding that lock.
TravaEncontrada Julgar(const std::string& caminho, ArquivoDeTrava& arquivo, const plataforma::Sistema& sistema) {
    TravaEncontrada encontrada;
    encontrada.estado = EstadoTrava::Ocupada;
    switch (arquivo.Abrir(caminho)) {
        case ArquivoDeTrava::Resultado::Feito: break;
        case ArquivoDeTrava::Resultado::Ausente: encontrada.estado = EstadoTrava::Livre; return encontrada;
        case ArquivoDeTrava::Resultado::NaoRegular:
            // Not a lock at all: the creation fails on it, and says this.
            encontrada.estado = EstadoTrava::Livre;
            encontrada.detalhe = "O arquivo de trava " + caminho +
                                 " não é um arquivo comum (uma ligação simbólica, uma pasta)" + kPodeSerApagado;
            return encontrada;
        default:
            encontrada.detalhe = "O arquivo de trava " + caminho + " não pôde ser lido (" + arquivo.Erro() + ")" +
                                 kPodeSerApagado;
            return encontrada;
    }
    const ArquivoDeTrava::Resultado travado = arquivo.Travar(false);
    const std::optional<std::string> conteudo = arquivo.Ler(kTamanhoMaximoLido);
    if (!conteudo) {
        encontrada.detalhe = "O arquivo de trava " + caminho + " não pôde ser lido (" + arquivo.Erro() + ")" +
                             kPodeSerApagado;
        return encontrada;
    }
    if (conteudo->empty()) {
        encontrada.detalhe = "O arquivo de trava " + caminho + " está vazio" + kPodeSerApagado;
        return encontrada;
    }
    const std::optional<DonoTrava> dono = LerDonoTrava(*conteudo);
    if (!dono) {
        encontrada.detalhe = "O arquivo de trava " + caminho +
                             " não diz que programa o mantém (foi gravado por outra versão ou outro programa)" +
                             kPodeSerApagado;
        return encontrada;
    }
    encontrada.dono = *dono;
    encontrada.detalhe = DescreverDono(caminho, *dono);
    if (!TravaDestaMaquina(*dono, sistema)) return encontrada;
    bool abandonada = false;
    if (travado == ArquivoDeTrava::Resultado::Ocupado)
        abandonada = false;  // its holder, or another start taking it over at this moment
    else if (dono->identidade && travado == ArquivoDeTrava::Resultado::Feito)
        abandonada = true;  // its holder holds the advisory lock for as long as it holds the file
    else
        abandonada = TravaAbandonada(*dono, sistema);  // written before, or a file system without such locks
    if (!abandonada) return encontrada;
    encontrada.estado = EstadoTrava::Abandonada;
    encontrada.detalhe.clear();
    if (dono->processo != sistema.IdProcesso())
        encontrada.dono.programaAgora = sistema.ProgramaDoProcesso(dono->processo).value_or(std::string{});
    return encontrada;
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
    ApagarPropria(caminho);  // this process's own earlier lock, if any
    // A few turns: each either creates the file, or finds it and takes over an abandoned lock.
    for (int volta = 0; volta < 8; ++volta) {
        ArquivoDeTrava arquivo;
        const ArquivoDeTrava::Resultado criado = arquivo.Criar(caminho);
        if (criado == ArquivoDeTrava::Resultado::Feito) {
            // Locked before it holds a line: whoever reads a holder in it finds the lock held.
            const ArquivoDeTrava::Resultado travado = arquivo.Travar(true);
            std::string falha;
            if (travado == ArquivoDeTrava::Resultado::Falhou) falha = arquivo.Erro();
            else if (!arquivo.Gravar(conteudo)) falha = arquivo.Erro();
            if (!falha.empty()) {
                arquivo.Apagar();
                throw std::runtime_error("Não foi possível gravar o arquivo " + caminho + ": " + falha);
            }
            const std::lock_guard<std::mutex> guarda(g_mutexTravas);
            TravasDesteProcesso()[caminho] = std::move(arquivo);
            return;
        }
        if (criado != ArquivoDeTrava::Resultado::Existe)
            throw std::runtime_error("Não foi possível criar o arquivo " + caminho + ": " + arquivo.Erro());
        ArquivoDeTrava existente;
        const TravaEncontrada encontrada = Julgar(caminho, existente, sistema);
        if (encontrada.estado == EstadoTrava::Ocupada || !encontrada.detalhe.empty())
            throw std::runtime_error("Não foi possível criar o arquivo " + caminho +
                                     ": o arquivo de trava já existe.\n" + encontrada.detalhe);
        if (encontrada.estado == EstadoTrava::Abandonada && !existente.Apagar() && !existente.Erro().empty())
            throw std::runtime_error("Não foi possível apagar o arquivo de trava abandonado " + caminho + ": " +
                                     existente.Erro());
    }
    throw std::runtime_error("Não foi possível criar o arquivo " + caminho +
                             ": o arquivo de trava foi trocado por outro processo durante a criação.");
}

void ApagarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados) {
    // A lock this process did not write is another holder's (a running monitor, a runner, or a
    // preview under way while a manual monitor ran): it stays.
    ApagarPropria(CaminhoTrava(caminhoExecutavel, pastaDados));
}

DonoTrava DonoAtual(const plataforma::Sistema& sistema) {
    DonoTrava dono;
    dono.maquina = sistema.NomeMaquina();
    dono.processo = sistema.IdProcesso();
    dono.programa = sistema.ProgramaDoProcesso(dono.processo).value_or(std::string{});
    dono.identidade = sistema.IdentidadeMaquina();
    return dono;
}

std::string ConteudoArquivoTrava(const std::string& caminhoExecutavel, const DonoTrava& dono) {
    std::string linhas;
    for (const auto& [chave, valor] : {std::pair{kChaveMaquina, dono.maquina},
                                       std::pair{kChaveProcesso, std::to_string(dono.processo)},
                                       std::pair{kChavePrograma, dono.programa}})
        linhas.append(chave).append(valor).append("\r\n");
    if (dono.identidade) linhas.append(kChaveIdentidade).append(*dono.identidade).append("\r\n");
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
        } else if (!dono.identidade && linha.starts_with(kChaveIdentidade)) {
            dono.identidade = linha.substr(kChaveIdentidade.size());
        }
    }
    if (!temMaquina || dono.maquina.empty() || !temProcesso) return std::nullopt;
    return dono;
}

bool TravaDestaMaquina(const DonoTrava& dono, const plataforma::Sistema& sistema) {
    const std::string estaMaquina = sistema.NomeMaquina();
    if (estaMaquina.empty() || db::Minusculas(dono.maquina) != db::Minusculas(estaMaquina)) return false;
    return !dono.identidade || db::Minusculas(*dono.identidade) == db::Minusculas(sistema.IdentidadeMaquina());
}

bool TravaAbandonada(const DonoTrava& dono, const plataforma::Sistema& sistema) {
    if (!TravaDestaMaquina(dono, sistema)) return false;
    // The writer cannot be this process: it has not written its lock yet.
    if (dono.processo == sistema.IdProcesso()) return true;
    const std::optional<std::string> programa = sistema.ProgramaDoProcesso(dono.processo);
    if (!programa) return true;
    if (programa->empty() || dono.programa.empty()) return false;  // running, and perhaps ours
    return db::Minusculas(*programa) != db::Minusculas(dono.programa);
}

TravaEncontrada ExaminarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados,
                                     const plataforma::Sistema& sistema) {
    ArquivoDeTrava arquivo;
    return Julgar(CaminhoTrava(caminhoExecutavel, pastaDados), arquivo, sistema);
}

std::string MensagemTravaAssumida(const DonoTrava& dono) {
    const std::string numero = std::to_string(dono.processo);
    const std::string anterior = "O arquivo de trava deixado por uma execução anterior (processo " + numero + " em " +
                                 dono.maquina + ")";
    if (dono.programaAgora.empty())
        return anterior + ", que não está mais em execução, foi assumido por esta execução.";
    const std::string assumido = anterior + " foi assumido por esta execução.\n";
    if (db::Minusculas(dono.programaAgora) == db::Minusculas(dono.programa))
        return assumido + "O processo " + numero + " (" + dono.programaAgora + ") não mantém mais a trava.";
    return assumido + "O processo " + numero + " agora executa outro programa (" + dono.programaAgora +
           "), não o que gravou a trava (" + (dono.programa.empty() ? "não informado" : dono.programa) + ").";
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
