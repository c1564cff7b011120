#pragma once
// The rows of a result read so far, kept compactly: each row encoded after the one before, in
// memory up to a budget and past it in an unnamed temporary file, so that a selection of every
// invoice ever marked (a first run over years of data) holds its count and its rows in bounded
// memory. Rows are read back in order, and from the first one again. Every row has the column
// count of the first; a file changed under the query (shortened, overwritten) raises an error
// instead of giving other rows. The file goes to TMPDIR where it is set.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "db/valor.h"

namespace zelprax::db {

class LinhasLidas {
public:
    // What the rows may take in memory before they move to a file.
    static constexpr std::size_t kLimitePadrao = std::size_t{1} << 20;

    explicit LinhasLidas(std::size_t limiteEmMemoria = kLimitePadrao);
    ~LinhasLidas();
    LinhasLidas(const LinhasLidas&) = delete;
    LinhasLidas& operator=(const LinhasLidas&) = delete;

    void Acrescentar(const std::vector<Valor>& linha);
    std::size_t Contagem() const { return contagem_; }
    // Decodes row `indice` (below Contagem()) into `linha`. The next row costs one decoding; an
    // earlier one starts again from the first.
    void Ler(std::size_t indice, std::vector<Valor>& linha);
    void Limpar();

    // Whether the rows have moved to a file (for tests and the benchmark's figures).
    bool EmArquivo() const { return arquivo_ != nullptr; }

private:
    struct FecharArquivo {
        void operator()(std::FILE* f) const noexcept { std::fclose(f); }
    };

    // The encoded bytes [inicio, inicio + n), from memory or from the file.
    const char* Bytes(std::uint64_t inicio, std::size_t n);
    void Descarregar();
    // Raises the error when the file's length is not the length written.
    void ConferirTamanho();
    std::uint64_t LerVarint(std::uint64_t& posicao);
    void AbrirArquivo();

    std::size_t limite_;
    std::size_t contagem_ = 0;
    std::size_t colunas_ = 0;
    // Bytes not yet in the file (all of them while there is no file), from byte `inicioMemoria_`.
    std::string memoria_;
    std::uint64_t inicioMemoria_ = 0;
    std::unique_ptr<std::FILE, FecharArquivo> arquivo_;
    // A window on the file for reading: bytes [inicioJanela_, inicioJanela_ + janela_.size()).
    std::vector<char> janela_;
    std::uint64_t inicioJanela_ = 0;
    // Where the next row in order starts.
    std::size_t proxima_ = 0;
    std::uint64_t posicaoProxima_ = 0;
};

}  // namespace zelprax::db
