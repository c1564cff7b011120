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
    linhaUnica_ = false;
    linhaEsperando_.reset();
    lidas_.Limpar();
    atual_ = 0;
    temDecodificada_ = false;
    comando_.reset();
    textoPreparado_.clear();
    forma_.reset();
}

void Consulta::Fechar() {
    if (cursorAberto_ && !linhaUnica_ && comando_) comando_->FecharCursor();
    cursorAberto_ = false;
    aberta_ = false;
    linhaUnica_ = false;
    linhaEsperando_.reset();
    lidas_.Limpar();
    atual_ = 0;
    temDecodificada_ = false;
}

void Consulta::Preparar() {
    const std::string texto = SQL();
    if (comando_ && texto == textoPreparado_) return;
    if (banco_ == nullptr) throw ErroBanco("Consulta " + nome_ + " sem banco de dados", {}, texto);
    Transacao& transacao = TransacaoAtual();
    if (!comando_) comando_ = std::make_unique<detalhe::Comando>(*banco_);
    textoPreparado_.clear();
    comando_->Preparar(transacao, texto);
    textoPreparado_ = texto;
}

void Consulta::Abrir() {
    Fechar();
    textoAberto_ = SQL();
    formaAberta_ = detalhe::FormaDaSelecao(textoAberto_);
    // A text prepared already runs in one exchange as it is; a new one of a shape that nearly
    // always gives at most one row runs without its preparation.
    const bool preparado = comando_ && textoAberto_ == textoPreparado_;
    if (!preparado && banco_ != nullptr && !formaAberta_.empty()) {
        if (auto colunas = banco_->FormaDeLinhaUnica(formaAberta_)) {
            std::vector<Valor> linha;
            const auto resultado =
                detalhe::ExecutarLinhaUnica(*banco_, TransacaoAtual(), textoAberto_, *colunas, linha);
            banco_->AprenderForma(formaAberta_, resultado == detalhe::LinhaUnica::Varias ? 2 : 1, colunas);
            if (resultado != detalhe::LinhaUnica::Varias) {
                if (resultado == detalhe::LinhaUnica::Linha) linhaEsperando_ = std::move(linha);
                forma_ = std::move(colunas);
                aberta_ = true;
                cursorAberto_ = true;
                linhaUnica_ = true;
                LerLinha();
                Posicionar();
                return;
            }
            // Read the usual way below; what that reading finds is not counted again.
            formaAberta_.clear();
        }
    }
    Preparar();
    comando_->Executar(TransacaoAtual());
    forma_ = comando_->Forma();
    aberta_ = true;
    cursorAberto_ = comando_->Selecao();
    if (cursorAberto_) LerLinha();
    Posicionar();
}

void Consulta::Executar() {
    Fechar();
    const std::string texto = SQL();
    if (detalhe::ComandoDeTransacao(texto)) {
        detalhe::ExecutarImediato(TransacaoAtual(), texto);
        return;
    }
    if (detalhe::ComandoSemResultado(texto)) {
        if (banco_ == nullptr) throw ErroBanco("Consulta " + nome_ + " sem banco de dados", {}, texto);
        forma_.reset();
        detalhe::ExecutarSemPreparar(*banco_, TransacaoAtual(), texto);
        return;
    }
    Preparar();
    comando_->Executar(TransacaoAtual());
    forma_ = comando_->Forma();
    if (comando_->Selecao()) comando_->FecharCursor();
}

bool Consulta::LerLinha() {
    ContarBusca(textoAberto_);
    std::vector<Valor> linha;
    bool lida = false;
    if (linhaUnica_) {
        lida = linhaEsperando_.has_value();
        if (lida) linha = std::move(*linhaEsperando_);
        linhaEsperando_.reset();
    } else {
        lida = comando_->Buscar(linha);
    }
    if (!lida) {
        if (!linhaUnica_) {
            comando_->FecharCursor();
            if (banco_ != nullptr) banco_->AprenderForma(formaAberta_, lidas_.Contagem(), forma_);
        }
        cursorAberto_ = false;
        return false;
    }
    lidas_.Acrescentar(linha);
    if (lidas_.Contagem() == atual_ + 1) {  // the row the caller stands on: no need to decode it again
        linhaAtual_ = std::move(linha);
        decodificada_ = atual_;
        temDecodificada_ = true;
    }
    return true;
}

void Consulta::Posicionar() {
    if (atual_ >= lidas_.Contagem() || (temDecodificada_ && decodificada_ == atual_)) return;
    lidas_.Ler(atual_, linhaAtual_);
    decodificada_ = atual_;
    temDecodificada_ = true;
}

void Consulta::BuscarTodos() {
    while (cursorAberto_ && LerLinha()) {
    }
    atual_ = 0;
    Posicionar();
}

bool Consulta::Fim() const { return atual_ >= lidas_.Contagem(); }

void Consulta::Proximo() {
    if (Fim()) return;
    ++atual_;
    if (atual_ == lidas_.Contagem() && cursorAberto_) LerLinha();
    Posicionar();
}

void Consulta::Primeiro() {
    atual_ = 0;
    Posicionar();
}

db::Campo Consulta::Campo(std::string_view nome) const {
    if (forma_) {
        if (const auto it = forma_->indices.find(Maiusculas(nome)); it != forma_->indices.end()) {
            if (!aberta_ || Fim()) return db::Campo(nullptr);
            if (it->second >= linhaAtual_.size())
                throw ErroBanco(nome_ + ": a linha lida tem " + std::to_string(linhaAtual_.size()) +
                                    " colunas, sem a coluna " + std::string(nome),
                                {}, SQL());
            return db::Campo(&linhaAtual_[it->second]);
        }
    }
    throw ErroBanco(nome_ + ": Field '" + std::string(nome) + "' not found", {}, SQL());
}

int Consulta::NumeroColunas() const { return forma_ ? static_cast<int>(forma_->colunas.size()) : 0; }

db::Campo Consulta::CampoNaPosicao(int indice) const {
    if (!aberta_ || Fim() || indice < 0 || static_cast<std::size_t>(indice) >= linhaAtual_.size())
        return db::Campo(nullptr);
    return db::Campo(&linhaAtual_[static_cast<std::size_t>(indice)]);
}

// ---------------------------------------------------------------------------------------------

std::string TraduzirParametros(const std::string& texto, std::vector<std::string>& nomes) {
    std::string saida;
    saida.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size();) {
        const char c = texto[i];
        if (const std::size_t fim = detalhe::FimDoTrechoLiteral(texto, i); fim != i) {
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
