// Phase 1: the commission base, amount and main rate of the sales invoices awaiting calculation,
// from the rates on their items; for invoices split by seller, the rate matrix handed to
// CalcularComissaoProdutos.

#include "commission/motor.h"
#include "commission/numeros.h"
#include "commission/vendedores_nota.h"
#include "db/sql.h"

namespace zelprax::comissao {

namespace {

constexpr int kColunasMatriz = 13;
constexpr int kColunaVendedoresComTaxa = 5;
constexpr int kColunaIdItem = 6;

Moeda LerValor(const db::Consulta& consulta, const char* coluna) {
    return Moeda::DeDezMilesimos(consulta.Campo(coluna).ComoDezMilesimos());
}

std::string SelecaoNotas(const Motor& motor) {
    return " select mc.id_nf_comercio, tno.id_sugerir_comissao, mc.id_empresa,  mc.ID_VENDEDOR, mc.ID_VENDEDOR2, "
           "mc.ID_VENDEDOR3, mc.ID_VENDEDOR4, mc.ID_VENDEDOR5  from mov_nf_comercio mc inner join tab_nat_operacao "
           "tno on (tno.id_nat_operacao = mc.id_nat_operacao) where mc.vl_produtos > 0 and mc.st_calc_comissao = " +
           db::TextoSQL("S") + " and Coalesce(mc.tp_base_comissao_outros," + db::TextoSQL("P") + ") <> " +
           db::TextoSQL("R") + " and mc.vl_total_nf > 0" + " and mc.id_st_nf in (3,5)" +
           motor.LinhaEmissao(" and mc.dt_emissao >= ");
}

std::string SelecaoBase(const std::string& id) {
    return " select Cast(Sum(mci.vl_total - (case mci.st_frete_incluso when " + db::TextoSQL("S") +
           " then mci.qt_produto * mci.vl_frete_unit else 0 end))" +
           " - mc.vl_desconto as numeric (15, 2)) as vl_base_comissao" + " from mov_nf_comercio_item mci" +
           " inner join mov_nf_comercio mc on (mc.id_nf_comercio = mci.id_nf_comercio)" +
           " where mci.id_nf_comercio = " + id + " group by mc.vl_desconto";
}

// An invoice whose items net to 0 has no discount ratio: the null divisor makes its amount null,
// read as 0, instead of a division by zero that would end every run at that invoice.
std::string SelecaoValor(const std::string& id) {
    return " select Sum( (mci.vl_total - (case mci.st_frete_incluso when " + db::TextoSQL("S") +
           " then cast(mci.qt_produto * mci.vl_frete_unit as numeric(15,2)) else 0 end)" + ") *" +
           "(1 - (mc.vl_desconto / nullif(mc.vl_base_comissao + mc.vl_desconto, 0))) * mci.po_comissao / 100" +
           ") as vl_comissao" + " from mov_nf_comercio_item mci" +
           " inner join mov_nf_comercio mc on (mc.id_nf_comercio = mci.id_nf_comercio)" +
           " where mci.id_nf_comercio = " + id;
}

// The main seller's rate: the overall rate less the co-sellers' rates that are part of it.
std::string SelecaoTaxaPrincipal(const std::string& id) {
    const std::string n = db::TextoSQL("N");
    return " select cast((mc.vl_comissao * 100 / mc.vl_base_comissao) - (case mc.st_comissao_ad2 when " + n +
           " then Coalesce(mc.po_comissao2, 0) else 0 end) -" + " (case mc.st_comissao_ad3 when " + n +
           " then Coalesce(mc.po_comissao3, 0) else 0 end) -" + " (case mc.st_comissao_ad4 when " + n +
           " then Coalesce(mc.po_comissao4, 0) else 0 end) -" + " (case mc.st_comissao_ad5 when " + n +
           " then Coalesce(mc.po_comissao5, 0) else 0 end) as numeric (15,2)) as po_comissao" +
           " from mov_nf_comercio mc" + " where mc.id_nf_comercio = " + id + " and mc.vl_base_comissao > 0";
}

std::string SelecaoItensDivisao(const std::string& id) {
    return " select mci.id_nf_comercio, mci.id_nf_comercio_item, mci.id_produto, mc.id_empresa, mc.id_vendedor, "
           "mc.id_vendedor2, mc.id_vendedor3, mc.id_vendedor4, mc.id_vendedor5 from mov_nf_comercio_item mci inner join "
           "mov_nf_comercio mc on (mc.id_nf_comercio = mci.id_nf_comercio) where mci.id_nf_comercio = " +
           id;
}

}  // namespace

void Motor::CalcularComissaoVendas() {
    ResumoFase& resumoFase = resumo[1];
    resumoFase = {};
    db::Consulta notas("qryNotasComissao");
    db::Consulta consulta("qryValoresNota");
    db::Consulta itens("qryItensVendedor");
    notas.Anexar(&Banco());
    consulta.Anexar(&Banco());
    itens.Anexar(&Banco());

    AbrirConsulta(notas, SelecaoNotas(*this));
    resumoFase.selecionados = notas.Contagem();

    painel_.MostrarLegenda("Fase 1/9 - Calculando comissão das vendas");
    painel_.ProcessarEventos();
    painel_.DefinirMaximo(notas.Contagem());

    for (; !notas.Fim(); notas.Proximo()) {
        const std::int32_t idNota = notas.Campo("id_nf_comercio").ComoInteiro();
        const std::string id = db::InteiroSQL(idNota);
        const std::int32_t tipo = notas.Campo("id_sugerir_comissao").ComoInteiro();

        if (tipo >= 0 && tipo <= 5) {
            // Each value is committed before the next statement reads it.
            AbrirConsulta(consulta, SelecaoBase(id));
            GravarValorNota(idNota, "VL_BASE_COMISSAO", LerValor(consulta, "vl_base_comissao"));
            AbrirConsulta(consulta, SelecaoValor(id));
            GravarValorNota(idNota, "VL_COMISSAO", LerValor(consulta, "vl_comissao"));
            AbrirConsulta(consulta, SelecaoTaxaPrincipal(id));
            GravarValorNota(idNota, "PO_COMISSAO", LerValor(consulta, "po_comissao"));
            consulta.Fechar();
            ++resumoFase.gravados;
        } else if (tipo == 6) {
            // The item list runs on the connection's own transaction, not on the run's.
            itens.Fechar();
            itens.DefinirSQL(SelecaoItensDivisao(id));
            itens.Abrir();
            itens.BuscarTodos();
            TDynamicDoubleArray& matriz = it_MatrizComissaoPorVendedor;
            matriz.assign(static_cast<std::size_t>(itens.Contagem()), std::vector<double>(kColunasMatriz, 0.0));
            for (std::size_t linha = 0; !itens.Fim(); itens.Proximo(), ++linha) {
                const std::int32_t idEmpresa = itens.Campo("id_empresa").ComoInteiro();
                const std::int32_t idProduto = itens.Campo("id_produto").ComoInteiro();
                // The row names its item: the split finds each item's rates by it, whatever the
                // order the items come in and however the ERP numbered them.
                matriz[linha][kColunaIdItem] = itens.Campo("id_nf_comercio_item").ComoInteiro();
                for (int slot = 1; slot <= kSlotsVendedor; ++slot) {
                    Moeda taxa;
                    const std::int32_t vendedor = itens.Campo(ColunaSlot("ID_VENDEDOR", slot)).ComoInteiro();
                    if (vendedor > 0) {
                        taxa = BuscarComissaoVendedor(idEmpresa, vendedor, BuscarFabricanteProduto(idProduto));
                        if (taxa > Moeda{}) matriz[linha][kColunaVendedoresComTaxa] += 1;
                    }
                    matriz[linha][static_cast<std::size_t>(slot - 1)] = taxa.ComoDouble();
                }
            }
            itens.Fechar();
            CalcularComissaoProdutos(idNota, matriz, Banco());
            ++resumoFase.gravados;
        } else {
            ++resumoFase.ignorados;  // a type without commission: nothing is computed
        }
        painel_.Avancar();
    }
}

void Motor::GravarValorNota(std::int32_t idNota, const std::string& coluna, Moeda valor) {
    const double arredondado = ArredondarValor(2, valor.ComoDouble());
    const std::string numero = AjustarDecimalSQL(FormatarNumero("##0.00", static_cast<long double>(arredondado)));
    db::Consulta comando;
    comando.Anexar(&Banco());
    ExecutarComando(comando,
                    " update mov_nf_comercio set " + coluna + " = " + numero + " where id_nf_comercio = " +
                        db::InteiroSQL(idNota),
                    true);
}

std::int32_t Motor::BuscarFabricanteProduto(std::int32_t idProduto) {
    db::Consulta consulta;
    consulta.Anexar(&Banco());
    AbrirConsulta(consulta, " select ID_FABRICA from CAD_PRODUTO where ID_PRODUTO = " + db::InteiroSQL(idProduto));
    return consulta.Campo("ID_FABRICA").ComoInteiro();
}

Moeda Motor::BuscarComissaoVendedor(std::int32_t idEmpresa, std::int32_t idVendedor, std::int32_t idFabricante) {
    const std::string vendedor = " select tcv.po_comissao from tab_comissao_por_vendedor tcv where tcv.id_empresa = " +
                                 db::InteiroSQL(idEmpresa) + " and tcv.id_vendedor = " + db::InteiroSQL(idVendedor);
    db::Consulta consulta;
    consulta.Anexar(&Banco());
    AbrirConsulta(consulta, vendedor + " and tcv.id_fabricante = " + db::InteiroSQL(idFabricante));
    if (consulta.Contagem() == 0)  // no rate for this manufacturer: the seller's rate for every manufacturer
        AbrirConsulta(consulta, vendedor + " and tcv.id_fabricante is null");
    return LerValor(consulta, "po_comissao");
}

}  // namespace zelprax::comissao
