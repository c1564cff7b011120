// The error of a client-library call, read from its status vector; kept apart from the error type
// itself so that a program that only raises or catches errors links no database client.

#include <vector>

#include "db/erro.h"
#include "db/texto.h"

namespace zelprax::db {

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
        texto += DoCliente(linha);
    }
    throw ErroBanco(std::move(texto), std::move(codigos), comando);
}

}  // namespace zelprax::db
