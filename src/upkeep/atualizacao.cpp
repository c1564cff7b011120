#include "upkeep/atualizacao.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "db/erro.h"
#include "db/texto.h"
#include "upkeep/parametros.h"

namespace zelprax::manutencao {

namespace {

namespace fs = std::filesystem;

bool ArquivoExiste(const std::string& caminho) {
    std::error_code erro;
    return !caminho.empty() && fs::is_regular_file(caminho, erro);
}

bool PastaExiste(const std::string& caminho) {
    std::error_code erro;
    return !caminho.empty() && fs::is_directory(caminho, erro);
}

// Deleting is best effort: a file that is absent or locked is left as it is.
void ApagarArquivo(const std::string& caminho) {
    std::error_code erro;
    fs::remove(caminho, erro);
}

// The running executable's folder, without trailing separator.
std::string PastaExecutavel(const plataforma::Sistema& sistema) {
    std::string pasta = db::PastaComSeparador(sistema.CaminhoExecutavel(), plataforma::Separador());
    if (!pasta.empty()) pasta.pop_back();
    return pasta;
}

// A file inside the update folder. Without an update folder (no connection, or a server ini path
// too short to derive one) there is no such file: joining the empty folder with the separator
// would name a file at the root of the file system instead.
std::string NaPastaAtualizacao(const db::CaminhosAtualizacao& caminhos, const std::string& nome) {
    if (caminhos.PastaAtualizacao.empty()) return {};
    return caminhos.PastaAtualizacao + plataforma::Separador() + nome;
}

// The name with the extension after its last full stop taken off, as a file name changes
// extension.
std::string SemExtensao(const std::string& nome) {
    const auto ponto = nome.rfind('.');
    return ponto == std::string::npos ? nome : nome.substr(0, ponto);
}

bool DatasDiferentes(const std::string& a, const std::string& b) {
    return LerDataArquivo(a) != LerDataArquivo(b);
}

}  // namespace

std::string DataArquivo(const plataforma::Sistema& sistema, const std::string& caminho) {
    const std::optional<std::time_t> instante = sistema.DataModificacao(caminho);
    if (!instante) return {};
    return FormatarDataArquivo(db::DataHoraLocal(*instante));
}

void CriarAtalhoNovaVersao(plataforma::Sistema& sistema) {
    const std::string nome = NomeSemExe(db::CaminhosAtualizacaoAtuais().NomeExecutavel);
    // A shortcut that cannot be saved is not reported: the new version runs all the same.
    sistema.CriarAtalhoAreaDeTrabalho(sistema.CaminhoExecutavel(), nome, "Novo " + SemExtensao(nome));
}

void ConcluirAtualizacao(plataforma::Sistema& sistema) {
    const char sep = plataforma::Separador();
    const std::string pasta = PastaExecutavel(sistema);
    const std::string nome = db::CaminhosAtualizacaoAtuais().NomeExecutavel;
    const std::string arquivoExec = pasta + sep + "Exec-" + nome;
    const std::string marcador = pasta + sep + NomeMarcadorAtualizacao(nome);
    if (ArquivoExiste(marcador)) {
        CriarAtalhoNovaVersao(sistema);
        ApagarArquivo(arquivoExec);
        ApagarArquivo(marcador);
    }
    ApagarArquivo(arquivoExec);
}

void VerificarAtualizacao(db::SessaoBanco& sessao, plataforma::Sistema& sistema, db::Interacao& interacao,
                          bool compararVersao) {
    const char sep = plataforma::Separador();
    const db::CaminhosAtualizacao caminhos = db::CaminhosAtualizacaoAtuais();
    const std::string pastaExecutavel = PastaExecutavel(sistema);

    // A workstation marked this way (a developer's or support's copy) is never replaced.
    if (ArquivoExiste(pastaExecutavel + sep + kMarcadorSemAtualizacao)) {
        interacao.MostrarMensagem("O aplicativo " + caminhos.NomeExecutavel + " não será atualizado. A pasta " +
                                      pastaExecutavel + " está com o arquivo " + kMarcadorSemAtualizacao,
                                  db::kAvisoDoSistema, db::Icone::Aviso);
        return;
    }

    if (!caminhos.PastaAtualizacao.empty() && !PastaExiste(caminhos.PastaAtualizacao)) {
        std::error_code erro;
        fs::create_directory(caminhos.PastaAtualizacao, erro);
    }

    ConcluirAtualizacao(sistema);

    const std::string nomeAtualizador = db::NomePrograma("zelpraxAtualizador");
    const std::string atualizador = NaPastaAtualizacao(caminhos, nomeAtualizador);
    const bool temAtualizador = ArquivoExiste(atualizador);
    if (!temAtualizador) {
        interacao.MostrarMensagem(
            "Não foi encontrado o zelprax Atualizador no Servidor. Entre em contato com o suporte técnico da zelprax.",
            db::kAvisoDoSistema, db::Icone::Nenhum);
        interacao.SolicitarEncerramento();
    }

    if (!sessao.IBD_BancoDados) throw db::ErroBanco("Database not assigned", {});
    AtualizarTabelaParametro(*sessao.IBD_BancoDados);

    if (!compararVersao) return;

    const std::string publicado = NaPastaAtualizacao(caminhos, caminhos.NomeExecutavel);
    if (!ArquivoExiste(publicado)) {
        interacao.MostrarMensagem("Falha na atualização do aplicativo. Não foi encontrado o arquivo " +
                                      caminhos.NomeExecutavel + " na pasta " + caminhos.PastaAtualizacao + ".\r" +
                                      "O Sistema será finalizado.",
                                  db::kAvisoDoSistema, db::Icone::Aviso);
        interacao.SolicitarEncerramento();
        return;
    }

    // Any difference counts, older or newer: the published executable is the one to run.
    if (!DatasDiferentes(DataArquivo(sistema, sistema.CaminhoExecutavel()), DataArquivo(sistema, publicado)))
        return;

    if (!temAtualizador) {
        interacao.MostrarMensagem("Falha na atualização do aplicativo. Não foi encontrado o arquivo " +
                                      nomeAtualizador + " na pasta " + caminhos.PastaAtualizacao + ".\r" +
                                      "O Sistema será finalizado.",
                                  db::kAvisoDoSistema, db::Icone::Aviso);
        interacao.SolicitarEncerramento();
        // As announced: this version is out of date and nothing can replace it, so it does not run.
        sistema.TerminarProcesso(0);
    }

    interacao.ExibirMensagem(AvisoNovaVersao(caminhos.NomeExecutavel));
    // A failed start is not detected: the process ends all the same, and the next start tries again.
    sistema.IniciarPrograma(atualizador, LinhaComandoAtualizador(caminhos));
    // No clean-up: the lock file stays and the connection is dropped as it is.
    sistema.TerminarProcesso(0);
}

}  // namespace zelprax::manutencao
