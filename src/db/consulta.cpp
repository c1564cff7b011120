#include "db/consulta.h"

#include <sstream>

#include "db/comando.h"
#include "db/erro.h"
#include "db/texto.h"

namespace zelprax::db {

ComandoAnexado::ComandoAnexado(std::string nome) : nome_(std::move(nome)) {}

ComandoAnexado::~ComandoAnexado() {
    if (banco_ != nullptr) banco_->Desregistrar(this);
}

void ComandoAnexado::Anexar(BancoDados* banco) {
    if (banco_ == banco) return;
    LiberarComando();
    if (banco_ != nullptr) banco_->Desregistrar(this);
    banco_ = banco;
    transacao_ = nullptr;
    if (banco_ != nullptr) banco_->Registrar(this);
}

Transacao& ComandoAnexado::TransacaoAtual() const {
    if (transacao_ != nullptr) return *transacao_;
    if (banco_ == nullptr) throw ErroBanco(nome_ + " sem banco de dados", {});
    return banco_->TransacaoPadrao();
}

// ---------------------------------------------------------------------------------------------

Consulta::Consulta(std::string nome) : ComandoAnexado(std::move(nome)) {}

Consulta::~Consulta() { LiberarComando(); }

void Consulta::DefinirSQL(std::string texto) {
    Fechar();
    linhas_.clear();
    linhas_.push_back(std::move(texto));
}

void Consulta::AdicionarLinha(std::string linha) { linhas_.push_back(std::move(linha)); }

std::string Consulta::SQL() const {
    std::string texto;
    for (std::size_t i = 0; i < linhas_.size(); ++i) {
        if (i > 0) texto += '\n';
        texto += linhas_[i];
    }
    return texto;
}

void Consulta::LiberarComando() noexcept {
    aberta_ = false;
    cursorAberto_ = false;
    linhas_lidas_.clear();
    atual_ = 0;
    comando_.reset();
    textoPreparado_.clear();
    colunas_.clear();
}

void Consulta::Fechar() {
    if (cursorAberto_ && comando_) comando_->FecharCursor();
    cursorAberto_ = false;
    aberta_ = false;
    linhas_lidas_.clear();
    atual_ = 0;
}

void Consulta::Preparar() {
    const std::string texto = SQL();
    if (comando_ && texto == textoPreparado_) return;
    if (banco_ == nullptr) throw ErroBanco("Consulta " + nome_ + " sem banco de dados", {}, texto);
    Transacao& transacao = TransacaoAtual();
    if (!comando_) comando_ = std::make_unique<detalhe::Comando>(*banco_);
    textoPreparado_.clear();
    colunas_.clear();
    comando_->Preparar(transacao, texto);
    textoPreparado_ = texto;
    for (int i = 0; i < comando_->Colunas(); ++i)
        colunas_.emplace(Maiusculas(comando_->NomeColuna(i)), static_cast<std::size_t>(i));
}

void Consulta::Abrir() {
    Fechar();
    Preparar();
    comando_->Executar(TransacaoAtual());
    aberta_ = true;
    cursorAberto_ = comando_->Selecao();
    if (cursorAberto_) LerLinha();
}

void Consulta::Executar() {
    Fechar();
    const std::string texto = SQL();
    if (detalhe::ComandoDeTransacao(texto)) {
        detalhe::ExecutarImediato(TransacaoAtual(), texto);
        return;
    }
    Preparar();
    comando_->Executar(TransacaoAtual());
    if (comando_->Selecao()) comando_->FecharCursor();
}

bool Consulta::LerLinha() {
    ContarBusca(textoPreparado_);
    std::vector<Valor> linha;
    if (!comando_->Buscar(linha)) {
        comando_->FecharCursor();
        cursorAberto_ = false;
        return false;
    }
    linhas_lidas_.push_back(std::move(linha));
    return true;
}

void Consulta::BuscarTodos() {
    while (cursorAberto_ && LerLinha()) {
    }
    atual_ = 0;
}

bool Consulta::Fim() const { return atual_ >= linhas_lidas_.size(); }

void Consulta::Proximo() {
    if (Fim()) return;
    ++atual_;
    if (atual_ == linhas_lidas_.size() && cursorAberto_) LerLinha();
}

void Consulta::Primeiro() { atual_ = 0; }

db::Campo Consulta::Campo(std::string_view nome) const {
    const auto it = colunas_.find(Maiusculas(nome));
    if (it == colunas_.end())
        throw ErroBanco(nome_ + ": Field '" + std::string(nome) + "' not found", {}, SQL());
    if (!aberta_ || Fim()) return db::Campo(nullptr);
    return db::Campo(&linhas_lidas_[atual_][it->second]);
}

int Consulta::NumeroColunas() const { return comando_ ? comando_->Colunas() : 0; }

db::Campo Consulta::CampoNaPosicao(int indice) const {
    if (!aberta_ || Fim() || indice < 0 || static_cast<std::size_t>(indice) >= linhas_lidas_[atual_].size())
        return db::Campo(nullptr);
    return db::Campo(&linhas_lidas_[atual_][static_cast<std::size_t>(indice)]);
}

// ---------------------------------------------------------------------------------------------

std::string TraduzirParametros(const std::string& texto, std::vector<std::string>& nomes) {
    std::string saida;
    saida.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size();) {
        const char c = texto[i];
        if (c == '\'' || c == '"') {  // literal or quoted name: copied up to its closing quote
            std::size_t fim = i + 1;
            while (fim < texto.size()) {
                if (texto[fim] == c) {
                    if (fim + 1 < texto.size() && texto[fim + 1] == c) {
                        fim += 2;
                        continue;
                    }
                    break;
                }
                ++fim;
            }
            fim = std::min(fim + 1, texto.size());
            saida.append(texto, i, fim - i);
            i = fim;
        } else if (c == '-' && i + 1 < texto.size() && texto[i + 1] == '-') {
            const std::size_t fim = std::min(texto.find('\n', i), texto.size());
            saida.append(texto, i, fim - i);
            i = fim;
        } else if (c == '/' && i + 1 < texto.size() && texto[i + 1] == '*') {
            std::size_t fim = texto.find("*/", i + 2);
            fim = fim == std::string::npos ? texto.size() : fim + 2;
            saida.append(texto, i, fim - i);
            i = fim;
        } else if (c == ':' && i + 1 < texto.size() &&
                   (std::isalpha(static_cast<unsigned char>(texto[i + 1])) || texto[i + 1] == '_')) {
            std::size_t fim = i + 1;
            while (fim < texto.size() &&
                   (std::isalnum(static_cast<unsigned char>(texto[fim])) || texto[fim] == '_' || texto[fim] == '$'))
                ++fim;
            nomes.push_back(Maiusculas(texto.substr(i + 1, fim - i - 1)));
            saida += '?';
            i = fim;
        } else {
            saida += c;
            ++i;
        }
    }
    return saida;
}

