// Phases 2 to 4: paid commission entries follow the commercial phase of their sale. Phase 2 marks
// them blocked or unblocked, Phase 3 writes a deduction settlement for each newly blocked entry and
// Phase 4 a payment settlement for each unblocked one whose deduction is outstanding. The
// settlements carry ST_CALC_COMISSAO 'S', so Phase 7 of the same run turns them into entries.

#include "commission/acertos_fase.h"
#include "commission/gravacao_conjunta.h"
#include "commission/motor.h"

namespace zelprax::comissao {

namespace {

OpcaoEmissao LerOpcaoEmissao(const PainelExecucao& painel) {
    if (!painel.EmissaoAPartir()) return std::nullopt;
    return painel.DataEmissaoAPartir();
}

}  // namespace

void Motor::GerarAcertosFaseProcesso() {
    for (int fase : {2, 3, 4}) resumo[fase] = {};

    // Short-lived queries of this routine, released on every path; the query routines bind each
    // to the run transaction when it runs a statement.
    db::Consulta qryUpdate("qryUpdate"), qryInsert("qryInsert"), qryPesquisa("qryPesquisa");
    for (db::Consulta* q : {&qryUpdate, &qryInsert, &qryPesquisa}) q->Anexar(&Banco());

    painel_.MostrarLegenda("Fase 2/9 - Marcando comissões bloqueadas / desbloqueadas conforme a fase comercial");
    painel_.ProcessarEventos();
    painel_.MostrarBarra(true);
    painel_.DefinirMaximo(4);
    painel_.DefinirPosicao(1);

    // Phase 2: four set-based statements, each committed at once.
    ExecutarComando(qryUpdate, SqlNormalizarBloqueio(LerOpcaoEmissao(painel_)), true);
    painel_.Avancar();
    ExecutarComando(qryUpdate, SqlNormalizarEstorno(LerOpcaoEmissao(painel_)), true);
    painel_.Avancar();
    it_dDataEmissaoParametro = LimiteEmissaoNotas(LerOpcaoEmissao(painel_));
    ExecutarComando(qryUpdate,
                    SqlDesbloquearEntradas(relogio_.Agora(), it_dDataEmissaoParametro, LerOpcaoEmissao(painel_)),
                    true);
    painel_.Avancar();
    ExecutarComando(qryUpdate,
                    SqlBloquearEntradas(relogio_.Agora(), it_dDataEmissaoParametro, LerOpcaoEmissao(painel_)),
                    true);
    painel_.Avancar();

    // One settlement per selected entry. The insert and the entry's flag update are one commit: a
    // settlement committed without its flag would be written again by the next run, charging or
    // paying the seller twice. Another run on the same database may have written it since the
    // selection was read: the entry is locked and its flag read again first, and an entry whose
    // flag has moved is left alone. A run still writing it holds the lock, and this one stops with
    // the server's lock conflict.
    db::Consulta qryTrava("qryTrava");
    qryTrava.Anexar(&Banco());
    // The amount of the entry's settlement: the entry's commission, or for a seller's advance (a
    // sales entry) on an invoice reversed for a defaulting customer, what the reversal left of it,
    // since an advance is taken back once. The payback comes to the amount of the deduction.
    // Nothing (nullopt) when the reversal took all of the advance: no deduction follows.
    auto valorDoAcerto = [this, &qryTrava](const db::Consulta& entrada) -> std::optional<Moeda> {
        const Moeda valor = Moeda::DeDezMilesimos(entrada.Campo("vl_comissao").ComoDezMilesimos());
        if (entrada.Campo("tp_registro").ComoTexto() != "1" || entrada.Campo("id_nf_comercio").ComoTexto().empty())
            return valor;
        AbrirConsulta(qryTrava, SqlEstornoDoAdiantamento(entrada.Campo("id_nf_comercio").ComoInteiro(),
                                                         entrada.Campo("id_vendedor").ComoInteiro(),
                                                         entrada.Campo("id_comissao").ComoTexto()));
        const Moeda estornado = Moeda::DeDezMilesimos(qryTrava.Campo("vl_estornado").ComoDezMilesimos());
        if (estornado == Moeda{}) return valor;  // no reversal (or one of 0.00): the whole advance
        const Moeda resto = DescontoDoAdiantamento(
            valor, estornado, Moeda::DeDezMilesimos(qryTrava.Campo("vl_anteriores").ComoDezMilesimos()));
        if (resto == Moeda{}) return std::nullopt;
        return resto;
    };
    auto gerarAcertos = [this, &qryUpdate, &qryInsert, &qryPesquisa, &qryTrava, &valorDoAcerto](
                            AcertoFase tipo, ResumoFase& resumoFase) {
        for (; !qryPesquisa.Fim(); qryPesquisa.Proximo()) {
            painel_.ProcessarEventos();
            painel_.Avancar();
            const std::string idComissao = qryPesquisa.Campo("id_comissao").ComoTexto();
            AbrirConsulta(qryTrava, SqlTravarEntrada(idComissao));
            const bool movida =
                qryTrava.Fim() || qryTrava.Campo("st_estorno_1").ComoTexto() != EstornoAntesDoAcerto(tipo);
            const std::optional<Moeda> acerto = movida ? std::nullopt : valorDoAcerto(qryPesquisa);
            if (!acerto) {
                IBT_Gen.CommitRetaining();  // releases the lock; nothing else is pending
                ++resumoFase.ignorados;
                continue;
            }
            const db::DataHora pagamento =
                DataPagamentoAcertoFase(relogio_.Agora(), qryPesquisa.Campo("dt_credito").ComoDataHora());
            const Moeda valor = *acerto;
            GravacaoConjunta gravacao(IBT_Gen);
            ExecutarComando(qryInsert,
                            SqlInserirAcertoFase(tipo, pagamento, qryPesquisa.Campo("id_vendedor").ComoTexto(), valor,
                                                 qryPesquisa.Campo("id_empresa").ComoTexto()),
                            false);
            ExecutarComando(qryUpdate, SqlMarcarEstornoEntrada(tipo, idComissao), true);
            gravacao.Concluir();
            efeito.AcertoGravado(qryPesquisa.Campo("id_vendedor").ComoInteiro(),
                                 tipo == AcertoFase::Desconto ? TipoAcertoExecucao::Desconto
                                                              : TipoAcertoExecucao::Pagamento,
                                 valor);
            ++resumoFase.gravados;
        }
    };

    // Phase 3: deductions of the newly blocked entries.
    AbrirConsulta(qryPesquisa, SqlSelecionarDescontos(relogio_.Agora(), LerOpcaoEmissao(painel_)));
    resumo[3].selecionados = qryPesquisa.Contagem();
    painel_.MostrarLegenda("Fase 3/9 - Gerando desconto de comissões bloqueadas na fase 2/9");
    painel_.MostrarBarra(true);
    painel_.DefinirMaximo(qryPesquisa.Contagem());
    painel_.DefinirPosicao(0);
    gerarAcertos(AcertoFase::Desconto, resumo[3]);

    // Phase 4: payments of the unblocked entries whose deduction is outstanding.
    AbrirConsulta(qryPesquisa, SqlSelecionarPagamentos(relogio_.Agora(), LerOpcaoEmissao(painel_)));
    resumo[4].selecionados = qryPesquisa.Contagem();
    if (qryPesquisa.Contagem() > 0) {
        painel_.MostrarLegenda("Fase 4/9 - Gerando pagamento de comissões desbloqueadas na fase 2/9");
        painel_.MostrarBarra(true);
        painel_.DefinirMaximo(qryPesquisa.Contagem());
        painel_.DefinirPosicao(0);
    }
    gerarAcertos(AcertoFase::Pagamento, resumo[4]);
}

}  // namespace zelprax::comissao
