// Phase 7: every settlement awaiting calculation (ST_CALC_COMISSAO 'S') gets its commission entry
// (TP_REGISTRO 3), replacing the entries it had, unless one of those was already paid.
//
// The queries are driven directly and keep the transaction they are bound to.

#include "commission/modelo.h"
#include "commission/motor.h"
#include "db/sql.h"

namespace zelprax::comissao {

namespace {

const char* const kSelecaoAcertos =
    " select id_acerto_comissao, id_empresa, id_vendedor, dt_pagamento, ds_acerto, vl_acerto, st_irrf, tp_acerto "
    "from mov_acerto_comissao where st_calc_comissao = 'S'";

// The entry of a settlement: the company stands in for the customer and the description for its
// name; a credit ('A') adds to the seller, anything else is a deduction.
EntradaComissao EntradaDoAcerto(const db::Consulta& acerto) {
    const db::DataHora pagamento = acerto.Campo("dt_pagamento").ComoDataHora();
    const Moeda valor = Moeda::DeDezMilesimos(acerto.Campo("vl_acerto").ComoDezMilesimos());
    const std::int32_t empresa = acerto.Campo("id_empresa").ComoInteiro();

    EntradaComissao e;
    e.tpRegistro = kEntradaAcerto;
    e.idAcertoComissao = acerto.Campo("id_acerto_comissao").ComoInteiro();
    e.idEmpresa = empresa;
    e.idVendedor = acerto.Campo("id_vendedor").ComoInteiro();
    e.dtEmissao = pagamento;
    e.idCliente = empresa;
    e.nmCliente = acerto.Campo("ds_acerto").ComoTexto();
    e.vlOperacao = valor;
    e.vlBaseComissao = valor;
    e.poComissao = Moeda{};
    e.vlComissao = acerto.Campo("tp_acerto").ComoTexto() == "A" ? valor : -valor;
    e.stIrrf = acerto.Campo("st_irrf").ComoTexto();
    e.dtCredito = pagamento;
    e.stRecebimento = "S";
    e.stEntrega = "S";
    e.stPagar = "S";
    e.stCancelada = "N";
    e.stBloqueio1 = "N";
    e.stEstorno1 = "N";
    return e;
}

}  // namespace

void Motor::GerarComissaoAcertos() {
    ResumoFase& resumoFase = resumo[7];
    resumoFase = {};
    sSituacao3 = "N";
    bMensagemAcerto = false;
    painel_.MostrarLegenda("Fase 7/9 - Gerando acertos de comissão");
    painel_.ProcessarEventos();

    // The unpaid entries of settlements the ERP deleted: nothing stands behind them any more.
    resumoFase.gravados += RemoverEntradasSemDocumento(
        kEntradaAcerto, "c.id_acerto_comissao is not null and not exists (select 1 from mov_acerto_comissao a where "
                        "a.id_acerto_comissao = c.id_acerto_comissao)");

    // The emission option bounds the settlement's payment date.
    const int total = AbrirSelecao(IBQ_AcertoComissao, kSelecaoAcertos, " and dt_pagamento >= ");
    resumoFase.selecionados = total;
    bMensagemAcerto = total > 0;

    for (; !IBQ_AcertoComissao.Fim(); IBQ_AcertoComissao.Proximo()) {
        painel_.ProcessarEventos();
        painel_.Avancar();
        const db::Consulta& acerto = IBQ_AcertoComissao;
        const std::string id = db::InteiroSQL(acerto.Campo("id_acerto_comissao").ComoInteiro());

        // A settlement with a paid entry is left alone and keeps its flag.
        const std::string marcar = " update mov_acerto_comissao set st_calc_comissao = 'N' where id_acerto_comissao = " + id;
        const bool reconstruido = ReconstruirEntradas(marcar, kEntradaAcerto, "id_acerto_comissao", id, [&] {
            if (!IBQ_MovComissao.Aberta()) {
                IBQ_MovComissao.Fechar();
                IBQ_MovComissao.Abrir();
            }
            GravarEntradaComissao(*this, EntradaDoAcerto(acerto), false);
            ++resumoFase.gravados;
            painel_.ProcessarEventos();
        });
        if (!reconstruido) {
            sSituacao3 = "S";
            ++resumoFase.ignorados;
        }
    }
}

}  // namespace zelprax::comissao
