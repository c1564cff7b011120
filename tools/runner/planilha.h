#pragma once
// The spreadsheet file of --csv. A regular file, or one not there yet, is written to a temporary
// file beside it and renamed into place at the end, so that an existing spreadsheet is replaced
// only by new figures, never emptied by a run that was refused or stopped. A device or a FIFO is
// written in place and never replaced; a symbolic link is refused, not followed.

#include <string>

namespace zelprax::executor {

class ArquivoPlanilha {
public:
    explicit ArquivoPlanilha(std::string caminho) : caminho_(std::move(caminho)) {}
    ~ArquivoPlanilha();  // a temporary file not put in place is removed
    ArquivoPlanilha(const ArquivoPlanilha&) = delete;
    ArquivoPlanilha& operator=(const ArquivoPlanilha&) = delete;

    // Before the run: makes sure the file can be written (creates the temporary file beside it,
    // or opens the device). Empty on success, else why not.
    std::string Preparar();
    // After the run: writes the text and puts the file in place. Empty on success, else why not.
    std::string Gravar(const std::string& texto);

    const std::string& Caminho() const { return caminho_; }
    // The temporary file being written, empty when none (written in place, or already renamed).
    const std::string& Temporario() const { return temporario_; }

private:
    void Fechar() noexcept;

    std::string caminho_;
    std::string temporario_;  // empty when written in place
    int descritor_ = -1;
};

}  // namespace zelprax::executor
