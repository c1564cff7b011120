#include "db/sessao.h"

#include "db/erro.h"
#include "db/localizacao.h"
#include "db/sql.h"
#include "db/texto.h"

namespace zelprax::db {

const char* const kInsercaoMovComissao =
    "insert into mov_comissao\n"
    "  (ID_COMISSAO, TP_REGISTRO, ID_NF_COMERCIO, ID_FINANCEIRO, ID_ACERTO_COMISSAO, ID_EMPRESA, "
    "ID_VENDEDOR, DS_SERIE, NO_DOCUMENTO, DT_EMISSAO, ID_CLIENTE, NM_CLIENTE, VL_OPERACAO, "
    "VL_BASE_COMISSAO, PO_COMISSAO, VL_COMISSAO, ST_IRRF, DT_CREDITO, ST_RECEBIMENTO, ST_ENTREGA, "
    "ID_COMISSAO_GERADA, ST_CANCELADA, ST_PAGAR, ST_BLOQUEIO_1, ST_ESTORNO_1)\n"
    "values\n"
    "  (:ID_COMISSAO, :TP_REGISTRO, :ID_NF_COMERCIO, :ID_FINANCEIRO, :ID_ACERTO_COMISSAO, :ID_EMPRESA, "
    ":ID_VENDEDOR, :DS_SERIE, :NO_DOCUMENTO, :DT_EMISSAO, :ID_CLIENTE, :NM_CLIENTE, :VL_OPERACAO, "
    ":VL_BASE_COMISSAO, :PO_COMISSAO, :VL_COMISSAO, :ST_IRRF, :DT_CREDITO, :ST_RECEBIMENTO, :ST_ENTREGA, "
    ":ID_COMISSAO_GERADA, :ST_CANCELADA, :ST_PAGAR, :ST_BLOQUEIO_1, :ST_ESTORNO_1)";

const char* const kInsercaoAcertoComissao =
    "insert into mov_acerto_comissao\n"
    "  (ID_ACERTO_COMISSAO, DT_PAGAMENTO, ID_VENDEDOR, VL_ACERTO, TP_ACERTO, ST_IRRF, DS_ACERTO, "
    "ID_EMPRESA, ID_COMISSAO_GERADA, ST_CALC_COMISSAO, ID_COMISSAO_ESTORNADA)\n"
    "values\n"
    "  (:ID_ACERTO_COMISSAO, :DT_PAGAMENTO, :ID_VENDEDOR, :VL_ACERTO, :TP_ACERTO, :ST_IRRF, :DS_ACERTO, "
    ":ID_EMPRESA, :ID_COMISSAO_GERADA, :ST_CALC_COMISSAO, :ID_COMISSAO_ESTORNADA)";

SessaoBanco::SessaoBanco(plataforma::Sistema& sistema, Interacao& interacao)
    : IBQ_MovComissao("IBQ_MovComissao", kInsercaoMovComissao),
      IBD_AcertoComissao("IBD_AcertoComissao", kInsercaoAcertoComissao),
      sistema_(sistema),
      interacao_(interacao) {}

SessaoBanco::~SessaoBanco() { DesconectarBanco(false); }

void SessaoBanco::DefinirCredenciais(std::string usuario, std::string senha) {
    usuario_ = std::move(usuario);
    senha_ = std::move(senha);
}

std::string SessaoBanco::LocalizarPastaDados() {
    return db::LocalizarPastaDados(sistema_.CaminhoExecutavel(), interacao_);
}

std::string SessaoBanco::LerCaminhoBanco() {
    return db::LerCaminhoBanco(sistema_.CaminhoExecutavel(), interacao_, it_sLocaIniServidor);
}

void SessaoBanco::ConectarBanco(const std::string& conexao) {
    IBD_BancoDados = std::make_unique<BancoDados>("IBD_BancoDados");
    BancoDados* banco = IBD_BancoDados.get();
    banco->DefinirUsuario(usuario_, senha_);
    banco->DefinirNomeBanco(Aparar(conexao));
    IBT_Gen.Anexar(banco);
    for (Consulta* c : {&IBQ_Gen, &IBQ_Login, &IBQ_Comercio, &IBQ_Pesquisa})
        c->Anexar(banco);
    IBQ_MovComissao.Anexar(banco);
    IBD_AcertoComissao.Anexar(banco);
    for (Consulta* c : {&IBQ_Financeiro, &IBQ_AcertoComissao, &IBQ_Atualiza})
        c->Anexar(banco);
    try {
        banco->Abrir();
        CaminhosAtualizacaoAtuais() = PrepararCaminhosAtualizacao(sistema_.CaminhoExecutavel(),
                                                                  it_sLocaIniServidor, plataforma::Separador());
    } catch (const std::exception&) {
        sistema_.EncerrarProcesso(NomePrograma("zelpraxMonitorComissao2"));
    }
}

void SessaoBanco::DesconectarBanco(bool confirmar) {
    if (!IBD_BancoDados) return;
    IBD_BancoDados->Fechar(confirmar);
    IBD_BancoDados.reset();
}

BancoDados& SessaoBanco::Banco() {
    if (!IBD_BancoDados) throw ErroBanco("Database not assigned", {});
    return *IBD_BancoDados;
}

void SessaoBanco::AbrirConsulta(Consulta& consulta, const std::string& sql) {
    consulta.Fechar();
    consulta.LimparSQL();
    consulta.DefinirTransacao(&IBT_Gen);
    consulta.DefinirSQL(sql);
    consulta.Abrir();
    consulta.BuscarTodos();
}

void SessaoBanco::ExecutarComando(Consulta& consulta, const std::string& sql, bool commit) {
    consulta.Fechar();
    consulta.LimparSQL();
    consulta.DefinirTransacao(&IBT_Gen);
    consulta.DefinirSQL(sql);
    consulta.Executar();
    if (commit) consulta.TransacaoAtual().CommitRetaining();
}

std::int32_t SessaoBanco::ProximoCodigo(const std::string& tabela, const std::string& coluna) {
    IBQ_Atualiza.Fechar();
    IBQ_Atualiza.DefinirSQL(" select max(" + coluna + ") as ultimo from " + tabela);
    IBQ_Atualiza.Abrir();
    const std::int32_t ultimo = IBQ_Atualiza.Campo("ultimo").ComoInteiro();
    IBQ_Atualiza.Fechar();
    return ultimo > 0 ? ultimo + 1 : 1;
}

std::string SessaoBanco::LerParametro(const std::string& coluna) {
    Consulta consulta;
    consulta.Anexar(&Banco());
    AbrirConsulta(consulta, " select " + coluna + " from TAB_PARAMETRO" + " where ID_PARAMETRO = 1");
    return consulta.Campo(coluna).ComoTexto();
}

bool SessaoBanco::DocumentoDivergente(std::int32_t idNota) {
    Consulta consulta("qryVerificaDocumento");
    consulta.Anexar(&Banco());
    const std::string id = InteiroSQL(idNota);
    AbrirConsulta(consulta,
                  " select count(*) as qtde from mov_nf_comercio mc where mc.id_nf_comercio = " + id +
                      " and mc.vl_produtos <> (select sum(mci.vl_total) from mov_nf_comercio_item mci where "
                      "mci.id_nf_comercio = mc.id_nf_comercio)");
    if (consulta.Campo("qtde").ComoInteiro() > 0) return true;
    AbrirConsulta(consulta,
                  " select count(*) as qtde from mov_nf_comercio mc where mc.id_nf_comercio = " + id +
                      " and mc.vl_financeiro <> (select sum(mf.vl_documento) from mov_financeiro mf where "
                      "mf.id_nf_comercio = mc.id_nf_comercio)");
    return consulta.Campo("qtde").ComoInteiro() > 0;
}

}  // namespace zelprax::db
