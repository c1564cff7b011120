// The split by seller: each seller's rate on an item is divided by the number of sellers with a
// positive rate on it, every seller's commission on every item is worked out, and the invoice's
// five slot rates, their total and each item's rate are written back. Everything runs on the given
// connection's own transaction, committed (retaining) after each update.

#include <algorithm>
#include <vector>

#include "commission/calculos.h"
#include "commission/motor.h"
#include "commission/numeros.h"
#include "db/sql.h"

namespace zelprax::comissao {

namespace {

// Columns of a matrix row.
constexpr std::size_t kVendedoresComTaxa = 5;
constexpr std::size_t kIdItem = 6;  // the row's item, as Phase 1 named it
constexpr std::size_t kBaseItem = 7;
constexpr std::size_t kPrimeiraComissao = 8;  // 8 to 12: commission of slots 1 to 5
constexpr int kSlots = 5;

Moeda LerValor(const db::Consulta& consulta, const char* coluna) {
    return Moeda::DeDezMilesimos(consulta.Campo(coluna).ComoDezMilesimos());
}

// A statement on the connection's transaction, committed at once keeping the transaction.
void ExecutarConfirmando(db::Consulta& comando, db::BancoDados& conexao, const std::string& sql) {
    comando.Fechar();
    comando.DefinirSQL(sql);
    comando.Executar();
    conexao.TransacaoPadrao().CommitRetaining();
}

std::string LerParametroNaConexao(db::Consulta& consulta, const std::string& coluna) {
    consulta.Fechar();
    consulta.DefinirSQL(" select " + coluna + " from TAB_PARAMETRO" + " where ID_PARAMETRO = 1");
    consulta.Abrir();
    std::string valor = consulta.Campo(coluna).ComoTexto();
    consulta.Fechar();
    return valor;
}

std::string SomasItens(const std::string& id) {
    const std::string s = db::TextoSQL("S");
    return " select mci.id_produto, cp.id_fabrica, mci.no_item, mci.id_nf_comercio_item, Sum ((mci.qt_produto * "
           "(mci.vl_unitario - (case mci.st_frete_incluso when " +
           s + " then case when tp.st_comissao_frete_despesa <> " + s +
           " then mci.vl_frete_unit else 0 end else 0 end))) * mci.po_comissao / 100) as Valor_Comissao," +
           " Sum ((mci.qt_produto * (mci.vl_unitario - (case mci.st_frete_incluso when " + s +
           " then case when tp.st_comissao_frete_despesa <> " + s +
           " then mci.vl_frete_unit else 0 end else 0 end)))) as Base_Comissao," +
           " SUM(mci.vl_outras_ajustado) as vl_outras_ajustado," + " SUM(mci.vl_frete_ajustado) as vl_frete_ajustado," +
           " SUM(mci.vl_seguro_ajustado) as vl_seguro_ajustado," + " SUM(mci.vl_ipi) as vl_ipi," +
           " SUM(mci.vl_icms_subst) as vl_icms_subst" + " from mov_nf_comercio_item mci" +
           " inner join cad_produto cp on (cp.id_produto = mci.id_produto)" +
           " inner join tab_parametro tp on (tp.id_parametro = 1)" + " where id_nf_comercio = " + id +
           " group by mci.id_produto, cp.id_fabrica, mci.no_item, mci.id_nf_comercio_item";
}

// A rate as the ERP rounds it: quotient x 100 in extended precision, then ArredondarValor at 2.
Moeda TaxaArredondada(long double quociente) {
    return Moeda::DeDouble(ArredondarValor(2, static_cast<double>(quociente * 100.0L)));
}

std::string ComandoTaxaItem(Moeda taxa, double idItem) {
    return " update mov_nf_comercio_item mci  set mci.po_comissao = " + PercentualSQL(taxa) +
           " where mci.id_nf_comercio_item = " + AjustarDecimalSQL(FormatarNumero("###,##0", static_cast<long double>(idItem)));
}

}  // namespace

void CalcularComissaoProdutos(std::int32_t idNota, TDynamicDoubleArray& matriz, db::BancoDados& conexao) {
    const std::string id = db::InteiroSQL(idNota);
    db::Consulta consulta("qryComissaoProdutos");
    consulta.Anexar(&conexao);

    consulta.DefinirSQL(
        " select mc.id_nf_comercio, mc.id_empresa, mc.id_vendedor, mc.id_vendedor2, mc.id_vendedor3, mc.id_vendedor4, "
        "mc.id_vendedor5, mc.po_comissao, mc.po_comissao2, mc.po_comissao3, mc.po_comissao4, mc.po_comissao5, "
        "mc.st_comissao_ad2, mc.st_comissao_ad3, mc.st_comissao_ad4, mc.st_comissao_ad5, mc.vl_desconto, "
        "mc.vl_servico from mov_nf_comercio mc where mc.id_nf_comercio = " +
        id);
    // The invoice's discount and service value stay out of the items' weights: the rates are
    // ratios, and Phase 5 applies both once to the invoice's base.
    consulta.Abrir();
    consulta.Fechar();

    const bool somarDespesas = LerParametroNaConexao(consulta, "ST_COMISSAO_FRETE_DESPESA") == "S";
    const bool somarImpostos = LerParametroNaConexao(consulta, "ST_COMISSAO_IPI_ICMSST") == "S";

    consulta.DefinirSQL(SomasItens(id));
    consulta.Abrir();
    consulta.BuscarTodos();
    Moeda baseTotal;
    std::vector<bool> alcancadas(matriz.size(), false);  // rows whose item the sums reached
    std::vector<double> itensForaDaMatriz;  // items no row names: rate 0, no commission
    for (; !consulta.Fim(); consulta.Proximo()) {
        // Each item weighs by its own base.
        Moeda base = LerValor(consulta, "Base_Comissao");
        if (somarDespesas)
            base += LerValor(consulta, "vl_outras_ajustado") + LerValor(consulta, "vl_frete_ajustado") +
                    LerValor(consulta, "vl_seguro_ajustado");
        if (somarImpostos) base += LerValor(consulta, "vl_ipi") + LerValor(consulta, "vl_icms_subst");
        baseTotal += base;

        const std::int32_t idItem = consulta.Campo("id_nf_comercio_item").ComoInteiro();
        // The item's rates are in the row that Phase 1 named after it, whatever the order of the
        // rows and the item's number.
        const auto linha = std::find_if(matriz.begin(), matriz.end(),
                                        [idItem](const std::vector<double>& m) { return m[kIdItem] == idItem; });
        if (linha == matriz.end()) {
            itensForaDaMatriz.push_back(idItem);
            continue;
        }
        alcancadas[static_cast<std::size_t>(linha - matriz.begin())] = true;
        std::vector<double>& m = *linha;
        for (int s = 1; s <= kSlots; ++s) {
            // A seller's rate is shared among the sellers with a positive rate on the item.
            Moeda parte;
            if (m[kVendedoresComTaxa] > 0)
                parte = ArredondarDezMilesimos(static_cast<long double>(m[static_cast<std::size_t>(s - 1)]) /
                                               m[kVendedoresComTaxa] * 10000.0L);
            const Moeda comissao = MultiplicarValores(base, parte, 100);
            m[kPrimeiraComissao + static_cast<std::size_t>(s - 1)] = TruncarValor(2, comissao.ComoDouble());
        }
        m[kIdItem] = idItem;
        m[kBaseItem] = TruncarValor(2, base.ComoDouble());
    }
    consulta.Fechar();

    for (int s = 1; s <= kSlots; ++s) {
        Moeda soma;
        for (const auto& m : matriz) soma += Moeda::DeDouble(m[kPrimeiraComissao + static_cast<std::size_t>(s - 1)]);
        // Without a base there is nothing to divide: the rates are 0.
        const Moeda taxa = baseTotal == Moeda{} ? Moeda{}
                                                : TaxaArredondada(static_cast<long double>(soma.DezMilesimos()) /
                                                                  static_cast<long double>(baseTotal.DezMilesimos()));
        const std::string coluna = s == 1 ? "PO_COMISSAO" : "PO_COMISSAO" + std::to_string(s);
        ExecutarConfirmando(consulta, conexao,
                            " update mov_nf_comercio mc set mc." + coluna + " = " + PercentualSQL(taxa) +
                                " where mc.id_nf_comercio = " + id);
    }

    ExecutarConfirmando(consulta, conexao,
                        " update mov_nf_comercio mc set mc.VL_PO_PRODUTO_TOTAL = PO_COMISSAO + PO_COMISSAO2 + "
                        "PO_COMISSAO3 + PO_COMISSAO4 + PO_COMISSAO5 where mc.id_nf_comercio = " +
                            id);

    for (std::size_t r = 0; r < matriz.size(); ++r) {
        // A row whose item the sums did not reach (its product is missing) keeps the item's rate.
        if (!alcancadas[r]) continue;
        const std::vector<double>& m = matriz[r];
        Moeda comissaoItem;
        for (std::size_t c = kPrimeiraComissao; c < kPrimeiraComissao + kSlots; ++c) comissaoItem += Moeda::DeDouble(m[c]);
        const Moeda taxa = m[kBaseItem] > 0 ? TaxaArredondada(comissaoItem.ComoLongDouble() / m[kBaseItem]) : Moeda{};
        ExecutarConfirmando(consulta, conexao, ComandoTaxaItem(taxa, m[kIdItem]));
    }
    for (double idItem : itensForaDaMatriz) ExecutarConfirmando(consulta, conexao, ComandoTaxaItem(Moeda{}, idItem));
}

}  // namespace zelprax::comissao
