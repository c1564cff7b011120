#include "db/erro.h"

#include <algorithm>

#include "db/texto.h"

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

void Verificar(const ISC_STATUS* status, const std::string& comando) {
    if (status[0] != 1 || status[1] == 0) return;

    std::vector<std::int64_t> codigos;
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS tipo = *p++;
        if (tipo == isc_arg_gds) codigos.push_back(*p);
        ++p;
        if (tipo == isc_arg_cstring) ++p;  // length and pointer
    }

    std::string texto;
    const ISC_STATUS* vetor = status;
    char linha[1024];
    while (fb_interpret(linha, sizeof linha, &vetor) > 0) {
        if (!texto.empty()) texto += '\n';
        texto += DeWin1252(linha);
    }
    throw ErroBanco(std::move(texto), std::move(codigos), comando);
}

}  // namespace zelprax::db
