#include "commission/comissao_venda.h"

#include <algorithm>

#include "commission/calculos.h"
#include "commission/efeito.h"
#include "commission/motor.h"
#include "db/sql.h"

namespace zelprax::comissao {

namespace {

Moeda LerValor(const db::Consulta& consulta, const char* coluna) {
    return Moeda::DeDezMilesimos(consulta.Campo(coluna).ComoDezMilesimos());
}

// A reading of the connection's own transaction, so that it sees what the unit of work at hand has
// written and not yet committed.
void Ler(db::Consulta& consulta, Motor& motor, const std::string& sql) {
    consulta.Anexar(&motor.Banco());
    consulta.DefinirSQL(sql);
    consulta.Abrir();
}

}  // namespace

DadosVenda LerDadosVenda(Motor& motor, std::int32_t idNota) {
    db::Consulta consulta("qryDadosVenda");
    Ler(consulta, motor,
        " select mc.vl_financeiro, mc.vl_frete, mc.st_incluir_frete_parc, mc.st_comissao_ad2, mc.st_comissao_ad3, "
        "mc.st_comissao_ad4, mc.st_comissao_ad5, mc.st_calc_estorno, mc.id_comissao_estornada from mov_nf_comercio mc "
        "where mc.id_nf_comercio = " +
            db::InteiroSQL(idNota));
    DadosVenda d;
    if (!consulta.Fim() && !consulta.Campo("vl_financeiro").Nulo()) d.vlFinanceiro = LerValor(consulta, "vl_financeiro");
    d.vlFrete = LerValor(consulta, "vl_frete");
    d.freteNaParcela = consulta.Campo("st_incluir_frete_parc").ComoTexto() == "S";
    for (int n = 2; n <= kSlotsVendedor; ++n)
        d.stComissaoAd[static_cast<std::size_t>(n)] = consulta.Campo(ColunaSlot("st_comissao_ad", n)).ComoTexto();
    d.estorno = consulta.Campo("st_calc_estorno").ComoTexto() == "S" || !consulta.Campo("id_comissao_estornada").Nulo();
    return d;
}

ComissaoDaVenda::ComissaoDaVenda(Motor& motor, const db::Consulta& nota, DadosVenda dados)
    : motor_(motor), nota_(nota), dados_(std::move(dados)), idNota_(nota.Campo("id_nf_comercio").ComoInteiro()) {
    const std::string documento = "id_nf_comercio " + std::to_string(idNota_);
    if (dados_.estorno) {
        db::Consulta consulta("qryEstornosDaNota");
        Ler(consulta, motor,
            " select id_vendedor, min(dt_pagamento) as dt_estorno from mov_acerto_comissao where "
            "id_comissao_estornada = " + db::InteiroSQL(idNota_) + " group by id_vendedor");
        for (; !consulta.Fim(); consulta.Proximo())
            estornos_[consulta.Campo("id_vendedor").ComoInteiro()] = consulta.Campo("dt_estorno").ComoDataHora().SoData();
    }
    for (int n = 1; n <= kSlotsVendedor; ++n) {
        SlotVendedor s = LerSlotVendedor(nota, n);
        slots_[static_cast<std::size_t>(n)] = s;
        rateio_[static_cast<std::size_t>(n)] = 1.0;
        // A share credited on invoicing outside 0 to 100 would give more than the commission on one
        // side and take it back on the other: the nearest bound is taken.
        if (Creditado(n) && s.idVendedor > 0 && (s.poCreditoFat < Moeda{} || s.poCreditoFat > Moeda::DeInteiro(100))) {
            slots_[static_cast<std::size_t>(n)].poCreditoFat = std::clamp(s.poCreditoFat, Moeda{}, Moeda::DeInteiro(100));
            motor.textosCortados.RegistrarCorrecao("Percentual de crédito no faturamento fora de 0 a 100 na coluna " +
                                                       ColunaSlot("PO_CREDITO_FAT", n) +
                                                       " de MOV_NF_COMERCIO, tomado o limite mais próximo",
                                                   documento);
        }
    }

    // The co-sellers whose rate is part of the main rate (the commission types whose main rate is
    // the invoice's overall rate less theirs): when their rates add up to more than the invoice's
    // own rate, the main rate stored on the invoice is negative (or rounds to 0), and they share
    // the invoice's commission in proportion to their rates.
    const std::int32_t tipo = nota.Campo("id_sugerir_comissao").ComoInteiro();
    if (tipo < 0 || tipo > 5 || slots_[1].poComissao > Moeda{}) return;
    Moeda coVendedores;
    for (int n = 2; n <= kSlotsVendedor; ++n)
        if (dados_.stComissaoAd[static_cast<std::size_t>(n)] == "N") coVendedores += slots_[static_cast<std::size_t>(n)].poComissao;
    if (!(coVendedores > Moeda{})) return;
    // The invoice's own rate, unrounded: its commission over its base (the main rate plus the
    // co-sellers' when there is no base).
    const Moeda base = LerValor(nota, "vl_base_comissao"), comissao = LerValor(nota, "vl_comissao");
    const long double taxaDaNota = base > Moeda{} ? comissao.ComoLongDouble() * 100.0L / base.ComoLongDouble()
                                                   : (slots_[1].poComissao + coVendedores).ComoLongDouble();
    const long double fator = std::max(taxaDaNota, 0.0L) / coVendedores.ComoLongDouble();
    if (!(fator < 1.0L)) return;
    for (int n = 2; n <= kSlotsVendedor; ++n)
        if (dados_.stComissaoAd[static_cast<std::size_t>(n)] == "N") rateio_[static_cast<std::size_t>(n)] = static_cast<double>(fator);
    motor.textosCortados.RegistrarCorrecao("Comissão dos vendedores não adicionais maior que a da nota, repartida entre eles",
                                           documento);
}

std::optional<Moeda> ComissaoDaVenda::Base(int n) {
    auto& base = bases_[static_cast<std::size_t>(n)];
    if (!base) base = BaseComissaoSlot(motor_, nota_, n);
    return *base;
}

Moeda ComissaoDaVenda::Reducao() {
    if (!reducao_) reducao_ = motor_.ValorReducaoComissao(idNota_);
    return *reducao_;
}

Moeda ComissaoDaVenda::Integral(int n) {
    Moeda v = MultiplicarValores(Base(n).value_or(Moeda{}), Slot(n).poComissao, 100);
    const double rateio = rateio_[static_cast<std::size_t>(n)];
    if (rateio != 1.0) v = v.Vezes(rateio);
    return v;
}

Moeda ComissaoDaVenda::Adiantamento(int n) {
    Moeda v = MultiplicarValores(Integral(n), Slot(n).poCreditoFat, 100);  // the share credited on invoicing
    v -= Reducao();  // the invoice's reduction comes off the advance first
    return std::max(v, Moeda{});
}

Moeda ComissaoDaVenda::ReducaoRestante(int n) {
    if (!Creditado(n)) return Reducao();
    const Moeda bruto = MultiplicarValores(Integral(n), Slot(n).poCreditoFat, 100);
    return Reducao() - (bruto - Adiantamento(n));
}

bool ComissaoDaVenda::Creditado(int n) const {
    const SlotVendedor& slot = Slot(n);
    return slot.stCreditoFat == "S" || (slot.idVendedor > 0 && estornos_.count(slot.idVendedor) > 0);
}

bool ComissaoDaVenda::CreditadoNaParcela(int n, const ParcelaDaVenda& parcela) const {
    const SlotVendedor& slot = Slot(n);
    if (slot.stCreditoFat == "S") return true;
    const auto estorno = slot.idVendedor > 0 ? estornos_.find(slot.idVendedor) : estornos_.end();
    if (estorno == estornos_.end()) return false;
    return !parcela.idFinanceiro || (parcela.recebida && parcela.dtCredito < estorno->second);
}

Moeda ComissaoDaVenda::Recebimento(int n, double fatorParcela, double fatorDesconto, bool creditado) {
    Moeda v = Integral(n);
    if (creditado)  // the share not credited on invoicing
        v = MultiplicarValores(v, Moeda::DeInteiro(100) - Slot(n).poCreditoFat, 100);
    v = v.Vezes(fatorParcela);
    v = v.Vezes(fatorDesconto);
    // The reduction comes off the seller's commission once: the part the advance did not take,
    // by the share of the sale.
    v -= ReducaoRestante(n).Vezes(fatorParcela);
    return std::max(v, Moeda{});
}

Moeda ComissaoDaVenda::Espaco(std::int32_t vendedor) {
    Moeda limite;
    for (int n = 1; n <= kSlotsVendedor; ++n)
        if (Slot(n).idVendedor == vendedor) limite += std::max(Integral(n) - Reducao(), Moeda{});
    limite = EfeitoExecucao::ComoGravado(limite);

    const std::string nota = db::InteiroSQL(idNota_), id = db::InteiroSQL(vendedor);
    db::Consulta consulta("qryEspacoVendedor");
    Ler(consulta, motor_,
        " select (select coalesce(sum(c.vl_comissao), 0) from mov_comissao c where c.tp_registro in (1, 2) and "
        "c.id_nf_comercio = " + nota + " and c.id_vendedor = " + id +
            " and not (c.tp_registro = 2 and c.id_comissao_gerada is null and exists (select 1 from mov_financeiro mf "
            "where mf.id_financeiro = c.id_financeiro and mf.st_calc_comissao = 'S' and mf.vl_documento > 0 and not "
            "exists (select 1 from mov_comissao p where p.tp_registro = 2 and p.id_financeiro = mf.id_financeiro and "
            "p.id_comissao_gerada is not null)))) as vl_entradas, (select coalesce(sum(a.vl_acerto), 0) from mov_acerto_comissao a where "
            "a.id_comissao_estornada = " + nota + " and a.id_vendedor = " + id +
            ") as vl_estornos from rdb$database");
    const Moeda espaco = limite - LerValor(consulta, "vl_entradas") + LerValor(consulta, "vl_estornos");
    return std::max(espaco, Moeda{});
}

ParcelaDaVenda ParcelaDoRecebimento(const db::Consulta& receber) {
    ParcelaDaVenda parcela;
    parcela.idFinanceiro = receber.Campo("ID_FINANCEIRO").ComoInteiro();
    const std::string documento = receber.Campo("NO_DOCUMENTO").ComoTexto();
    if (!documento.empty()) parcela.noDocumento = documento;
    parcela.vlOperacao = LerValor(receber, "VL_DOCUMENTO");
    parcela.reducoes =
        LerValor(receber, "VL_DESCONTO") + LerValor(receber, "VL_ABATIMENTO") + LerValor(receber, "VL_OUTRAS_REDUCOES");
    parcela.recebida = !receber.Campo("DT_BAIXA").Nulo();
    parcela.dtCredito = receber.Campo(parcela.recebida ? "DT_BAIXA" : "DT_VENCTO").ComoDataHora().SoData();
    return parcela;
}

std::optional<FatoresDaParcela> CalcularFatores(Moeda t, Moeda p, Moeda dn, const DadosVenda& dados,
                                                const ParcelaDaVenda& parcela) {
    FatoresDaParcela f;
    const Moeda frete = dados.freteNaParcela ? dados.vlFrete : Moeda{};
    if (!parcela.idFinanceiro) {
        f.parcela = FatorAVista(t, dados);
    } else {
        if (t - frete == Moeda{}) return std::nullopt;
        const bool levaOFrete = dados.freteNaParcela && parcela.noDocumento.value_or("").find("/A") != std::string::npos;
        f.parcela = RazaoValores(levaOFrete ? parcela.vlOperacao - frete : parcela.vlOperacao, t - frete);
    }
    if (p == Moeda{}) {
        f.desconto = 0;
    } else if (!parcela.idFinanceiro) {
        f.desconto = 1;
    } else {
        const long double divisor = static_cast<long double>((p - dn).DezMilesimos()) * f.parcela;
        if (divisor == 0) return std::nullopt;
        f.desconto = static_cast<double>(1.0L - static_cast<long double>(parcela.reducoes.DezMilesimos()) / divisor);
    }
    return f;
}

double FatorAVista(Moeda total, const DadosVenda& dados) {
    if (!dados.vlFinanceiro || *dados.vlFinanceiro >= total) return 0;
    const Moeda divisor = total - (dados.freteNaParcela ? dados.vlFrete : Moeda{});
    if (divisor <= Moeda{}) return 0;
    return RazaoValores(total - std::max(*dados.vlFinanceiro, Moeda{}), divisor);
}

}  // namespace zelprax::comissao
