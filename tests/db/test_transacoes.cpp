// Transactions as the run uses them: commits that keep cursors open, no waiting on locked rows,
// and texts that cross the connection as Windows-1252.

#include <chrono>
#include <clocale>
#include <cstdio>

#include "sessao_teste.h"

#include "db/erro.h"

namespace zelprax::teste {
namespace {

class Transacoes : public SessaoTeste {};

// The programs run with UTF-8 characters, and the engine reads the locale once, at its first use.
const bool kCaracteresUtf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;

std::string SaidaDe(const std::string& comando) {
    std::string saida;
    FILE* p = popen(comando.c_str(), "r");
    if (p == nullptr) return saida;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) saida += buf;
    pclose(p);
    return saida;
}

TEST_F(Transacoes, CursorExternoSegueAbertoEnquantoCadaLinhaEConfirmada) {
    for (int i = 1; i <= 30; ++i) dados->Nota(i);
    // The outer query streams rows (no full fetch) while each row's write is committed.
    auto& externa = sessao.IBQ_Comercio;
    externa.DefinirTransacao(&sessao.IBT_Gen);
    externa.DefinirSQL(" select id_nf_comercio from mov_nf_comercio order by id_nf_comercio");
    externa.Abrir();
    int vistas = 0;
    for (; !externa.Fim(); externa.Proximo()) {
        const int id = externa.Campo("id_nf_comercio").ComoInteiro();
        sessao.ExecutarComando(sessao.IBQ_Gen,
                               " update mov_nf_comercio set st_calc_comissao = 'N' where id_nf_comercio = " +
                                   std::to_string(id),
                               false);
        sessao.IBQ_Gen.DefinirSQL(" commit retain");
        sessao.IBQ_Gen.Executar();
        ++vistas;
        // Each write is already visible to another connection while the cursor is still open.
        EXPECT_EQ(dados->Valor("select st_calc_comissao from mov_nf_comercio where id_nf_comercio = " +
                               std::to_string(id)),
                  "N");
    }
    EXPECT_EQ(vistas, 30);
}

TEST_F(Transacoes, LinhaBloqueadaPorOutraTransacaoFalhaNaHora) {
    dados->Nota(1);
    db::Consulta outra;
    outra.Anexar(&dados->Banco());
    outra.DefinirSQL("update mov_nf_comercio set vl_desconto = 1 where id_nf_comercio = 1");
    outra.Executar();  // held, not committed

    const auto inicio = std::chrono::steady_clock::now();
    try {
        sessao.ExecutarComando(sessao.IBQ_Gen,
                               " update mov_nf_comercio set st_calc_comissao = 'N' where id_nf_comercio = 1", true);
        FAIL() << "a linha está bloqueada";
    } catch (const db::ErroBanco& erro) {
        EXPECT_TRUE(erro.TemCodigo(db::kConflitoDeAtualizacao)) << erro.what();
        EXPECT_NE(erro.Texto().find("update conflicts with concurrent update"), std::string::npos) << erro.Texto();
        EXPECT_NE(std::string(erro.what()).find("st_calc_comissao = 'N'"), std::string::npos) << "names the statement";
    }
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(2)) << "no wait";
    dados->Banco().TransacaoPadrao().Rollback();
}

TEST_F(Transacoes, TextoAcentuadoChegaAoBancoEmWin1252) {
    sessao.ExecutarComando(sessao.IBQ_Gen,
                           " insert into mov_log_controle (ID_LOG_EVENTO, DH_LOG_EVENTO, ID_LOG_USUARIO, "
                           "ID_LOG_REGISTRO, DS_LOG_OBSERVACAO) values (18, '05.03.2024 14:07:09', -1, 7, "
                           "'Cálculo de Comissão')",
                           true);
    // Stored as the ERP stores it: one byte per letter.
    EXPECT_EQ(dados->Valor("select octet_length(ds_log_observacao) from mov_log_controle"), "19");
    // Read back through the same kind of connection.
    EXPECT_EQ(dados->Valor("select ds_log_observacao from mov_log_controle"), "Cálculo de Comissão");
    // And through a connection that declares UTF8, which transliterates from the column's WIN1252.
    sessao.DesconectarBanco();
    dados.reset();
    const std::string saida = SaidaDe("echo 'select ds_log_observacao from mov_log_controle;' | isql-fb -q -ch UTF8 " +
                                      caminho + " 2>&1");
    EXPECT_NE(saida.find("Cálculo de Comissão"), std::string::npos) << saida;
}

TEST_F(Transacoes, CaminhoAcentuadoNoErroDoServidorChegaLegivel) {
    // The engine names the file in UTF-8, as the operating system gives it.
    ASSERT_TRUE(kCaracteresUtf8);
    db::BancoDados banco;
    banco.DefinirNomeBanco(pasta / "Pasta d'Água/erp.fdb");
    try {
        banco.Abrir();
        FAIL();
    } catch (const db::ErroBanco& erro) {
        EXPECT_NE(erro.Texto().find("Pasta d'Água/erp.fdb"), std::string::npos) << erro.Texto();
    }
}

TEST_F(Transacoes, ConexaoQueFalhaNaoAvisaEFalhaDeNovoNoProximoComando) {
    sessao.DesconectarBanco();
    sessao.ConectarBanco(pasta / "nao-existe.fdb");
    ASSERT_EQ(sistema.encerrados.size(), 1u);
    EXPECT_EQ(sistema.encerrados[0], db::NomePrograma("zelpraxMonitorComissao2"));
    EXPECT_TRUE(interacao.mensagens.empty());
    try {
        sessao.ProximoCodigo("MOV_COMISSAO", "ID_COMISSAO");
        FAIL();
    } catch (const db::ErroBanco& erro) {
        EXPECT_NE(erro.Texto().find("nao-existe.fdb"), std::string::npos) << erro.Texto();
    }
}

TEST_F(Transacoes, DesconectarConfirmaOuDescartaOPendente) {
    dados->Parametro();
    sessao.ExecutarComando(sessao.IBQ_Gen, " update tab_parametro set hr_atualizar_comissao = 9", false);
    sessao.DesconectarBanco(false);
    EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro"), "7");
    sessao.ConectarBanco(caminho);
    sessao.ExecutarComando(sessao.IBQ_Gen, " update tab_parametro set hr_atualizar_comissao = 9", false);
    sessao.DesconectarBanco(true);
    EXPECT_EQ(dados->Valor("select hr_atualizar_comissao from tab_parametro"), "9");
}

}  // namespace
}  // namespace zelprax::teste
