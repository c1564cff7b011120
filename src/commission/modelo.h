#pragma once
// The two rows the run writes through its cached-update data sets: a commission entry
// (MOV_COMISSAO, IBQ_MovComissao) and a commission settlement (MOV_ACERTO_COMISSAO,
// IBD_AcertoComissao). A field left empty is inserted as null.

#include <cstdint>
#include <optional>
#include <string>

#include "commission/moeda.h"
#include "db/datas.h"

namespace zelprax::comissao {

class Motor;

// Kinds of entry (TP_REGISTRO).
inline constexpr int kEntradaVenda = 1;
inline constexpr int kEntradaRecebimento = 2;
inline constexpr int kEntradaAcerto = 3;

struct EntradaComissao {
    int tpRegistro = kEntradaVenda;
    std::optional<std::int32_t> idNfComercio, idFinanceiro, idAcertoComissao;
    std::optional<std::int32_t> idEmpresa, idVendedor;
    std::optional<std::string> dsSerie, noDocumento;
    std::optional<db::DataHora> dtEmissao;
    std::optional<std::int32_t> idCliente;
    std::optional<std::string> nmCliente;
    std::optional<Moeda> vlOperacao, vlBaseComissao, poComissao, vlComissao;
    std::optional<std::string> stIrrf;
    std::optional<db::DataHora> dtCredito;
    std::optional<std::string> stRecebimento;
    std::string stEntrega = "S";
    std::string stCancelada = "N";
    std::optional<std::string> stPagar;
    std::string stBloqueio1 = "N";
    std::string stEstorno1 = "N";
};

struct AcertoComissao {
    db::DataHora dtPagamento;
    std::int32_t idVendedor = 0;
    Moeda vlAcerto;
    std::string tpAcerto;
    std::string stIrrf;
    std::string dsAcerto;
    std::int32_t idEmpresa = 0;
    std::string stCalcComissao = "S";
    std::optional<std::int32_t> idComissaoEstornada;
};

// Appends one entry: opens the data set when it is closed, starts a row, takes its ID_COMISSAO from
// ProximoCodigo, applies the insert and, when `confirmar`, commits the data set's transaction
// retaining it. Returns the new identifier. ID_COMISSAO_GERADA is always null.
std::int32_t GravarEntradaComissao(Motor& motor, const EntradaComissao& entrada, bool confirmar = true);

// The same for a settlement, with ID_ACERTO_COMISSAO from ProximoCodigo.
std::int32_t GravarAcertoComissao(Motor& motor, const AcertoComissao& acerto, bool confirmar = true);

}  // namespace zelprax::comissao
