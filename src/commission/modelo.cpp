#include "commission/modelo.h"

#include "commission/motor.h"

namespace zelprax::comissao {

namespace {

db::Valor Inteiro(std::optional<std::int32_t> v) { return v ? db::Valor{db::Decimal{*v, 0}} : db::Valor{db::Nulo{}}; }
db::Valor Texto(const std::optional<std::string>& v) { return v ? db::Valor{*v} : db::Valor{db::Nulo{}}; }
db::Valor Valor(std::optional<Moeda> v) {
    return v ? db::Valor{db::Decimal{v->DezMilesimos(), -4}} : db::Valor{db::Nulo{}};
}
db::Valor Data(const std::optional<db::DataHora>& v) {
    return v && !v->Vazia() ? db::Valor{db::Data{v->SoData()}} : db::Valor{db::Nulo{}};
}

// The document an entry was written for, as the cut-text warning names it; an entry of no document
// is named by its own identifier.
std::string DocumentoDaEntrada(const EntradaComissao& e, std::int32_t idComissao) {
    if (e.tpRegistro == kEntradaRecebimento && e.idFinanceiro) return "id_financeiro " + std::to_string(*e.idFinanceiro);
    if (e.tpRegistro == kEntradaAcerto && e.idAcertoComissao)
        return "id_acerto_comissao " + std::to_string(*e.idAcertoComissao);
    if (e.idNfComercio) return "id_nf_comercio " + std::to_string(*e.idNfComercio);
    return "id_comissao " + std::to_string(idComissao);
}

void RegistrarCortes(Motor& motor, const db::InsercaoPreparada& ds, const std::string& documento) {
    for (const std::string& coluna : ds.ColunasCortadas()) motor.textosCortados.Registrar(ds.Tabela(), coluna, documento);
}

}  // namespace

std::int32_t GravarEntradaComissao(Motor& motor, const EntradaComissao& e, bool confirmar) {
    db::InsercaoPreparada& ds = motor.IBQ_MovComissao;
    if (!ds.Aberta()) ds.Abrir();
    ds.Acrescentar();
    const std::int32_t id = motor.ProximoCodigo("MOV_COMISSAO", "ID_COMISSAO");
    ds.Definir("ID_COMISSAO", Inteiro(id));
    ds.Definir("TP_REGISTRO", std::to_string(e.tpRegistro));
    ds.Definir("ID_NF_COMERCIO", Inteiro(e.idNfComercio));
    ds.Definir("ID_FINANCEIRO", Inteiro(e.idFinanceiro));
    ds.Definir("ID_ACERTO_COMISSAO", Inteiro(e.idAcertoComissao));
    ds.Definir("ID_EMPRESA", Inteiro(e.idEmpresa));
    ds.Definir("ID_VENDEDOR", Inteiro(e.idVendedor));
    ds.Definir("DS_SERIE", Texto(e.dsSerie));
    ds.Definir("NO_DOCUMENTO", Texto(e.noDocumento));
    ds.Definir("DT_EMISSAO", Data(e.dtEmissao));
    ds.Definir("ID_CLIENTE", Inteiro(e.idCliente));
    ds.Definir("NM_CLIENTE", Texto(e.nmCliente));
    ds.Definir("VL_OPERACAO", Valor(e.vlOperacao));
    ds.Definir("VL_BASE_COMISSAO", Valor(e.vlBaseComissao));
    ds.Definir("PO_COMISSAO", Valor(e.poComissao));
    ds.Definir("VL_COMISSAO", Valor(e.vlComissao));
    ds.Definir("ST_IRRF", Texto(e.stIrrf));
    ds.Definir("DT_CREDITO", Data(e.dtCredito));
    ds.Definir("ST_RECEBIMENTO", Texto(e.stRecebimento));
    ds.Definir("ST_ENTREGA", e.stEntrega);
    ds.Definir("ST_CANCELADA", e.stCancelada);
    ds.Definir("ST_PAGAR", Texto(e.stPagar));
    ds.Definir("ST_BLOQUEIO_1", e.stBloqueio1);
    ds.Definir("ST_ESTORNO_1", e.stEstorno1);
    ds.Gravar();
    RegistrarCortes(motor, ds, DocumentoDaEntrada(e, id));
    ds.TransacaoAtual().AoConfirmar(
        [&efeito = motor.efeito, vendedor = e.idVendedor.value_or(0), tp = e.tpRegistro,
         valor = e.vlComissao.value_or(Moeda{})] { efeito.EntradaCriada(vendedor, tp, valor); });
    if (confirmar) ds.CommitRetaining();
    return id;
}

std::int32_t GravarAcertoComissao(Motor& motor, const AcertoComissao& a, bool confirmar) {
    db::InsercaoPreparada& ds = motor.IBD_AcertoComissao;
    if (!ds.Aberta()) ds.Abrir();
    ds.Acrescentar();
    const std::int32_t id = motor.ProximoCodigo("mov_acerto_comissao", "id_acerto_comissao");
    ds.Definir("ID_ACERTO_COMISSAO", Inteiro(id));
    ds.Definir("DT_PAGAMENTO", Data(a.dtPagamento));
    ds.Definir("ID_VENDEDOR", Inteiro(a.idVendedor));
    ds.Definir("VL_ACERTO", Valor(a.vlAcerto));
    ds.Definir("TP_ACERTO", a.tpAcerto);
    ds.Definir("ST_IRRF", a.stIrrf);
    ds.Definir("DS_ACERTO", a.dsAcerto);
    ds.Definir("ID_EMPRESA", Inteiro(a.idEmpresa));
    ds.Definir("ST_CALC_COMISSAO", a.stCalcComissao);
    ds.Definir("ID_COMISSAO_ESTORNADA", Inteiro(a.idComissaoEstornada));
    ds.Gravar();
    RegistrarCortes(motor, ds, "id_acerto_comissao " + std::to_string(id));
    if (confirmar) ds.CommitRetaining();
    return id;
}

}  // namespace zelprax::comissao
