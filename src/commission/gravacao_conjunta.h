#pragma once
// Writes that must reach the database together or not at all: a settlement and the flag that says
// it was written. They run in one transaction and are committed once; when the scope is left
// before Concluir() (an error between the writes), what is pending is rolled back here, because
// releasing the connection commits pending work and would keep the settlement without its flag,
// so that the next run wrote it a second time. The error itself goes on to the caller.

#include "db/banco.h"

namespace zelprax::comissao {

class GravacaoConjunta {
public:
    explicit GravacaoConjunta(db::Transacao& transacao) : transacao_(transacao) {}
    ~GravacaoConjunta() {
        if (!concluida_) transacao_.Abandonar();
    }
    GravacaoConjunta(const GravacaoConjunta&) = delete;
    GravacaoConjunta& operator=(const GravacaoConjunta&) = delete;

    // Called once the commit that covers every write has run.
    void Concluir() { concluida_ = true; }

private:
    db::Transacao& transacao_;
    bool concluida_ = false;
};

}  // namespace zelprax::comissao
