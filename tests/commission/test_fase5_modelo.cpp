// The two writers of the commission data model: entries (IBQ_MovComissao) and settlements
// (IBD_AcertoComissao), each row committed before the next is started.

#include "commission/modelo.h"
#include "fases_vendas_teste.h"

namespace zelprax::teste {
namespace {

using comissao::Moeda;

class Modelo : public FasesTeste {};

TEST_F(Modelo, EntradaComCamposNaoDefinidosGravaNulos) {
    comissao::EntradaComissao e;
    e.tpRegistro = comissao::kEntradaRecebimento;
    e.vlComissao = Moeda::Ler("12.345");  // four decimals in, the column's two stored half away from zero
    EXPECT_EQ(comissao::GravarEntradaComissao(motor, e), 1);
    // Seen from another connection: committed at once.
    EXPECT_EQ(Linha("select * from mov_comissao"),
              "1|2|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|12.35|"
              "<null>|<null>|<null>|S|<null>|N|<null>|N|N");
    dados->Entrada(41, {{"ID_NF_COMERCIO", "9"}});
    EXPECT_EQ(comissao::GravarEntradaComissao(motor, e), 42) << "the highest identifier plus one";
}

TEST_F(Modelo, AcertoComOnzeColunas) {
    comissao::AcertoComissao a;
    a.dtPagamento = {2024, 3, 5, 10, 0, 0};
    a.idVendedor = 10;
    a.vlAcerto = Moeda::Ler("50");
    a.tpAcerto = "D";
    a.stIrrf = "S";
    a.dsAcerto = "Estorno de comissão";
    a.idEmpresa = 1;
    a.idComissaoEstornada = 7;
    EXPECT_EQ(comissao::GravarAcertoComissao(motor, a), 1);
    EXPECT_EQ(comissao::GravarAcertoComissao(motor, a), 2);
    EXPECT_EQ(Linha("select * from mov_acerto_comissao where id_acerto_comissao = 2"),
              "2|05/03/2024|10|50.00|D|S|Estorno de comissão|1|<null>|S|7");
}

}  // namespace
}  // namespace zelprax::teste
