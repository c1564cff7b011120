#include "db/linhas.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "db/erro.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zelprax::db {

namespace {

// One byte names the kind of each value; numbers follow as variable-length integers (seven bits
// a byte, zigzag for signs), texts as their length and bytes.
enum Marca : char { kNulo, kDecimal, kDouble, kTexto, kData, kInstante };

constexpr std::size_t kJanela = 64 * 1024;

void EscreverVarint(std::string& saida, std::uint64_t v) {
    while (v >= 0x80) {
        saida += static_cast<char>((v & 0x7f) | 0x80);
        v >>= 7;
    }
    saida += static_cast<char>(v);
}

std::uint64_t Zigzag(std::int64_t v) { return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63); }
std::int64_t DeZigzag(std::uint64_t v) { return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1); }

void EscreverDataHora(std::string& saida, const DataHora& d) {
    for (int parte : {d.ano, d.mes, d.dia, d.hora, d.minuto, d.segundo}) EscreverVarint(saida, Zigzag(parte));
}

std::FILE* ArquivoTemporario() {
#ifdef _WIN32
    // The C runtime's tmpfile() writes to the root of the drive, where a user may not write:
    // a name in the user's temporary folder, removed when closed ('D'), kept in cache ('T').
    std::unique_ptr<char, decltype(&std::free)> nome(_tempnam(nullptr, "zelprax"), &std::free);
    return nome ? std::fopen(nome.get(), "w+bTD") : nullptr;
#else
    // In TMPDIR when it is set (tmpfile() always uses /tmp, which may be in memory), unnamed at
    // once so that nothing is left behind.
    const char* pasta = std::getenv("TMPDIR");
    std::string modelo = std::string(pasta != nullptr && *pasta != '\0' ? pasta : "/tmp") + "/zelprax-linhas-XXXXXX";
    const int fd = mkostemp(modelo.data(), O_CLOEXEC);
    if (fd < 0) return nullptr;
    unlink(modelo.c_str());
    std::FILE* arquivo = fdopen(fd, "w+b");
    if (arquivo == nullptr) {
        const int erro = errno;
        close(fd);
        errno = erro;
    }
    return arquivo;
#endif
}

std::string PastaTemporaria() {
#ifdef _WIN32
    return "a pasta temporária do usuário";
#else
    const char* pasta = std::getenv("TMPDIR");
    return pasta != nullptr && *pasta != '\0' ? pasta : "/tmp";
#endif
}

int Posicionar(std::FILE* arquivo, std::uint64_t posicao, int origem) {
#ifdef _WIN32
    return _fseeki64(arquivo, static_cast<long long>(posicao), origem);
#else
    return fseeko(arquivo, static_cast<off_t>(posicao), origem);
#endif
}

[[noreturn]] void FalhaDoArquivo(const char* acao, const std::string& causa) {
    throw ErroBanco(std::string("Não foi possível ") + acao + " as linhas lidas no arquivo temporário: " + causa, {});
}

[[noreturn]] void FalhaDoArquivo(const char* acao) { FalhaDoArquivo(acao, std::strerror(errno)); }

// The encoded rows do not read back as they were written: the file was changed under the query.
[[noreturn]] void LinhasAlteradas(const std::string& causa) {
    FalhaDoArquivo("ler", "o arquivo foi alterado (" + causa + ")");
}

}  // namespace

LinhasLidas::LinhasLidas(std::size_t limiteEmMemoria) : limite_(limiteEmMemoria) {}

LinhasLidas::~LinhasLidas() = default;

void LinhasLidas::Limpar() {
    contagem_ = 0;
    colunas_ = 0;
    memoria_.clear();
    if (memoria_.capacity() > limite_) memoria_.shrink_to_fit();
    inicioMemoria_ = 0;
    arquivo_.reset();
    janela_.clear();
    janela_.shrink_to_fit();
    inicioJanela_ = 0;
    proxima_ = 0;
    posicaoProxima_ = 0;
}

void LinhasLidas::Acrescentar(const std::vector<Valor>& linha) {
    if (contagem_ == 0) colunas_ = linha.size();
    if (linha.size() != colunas_)
        throw ErroBanco("Linha com " + std::to_string(linha.size()) + " colunas num resultado de " +
                            std::to_string(colunas_),
                        {});
    EscreverVarint(memoria_, linha.size());
    for (const Valor& valor : linha) {
        if (std::holds_alternative<Nulo>(valor)) {
            memoria_ += kNulo;
        } else if (auto d = std::get_if<Decimal>(&valor)) {
            memoria_ += kDecimal;
            EscreverVarint(memoria_, Zigzag(d->numero));
            EscreverVarint(memoria_, Zigzag(d->escala));
        } else if (auto f = std::get_if<double>(&valor)) {
            memoria_ += kDouble;
            char bytes[sizeof(double)];
            std::memcpy(bytes, f, sizeof bytes);
            memoria_.append(bytes, sizeof bytes);
        } else if (auto s = std::get_if<std::string>(&valor)) {
            memoria_ += kTexto;
            EscreverVarint(memoria_, s->size());
            memoria_ += *s;
        } else if (auto data = std::get_if<Data>(&valor)) {
            memoria_ += kData;
            EscreverDataHora(memoria_, data->valor);
        } else if (auto instante = std::get_if<Instante>(&valor)) {
            memoria_ += kInstante;
            EscreverDataHora(memoria_, instante->valor);
        }
    }
    ++contagem_;
    if (memoria_.size() > limite_) Descarregar();
}

