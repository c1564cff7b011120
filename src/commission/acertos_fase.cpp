#include "commission/acertos_fase.h"

#include "commission/numeros.h"
#include "db/sql.h"

namespace zelprax::comissao {

namespace {

std::string LinhaOpcao(const char* prefixo, const OpcaoEmissao& opcao) {
    return opcao ? prefixo + db::DataSQL(*opcao) : std::string{};
}

std::string DiasAtras(const db::DataHora& hoje, int dias) { return db::DataSQL(db::SomarDias(hoje, -dias)); }

// The part of 2c and 2d that looks at the entry's invoice; `pagarComissao` is the situation's
// ST_PAGAR_COMISSAO that the invoice must have.
std::string CondicaoNota(const char* existe, const db::DataHora& limiteEmissao, const char* pagarComissao) {
    return std::string(existe) + " from mov_nf_comercio mc" +
           " inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao)" +
           " left join fix_situacao_orcamento fso on (fso.id_situacao_orcamento = mc.id_situacao_orcamento)" +
           " where mc.dt_emissao >= " + db::DataSQL(limiteEmissao) + " and tno.st_verifica_fase = " +
           db::TextoSQL("S") + " and fso.st_pagar_comissao = " + db::TextoSQL(pagarComissao) +
           " and mc.id_nf_comercio = ms.id_nf_comercio" + ")";
}

}  // namespace

std::string SqlNormalizarBloqueio(const OpcaoEmissao& opcao) {
    return " update mov_comissao set st_bloqueio_1 = " + db::TextoSQL("N") + " where st_bloqueio_1 is null" +
           LinhaOpcao(" and dt_emissao >= ", opcao);
}

std::string SqlNormalizarEstorno(const OpcaoEmissao& opcao) {
    return " update mov_comissao set st_estorno_1 = " + db::TextoSQL("N") + " where st_estorno_1 is null" +
           LinhaOpcao(" and dt_emissao >= ", opcao);
}

db::DataHora LimiteEmissaoNotas(const OpcaoEmissao& opcao) {
    return opcao ? *opcao : db::DataHora{1900, 1, 1, 0, 0, 0};
}

std::string SqlDesbloquearEntradas(const db::DataHora& hoje, const db::DataHora& limiteEmissao,
                                   const OpcaoEmissao& opcao) {
    return " update mov_comissao ms set ms.st_bloqueio_1 = " + db::TextoSQL("N") +
           CondicaoNota(" where EXISTS ( select 1", limiteEmissao, "S") + " and ms.dt_emissao > " +
           DiasAtras(hoje, kDiasParaDevolverDesconto) + " and ms.id_comissao_gerada is not null" +
           " and ms.st_bloqueio_1 = " + db::TextoSQL("S") + " and ms.st_estorno_1 = " + db::TextoSQL("S") +
           LinhaOpcao(" and ms.dt_emissao >= ", opcao);
}

std::string SqlBloquearEntradas(const db::DataHora& hoje, const db::DataHora& limiteEmissao,
                                const OpcaoEmissao& opcao) {
    return " update mov_comissao ms set ms.st_bloqueio_1 = " + db::TextoSQL("S") +
           CondicaoNota(" where EXISTS ( select 1", limiteEmissao, "N") + " and ms.dt_emissao between " +
           DiasAtras(hoje, 90) + " and " + DiasAtras(hoje, 45) + " and ms.id_comissao_gerada is not null" +
           " and ms.st_bloqueio_1 = " + db::TextoSQL("N") + " and ms.st_estorno_1 = " + db::TextoSQL("N") +
           LinhaOpcao(" and ms.dt_emissao >= ", opcao);
}

std::string SqlSelecionarDescontos(const db::DataHora& hoje, const OpcaoEmissao& opcao) {
    return " select com.* from mov_comissao com where com.dt_emissao between " + DiasAtras(hoje, 90) + " and " +
           DiasAtras(hoje, 45) + " and com.id_comissao_gerada is not null" + " and com.st_bloqueio_1 = " +
           db::TextoSQL("S") + " and com.st_estorno_1 = " + db::TextoSQL("N") +
           LinhaOpcao(" and com.dt_emissao >= ", opcao);
}

std::string SqlSelecionarPagamentos(const db::DataHora& hoje, const OpcaoEmissao& opcao) {
    return " select com.* from mov_comissao com where com.dt_emissao > " +
           DiasAtras(hoje, kDiasParaDevolverDesconto) + " and com.id_comissao_gerada is not null" + " and com.st_bloqueio_1 = " + db::TextoSQL("N") +
           " and com.st_estorno_1 = " + db::TextoSQL("S") + LinhaOpcao(" and com.dt_emissao >= ", opcao);
}

db::DataHora DataPagamentoAcertoFase(const db::DataHora& agora, const db::DataHora& dtCredito) {
    return agora >= dtCredito ? agora : dtCredito;
}

std::string SqlInserirAcertoFase(AcertoFase tipo, const db::DataHora& pagamento, const std::string& idVendedor,
                                 Moeda valor, const std::string& idEmpresa) {
    const bool desconto = tipo == AcertoFase::Desconto;
    return std::string(
               " insert into mov_acerto_comissao (ID_ACERTO_COMISSAO, DT_PAGAMENTO, ID_VENDEDOR, VL_ACERTO, "
               "TP_ACERTO, ST_IRRF, DS_ACERTO, ID_EMPRESA, ID_COMISSAO_GERADA, ST_CALC_COMISSAO, "
               "ID_COMISSAO_ESTORNADA) values((select Coalesce(max(id_acerto_comissao), 0) + 1 from "
               "mov_acerto_comissao), ") +
           db::DataSQL(pagamento) + "," + idVendedor + "," + ValorSQL(valor) + "," +
           db::TextoSQL(desconto ? "D" : "A") + "," + db::TextoSQL("N") + "," +
           db::TextoSQL(desconto ? "COMISSÃO BLOQUEADA PELA FASE DO PROCESSO"
                                 : "COMISSÃO DESBLOQUEADA PELA FASE DO PROCESSO") +
           "," + idEmpresa + "," + "null," + db::TextoSQL("S") + "," + "null)";
}

std::string SqlEstornoDoAdiantamento(std::int32_t idNota, std::int32_t idVendedor, const std::string& idComissao) {
    const std::string nota = db::InteiroSQL(idNota), vendedor = db::InteiroSQL(idVendedor);
    return " select (select coalesce(sum(a.vl_acerto), 0) from mov_acerto_comissao a where "
           "a.id_comissao_estornada = " + nota + " and a.id_vendedor = " + vendedor +
           ") as vl_estornado, (select coalesce(sum(c.vl_comissao), 0) from mov_comissao c where "
           "c.tp_registro = '1' and c.id_nf_comercio = " + nota + " and c.id_vendedor = " + vendedor +
           " and c.id_comissao < " + idComissao + ") as vl_anteriores from rdb$database";
}

Moeda DescontoDoAdiantamento(Moeda valor, Moeda estornado, Moeda anteriores) {
    const Moeda restante = estornado - anteriores;  // what the earlier entries did not absorb
    if (restante <= Moeda{}) return valor;
    return restante >= valor ? Moeda{} : valor - restante;
}

std::string SqlMarcarEstornoEntrada(AcertoFase tipo, const std::string& idComissao) {
    return " update mov_comissao set st_estorno_1 = " + db::TextoSQL(tipo == AcertoFase::Desconto ? "S" : "N") +
           " where id_comissao = " + idComissao;
}

std::string EstornoAntesDoAcerto(AcertoFase tipo) { return tipo == AcertoFase::Desconto ? "N" : "S"; }

std::string SqlTravarEntrada(const std::string& idComissao) {
    return " select st_estorno_1 from mov_comissao where id_comissao = " + idComissao + " with lock";
}

}  // namespace zelprax::comissao
