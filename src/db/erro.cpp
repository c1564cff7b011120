#include "db/erro.h"

#include <algorithm>

namespace zelprax::db {

namespace {

std::string Compor(const std::string& texto, const std::string& comando) {
    return comando.empty() ? texto : texto + "\nComando: " + comando;
}

}  // namespace

ErroBanco::ErroBanco(std::string texto, std::vector<std::int64_t> codigos, std::string comando)
    : std::runtime_error(Compor(texto, comando)),
      texto_(std::move(texto)),
      codigos_(std::move(codigos)),
      comando_(std::move(comando)) {}

bool ErroBanco::TemCodigo(std::int64_t codigo) const {
    return std::find(codigos_.begin(), codigos_.end(), codigo) != codigos_.end();
}

}  // namespace zelprax::db
