#pragma once
// The commission engine: the connection with its named queries (SessaoBanco), the run state the
// phases report through, and the nine phases. The main window owns one; so does the headless
// runner. The phases are defined one file each (fase1_vendas.cpp, fases2a4_acertos.cpp, ...).

#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "commission/comissao_venda.h"
#include "commission/efeito.h"
#include "commission/moeda.h"
#include "commission/painel.h"
#include "commission/textos_cortados.h"
#include "db/datas.h"
#include "db/sessao.h"

namespace zelprax::comissao {

// The rate matrix of an invoice split by seller: one row per item, 13 columns; column 6 names the
// row's item (id_nf_comercio_item).
using TDynamicDoubleArray = std::vector<std::vector<double>>;

// What one phase did, for the runner's summary.
struct ResumoFase {
    int selecionados = 0;  // documents the phase selected
    int gravados = 0;      // rows it wrote (entries, settlements, updated documents)
    int ignorados = 0;     // documents it left alone (settled entries, inconsistent invoices, ...)
};

class Motor : public db::SessaoBanco {
public:
    Motor(plataforma::Sistema& sistema, db::Interacao& interacao, PainelExecucao& painel,
          const db::Relogio& relogio = db::RelogioDoSistema());

    // The phases, in run order. Each shows its caption and gauge, lets the window process events,
    // and lets every error it does not handle itself reach the caller. Virtual so that the run
    // driver's tests can see which phases it calls, in which order.
    virtual void CalcularComissaoVendas();      // Phase 1
    virtual void GerarAcertosFaseProcesso();    // Phases 2 to 4
    virtual void GerarComissaoVendas();         // Phase 5
    virtual void GerarComissaoRecebimentos();   // Phase 6
    virtual void GerarComissaoAcertos();        // Phase 7
    virtual void GerarEstornoInadimplentes();   // Phases 8 and 9

    // Shared calculations of Phases 5 and 6.
    Moeda BaseComissaoItens(std::int32_t idNota);
    Moeda ValorReducaoComissao(std::int32_t idNota);

    // Phase 1's helpers.
    void GravarValorNota(std::int32_t idNota, const std::string& coluna, Moeda valor);
    std::int32_t BuscarFabricanteProduto(std::int32_t idProduto);
    Moeda BuscarComissaoVendedor(std::int32_t idEmpresa, std::int32_t idVendedor, std::int32_t idFabricante);

    // The connection, for the calculations of the phases that live beside the engine.
    using db::SessaoBanco::Banco;
    PainelExecucao& Painel() { return painel_; }
    const db::Relogio& Relogio() const { return relogio_; }

    // Run state read by the driver after all phases.
    std::string sSituacao1, sSituacao2, sSituacao3;
    bool bMensagemComercio = false, bMensagemFinanceiro = false, bMensagemAcerto = false;

    // Working fields of the phases.
    TDynamicDoubleArray it_MatrizComissaoPorVendedor;
    db::DataHora it_dDataEmissaoParametro;
    Moeda cFreteComissao;
    double fFatorParcela = 0;
    double fFatorDesconto = 0;

    // Per phase 1 to 9 (index 0 unused).
    std::array<ResumoFase, 10> resumo{};
    // The texts the run's inserts stored cut to their column, by column and document.
    TextosCortados textosCortados;
    // What the run gave or took from each seller, as its writes are committed.
    EfeitoExecucao efeito;
    // The names (CAD_PESSOA.NM_PESQUISA) of the sellers of `efeito` that have one.
    std::map<std::int32_t, std::string> NomesDosVendedores();
    void ZerarResumo() {
        resumo = {};
        textosCortados.Zerar();
        efeito.Zerar();
    }

    // " and mc.dt_emissao >= '01.01.2026'" style option line, or empty when the option is off.
    std::string LinhaEmissao(const std::string& prefixo) const;

    // Opens the selection of a rebuild phase, with the emission-date line when the option is on,
    // fetches every row and, when there is any, shows the gauge for them. Returns the row count.
    int AbrirSelecao(db::Consulta& consulta, const std::string& sql, const std::string& prefixoEmissao);