InsercaoPreparada::InsercaoPreparada(std::string nome, std::string textoComNomes) : ComandoAnexado(std::move(nome)) {
    textoServidor_ = TraduzirParametros(textoComNomes, nomes_);
    // "insert into TABLE (...)": the word after "into".
    std::istringstream palavras(textoComNomes);
    std::string palavra, anterior;
    while (palavras >> palavra) {
        if (Maiusculas(anterior) == "INTO") {
            tabela_ = Maiusculas(palavra.substr(0, palavra.find('(')));
            break;
        }
        anterior = palavra;
    }
}

InsercaoPreparada::~InsercaoPreparada() { LiberarComando(); }

void InsercaoPreparada::LiberarComando() noexcept {
    comando_.reset();
    aberta_ = false;
    linha_.clear();
}

void InsercaoPreparada::Acrescentar() {
    aberta_ = true;
    linha_.clear();
}

void InsercaoPreparada::Definir(std::string_view campo, Valor valor) {
    const std::string nome = Maiusculas(campo);
    bool conhecido = false;
    for (const auto& n : nomes_) conhecido = conhecido || n == nome;
    if (!conhecido) throw ErroBanco(nome_ + ": Field '" + std::string(campo) + "' not found", {});
    linha_[nome] = std::move(valor);
}

void InsercaoPreparada::Gravar() {
    if (banco_ == nullptr) throw ErroBanco(nome_ + " sem banco de dados", {}, textoServidor_);
    Transacao& transacao = TransacaoAtual();
    if (!comando_) {
        auto comando = std::make_unique<detalhe::Comando>(*banco_);
        comando->Preparar(transacao, textoServidor_);
        comando_ = std::move(comando);
    }
    std::vector<std::string> cortadas;
    for (std::size_t i = 0; i < nomes_.size(); ++i) {
        const auto it = linha_.find(nomes_[i]);
        if (comando_->DefinirParametro(static_cast<int>(i), it == linha_.end() ? Valor{Nulo{}} : it->second))
            cortadas.push_back(nomes_[i]);
    }
    cortadas_.clear();
    comando_->Executar(transacao);
    cortadas_ = std::move(cortadas);
    linha_.clear();
}

}  // namespace zelprax::db
