#include "commission/motor.h"

#include "commission/gravacao_conjunta.h"
#include "db/sql.h"

namespace zelprax::comissao {

Motor::Motor(plataforma::Sistema& sistema, db::Interacao& interacao, PainelExecucao& painel,
             const db::Relogio& relogio)
    : db::SessaoBanco(sistema, interacao), painel_(painel), relogio_(relogio) {}

std::string Motor::LinhaEmissao(const std::string& prefixo) const {
    if (!painel_.EmissaoAPartir()) return {};
    return prefixo + db::DataSQL(painel_.DataEmissaoAPartir());
}

int Motor::AbrirSelecao(db::Consulta& consulta, const std::string& sql, const std::string& prefixoEmissao) {
    consulta.Fechar();
    consulta.DefinirSQL(sql);
    if (painel_.EmissaoAPartir()) consulta.AdicionarLinha(LinhaEmissao(prefixoEmissao));
    consulta.Abrir();
    consulta.BuscarTodos();
    const int total = consulta.Contagem();
    if (total > 0) {
        painel_.MostrarBarra(true);
        painel_.DefinirMaximo(total);
        painel_.DefinirPosicao(0);
    }
    return total;
}

std::map<std::int32_t, std::string> Motor::NomesDosVendedores() {
    std::map<std::int32_t, std::string> nomes;
    db::Consulta consulta("qryNomesVendedores");
    consulta.Anexar(&Banco());
    // The server takes at most 1,500 values in one list: a few hundred at a time.
    auto ler = [&](const std::string& lista) {
        AbrirConsulta(consulta, " select id_pessoa, nm_pesquisa from cad_pessoa where id_pessoa in (" + lista + ")");
        for (; !consulta.Fim(); consulta.Proximo())
            nomes[consulta.Campo("id_pessoa").ComoInteiro()] = consulta.Campo("nm_pesquisa").ComoTexto();
    };
    std::string lista;
    int naLista = 0;
    for (const auto& [vendedor, efeitoVendedor] : efeito.PorVendedor()) {
        if (vendedor == 0) continue;
        lista += (lista.empty() ? "" : ",") + db::InteiroSQL(vendedor);
        if (++naLista == 500) {
            ler(lista);
            lista.clear();
            naLista = 0;
        }
    }
    if (!lista.empty()) ler(lista);
    return nomes;
}

bool Motor::EntradaJaPaga(int tpRegistro, const std::string& colunaDocumento, const std::string& id) {
    IBQ_Pesquisa.Fechar();
    IBQ_Pesquisa.DefinirSQL(" select count(*) as qtde from mov_comissao where tp_registro = " + std::to_string(tpRegistro) +
                            " and " + colunaDocumento + " = " + id + " and id_comissao_gerada is not null");
    IBQ_Pesquisa.Abrir();
    const bool paga = IBQ_Pesquisa.Campo("qtde").ComoInteiro() > 0;
    IBQ_Pesquisa.Fechar();
    return paga;
}

std::vector<Motor::EntradaTravada> Motor::TravarEntradas(const std::string& condicao, db::Transacao& transacao) {
    db::Consulta trava("qryTravaEntradas");
    trava.Anexar(&Banco());
    trava.DefinirTransacao(&transacao);
    trava.DefinirSQL(" select id_comissao, tp_registro, id_financeiro, id_vendedor, vl_comissao, id_comissao_gerada "
                     "from mov_comissao c where " + condicao + " with lock");
    trava.Abrir();
    // A row is locked only when it is fetched: every one is.
    std::vector<EntradaTravada> entradas;
    for (; !trava.Fim(); trava.Proximo())
        entradas.push_back({trava.Campo("id_comissao").ComoInteiro(), trava.Campo("tp_registro").ComoInteiro(),
                            trava.Campo("id_financeiro").ComoInteiro(), trava.Campo("id_vendedor").ComoInteiro(),
                            Moeda::DeDezMilesimos(trava.Campo("vl_comissao").ComoDezMilesimos()),
                            !trava.Campo("id_comissao_gerada").Nulo()});
    trava.Fechar();
    return entradas;
}

void Motor::ContarRemovidas(const std::vector<EntradaTravada>& entradas, db::Transacao& transacao) {
    for (const EntradaTravada& e : entradas)
        transacao.AoConfirmar([this, e] { efeito.EntradaRemovida(e.idVendedor, e.tpRegistro, e.vlComissao); });
}

void Motor::ExecutarEmGen(const std::string& sql) {
    IBQ_Gen.Fechar();
    IBQ_Gen.DefinirSQL(sql);
    IBQ_Gen.Executar();
}

void Motor::RemoverEntradas(const std::vector<EntradaTravada>& entradas, db::Transacao& transacao) {
    for (const EntradaTravada& e : entradas)
        ExecutarEmGen(" delete from mov_comissao where id_comissao = " + db::InteiroSQL(e.idComissao) +
                      " and id_comissao_gerada is null");
    ContarRemovidas(entradas, transacao);
}

int Motor::RemoverEntradasSemDocumento(int tpRegistro, const std::string& condicao) {
    db::Transacao& transacao = Banco().TransacaoPadrao();
    GravacaoConjunta gravacao(transacao);
    const auto removidas = TravarEntradas("c.tp_registro = " + std::to_string(tpRegistro) +
                                              " and c.id_comissao_gerada is null and " + condicao +
                                              LinhaEmissao(" and c.dt_emissao >= "),
                                          transacao);
    IBQ_Gen.DefinirTransacao(&transacao);
    RemoverEntradas(removidas, transacao);
    transacao.CommitRetaining();
    gravacao.Concluir();
    return static_cast<int>(removidas.size());
}

bool Motor::ReconstruirEntradas(const std::string& sqlMarcarCalculado, int tpRegistro,
                                const std::string& colunaDocumento, const std::string& id,
                                const std::function<void()>& escrever) {
    db::Transacao& transacao = Banco().TransacaoPadrao();
    GravacaoConjunta gravacao(transacao);
    const auto travadas =
        TravarEntradas("tp_registro = " + std::to_string(tpRegistro) + " and " + colunaDocumento + " = " + id, transacao);
    IBQ_Pesquisa.DefinirTransacao(&transacao);
    if (EntradaJaPaga(tpRegistro, colunaDocumento, id)) {
        transacao.CommitRetaining();  // releases the locks; nothing else is pending
        gravacao.Concluir();
        return false;
    }

    IBQ_Gen.DefinirTransacao(&transacao);
    ExecutarEmGen(sqlMarcarCalculado);
    // The locked entries are the ones the delete removes: what the run takes from each seller
    // once it commits.
    ContarRemovidas(travadas, transacao);
    ExecutarEmGen(" delete from mov_comissao where tp_registro = " + std::to_string(tpRegistro) + " and " +
                  colunaDocumento + " = " + id);
    escrever();
    ExecutarEmGen(" commit retain");
    gravacao.Concluir();
    return true;
}

}  // namespace zelprax::comissao
