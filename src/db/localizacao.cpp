#include "db/localizacao.h"

#include <filesystem>

#include "db/ini.h"
#include "db/texto.h"
#include "platform/platform.h"

namespace zelprax::db {

namespace {

bool ArquivoExiste(const std::string& caminho) {
    std::error_code erro;
    return !caminho.empty() && std::filesystem::is_regular_file(caminho, erro);
}

bool PastaExiste(const std::string& caminho) {
    std::error_code erro;
    return !caminho.empty() && std::filesystem::is_directory(caminho, erro);
}

// The folder of the program file without its trailing separator, and the local ini in it.
std::string PastaSemSeparador(const std::string& caminhoExecutavel, char sep) {
    std::string pasta = PastaComSeparador(caminhoExecutavel, sep);
    if (!pasta.empty()) pasta.pop_back();
    return pasta;
}

std::string IniLocal(const std::string& caminhoExecutavel) {
    const char sep = plataforma::Separador();
    const std::string pasta = PastaSemSeparador(caminhoExecutavel, sep);
    const std::string base =
        ArquivoExiste(pasta + sep + NomePrograma("zelpraxempresa4")) ? "zelpraxempresa4" : "zelpraxempresa";
    return pasta + sep + base + ".ini";
}

std::string LerIni(const std::string& arquivo, const std::string& secao, const std::string& chave) {
    if (!ArquivoExiste(arquivo)) return {};
    return LerValorIni(arquivo, secao, chave);
}

// The line that says which file was looked for: the local ini itself when it is missing, the
// key it lacks, or the server ini it names.
std::string OndeProcurado(const std::string& iniLocal, const std::string& iniServidor) {
    if (!ArquivoExiste(iniLocal)) return "Arquivo procurado: " + iniLocal;
    if (Aparar(iniServidor).empty())
        return "O arquivo " + iniLocal + " não indica o arquivo do servidor (seção [IniServidor], chave NomeArquivo)";
    return "Arquivo procurado: " + iniServidor + " (indicado em " + iniLocal + ")";
}

}  // namespace

std::string NomePrograma(const std::string& base) {
#ifdef _WIN32
    return base + ".exe";
#else
    return base;
#endif
}

std::string PastaComSeparador(const std::string& caminho, char separador) {
    const auto pos = caminho.rfind(separador);
    return pos == std::string::npos ? std::string{} : caminho.substr(0, pos + 1);
}

std::string NomeArquivo(const std::string& caminho, char separador) {
    const auto pos = caminho.rfind(separador);
    return pos == std::string::npos ? caminho : caminho.substr(pos + 1);
}

std::string PastaAtualizacaoDe(const std::string& iniServidor, char separador) {
    std::size_t penultimo = std::string::npos, ultimo = std::string::npos;
    for (std::size_t i = 0; i + 1 < iniServidor.size(); ++i) {
        if (iniServidor[i] != separador) continue;
        penultimo = ultimo;
        ultimo = i;
    }
    if (penultimo == std::string::npos) return {};
    return iniServidor.substr(0, penultimo + 1) + "Update";
}

std::string SemEspacos(const std::string& texto) {
    std::string s;
    for (char c : texto) {
        if (c == ' ')
            s += "\u00A7";
        else
            s += c;
    }
    return s;
}

CaminhosAtualizacao& CaminhosAtualizacaoAtuais() {
    static CaminhosAtualizacao caminhos;
    return caminhos;
}

CaminhosAtualizacao PrepararCaminhosAtualizacao(const std::string& caminhoExecutavel,
                                                const std::string& iniServidor, char separador) {
    CaminhosAtualizacao c;
    c.NomeExecutavel = NomeArquivo(caminhoExecutavel, separador);
    c.PastaAtualizacao = PastaAtualizacaoDe(iniServidor, separador);
    c.PastaAtualizacaoSemEspacos = SemEspacos(c.PastaAtualizacao);
    c.PastaExecutavelSemEspacos = SemEspacos(PastaSemSeparador(caminhoExecutavel, separador));
    return c;
}

std::string LocalizarPastaDados(const std::string& caminhoExecutavel, Interacao& interacao) {
    const char sep = plataforma::Separador();
    const std::string ini = IniLocal(caminhoExecutavel);
    if (ArquivoExiste(ini)) {
        const std::string iniServidor = LerIni(ini, "IniServidor", "nomearquivo");
        if (!ArquivoExiste(iniServidor)) {
            interacao.MostrarMensagem("Não foi encontrado o arquivo de inicialização dentro da pasta zelprax Empresa\n" +
                                          OndeProcurado(ini, iniServidor),
                                      kAvisoDoSistema, Icone::Erro);
            interacao.SolicitarEncerramento();
        }
        return PastaComSeparador(iniServidor, sep);
    }
    const std::string pasta = PastaSemSeparador(caminhoExecutavel, sep);
    const std::string dados = PastaComSeparador(pasta, sep) + "Dados" + sep;
    if (!PastaExiste(dados)) {
        interacao.MostrarMensagem("Não foi encontrado a pasta Dados no servidor\nPasta procurada: " + dados,
                                  kAvisoDoSistema, Icone::Erro);
        interacao.SolicitarEncerramento();
    }
    return dados;
}

std::string LerCaminhoBanco(const std::string& caminhoExecutavel, Interacao& interacao, std::string& iniServidor) {
    const std::string local = IniLocal(caminhoExecutavel);
    iniServidor = LerIni(local, "IniServidor", "nomearquivo");
    if (!ArquivoExiste(iniServidor)) {
        interacao.MostrarMensagem("Não foi encontrado o arquivo de inicialização\n" + OndeProcurado(local, iniServidor),
                                  kAvisoDoSistema, Icone::Erro);
        interacao.SolicitarEncerramento();
    }
    const std::string servidor = LerIni(iniServidor, "Database", "Servidor");
    const std::string pasta = LerIni(iniServidor, "Database", "path");
    const std::string nome = LerIni(iniServidor, "Database", "name");
    if (!Aparar(servidor).empty()) return servidor + ":" + pasta + nome;
    return pasta + nome;
}

}  // namespace zelprax::db