void LinhasLidas::AbrirArquivo() {
    arquivo_.reset(ArquivoTemporario());
    if (!arquivo_) FalhaDoArquivo("criar", std::string(std::strerror(errno)) + "\nPasta: " + PastaTemporaria());
}

void LinhasLidas::ConferirTamanho() {
    if (std::fflush(arquivo_.get()) != 0 || Posicionar(arquivo_.get(), 0, SEEK_END) != 0) FalhaDoArquivo("guardar");
#ifdef _WIN32
    const long long tamanho = _ftelli64(arquivo_.get());
#else
    const long long tamanho = ftello(arquivo_.get());
#endif
    if (tamanho < 0) FalhaDoArquivo("guardar");
    if (static_cast<std::uint64_t>(tamanho) != inicioMemoria_)
        LinhasAlteradas("tem " + std::to_string(tamanho) + " bytes, esperados " + std::to_string(inicioMemoria_));
}

void LinhasLidas::Descarregar() {
    if (!arquivo_) AbrirArquivo();
    ConferirTamanho();
    if (!memoria_.empty() && std::fwrite(memoria_.data(), 1, memoria_.size(), arquivo_.get()) != memoria_.size())
        FalhaDoArquivo("guardar");
    // Out of the stream's buffer at once, so that the file's length is the length written.
    if (std::fflush(arquivo_.get()) != 0) FalhaDoArquivo("guardar");
    inicioMemoria_ += memoria_.size();
    memoria_.clear();
}

const char* LinhasLidas::Bytes(std::uint64_t inicio, std::size_t n) {
    if (inicio > inicioMemoria_ + memoria_.size() || n > inicioMemoria_ + memoria_.size() - inicio)
        LinhasAlteradas("uma linha passa do fim das linhas guardadas");
    if (inicio >= inicioMemoria_) return memoria_.data() + (inicio - inicioMemoria_);
    // Bytes that cross from the file into memory come whole from the file.
    if (inicio + n > inicioMemoria_) Descarregar();
    if (inicio >= inicioJanela_ && inicio + n <= inicioJanela_ + janela_.size())
        return janela_.data() + (inicio - inicioJanela_);
    const std::size_t tamanho = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::max(kJanela, n), inicioMemoria_ - inicio));
    janela_.resize(tamanho);
    ConferirTamanho();
    if (Posicionar(arquivo_.get(), inicio, SEEK_SET) != 0) FalhaDoArquivo("ler");
    if (std::fread(janela_.data(), 1, tamanho, arquivo_.get()) != tamanho) {
        if (std::ferror(arquivo_.get())) FalhaDoArquivo("ler");
        LinhasAlteradas("terminou antes do esperado");
    }
    inicioJanela_ = inicio;
    return janela_.data();
}

std::uint64_t LinhasLidas::LerVarint(std::uint64_t& posicao) {
    std::uint64_t v = 0;
    for (int deslocamento = 0;; deslocamento += 7) {
        if (deslocamento > 63) LinhasAlteradas("número mal formado");
        const auto byte = static_cast<unsigned char>(*Bytes(posicao++, 1));
        v |= static_cast<std::uint64_t>(byte & 0x7f) << deslocamento;
        if ((byte & 0x80) == 0) return v;
    }
}

void LinhasLidas::Ler(std::size_t indice, std::vector<Valor>& linha) {
    if (indice < proxima_) {
        proxima_ = 0;
        posicaoProxima_ = 0;
    }
    for (;;) {
        std::uint64_t p = posicaoProxima_;
        const auto colunas = static_cast<std::size_t>(LerVarint(p));
        if (colunas != colunas_)
            LinhasAlteradas("linha " + std::to_string(proxima_ + 1) + " com " + std::to_string(colunas) +
                            " colunas, esperadas " + std::to_string(colunas_));
        const bool desejada = proxima_ == indice;
        if (desejada) linha.resize(colunas);
        for (std::size_t c = 0; c < colunas; ++c) {
            const char marca = *Bytes(p++, 1);
            Valor valor;
            switch (marca) {
                case kDecimal: {
                    const std::int64_t numero = DeZigzag(LerVarint(p));
                    valor = Decimal{numero, static_cast<int>(DeZigzag(LerVarint(p)))};
                    break;
                }
                case kDouble: {
                    double f;
                    std::memcpy(&f, Bytes(p, sizeof f), sizeof f);
                    p += sizeof f;
                    valor = f;
                    break;
                }
                case kTexto: {
                    const auto n = static_cast<std::size_t>(LerVarint(p));
                    if (desejada) valor = std::string(Bytes(p, n), n);
                    p += n;
                    break;
                }
                case kData:
                case kInstante: {
                    int partes[6];
                    for (int& parte : partes) parte = static_cast<int>(DeZigzag(LerVarint(p)));
                    const DataHora d{partes[0], partes[1], partes[2], partes[3], partes[4], partes[5]};
                    if (marca == kData)
                        valor = Data{d};
                    else
                        valor = Instante{d};
                    break;
                }
                case kNulo: break;
                default: LinhasAlteradas("valor de tipo desconhecido na linha " + std::to_string(proxima_ + 1));
            }
            if (desejada) linha[c] = std::move(valor);
        }
        posicaoProxima_ = p;
        ++proxima_;
        if (desejada) return;
    }
}

}  // namespace zelprax::db
