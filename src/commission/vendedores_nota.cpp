#include "commission/vendedores_nota.h"

#include "commission/motor.h"
#include "db/sql.h"

namespace zelprax::comissao {

std::string ColunaSlot(const std::string& base, int slot) {
    return slot == 1 ? base : base + std::to_string(slot);
}

SlotVendedor LerSlotVendedor(const db::Consulta& nota, int slot) {
    SlotVendedor s;
    s.idVendedor = nota.Campo(ColunaSlot("ID_VENDEDOR", slot)).ComoInteiro();
    s.poComissao = Moeda::DeDezMilesimos(nota.Campo(ColunaSlot("PO_COMISSAO", slot)).ComoDezMilesimos());
    s.stCreditoFat = nota.Campo(ColunaSlot("ST_CREDITO_FAT", slot)).ComoTexto();
    s.poCreditoFat = Moeda::DeDezMilesimos(nota.Campo(ColunaSlot("PO_CREDITO_FAT", slot)).ComoDezMilesimos());
    return s;
}

std::optional<Moeda> BaseComissaoSlot(Motor& motor, const db::Consulta& nota, int slot) {
    auto valor = [&nota](const char* coluna) { return Moeda::DeDezMilesimos(nota.Campo(coluna).ComoDezMilesimos()); };
    const std::int32_t tipo = nota.Campo("id_sugerir_comissao").ComoInteiro();
    if (tipo >= 0 && tipo <= 4) {
        if (slot > 1 && nota.Campo("tp_base_comissao_outros").ComoTexto() == "C") return valor("vl_comissao");
        return valor("vl_base_comissao");
    }
    if (tipo == 5) return valor("vl_resultado_venda");
    if (tipo == 6) return motor.BaseComissaoItens(nota.Campo("id_nf_comercio").ComoInteiro());
    return std::nullopt;
}

namespace {

std::optional<std::string> NomeCliente(Motor& motor, std::int32_t idPessoa) {
    motor.IBQ_Gen.Fechar();
    motor.IBQ_Gen.DefinirSQL(" select nm_pesquisa from cad_pessoa where id_pessoa = " + db::InteiroSQL(idPessoa));
    motor.IBQ_Gen.Abrir();
    const std::string nome = motor.IBQ_Gen.Campo("nm_pesquisa").ComoTexto();
    motor.IBQ_Gen.Fechar();
    if (nome.empty()) return std::nullopt;
    return nome;
}

std::string SituacaoPagar(Motor& motor, std::int32_t idNatOperacao) {
    motor.IBQ_Gen.Fechar();
    motor.IBQ_Gen.DefinirSQL(" select ST_COMISSAO_PAGAR, ST_VERIFICA_FASE from tab_nat_operacao where id_nat_operacao = " +
                             db::InteiroSQL(idNatOperacao));
    motor.IBQ_Gen.Abrir();
    const bool pagar = motor.IBQ_Gen.Campo("ST_COMISSAO_PAGAR").ComoTexto() == "S";
    motor.IBQ_Gen.Fechar();
    return pagar ? "S" : "N";
}

}  // namespace

EntradaComissao EntradaDaNota(Motor& motor, const db::Consulta& nota, int slot, int tpRegistro) {
    EntradaComissao e;
    e.tpRegistro = tpRegistro;
    e.idNfComercio = nota.Campo("ID_NF_COMERCIO").ComoInteiro();
    e.idEmpresa = nota.Campo("ID_EMPRESA").ComoInteiro();
    e.idVendedor = LerSlotVendedor(nota, slot).idVendedor;
    e.dtEmissao = nota.Campo("DT_EMISSAO").ComoDataHora().SoData();
    const std::int32_t idCliente = nota.Campo("ID_DESTINATARIO_REMETENTE").ComoInteiro();
    e.idCliente = idCliente;
    e.nmCliente = NomeCliente(motor, idCliente);
    e.stIrrf = "S";
    e.stPagar = SituacaoPagar(motor, nota.Campo("id_nat_operacao").ComoInteiro());
    return e;
}

}  // namespace zelprax::comissao