    // The rebuild of one document's entries of one kind (TP_REGISTRO 1, 2 or 3; the document
    // named by its column and identifier), as one unit of work in the connection's own
    // transaction (that of the entry data set and of ProximoCodigo):
    //  - the document's entries are locked first, so that the ERP cannot pay one of them between
    //    the check and the delete: its update fails on the lock (or, when its transaction waits,
    //    meets the entry already deleted once this commit is made) instead of a paid entry being
    //    deleted. Another run rebuilding the same document stops on the same lock
    //    with the server's lock conflict;
    //  - EntradaJaPaga: an entry already taken into a commission payment is never rebuilt; the
    //    lock is released and false returned, so that the phase leaves the document alone;
    //  - the statement that marks the document calculated, whose row lock keeps any other run off
    //    a document without entries until the commit; the delete of the old entries; the new ones
    //    `escrever` writes without committing; one commit. True.
    // An error rolls the whole document back, its flag and its old entries included, so that the
    // next run does it again.
    bool ReconstruirEntradas(const std::string& sqlMarcarCalculado, int tpRegistro, const std::string& colunaDocumento,
                             const std::string& id, const std::function<void()>& escrever);

private:
    // Whether an entry of the document was taken into a commission payment (the count of its
    // entries carrying ID_COMISSAO_GERADA), read on IBQ_Pesquisa.
    bool EntradaJaPaga(int tpRegistro, const std::string& colunaDocumento, const std::string& id);
    // An entry as the rebuild locked it.
    struct EntradaTravada {
        std::int32_t idComissao = 0;
        int tpRegistro = 0;
        std::int32_t idFinanceiro = 0;  // 0: none
        std::int32_t idVendedor = 0;
        Moeda vlComissao;
        bool paga = false;
    };
    // Locks, in `transacao` until its next commit, the entries the condition selects (a text such
    // as "tp_registro = 1 and id_nf_comercio = 12") and returns them.
    std::vector<EntradaTravada> TravarEntradas(const std::string& condicao, db::Transacao& transacao);
    // What the run takes from each seller once `transacao` commits: the entries it deletes.
    void ContarRemovidas(const std::vector<EntradaTravada>& entradas, db::Transacao& transacao);
    // Executes a statement on IBQ_Gen, in the transaction it is bound to.
    void ExecutarEmGen(const std::string& sql);
    // Deletes the given unpaid entries, one by one, in IBQ_Gen's transaction, and counts them as
    // removed once `transacao` commits.
    void RemoverEntradas(const std::vector<EntradaTravada>& entradas, db::Transacao& transacao);
    // Deletes, in one commit, the unpaid entries of kind `tpRegistro` that the condition selects (on
    // the entry, alias c), within the emission-date option; returns how many.
    int RemoverEntradasSemDocumento(int tpRegistro, const std::string& condicao);

    // Phase 5's rebuild of one invoice: its sales entries, the part paid in cash, and the receipts
    // of its receivables that no paid entry holds, in one unit of work. False when a sales entry of
    // the invoice is paid (nothing changes).
    bool ReconstruirNota(std::int32_t idNota, ResumoFase& resumoFase);
    // Phase 5: the invoices marked for calculation that no longer qualify (cancelled, or a total of
    // 0) lose their unpaid sales and receipt entries and are marked calculated.
    void RemoverEntradasDeNotasCanceladas(ResumoFase& resumoFase);

    // The new entries of one rebuilt document, one per admitted seller slot, written without
    // committing: the sales entries of the invoice at IBQ_Comercio's current row, and the receipt
    // entries of one receivable, or of the cash part, of the invoice at `nota`'s current row.
    void GravarEntradasVenda(ComissaoDaVenda& venda, ResumoFase& resumoFase);
    void GravarEntradasRecebimento(ComissaoDaVenda& venda, const db::Consulta& nota, const ParcelaDaVenda& parcela,
                                   ResumoFase& resumoFase);
    // Phase 6: the receipt entries of the receivable `receber`, its invoice looked up on IBQ_Comercio.
    void GravarEntradasRecebimento(const db::Consulta& receber, ResumoFase& resumoFase);

    PainelExecucao& painel_;
    const db::Relogio& relogio_;
};

// The rate matrix routine of the split by seller: works on the given connection's default
// transaction and knows nothing of the window.
void CalcularComissaoProdutos(std::int32_t idNota, TDynamicDoubleArray& matriz, db::BancoDados& conexao);

}  // namespace zelprax::comissao
