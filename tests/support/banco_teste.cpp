#include "support/banco_teste.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "db/criacao.h"
#include "db/datas.h"
#include "db/sql.h"

namespace zelprax::teste {

namespace fs = std::filesystem;

PastaTemporaria::PastaTemporaria() {
    std::random_device aleatorio;
    for (;;) {
        caminho_ = fs::temp_directory_path() / ("zelprax-teste-" + std::to_string(aleatorio()));
        std::error_code erro;
        if (fs::create_directory(caminho_, erro)) break;
    }
}

PastaTemporaria::~PastaTemporaria() {
    std::error_code erro;
    fs::remove_all(caminho_, erro);
}

void EscreverArquivo(const std::string& caminho, const std::string& texto) {
    std::ofstream saida(caminho, std::ios::binary | std::ios::trunc);
    saida << texto;
    if (!saida) throw std::runtime_error("não foi possível escrever " + caminho);
}

void CriarBancoDoEsquema(const std::string& destino) {
    const fs::path esquema = ZELPRAX_SCHEMA;
    const auto versao = fs::last_write_time(esquema).time_since_epoch().count() ^ static_cast<long long>(fs::file_size(esquema));
    const fs::path modelo = fs::temp_directory_path() / ("zelprax-modelo-" + std::to_string(versao) + ".fdb");
    const fs::path trava = modelo.string() + ".lock";

    // One process builds the model while the others wait for it.
    const int fd = ::open(trava.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) throw std::runtime_error("não foi possível abrir " + trava.string());
    ::flock(fd, LOCK_EX);
    try {
        if (!fs::exists(modelo)) {
            const fs::path provisorio = modelo.string() + ".novo.fdb";
            fs::remove(provisorio);
            db::CriarBancoDeDados(provisorio.string(), esquema.string());
            fs::rename(provisorio, modelo);
        }
    } catch (...) {
        ::flock(fd, LOCK_UN);
        ::close(fd);
        throw;
    }
    ::flock(fd, LOCK_UN);
    ::close(fd);
    fs::copy_file(modelo, destino, fs::copy_options::overwrite_existing);
}

DadosTeste::DadosTeste(const std::string& conexao) : banco_("DadosTeste") {
    banco_.DefinirNomeBanco(conexao);
    banco_.Abrir();
    consulta_.Anexar(&banco_);
}

DadosTeste::~DadosTeste() { banco_.Fechar(false); }

void DadosTeste::Executar(const std::string& sql) {
    consulta_.DefinirSQL(sql);
    consulta_.Executar();
    banco_.TransacaoPadrao().Commit();
}

void DadosTeste::Inserir(const std::string& tabela, const Colunas& colunas) {
    std::string nomes, valores;
    for (const auto& [nome, valor] : colunas) {
        nomes += (nomes.empty() ? "" : ", ") + nome;
        valores += (valores.empty() ? "" : ", ") + valor;
    }
    Executar("insert into " + tabela + " (" + nomes + ") values (" + valores + ")");
}

std::vector<std::vector<std::string>> DadosTeste::Linhas(const std::string& sql) {
    // A fresh transaction, so that the test sees what others committed since.
    banco_.TransacaoPadrao().Commit();
    db::Consulta consulta;
    consulta.Anexar(&banco_);
    consulta.DefinirSQL(sql);
    consulta.Abrir();
    std::vector<std::vector<std::string>> linhas;
    for (; !consulta.Fim(); consulta.Proximo()) {
        auto& linha = linhas.emplace_back();
        for (int i = 0; i < consulta.NumeroColunas(); ++i) {
            const db::Campo campo = consulta.CampoNaPosicao(i);
            linha.push_back(campo.Nulo() ? "<null>" : campo.ComoTexto());
        }
    }
    consulta.Fechar();
    banco_.TransacaoPadrao().Commit();
    return linhas;
}

std::string DadosTeste::Valor(const std::string& sql) {
    const auto linhas = Linhas(sql);
    return linhas.empty() || linhas[0].empty() ? "<vazio>" : linhas[0][0];
}

long long DadosTeste::Contar(const std::string& sql) { return std::stoll(Valor(sql)); }

namespace {

Colunas Juntar(Colunas padrao, const Colunas& dados) {
    for (const auto& [k, v] : dados) padrao[k] = v;
    return padrao;
}

}  // namespace

db::DataHora AgoraDoTeste() {
    static const db::DataHora agora = db::RelogioDoSistema().Agora();
    return agora;
}

const db::Relogio& RelogioDoTeste() {
    class RelogioParado : public db::Relogio {
    public:
        db::DataHora Agora() const override { return AgoraDoTeste(); }
    };
    static const RelogioParado relogio;
    return relogio;
}

std::string DiaSQL(int dias) { return db::DataSQL(db::SomarDias(AgoraDoTeste(), dias)); }

void DadosTeste::Nota(int id, const Colunas& colunas) {
    const std::string i = std::to_string(id);
    Inserir("MOV_NF_COMERCIO", Juntar({{"ID_NF_COMERCIO", i},
                                       {"ID_EMPRESA", "1"},
                                       {"ID_VENDEDOR", "10"},
                                       {"PO_COMISSAO", "5"},
                                       {"ST_CREDITO_FAT", "'S'"},
                                       {"PO_CREDITO_FAT", "100"},
                                       {"DS_SERIE_NF", "'1'"},
                                       {"NR_NOTA_FISCAL", i},
                                       {"DT_EMISSAO", DiaSQL()},
                                       {"ID_DESTINATARIO_REMETENTE", "100"},
                                       {"ID_NAT_OPERACAO", "1"},
                                       {"ID_ST_NF", "3"},
                                       {"VL_TOTAL_NF", "1000"},
                                       {"VL_PRODUTOS", "1000"},
                                       {"VL_DESCONTO", "0"},
                                       {"VL_SERVICO", "0"},
                                       {"VL_FINANCEIRO", "1000"},
                                       {"VL_FRETE", "0"},
                                       {"ST_CALC_COMISSAO", "'S'"},
                                       {"ST_DEVOLVIDO", "'N'"}},
                                      colunas));
}

void DadosTeste::Item(int id, int idNota, const Colunas& colunas) {
    Inserir("MOV_NF_COMERCIO_ITEM", Juntar({{"ID_NF_COMERCIO_ITEM", std::to_string(id)},
                                            {"ID_NF_COMERCIO", std::to_string(idNota)},
                                            {"NO_ITEM", "1"},
                                            {"ID_PRODUTO", "1"},
                                            {"QT_PRODUTO", "1"},
                                            {"VL_UNITARIO", "1000"},
                                            {"VL_TOTAL", "1000"},
                                            {"VL_FRETE_UNIT", "0"},
                                            {"ST_FRETE_INCLUSO", "'N'"},
                                            {"VL_OUTRAS_AJUSTADO", "0"},
                                            {"VL_FRETE_AJUSTADO", "0"},
                                            {"VL_SEGURO_AJUSTADO", "0"},
                                            {"VL_IPI", "0"},
                                            {"VL_ICMS_SUBST", "0"},
                                            {"VL_UNIT_REDUCAO_COMISSAO", "0"},
                                            {"PO_COMISSAO", "5"}},
                                           colunas));
}

void DadosTeste::Receber(int id, int idNota, const Colunas& colunas) {
    Inserir("MOV_FINANCEIRO", Juntar({{"ID_FINANCEIRO", std::to_string(id)},
                                      {"ID_NF_COMERCIO", std::to_string(idNota)},
                                      {"NO_DOCUMENTO", "'" + std::to_string(idNota) + "/1'"},
                                      {"VL_DOCUMENTO", "1000"},
                                      {"DT_VENCTO", DiaSQL()},
                                      {"VL_DESCONTO", "0"},
                                      {"VL_OUTRAS_REDUCOES", "0"},
                                      {"VL_ABATIMENTO", "0"},
                                      {"ID_TP_MOV_FINANC", "2"},
                                      {"ST_CALC_COMISSAO", "'S'"}},
                                     colunas));
}

void DadosTeste::Acerto(int id, const Colunas& colunas) {
    Inserir("MOV_ACERTO_COMISSAO", Juntar({{"ID_ACERTO_COMISSAO", std::to_string(id)},
                                           {"DT_PAGAMENTO", DiaSQL()},
                                           {"ID_VENDEDOR", "10"},
                                           {"VL_ACERTO", "100"},
                                           {"TP_ACERTO", "'A'"},
                                           {"ST_IRRF", "'N'"},
                                           {"DS_ACERTO", "'Acerto manual'"},
                                           {"ID_EMPRESA", "1"},
                                           {"ST_CALC_COMISSAO", "'S'"}},
                                          colunas));
}

void DadosTeste::Entrada(int id, const Colunas& colunas) {
    Inserir("MOV_COMISSAO", Juntar({{"ID_COMISSAO", std::to_string(id)},
                                    {"TP_REGISTRO", "'1'"},
                                    {"ID_NF_COMERCIO", "1"},
                                    {"ID_EMPRESA", "1"},
                                    {"ID_VENDEDOR", "10"},
                                    {"DT_EMISSAO", DiaSQL()},
                                    {"VL_OPERACAO", "1000"},
                                    {"VL_BASE_COMISSAO", "1000"},
                                    {"PO_COMISSAO", "5"},
                                    {"VL_COMISSAO", "50"},
                                    {"ST_IRRF", "'S'"},
                                    {"DT_CREDITO", DiaSQL()},
                                    {"ST_RECEBIMENTO", "'S'"},
                                    {"ST_ENTREGA", "'S'"},
                                    {"ST_CANCELADA", "'N'"},
                                    {"ST_PAGAR", "'S'"},
                                    {"ST_BLOQUEIO_1", "'N'"},
                                    {"ST_ESTORNO_1", "'N'"}},
                                   colunas));
}

void DadosTeste::Natureza(int id, const Colunas& colunas) {
    Inserir("TAB_NAT_OPERACAO", Juntar({{"ID_NAT_OPERACAO", std::to_string(id)},
                                        {"ID_SUGERIR_COMISSAO", "0"},
                                        {"ST_COMISSAO_PAGAR", "'S'"},
                                        {"ST_VERIFICA_FASE", "'N'"}},
                                       colunas));
}

void DadosTeste::Parametro(const Colunas& colunas) {
    Inserir("TAB_PARAMETRO", Juntar({{"ID_PARAMETRO", "1"},
                                     {"HR_ATUALIZAR_COMISSAO", "7"},
                                     {"ST_MONITOR_COMISSAO_ATIVO", "'S'"},
                                     {"ST_COMISSAO_FRETE_DESPESA", "'N'"},
                                     {"ST_COMISSAO_IPI_ICMSST", "'N'"}},
                                    colunas));
}

void DadosTeste::Pessoa(int id, const std::string& nome) {
    Inserir("CAD_PESSOA", {{"ID_PESSOA", std::to_string(id)}, {"NM_PESQUISA", db::TextoSQL(nome)}});
}

void DadosTeste::Produto(int id, const std::string& fabrica) {
    Inserir("CAD_PRODUTO", {{"ID_PRODUTO", std::to_string(id)}, {"ID_FABRICA", fabrica}});
}

}  // namespace zelprax::teste
