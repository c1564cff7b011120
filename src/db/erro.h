#pragma once
// The one error type of the database layer: the server's full text, its engine codes and the
// statement that failed.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <ibase.h>

namespace zelprax::db {

class ErroBanco : public std::runtime_error {
public:
    ErroBanco(std::string texto, std::vector<std::int64_t> codigos, std::string comando = {});

    // Every line the server gave, joined with line breaks.
    const std::string& Texto() const { return texto_; }
    // The first engine code (335544336 for a lock conflict, ...); 0 when the error is ours.
    std::int64_t Codigo() const { return codigos_.empty() ? 0 : codigos_.front(); }
    const std::vector<std::int64_t>& Codigos() const { return codigos_; }
    bool TemCodigo(std::int64_t codigo) const;
    const std::string& Comando() const { return comando_; }

private:
    std::string texto_;
    std::vector<std::int64_t> codigos_;
    std::string comando_;
};

// Engine codes the program tells apart.
inline constexpr std::int64_t kConflitoDeAtualizacao = 335544336;  // deadlock / update conflicts
inline constexpr std::int64_t kViolacaoDeChave = 335544665;        // unique key violation
inline constexpr std::int64_t kConexaoPerdidaLeitura = 335544726;  // error reading data
inline constexpr std::int64_t kConexaoPerdidaEscrita = 335544727;  // error writing data
inline constexpr std::int64_t kRedeIndisponivel = 335544721;       // unable to complete network request

// Raises ErroBanco when the status vector carries an error. `origem` names the call and, where
// there is one, the statement.
void Verificar(const ISC_STATUS* status, const std::string& comando = {});

}  // namespace zelprax::db
