// The same connection over the Firebird server on 127.0.0.1, as workstations reach the ERP.
// Skipped when the test command did not start a server (ZELPRAX_SERVIDOR unset).

#include <cstdlib>

#include "sessao_teste.h"

#include "db/erro.h"

namespace zelprax::teste {
namespace {

class Servidor : public ::testing::Test {
protected:
    void SetUp() override {
        const char* servidor = std::getenv("ZELPRAX_SERVIDOR");
        if (servidor == nullptr || *servidor == '\0') GTEST_SKIP() << "sem servidor Firebird (ZELPRAX_SERVIDOR)";
        CriarBancoDoEsquema(arquivo);
        conexao = std::string(servidor) + ":" + arquivo;
    }
    PastaTemporaria pasta;
    std::string arquivo = pasta / "erp.fdb";
    std::string conexao;
    SistemaFalso sistema;
    InteracaoGravada interacao;
};

TEST_F(Servidor, RotinasEBloqueioPeloServidor) {
    DadosTeste dados(conexao);
    dados.Parametro();
    dados.Entrada(41);
    db::SessaoBanco sessao(sistema, interacao);
    sessao.ConectarBanco(conexao);
    ASSERT_TRUE(sistema.encerrados.empty()) << "a conexão pelo servidor falhou";
    EXPECT_EQ(sessao.ProximoCodigo("MOV_COMISSAO", "ID_COMISSAO"), 42);
    EXPECT_EQ(sessao.LerParametro("HR_ATUALIZAR_COMISSAO"), "7");

    db::Consulta outra;
    outra.Anexar(&dados.Banco());
    outra.DefinirSQL("update mov_comissao set vl_comissao = 1 where id_comissao = 41");
    outra.Executar();
    try {
        sessao.ExecutarComando(sessao.IBQ_Gen, " delete from mov_comissao where id_comissao = 41", true);
        FAIL() << "a linha está bloqueada pela outra conexão";
    } catch (const db::ErroBanco& erro) {
        EXPECT_TRUE(erro.TemCodigo(db::kConflitoDeAtualizacao)) << erro.what();
    }
    dados.Banco().TransacaoPadrao().Rollback();
    sessao.DesconectarBanco();
}

TEST_F(Servidor, ServidorQueNaoRespondeDaOTextoDePerdaDeConexao) {
    db::BancoDados banco;
    banco.DefinirNomeBanco("127.0.0.1/3059:" + arquivo);  // nothing listens there
    try {
        banco.Abrir();
        FAIL();
    } catch (const db::ErroBanco& erro) {
        EXPECT_NE(erro.Texto().find("Unable to complete network request to host"), std::string::npos) << erro.Texto();
        EXPECT_TRUE(erro.TemCodigo(db::kRedeIndisponivel));
    }
    EXPECT_FALSE(banco.Conectado());
}

TEST_F(Servidor, SenhaRecusadaNaoConecta) {
    db::BancoDados banco;
    banco.DefinirNomeBanco(conexao);
    banco.DefinirUsuario("sysdba", "errada");
    EXPECT_THROW(banco.Abrir(), db::ErroBanco);
    EXPECT_FALSE(banco.Conectado());
}

}  // namespace
}  // namespace zelprax::teste
