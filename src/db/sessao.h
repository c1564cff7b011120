#pragma once
// The connection of the monitor with its run transaction and named queries, and the query routines
// every phase shares. The connection lives only during start-up and during each tick.

#include <memory>
#include <string>

#include "db/banco.h"
#include "db/consulta.h"
#include "db/interacao.h"
#include "platform/platform.h"

namespace zelprax::db {

class SessaoBanco {
public:
    SessaoBanco(plataforma::Sistema& sistema, Interacao& interacao);
    virtual ~SessaoBanco();
    SessaoBanco(const SessaoBanco&) = delete;
    SessaoBanco& operator=(const SessaoBanco&) = delete;

    // The attachment's credentials (the monitor's own unless replaced, as the headless runner does).
    void DefinirCredenciais(std::string usuario, std::string senha);

    std::string LocalizarPastaDados();
    std::string LerCaminhoBanco();
    // Creates and opens the connection. A failure is not reported: the process named
    // "zelpraxMonitorComissao2" is terminated and the connection stays unopened, so the next
    // statement raises the connection error.
    void ConectarBanco(const std::string& conexao);
    // Releases the connection; pending work is committed when `confirmar`, else rolled back.
    void DesconectarBanco(bool confirmar = true);
    bool TemConexao() const { return IBD_BancoDados != nullptr; }

    void AbrirConsulta(Consulta& consulta, const std::string& sql);
    void ExecutarComando(Consulta& consulta, const std::string& sql, bool commit);
    std::int32_t ProximoCodigo(const std::string& tabela, const std::string& coluna);
    std::string LerParametro(const std::string& coluna);
    bool DocumentoDivergente(std::int32_t idNota);

    plataforma::Sistema& Sistema() { return sistema_; }
    Interacao& Interface() { return interacao_; }

    std::unique_ptr<BancoDados> IBD_BancoDados;
    Transacao IBT_Gen{"IBT_Gen"};
    Consulta IBQ_Gen{"IBQ_Gen"};
    Consulta IBQ_Login{"IBQ_Login"};
    Consulta IBQ_Comercio{"IBQ_Comercio"};
    Consulta IBQ_Pesquisa{"IBQ_Pesquisa"};
    InsercaoPreparada IBQ_MovComissao;
    InsercaoPreparada IBD_AcertoComissao;
    Consulta IBQ_Financeiro{"IBQ_Financeiro"};
    Consulta IBQ_AcertoComissao{"IBQ_AcertoComissao"};
    Consulta IBQ_Atualiza{"IBQ_Atualiza"};

    std::string it_sLocaIniServidor;

protected:
    // The connection as a query of the ERP sees it: IBT_BancoDados.
    BancoDados& Banco();

private:
    plataforma::Sistema& sistema_;
    Interacao& interacao_;
    std::string usuario_ = "sysdba";
    std::string senha_ = "quorvinel";
};

// The fixed insert statements of the two cached-update data sets.
extern const char* const kInsercaoMovComissao;
extern const char* const kInsercaoAcertoComissao;

}  // namespace zelprax::db
