// The ERP pays a commission entry while the run is rebuilding that entry's document. A payment
// the ERP committed is never deleted: paid before the run looks at the document, the document is
// left alone with its warning; paid once the run holds the document's entries, the ERP's update
// meets the lock and fails at once (its transaction does not wait), so the ERP knows the payment
// did not happen and the entry it named is rebuilt unpaid.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "commission/motor.h"
#include "db/banco.h"
#include "db/erro.h"
#include "support/interacao_gravada.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {
namespace {

using comissao::Motor;

// The payment number the ERP writes into the entry it pays.
constexpr const char* kPagamento = "77";

struct Documento {
    int fase;
    void (Motor::*chamada)();
    const char* marcarCalculado;  // the start of the statement that marks the document calculated
    const char* calculo;          // the document's flag, read back
    std::string Motor::*situacao;
};

const Documento kDocumentos[] = {
    {5, &Motor::GerarComissaoVendas, " update mov_nf_comercio set st_calc_comissao = 'N'",
     "select st_calc_comissao from mov_nf_comercio where id_nf_comercio = 1", &Motor::sSituacao1},
    {6, &Motor::GerarComissaoRecebimentos, " update mov_financeiro set st_calc_comissao = 'N'",
     "select st_calc_comissao from mov_financeiro where id_financeiro = 1", &Motor::sSituacao2},
    {7, &Motor::GerarComissaoAcertos, " update mov_acerto_comissao set st_calc_comissao = 'N'",
     "select st_calc_comissao from mov_acerto_comissao where id_acerto_comissao = 1", &Motor::sSituacao3},
};

// When the ERP pays: as the run takes the document up (before any statement for it), just before
// the statement that marks it calculated, or just before the delete of its entries.
enum class Momento { AoTomarODocumento, AntesDeMarcar, AntesDeApagar };

class EntradasPagas : public ::testing::Test {
protected:
    void TearDown() override { db::ObservarOperacoes({}); }

    // One invoice with its item and receivable, one settlement, and one unpaid entry of each kind
    // (1: the invoice's, 2: the receivable's, 3: the settlement's), every document awaiting
    // calculation.
    void Preparar(DadosTeste& dados) {
        dados.Parametro();
        dados.Natureza(1);
        dados.Produto(1, "7");
        dados.Pessoa(100, "Cliente Ltda");
        dados.Nota(1);
        dados.Item(1, 1);
        dados.Receber(1, 1, {{"ST_CALC_COMISSAO", "'S'"}});
        dados.Acerto(1);
        dados.Entrada(1, {{"TP_REGISTRO", "'1'"}});
        dados.Entrada(2, {{"TP_REGISTRO", "'2'"}, {"ID_FINANCEIRO", "1"}});
        dados.Entrada(3, {{"TP_REGISTRO", "'3'"}, {"ID_NF_COMERCIO", "null"}, {"ID_ACERTO_COMISSAO", "1"}});
    }

    PastaTemporaria pasta;
};

TEST_F(EntradasPagas, PagamentoDoErpNoMeioDaReconstrucaoNuncaSePerde) {
    struct Caso {
        Momento momento;
        bool documentoDeixado;  // the run leaves the document alone and warns
        bool erpBarrado;        // the ERP's payment fails on the run's lock
    };
    const Caso casos[] = {
        {Momento::AoTomarODocumento, true, false},
        {Momento::AntesDeMarcar, false, true},
        {Momento::AntesDeApagar, false, true},
    };

    int numero = 0;
    for (const Documento& doc : kDocumentos) {
        for (const Caso& caso : casos) {
            SCOPED_TRACE("fase " + std::to_string(doc.fase) + ", momento " + std::to_string(static_cast<int>(caso.momento)));
            const std::string banco = pasta / ("erp" + std::to_string(++numero) + ".fdb");
            CriarBancoDoEsquema(banco);
            DadosTeste erp(banco);  // the ERP, on a connection of its own
            Preparar(erp);

            SistemaFalso sistema;
            InteracaoGravada interacao;
            PainelObservado painel;
            Motor motor(sistema, interacao, painel);
            motor.ConectarBanco(banco);

            bool pagou = false, tentou = false;
            std::string recusa;
            auto pagar = [&] {
                if (tentou) return;
                tentou = true;
                try {
                    erp.Executar(std::string("update mov_comissao set id_comissao_gerada = ") + kPagamento +
                                 " where id_comissao = " + std::to_string(doc.fase - 4));
                    pagou = true;
                } catch (const db::ErroBanco& e) {
                    recusa = e.Texto();
                    erp.Banco().TransacaoPadrao().Rollback();
                }
            };
            if (caso.momento == Momento::AoTomarODocumento) {
                painel.aoAvancar = [&](PainelObservado&) { pagar(); };
            } else {
                const std::string antes =
                    caso.momento == Momento::AntesDeMarcar ? doc.marcarCalculado : " delete from mov_comissao";
                db::ObservarOperacoes([&pagar, antes](const std::string& texto) {
                    if (texto.rfind(antes, 0) == 0) pagar();
                });
            }

            (motor.*doc.chamada)();
            db::ObservarOperacoes({});
            motor.DesconectarBanco(true);

            ASSERT_TRUE(tentou) << "a fase não chegou ao momento do pagamento";
            const long long pagas = erp.Contar(std::string("select count(*) from mov_comissao where id_comissao_gerada = ") +
                                               kPagamento);
            if (pagou) {
                EXPECT_EQ(pagas, 1) << "o pagamento confirmado pelo ERP foi apagado";
            }
            EXPECT_EQ(pagou, !caso.erpBarrado) << recusa;
            if (caso.erpBarrado) {
                EXPECT_NE(recusa.find("update conflicts with concurrent update"), std::string::npos) << recusa;
                EXPECT_EQ(pagas, 0);
            }
            EXPECT_EQ(motor.*doc.situacao, caso.documentoDeixado ? "S" : "N");
            EXPECT_EQ(erp.Valor(doc.calculo), caso.documentoDeixado ? "S" : "N");
            EXPECT_EQ(motor.resumo[doc.fase].ignorados, caso.documentoDeixado ? 1 : 0);
        }
    }
}

}  // namespace
}  // namespace zelprax::teste
