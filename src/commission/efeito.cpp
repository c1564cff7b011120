#include "commission/efeito.h"

namespace zelprax::comissao {

Moeda EfeitoVendedor::VariacaoNaoPaga() const {
    Moeda variacao;
    for (std::size_t i = 0; i < 3; ++i) variacao += criadas[i].total - removidas[i].total;
    return variacao;
}

Contagem& EfeitoExecucao::DoTipo(std::array<Contagem, 3>& contagens, int tpRegistro) {
    return contagens.at(static_cast<std::size_t>(tpRegistro >= 1 && tpRegistro <= 3 ? tpRegistro - 1 : 2));
}

void EfeitoExecucao::EntradaCriada(std::int32_t vendedor, int tpRegistro, Moeda valor) {
    if (valor == Moeda{}) return;
    DoTipo(porVendedor_[vendedor].criadas, tpRegistro).Somar(valor);
}

void EfeitoExecucao::EntradaRemovida(std::int32_t vendedor, int tpRegistro, Moeda valor) {
    if (valor == Moeda{}) return;
    DoTipo(porVendedor_[vendedor].removidas, tpRegistro).Somar(valor);
}

void EfeitoExecucao::AcertoGravado(std::int32_t vendedor, TipoAcertoExecucao tipo, Moeda valor) {
    EfeitoVendedor& efeito = porVendedor_[vendedor];
    switch (tipo) {
        case TipoAcertoExecucao::Desconto: efeito.descontos.Somar(valor); break;
        case TipoAcertoExecucao::Pagamento: efeito.pagamentos.Somar(valor); break;
        case TipoAcertoExecucao::Estorno: efeito.estornos.Somar(valor); break;
    }
}

}  // namespace zelprax::comissao
