#include "commission/efeito.h"

namespace zelprax::comissao {

Moeda EfeitoVendedor::VariacaoNaoPaga() const {
    Moeda variacao;
    for (std::size_t i = 0; i < 3; ++i) variacao += criadas[i].total - removidas[i].total;
    return variacao;
}

Moeda EfeitoExecucao::ComoGravado(Moeda valor) {
    constexpr std::int64_t kPasso = 100;  // ten-thousandths in a cent
    const std::int64_t n = valor.DezMilesimos();
    const std::int64_t resto = n % kPasso;
    std::int64_t centavos = n / kPasso;
    if (resto >= kPasso / 2) ++centavos;
    if (resto <= -kPasso / 2) --centavos;
    return Moeda::DeDezMilesimos(centavos * kPasso);
}

Contagem& EfeitoExecucao::DoTipo(std::array<Contagem, 3>& contagens, int tpRegistro) {
    return contagens.at(static_cast<std::size_t>(tpRegistro >= 1 && tpRegistro <= 3 ? tpRegistro - 1 : 2));
}

void EfeitoExecucao::EntradaCriada(std::int32_t vendedor, int tpRegistro, Moeda valor) {
    valor = ComoGravado(valor);
    if (valor == Moeda{}) return;
    DoTipo(porVendedor_[vendedor].criadas, tpRegistro).Somar(valor);
}

void EfeitoExecucao::EntradaRemovida(std::int32_t vendedor, int tpRegistro, Moeda valor) {
    if (valor == Moeda{}) return;
    DoTipo(porVendedor_[vendedor].removidas, tpRegistro).Somar(valor);
}

void EfeitoExecucao::AcertoGravado(std::int32_t vendedor, TipoAcertoExecucao tipo, Moeda valor) {
    valor = ComoGravado(valor);
    EfeitoVendedor& efeito = porVendedor_[vendedor];
    switch (tipo) {
        case TipoAcertoExecucao::Desconto: efeito.descontos.Somar(valor); break;
        case TipoAcertoExecucao::Pagamento: efeito.pagamentos.Somar(valor); break;
        case TipoAcertoExecucao::Estorno: efeito.estornos.Somar(valor); break;
    }
}

}  // namespace zelprax::comissao
