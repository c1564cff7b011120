#include "gerador.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

#include "commission/moeda.h"
#include "db/consulta.h"
#include "db/criacao.h"
#include "db/valor.h"
#include "sorteio.h"

namespace zelprax::demo {

namespace {

using comissao::Moeda;
using Campos = std::initializer_list<std::pair<const char*, db::Valor>>;

// Rows between two commits: large enough to keep the inserts fast, small enough to keep the
// engine's undo log short.
constexpr int kLinhasPorCommit = 4000;

constexpr int kVendedores = 12;
constexpr int kFabricantes = 8;
constexpr int kProdutos = 240;
constexpr int kProdutoInexistente = 9001;  // referenced by a few items, absent from CAD_PRODUTO
constexpr int kPessoaInexistente = 999999;
constexpr int kNaturezaInexistente = 99;
constexpr int kSituacaoInexistente = 98;
constexpr int kPrimeiroCliente = 1001;

// One table's insert, prepared once; every row names the columns it sets, the rest stay null.
class Tabela {
public:
    Tabela(db::BancoDados& banco, const std::string& nome, const std::vector<std::string>& colunas)
        : insercao_(nome, TextoInsercao(nome, colunas)) {
        insercao_.Anexar(&banco);
    }

    void Inserir(Campos campos) {
        insercao_.Acrescentar();
        for (const auto& [coluna, valor] : campos) insercao_.Definir(coluna, valor);
        insercao_.Gravar();
        ++linhas_;
    }

    int Linhas() const { return linhas_; }

private:
    static std::string TextoInsercao(const std::string& nome, const std::vector<std::string>& colunas) {
        std::string lista, parametros;
        for (const std::string& c : colunas) {
            lista += (lista.empty() ? "" : ", ") + c;
            parametros += (parametros.empty() ? ":" : ", :") + c;
        }
        return "insert into " + nome + " (" + lista + ") values (" + parametros + ")";
    }

    db::InsercaoPreparada insercao_;
    int linhas_ = 0;
};

db::Valor Nulo() { return db::Nulo{}; }
db::Valor Int(std::int64_t n) { return db::Decimal{n, 0}; }
db::Valor Txt(std::string s) { return s; }
db::Valor Din(Moeda m) { return db::Decimal{m.DezMilesimos(), -4}; }
db::Valor Flag(const std::string& f) { return f.empty() ? Nulo() : Txt(f); }
db::Valor Qtd(std::int64_t centesimos) { return db::Decimal{centesimos, -2}; }

Moeda Centavos(std::int64_t c) { return Moeda::DeDezMilesimos(c * 100); }
Moeda Percentual(std::int64_t centesimos) { return Centavos(centesimos); }
// An amount cut to whole cents, as the ERP stores it (half away from zero).
Moeda EmCentavos(Moeda m) {
    const std::int64_t n = m.DezMilesimos();
    const std::int64_t c = n >= 0 ? (n + 50) / 100 : (n - 50) / 100;
    return Centavos(c);
}
// base x rate %: a commission as the ERP computes it, kept to cents.
Moeda Porcento(Moeda base, Moeda percentual) { return EmCentavos(base * percentual / Moeda::DeInteiro(100)); }

const std::array kNomes{"João",    "José",    "Antônio", "Conceição", "Inês",   "Sebastião", "Luíza",
                        "Márcia",  "Flávio",  "Célia",   "Joaquim",   "Valéria", "André",    "Fátima",
                        "Raquel",  "Ângela",  "Otávio",  "Lúcia",     "Mário",  "Caetano",   "Héber",
                        "Glória",  "Rogério", "Sônia"};
const std::array kSobrenomes{"Gonçalves", "Magalhães", "Simões", "Conceição", "Brandão", "Araújo",
                             "Falcão",    "Guimarães", "Assunção", "Estêvão", "Peixoto", "Lopes",
                             "Cândido",   "Müller",    "D'Ávila", "Gusmão",  "Damião",  "Leitão"};
const std::array kEmpresas{"Comércio de Peças",  "Supermercado",      "Distribuidora", "Açougue",
                           "Padaria",            "Materiais de Construção", "Farmácia", "Mercearia",
                           "Auto Peças",         "Lanchonete"};
const std::array kFantasias{"São João", "Boa Esperança", "Irmãos Ribeiro", "Paraná",  "Pão de Açúcar",
                            "Três Corações", "União",   "Maringá",        "Bom Preço", "Itaú do Sul"};
const std::array kSufixos{" Ltda", " ME", " EIRELI", ""};
const std::array kDescricoesAcerto{"Adiantamento de comissão",    "Prêmio por meta atingida",
                                   "Desconto de vale",            "Ajuste de comissão (devolução)",
                                   "Bonificação trimestral",      "Ajuda de custo – viagem",
                                   "Estorno de pedido cancelado", "Diferença de comissão de março"};

// A seller slot of an invoice. An empty slot is null, or 0 as some of the ERP's screens leave it.
struct Vaga {
    int vendedor = 0;
    bool zeroNoLugarDeNulo = false;
    Moeda percentual;
    std::string adicional;  // "S", "N" or "" (null)
    std::string credito;    // "S", "N" or "" (null)
    Moeda percentualCredito;
};

struct Duplicata {
    int id = 0;
    std::string numero;
    Moeda valor;
    int vencimento = 0;           // days from today
    bool paga = false;
    int baixa = 0;                // days from today, when paid
    std::int64_t loteComissao = 0;  // ID_COMISSAO_GERADA, 0 = not paid
    std::string calcular;
};

struct Nota {
    int id = 0;
    int empresa = 1;
    int emissao = 0;  // days from today (0 or negative)
    int natureza = 1;
    int tipo = 0;
    bool pagar = true;
    int status = 3;
    std::string calcular;
    bool devolvida = false;
    int cliente = 0;
    std::string nomeCliente;
    std::string serie;
    std::array<Vaga, 5> vagas{};
    Moeda produtos, desconto, servico, frete, total, resultado;
};

class Gerador {
public:
    Gerador(db::BancoDados& banco, const OpcoesDemo& opcoes)
        : banco_(banco),
          opcoes_(opcoes),
          sorteio_(opcoes.semente),
          parametro_(banco, "TAB_PARAMETRO",
                     {"ID_PARAMETRO", "HR_ATUALIZAR_COMISSAO", "ST_MONITOR_COMISSAO_ATIVO",
                      "ST_COMISSAO_FRETE_DESPESA", "ST_COMISSAO_IPI_ICMSST"}),
          natureza_(banco, "TAB_NAT_OPERACAO",
                    {"ID_NAT_OPERACAO", "ID_SUGERIR_COMISSAO", "ST_COMISSAO_PAGAR", "ST_VERIFICA_FASE"}),
          produto_(banco, "CAD_PRODUTO", {"ID_PRODUTO", "ID_FABRICA"}),
          pessoa_(banco, "CAD_PESSOA", {"ID_PESSOA", "NM_PESQUISA"}),
          regra_(banco, "TAB_COMISSAO_POR_VENDEDOR", {"ID_EMPRESA", "ID_VENDEDOR", "ID_FABRICANTE", "PO_COMISSAO"}),
          situacao_(banco, "FIX_SITUACAO_ORCAMENTO", {"ID_SITUACAO_ORCAMENTO", "ST_PAGAR_COMISSAO"}),
          plano_(banco, "TAB_PLANO_PAGTO", {"ID_PLANO_PAGTO", "QT_DIAS_ESTORNA_COMISSAO"}),
          nota_(banco, "MOV_NF_COMERCIO", ColunasNota()),
          item_(banco, "MOV_NF_COMERCIO_ITEM",
                {"ID_NF_COMERCIO_ITEM", "ID_NF_COMERCIO", "NO_ITEM", "ID_PRODUTO", "QT_PRODUTO", "VL_UNITARIO",
                 "VL_TOTAL", "VL_FRETE_UNIT", "ST_FRETE_INCLUSO", "VL_OUTRAS_AJUSTADO", "VL_FRETE_AJUSTADO",
                 "VL_SEGURO_AJUSTADO", "VL_IPI", "VL_ICMS_SUBST", "VL_UNIT_REDUCAO_COMISSAO", "PO_COMISSAO"}),
          financeiro_(banco, "MOV_FINANCEIRO",
                      {"ID_FINANCEIRO", "ID_NF_COMERCIO", "NO_DOCUMENTO", "VL_DOCUMENTO", "DT_VENCTO", "DT_BAIXA",
                       "VL_DESCONTO", "VL_OUTRAS_REDUCOES", "VL_ABATIMENTO", "ID_TP_MOV_FINANC", "ST_CALC_COMISSAO",
                       "ST_ESTORNAR_COMISSAO", "ID_COMISSAO_GERADA"}),
          comissao_(banco, "MOV_COMISSAO",
                    {"ID_COMISSAO", "TP_REGISTRO", "ID_NF_COMERCIO", "ID_FINANCEIRO", "ID_ACERTO_COMISSAO",
                     "ID_EMPRESA", "ID_VENDEDOR", "DS_SERIE", "NO_DOCUMENTO", "DT_EMISSAO", "ID_CLIENTE",
                     "NM_CLIENTE", "VL_OPERACAO", "VL_BASE_COMISSAO", "PO_COMISSAO", "VL_COMISSAO", "ST_IRRF",
                     "DT_CREDITO", "ST_RECEBIMENTO", "ST_ENTREGA", "ID_COMISSAO_GERADA", "ST_CANCELADA", "ST_PAGAR",
                     "ST_BLOQUEIO_1", "ST_ESTORNO_1"}),
          acerto_(banco, "MOV_ACERTO_COMISSAO",
                  {"ID_ACERTO_COMISSAO", "DT_PAGAMENTO", "ID_VENDEDOR", "VL_ACERTO", "TP_ACERTO", "ST_IRRF",
                   "DS_ACERTO", "ID_EMPRESA", "ID_COMISSAO_GERADA", "ST_CALC_COMISSAO", "ID_COMISSAO_ESTORNADA"}) {}

    ContagemDemo Gerar() {
        Cadastros();
        for (int id = 1; id <= opcoes_.notas; ++id) GerarNota(id);
        DuplicatasAvulsas();
        Acertos();
        banco_.TransacaoPadrao().Commit();

        ContagemDemo c;
        c.notas = nota_.Linhas();
        c.itens = item_.Linhas();
        c.duplicatas = financeiro_.Linhas();
        c.lancamentos = comissao_.Linhas();
        c.lancamentosPagos = lancamentosPagos_;
        c.acertos = acerto_.Linhas();
        c.pessoas = pessoa_.Linhas();
        c.produtos = produto_.Linhas();
        c.naturezas = natureza_.Linhas();
        c.vendedores = kVendedores;
        c.regrasVendedor = regra_.Linhas();
        return c;
    }

private:
    static std::vector<std::string> ColunasNota() {
        std::vector<std::string> c{"ID_NF_COMERCIO", "ID_EMPRESA", "DS_SERIE_NF", "NR_NOTA_FISCAL", "DT_EMISSAO",
                                   "ID_DESTINATARIO_REMETENTE", "ID_NAT_OPERACAO", "ID_SITUACAO_ORCAMENTO",
                                   "ID_PLANO_PAGTO", "ID_ST_NF"};
        for (const char* prefixo : {"ID_VENDEDOR", "PO_COMISSAO", "ST_CREDITO_FAT", "PO_CREDITO_FAT"})
            for (int n = 1; n <= 5; ++n) c.push_back(Coluna(prefixo, n));
        for (int n = 2; n <= 5; ++n) c.push_back(Coluna("ST_COMISSAO_AD", n));
        for (const char* nome : {"VL_TOTAL_NF", "VL_PRODUTOS", "VL_DESCONTO", "VL_SERVICO", "VL_FINANCEIRO",
                                 "VL_FRETE", "VL_RESULTADO_VENDA", "TP_BASE_COMISSAO_OUTROS", "ST_DEVOLVIDO",
                                 "ST_INCLUIR_FRETE_PARC", "ST_ESTORNAR_COMISSAO", "ST_CALC_COMISSAO",
                                 "VL_BASE_COMISSAO", "VL_COMISSAO", "ST_CALC_ESTORNO", "PO_COMISSAO_ESTORNADA",
                                 "ID_COMISSAO_ESTORNADA"})
            c.emplace_back(nome);
        return c;
    }

    // The column of seller slot n: the plain name for slot 1, the name and the digit for 2 to 5.
    static std::string Coluna(const char* prefixo, int n) {
        return n == 1 ? std::string(prefixo) : std::string(prefixo) + std::to_string(n);
    }

    db::Valor Dia(int deslocamento) const { return db::Data{db::SomarDias(opcoes_.hoje.SoData(), deslocamento)}; }

    template <std::size_t N>
    const char* Um(const std::array<const char*, N>& lista) {
        return lista[static_cast<std::size_t>(sorteio_.Inteiro(0, N - 1))];
    }

    void Gravou() {
        if (++pendentes_ >= kLinhasPorCommit) {
            banco_.TransacaoPadrao().CommitRetaining();
            pendentes_ = 0;
        }
    }

    // Each draw is its own statement: the operands of + are evaluated in no fixed order, and the
    // same seed must give the same names with every compiler.
    std::string NomePessoa() {
        std::string nome = Um(kNomes);
        nome += " ";
        nome += Um(kSobrenomes);
        if (sorteio_.Chance(60)) {
            nome += " ";
            nome += Um(kSobrenomes);
        }
        return nome;
    }

    std::string NomeCliente() {
        if (sorteio_.Chance(65)) return NomePessoa();
        std::string nome = Um(kEmpresas);
        nome += " ";
        nome += Um(kFantasias);
        nome += Um(kSufixos);
        return nome;
    }

    // --- Registers: parameters, natures, products, people, seller rates, situations, plans ---

    void Cadastros() {
        parametro_.Inserir({{"ID_PARAMETRO", Int(1)},
                            {"HR_ATUALIZAR_COMISSAO", Int(7)},
                            {"ST_MONITOR_COMISSAO_ATIVO", Txt("S")},
                            {"ST_COMISSAO_FRETE_DESPESA", Txt("N")},
                            {"ST_COMISSAO_IPI_ICMSST", Txt("S")}});

        // Every commission type 0 to 7, each payable or not and following the commercial phase
        // or not; id = 1 + 4 x type + 2 x (not payable) + (no phase check).
        for (int tipo = 0; tipo <= 7; ++tipo)
            for (int naoPagar = 0; naoPagar <= 1; ++naoPagar)
                for (int semFase = 0; semFase <= 1; ++semFase)
                    natureza_.Inserir({{"ID_NAT_OPERACAO", Int(1 + 4 * tipo + 2 * naoPagar + semFase)},
                                       {"ID_SUGERIR_COMISSAO", Int(tipo)},
                                       {"ST_COMISSAO_PAGAR", Txt(naoPagar ? "N" : "S")},
                                       {"ST_VERIFICA_FASE", Txt(semFase ? "N" : "S")}});
        // A nature whose type was never filled in (reads as type 0) and one with null flags.
        natureza_.Inserir({{"ID_NAT_OPERACAO", Int(33)}, {"ST_COMISSAO_PAGAR", Txt("S")}, {"ST_VERIFICA_FASE", Txt("N")}});
        natureza_.Inserir({{"ID_NAT_OPERACAO", Int(34)}, {"ID_SUGERIR_COMISSAO", Int(1)}});

        for (int id = 1; id <= kProdutos; ++id)
            produto_.Inserir({{"ID_PRODUTO", Int(id)},
                              {"ID_FABRICA", sorteio_.Chance(15) ? Nulo() : Int(sorteio_.Inteiro(1, kFabricantes))}});

        for (int id = 1; id <= kVendedores; ++id) pessoa_.Inserir({{"ID_PESSOA", Int(id)}, {"NM_PESQUISA", Txt(NomePessoa())}});
        clientes_ = std::max(40, opcoes_.notas / 8);
        inadimplente_.assign(static_cast<std::size_t>(clientes_), false);
        nomesClientes_.assign(static_cast<std::size_t>(clientes_), {});
        for (int i = 0; i < clientes_; ++i) {
            const auto k = static_cast<std::size_t>(i);
            inadimplente_[k] = sorteio_.Chance(12);
            nomesClientes_[k] = sorteio_.Chance(2) ? "" : NomeCliente();
            pessoa_.Inserir({{"ID_PESSOA", Int(kPrimeiroCliente + i)}, {"NM_PESQUISA", Txt(nomesClientes_[k])}});
        }

        for (int empresa = 1; empresa <= 2; ++empresa)
            for (int vendedor = 1; vendedor <= kVendedores; ++vendedor) {
                for (int fabricante = 1; fabricante <= kFabricantes; ++fabricante)
                    if (sorteio_.Chance(40))
                        regra_.Inserir({{"ID_EMPRESA", Int(empresa)},
                                        {"ID_VENDEDOR", Int(vendedor)},
                                        {"ID_FABRICANTE", Int(fabricante)},
                                        {"PO_COMISSAO", Din(Percentual(25 * sorteio_.Inteiro(4, 24)))}});
                if (sorteio_.Chance(85))
                    regra_.Inserir({{"ID_EMPRESA", Int(empresa)},
                                    {"ID_VENDEDOR", Int(vendedor)},
                                    {"PO_COMISSAO", Din(Percentual(25 * sorteio_.Inteiro(4, 16)))}});
            }

        const std::array<const char*, 6> pagar{"S", "N", "S", "N", "", "S"};
        for (int id = 1; id <= 6; ++id)
            situacao_.Inserir({{"ID_SITUACAO_ORCAMENTO", Int(id)}, {"ST_PAGAR_COMISSAO", Flag(pagar[id - 1])}});

        const std::array<int, 6> dias{30, 60, -1, 15, 90, -1};  // -1: no reversal period
        for (int id = 1; id <= 6; ++id)
            plano_.Inserir({{"ID_PLANO_PAGTO", Int(id)},
                            {"QT_DIAS_ESTORNA_COMISSAO", dias[id - 1] < 0 ? Nulo() : Int(dias[id - 1])}});
    }

    // --- Invoices ---

    void EscolherNatureza(Nota& n) {
        if (sorteio_.Chance(1)) {
            n.natureza = sorteio_.Chance(50) ? 33 : 34;
            n.tipo = n.natureza == 33 ? 0 : 1;
            n.pagar = n.natureza == 33;
            return;
        }
        n.tipo = sorteio_.Pesos({30, 15, 12, 10, 10, 8, 10, 5});
        n.pagar = sorteio_.Chance(88);
        const bool semFase = !sorteio_.Chance(35);
        n.natureza = 1 + 4 * n.tipo + 2 * (n.pagar ? 0 : 1) + (semFase ? 1 : 0);
    }

    void EscolherVendedores(Nota& n) {
        const int quantos = 1 + sorteio_.Pesos({50, 25, 14, 7, 4});
        std::vector<int> livres;
        for (int v = 1; v <= kVendedores; ++v) livres.push_back(v);
        for (int s = 0; s < 5; ++s) {
            Vaga& vaga = n.vagas[static_cast<std::size_t>(s)];
            if (s >= quantos) {
                vaga.zeroNoLugarDeNulo = sorteio_.Chance(10);
                continue;
            }
            const auto i = static_cast<std::size_t>(sorteio_.Inteiro(0, static_cast<std::int64_t>(livres.size()) - 1));
            vaga.vendedor = livres[i];
            livres.erase(livres.begin() + static_cast<std::ptrdiff_t>(i));
            vaga.percentual = s == 0 ? Percentual(50 * sorteio_.Inteiro(2, 12)) : Percentual(25 * sorteio_.Inteiro(1, 12));
            const int ad = sorteio_.Pesos({40, 45, 15});
            vaga.adicional = ad == 0 ? "S" : ad == 1 ? "N" : "";
            const int credito = sorteio_.Pesos({45, 50, 5});
            if (credito == 0) {
                vaga.credito = "S";
                const std::array<int, 6> partes{20, 25, 30, 40, 50, 100};
                vaga.percentualCredito = Percentual(100 * partes[static_cast<std::size_t>(sorteio_.Inteiro(0, 5))]);
            } else {
                vaga.credito = credito == 1 ? "N" : "";
                vaga.percentualCredito = sorteio_.Chance(10) ? Percentual(10000) : Moeda{};
            }
        }
    }

    void GerarNota(int id) {
        Nota n;
        n.id = id;
        n.empresa = sorteio_.Chance(70) ? 1 : 2;
        n.emissao = -static_cast<int>(sorteio_.Inteiro(0, 200));
        EscolherNatureza(n);
        const int estado = sorteio_.Pesos({62, 30, 2, 2, 2, 1, 1});
        n.status = std::array{3, 5, 1, 2, 4, 6, 7}[static_cast<std::size_t>(estado)];
        // Recent invoices mostly still await their commission; older ones were mostly done.
        n.calcular = sorteio_.Chance(n.emissao > -30 ? 88 : 55) ? "S" : "N";
        n.devolvida = sorteio_.Chance(3);
        const int clienteIndice = static_cast<int>(sorteio_.Inteiro(0, clientes_ - 1));
        n.cliente = sorteio_.Chance(1) ? kPessoaInexistente : kPrimeiroCliente + clienteIndice;
        const bool clienteExiste = n.cliente != kPessoaInexistente;
        const bool clienteInadimplente = clienteExiste && inadimplente_[static_cast<std::size_t>(clienteIndice)];
        if (clienteExiste) n.nomeCliente = nomesClientes_[static_cast<std::size_t>(clienteIndice)];
        n.serie = sorteio_.Chance(5) ? "" : n.empresa == 1 ? "1" : "U";
        EscolherVendedores(n);

        const bool soServicos = n.tipo != 6 && sorteio_.Chance(1);
        const int itens = soServicos ? 0 : static_cast<int>(sorteio_.Inteiro(1, 5));
        Moeda menorItem;
        for (int k = 1; k <= itens; ++k) {
            const Moeda total = GerarItem(n, k);
            n.produtos += total;
            if (k == 1 || total < menorItem) menorItem = total;
        }

        // Discounts stay small beside the items' net value: a larger one would make the
        // commission base negative, which no ERP user keys in.
        if (n.tipo == 6)
            n.desconto = sorteio_.Chance(75) ? Moeda{} : Centavos(sorteio_.Inteiro(1, std::max<std::int64_t>(1, menorItem.DezMilesimos() / 100 / 20)));
        else if (!soServicos && sorteio_.Chance(30))
            n.desconto = Centavos(sorteio_.Inteiro(1, std::max<std::int64_t>(1, n.produtos.DezMilesimos() / 100 / 20)));
        n.servico = soServicos ? Centavos(sorteio_.Inteiro(10000, 200000))
                    : (n.tipo != 6 && sorteio_.Chance(8)) ? Centavos(sorteio_.Inteiro(1000, 50000))
                                                          : Moeda{};
        n.frete = !soServicos && sorteio_.Chance(30) ? Centavos(sorteio_.Inteiro(1000, 15000)) : Moeda{};
        const bool freteNaParcela = n.frete > Moeda{} && sorteio_.Chance(50);
        n.total = n.produtos - n.desconto + n.frete + n.servico;
        n.resultado = Porcento(n.produtos, Percentual(100 * sorteio_.Inteiro(15, 40)));

        // A few invoices whose totals disagree with their items or their receivables.
        Moeda produtosDeclarados = n.produtos;
        if (!soServicos && sorteio_.Chance(1)) produtosDeclarados += Centavos(sorteio_.Inteiro(1, 999));
        // Cash sales have no receivables and nothing financed.
        const bool aVista = sorteio_.Chance(3);
        Moeda financeiro = aVista ? Moeda{} : n.total;
        if (!aVista && sorteio_.Chance(1)) financeiro += Centavos(sorteio_.Inteiro(1, 500));

        const int tbo = sorteio_.Pesos({60, 22, 12, 6});
        const std::string baseOutros = tbo == 0 ? "" : tbo == 1 ? "P" : tbo == 2 ? "C" : "R";
        const bool estornar = sorteio_.Chance(30);
        const bool jaEstornada = estornar && n.emissao < -90 && sorteio_.Chance(5);
        if (jaEstornada)
            for (Vaga& v : n.vagas)
                if (v.credito == "S") v.credito = "N";

        // An invoice already calculated carries the base and amount of that calculation.
        Moeda base = n.tipo == 5 ? n.resultado : n.produtos - n.desconto;
        const bool calculada = n.calcular == "N";

        const int situacao = sorteio_.Pesos({15, 84, 1});
        const int plano = sorteio_.Pesos({8, 92});
        nota_.Inserir({
            {"ID_NF_COMERCIO", Int(n.id)},
            {"ID_EMPRESA", Int(n.empresa)},
            {"DS_SERIE_NF", Flag(n.serie)},
            {"NR_NOTA_FISCAL", Int(1000 + n.id)},
            {"DT_EMISSAO", Dia(n.emissao)},
            {"ID_DESTINATARIO_REMETENTE", Int(n.cliente)},
            {"ID_NAT_OPERACAO", Int(sorteio_.Chance(1) ? kNaturezaInexistente : n.natureza)},
            {"ID_SITUACAO_ORCAMENTO", situacao == 0   ? Nulo()
                                      : situacao == 1 ? Int(sorteio_.Inteiro(1, 6))
                                                      : Int(kSituacaoInexistente)},
            {"ID_PLANO_PAGTO", plano == 0 ? Nulo() : Int(sorteio_.Inteiro(1, 6))},
            {"ID_ST_NF", Int(n.status)},
            {"ID_VENDEDOR", VendedorDaVaga(n, 0)},
            {"ID_VENDEDOR2", VendedorDaVaga(n, 1)},
            {"ID_VENDEDOR3", VendedorDaVaga(n, 2)},
            {"ID_VENDEDOR4", VendedorDaVaga(n, 3)},
            {"ID_VENDEDOR5", VendedorDaVaga(n, 4)},
            {"PO_COMISSAO", PercentualDaVaga(n, 0)},
            {"PO_COMISSAO2", PercentualDaVaga(n, 1)},
            {"PO_COMISSAO3", PercentualDaVaga(n, 2)},
            {"PO_COMISSAO4", PercentualDaVaga(n, 3)},
            {"PO_COMISSAO5", PercentualDaVaga(n, 4)},
            {"ST_CREDITO_FAT", Flag(n.vagas[0].credito)},
            {"ST_CREDITO_FAT2", Flag(n.vagas[1].credito)},
            {"ST_CREDITO_FAT3", Flag(n.vagas[2].credito)},
            {"ST_CREDITO_FAT4", Flag(n.vagas[3].credito)},
            {"ST_CREDITO_FAT5", Flag(n.vagas[4].credito)},
            {"PO_CREDITO_FAT", Din(n.vagas[0].percentualCredito)},
            {"PO_CREDITO_FAT2", Din(n.vagas[1].percentualCredito)},
            {"PO_CREDITO_FAT3", Din(n.vagas[2].percentualCredito)},
            {"PO_CREDITO_FAT4", Din(n.vagas[3].percentualCredito)},
            {"PO_CREDITO_FAT5", Din(n.vagas[4].percentualCredito)},
            {"ST_COMISSAO_AD2", Flag(n.vagas[1].adicional)},
            {"ST_COMISSAO_AD3", Flag(n.vagas[2].adicional)},
            {"ST_COMISSAO_AD4", Flag(n.vagas[3].adicional)},
            {"ST_COMISSAO_AD5", Flag(n.vagas[4].adicional)},
            {"VL_TOTAL_NF", Din(n.total)},
            {"VL_PRODUTOS", Din(produtosDeclarados)},
            {"VL_DESCONTO", Din(n.desconto)},
            {"VL_SERVICO", Din(n.servico)},
            {"VL_FINANCEIRO", Din(financeiro)},
            {"VL_FRETE", Din(n.frete)},
            {"VL_RESULTADO_VENDA", Din(n.resultado)},
            {"TP_BASE_COMISSAO_OUTROS", Flag(baseOutros)},
            {"ST_DEVOLVIDO", Txt(n.devolvida ? "S" : "N")},
            {"ST_INCLUIR_FRETE_PARC", Txt(freteNaParcela ? "S" : "N")},
            {"ST_ESTORNAR_COMISSAO", Txt(estornar ? "S" : "N")},
            {"ST_CALC_COMISSAO", Txt(n.calcular)},
            {"VL_BASE_COMISSAO", calculada ? Din(base) : Nulo()},
            {"VL_COMISSAO", calculada ? Din(Porcento(base, n.vagas[0].percentual)) : Nulo()},
            {"ST_CALC_ESTORNO", jaEstornada ? Txt("N") : Nulo()},
            {"ID_COMISSAO_ESTORNADA", jaEstornada ? Int(n.id) : Nulo()},
        });
        Gravou();

        std::vector<Duplicata> duplicatas;
        if (!aVista) duplicatas = GerarDuplicatas(n, freteNaParcela, clienteInadimplente);
        EntradasHistoricas(n, base, duplicatas);
    }

    db::Valor VendedorDaVaga(const Nota& n, int s) const {
        const Vaga& v = n.vagas[static_cast<std::size_t>(s)];
        if (v.vendedor > 0) return Int(v.vendedor);
        return v.zeroNoLugarDeNulo ? Int(0) : Nulo();
    }

    db::Valor PercentualDaVaga(const Nota& n, int s) const {
        const Vaga& v = n.vagas[static_cast<std::size_t>(s)];
        return v.vendedor > 0 ? Din(v.percentual) : Nulo();
    }

    // One item; returns its total.
    Moeda GerarItem(const Nota& n, int numero) {
        const std::int64_t quantidade = sorteio_.Chance(10) ? sorteio_.Inteiro(100, 2500) : 100 * sorteio_.Inteiro(1, 24);
        const std::int64_t unitario = sorteio_.Inteiro(500, 90000);  // cents
        const std::int64_t total = (quantidade * unitario + 50) / 100;
        // Freight per unit stays within 2 % of the price, so the item's net value stays positive.
        const bool comFrete = sorteio_.Chance(25);
        const std::int64_t freteUnitario = comFrete ? sorteio_.Inteiro(1, std::max<std::int64_t>(1, unitario / 50)) : 0;
        const int produto = n.tipo != 6 && sorteio_.Chance(1) ? kProdutoInexistente
                                                              : static_cast<int>(sorteio_.Inteiro(1, kProdutos));
        auto pequeno = [this](int chance, std::int64_t maximo) {
            return sorteio_.Chance(chance) ? Centavos(sorteio_.Inteiro(1, maximo)) : Moeda{};
        };
        item_.Inserir({
            {"ID_NF_COMERCIO_ITEM", Int(++ultimoItem_)},
            {"ID_NF_COMERCIO", Int(n.id)},
            {"NO_ITEM", Int(numero)},
            {"ID_PRODUTO", Int(produto)},
            {"QT_PRODUTO", Qtd(quantidade)},
            {"VL_UNITARIO", Din(Centavos(unitario))},
            {"VL_TOTAL", Din(Centavos(total))},
            {"VL_FRETE_UNIT", Din(Centavos(freteUnitario))},
            {"ST_FRETE_INCLUSO", comFrete ? Txt(sorteio_.Chance(60) ? "S" : "N") : Flag(sorteio_.Chance(50) ? "N" : "")},
            {"VL_OUTRAS_AJUSTADO", Din(pequeno(15, 2000))},
            {"VL_FRETE_AJUSTADO", Din(pequeno(15, 3000))},
            {"VL_SEGURO_AJUSTADO", Din(pequeno(10, 1500))},
            {"VL_IPI", Din(sorteio_.Chance(40) ? Porcento(Centavos(total), Percentual(500)) : Moeda{})},
            {"VL_ICMS_SUBST", Din(sorteio_.Chance(20) ? Porcento(Centavos(total), Percentual(300)) : Moeda{})},
            {"VL_UNIT_REDUCAO_COMISSAO", Din(sorteio_.Chance(10) ? Centavos(sorteio_.Inteiro(1, 50)) : Moeda{})},
            {"PO_COMISSAO", Din(Percentual(50 * sorteio_.Inteiro(1, 16)))},
        });
        Gravou();
        return Centavos(total);
    }

    // --- Receivables ---

    std::vector<Duplicata> GerarDuplicatas(const Nota& n, bool freteNaParcela, bool clienteInadimplente) {
        const int parcelas = static_cast<int>(sorteio_.Inteiro(1, 4));
        // The freight goes whole into the first instalment ("/A") when the invoice says so.
        const Moeda frete = freteNaParcela ? n.frete : Moeda{};
        const std::int64_t restante = (n.total - frete).DezMilesimos() / 100;  // cents
        std::vector<Duplicata> duplicatas;
        for (int p = 0; p < parcelas; ++p) {
            Duplicata d;
            d.id = ++ultimaDuplicata_;
            std::int64_t parte = restante / parcelas;
            if (p == 0) parte += restante % parcelas;
            d.valor = Centavos(parte) + (p == 0 ? frete : Moeda{});
            const char sufixo = freteNaParcela ? static_cast<char>('A' + p) : static_cast<char>('1' + p);
            d.numero = std::to_string(1000 + n.id) + "/" + sufixo;
            d.vencimento = n.emissao + 30 * (p + 1);
            if (d.vencimento <= 0) {
                d.paga = sorteio_.Chance(clienteInadimplente ? 15 : 90);
                if (d.paga) d.baixa = std::min(0, d.vencimento + static_cast<int>(sorteio_.Inteiro(-5, 5)));
            } else if (sorteio_.Chance(8)) {
                d.paga = true;
                d.baixa = -static_cast<int>(sorteio_.Inteiro(0, -n.emissao));
            }
            // The ERP marks a receivable for calculation when it is issued and again when it is paid.
            if (n.calcular == "S")
                d.calcular = "S";
            else
                d.calcular = (d.paga && d.baixa > -20) || sorteio_.Chance(10) ? "S" : "N";
            if (d.paga && n.calcular == "N" && d.baixa < -30 && sorteio_.Chance(60))
                d.loteComissao = sorteio_.Inteiro(1, 80);

            const bool reduzida = d.paga && sorteio_.Chance(15);
            const int tipoMovimento = std::array{2, 8, 1, 3}[static_cast<std::size_t>(sorteio_.Pesos({70, 15, 10, 5}))];
            financeiro_.Inserir({
                {"ID_FINANCEIRO", Int(d.id)},
                {"ID_NF_COMERCIO", Int(n.id)},
                {"NO_DOCUMENTO", Txt(d.numero)},
                {"VL_DOCUMENTO", Din(d.valor)},
                {"DT_VENCTO", Dia(d.vencimento)},
                {"DT_BAIXA", d.paga ? Dia(d.baixa) : Nulo()},
                {"VL_DESCONTO", Din(reduzida ? Centavos(sorteio_.Inteiro(1, std::max<std::int64_t>(1, parte / 40))) : Moeda{})},
                {"VL_OUTRAS_REDUCOES", Din(d.paga && sorteio_.Chance(3) ? Centavos(sorteio_.Inteiro(1, 500)) : Moeda{})},
                {"VL_ABATIMENTO", Din(d.paga && sorteio_.Chance(5) ? Centavos(sorteio_.Inteiro(1, 800)) : Moeda{})},
                {"ID_TP_MOV_FINANC", Int(tipoMovimento)},
                {"ST_CALC_COMISSAO", Txt(d.calcular)},
                {"ID_COMISSAO_GERADA", d.loteComissao ? Int(d.loteComissao) : Nulo()},
            });
            Gravou();
            duplicatas.push_back(d);
        }
        return duplicatas;
    }

    // Receivables of the ERP that belong to no invoice (never selected by the run).
    void DuplicatasAvulsas() {
        const int quantas = std::max(5, opcoes_.notas / 40);
        for (int i = 1; i <= quantas; ++i) {
            const int vencimento = -static_cast<int>(sorteio_.Inteiro(0, 120));
            financeiro_.Inserir({{"ID_FINANCEIRO", Int(++ultimaDuplicata_)},
                                 {"NO_DOCUMENTO", Txt("AV-" + std::to_string(i))},
                                 {"VL_DOCUMENTO", Din(Centavos(sorteio_.Inteiro(1000, 300000)))},
                                 {"DT_VENCTO", Dia(vencimento)},
                                 {"DT_BAIXA", sorteio_.Chance(50) ? Dia(vencimento) : Nulo()},
                                 {"ID_TP_MOV_FINANC", Int(2)},
                                 {"ST_CALC_COMISSAO", Txt("S")}});
            Gravou();
        }
    }

    // --- Commission entries of earlier runs ---

    // Paid entries carry every pair of block flags; unpaid ones are normal or not yet normalised.
    std::pair<db::Valor, db::Valor> FlagsBloqueio(bool pago) {
        switch (pago ? sorteio_.Pesos({55, 12, 18, 10, 5}) : (sorteio_.Chance(80) ? 0 : 4)) {
            case 0: return {Txt("N"), Txt("N")};
            case 1: return {Txt("S"), Txt("N")};
            case 2: return {Txt("S"), Txt("S")};
            case 3: return {Txt("N"), Txt("S")};
            default: return {Nulo(), Nulo()};
        }
    }

    struct Entrada {
        int tipo = 1;
        int nota = 0, financeiro = 0, acerto = 0, empresa = 1, vendedor = 0, cliente = 0;
        std::string documento, nomeCliente, serie;
        int emissao = 0, credito = 0;
        Moeda operacao, base, percentual, valor;
        bool recebido = true;
        std::int64_t lote = 0;
    };

    void GravarEntrada(const Entrada& e) {
        const auto [bloqueio, estorno] = FlagsBloqueio(e.lote != 0);
        comissao_.Inserir({
            {"ID_COMISSAO", Int(++ultimaEntrada_)},
            {"TP_REGISTRO", Txt(std::to_string(e.tipo))},
            {"ID_NF_COMERCIO", e.nota ? Int(e.nota) : Nulo()},
            {"ID_FINANCEIRO", e.financeiro ? Int(e.financeiro) : Nulo()},
            {"ID_ACERTO_COMISSAO", e.acerto ? Int(e.acerto) : Nulo()},
            {"ID_EMPRESA", Int(e.empresa)},
            {"ID_VENDEDOR", Int(e.vendedor)},
            {"DS_SERIE", Flag(e.serie)},
            {"NO_DOCUMENTO", e.documento.empty() ? Nulo() : Txt(e.documento)},
            {"DT_EMISSAO", Dia(e.emissao)},
            {"ID_CLIENTE", Int(e.cliente)},
            {"NM_CLIENTE", e.nomeCliente.empty() ? Nulo() : Txt(e.nomeCliente)},
            {"VL_OPERACAO", Din(e.operacao)},
            {"VL_BASE_COMISSAO", Din(e.base)},
            {"PO_COMISSAO", Din(e.percentual)},
            {"VL_COMISSAO", Din(e.valor)},
            {"ST_IRRF", Txt("S")},
            {"DT_CREDITO", Dia(e.credito)},
            {"ST_RECEBIMENTO", Txt(e.recebido ? "S" : "N")},
            {"ST_ENTREGA", Txt("S")},
            {"ID_COMISSAO_GERADA", e.lote ? Int(e.lote) : Nulo()},
            {"ST_CANCELADA", Txt("N")},
            {"ST_PAGAR", Txt("S")},
            {"ST_BLOQUEIO_1", bloqueio},
            {"ST_ESTORNO_1", estorno},
        });
        if (e.lote) ++lancamentosPagos_;
        Gravou();
    }

    // The sales and receipt entries that earlier runs wrote for this invoice, some of them paid
    // since. A few invoices the ERP marked again after their commission was paid, so the run meets
    // paid entries it must leave alone.
    void EntradasHistoricas(const Nota& n, Moeda base, const std::vector<Duplicata>& duplicatas) {
        if (n.status != 3 && n.status != 5) return;
        if (n.devolvida || !n.pagar || n.tipo > 6) return;
        const bool remarcada = n.calcular == "S" && sorteio_.Chance(3);
        if (n.calcular == "S" && !remarcada) {
            // Receivables marked again after a payment, whose receipt entry was already paid.
            for (const Duplicata& d : duplicatas)
                if (d.paga && sorteio_.Chance(5)) EntradasDaDuplicata(n, base, d, sorteio_.Inteiro(1, 80));
            return;
        }
        for (std::size_t s = 0; s < n.vagas.size(); ++s) {
            const Vaga& v = n.vagas[s];
            if (v.vendedor <= 0 || v.credito != "S") continue;
            Entrada e;
            e.tipo = 1;
            e.nota = n.id;
            e.empresa = n.empresa;
            e.vendedor = v.vendedor;
            e.cliente = n.cliente;
            e.nomeCliente = n.nomeCliente;
            e.serie = n.serie;
            e.documento = std::to_string(1000 + n.id);
            e.emissao = e.credito = n.emissao;
            e.operacao = n.total;
            e.base = base;
            e.valor = sorteio_.Chance(3) ? Moeda{} : Porcento(Porcento(base, v.percentual), v.percentualCredito);
            e.percentual = base > Moeda{} ? EmCentavos(e.valor * Moeda::DeInteiro(100) / base) : Moeda{};
            e.lote = remarcada || sorteio_.Chance(60) ? sorteio_.Inteiro(1, 80) : 0;
            GravarEntrada(e);
        }
        if (remarcada) return;
        for (const Duplicata& d : duplicatas)
            if (d.paga) EntradasDaDuplicata(n, base, d, d.loteComissao);
    }

    void EntradasDaDuplicata(const Nota& n, Moeda base, const Duplicata& d, std::int64_t lote) {
        if (n.total <= Moeda{}) return;
        for (const Vaga& v : n.vagas) {
            if (v.vendedor <= 0) continue;
            const bool antecipada = v.credito == "S";
            if (antecipada && v.percentualCredito >= Moeda::DeInteiro(100)) continue;
            const Moeda parte = antecipada ? Moeda::DeInteiro(100) - v.percentualCredito : Moeda::DeInteiro(100);
            const Moeda baseParcela = EmCentavos(base * d.valor / n.total);
            Entrada e;
            e.tipo = 2;
            e.nota = n.id;
            e.financeiro = d.id;
            e.empresa = n.empresa;
            e.vendedor = v.vendedor;
            e.cliente = n.cliente;
            e.nomeCliente = n.nomeCliente;
            e.documento = d.numero;
            e.emissao = n.emissao;
            e.credito = d.baixa;
            e.operacao = d.valor;
            e.base = baseParcela;
            e.valor = Porcento(Porcento(baseParcela, v.percentual), parte);
            e.percentual = baseParcela > Moeda{} ? EmCentavos(e.valor * Moeda::DeInteiro(100) / baseParcela) : Moeda{};
            e.lote = lote;
            GravarEntrada(e);
        }
    }

    // --- Settlements ---

    void Acertos() {
        const int quantos = std::max(10, opcoes_.notas / 15);
        for (int id = 1; id <= quantos; ++id) {
            const bool credito = sorteio_.Chance(55);
            const int pagamento = -static_cast<int>(sorteio_.Inteiro(0, 150));
            const int vendedor = static_cast<int>(sorteio_.Inteiro(1, kVendedores));
            const int empresa = sorteio_.Chance(70) ? 1 : 2;
            const Moeda valor = Centavos(sorteio_.Inteiro(2000, 80000));
            const std::string descricao = Um(kDescricoesAcerto);
            const bool calcular = sorteio_.Chance(55);
            acerto_.Inserir({
                {"ID_ACERTO_COMISSAO", Int(id)},
                {"DT_PAGAMENTO", Dia(pagamento)},
                {"ID_VENDEDOR", Int(vendedor)},
                {"VL_ACERTO", Din(valor)},
                {"TP_ACERTO", Txt(credito ? "A" : "D")},
                {"ST_IRRF", Txt(sorteio_.Chance(50) ? "S" : "N")},
                {"DS_ACERTO", Txt(descricao)},
                {"ID_EMPRESA", Int(empresa)},
                {"ID_COMISSAO_GERADA", !calcular && sorteio_.Chance(50) ? Int(sorteio_.Inteiro(1, 80)) : Nulo()},
                {"ST_CALC_COMISSAO", Txt(calcular ? "S" : "N")},
            });
            Gravou();

            // A settlement already turned into an entry has one; a few marked again have a paid
            // one (left alone by the run) or a stale unpaid one (replaced).
            bool comEntrada = !calcular;
            std::int64_t lote = !calcular && sorteio_.Chance(60) ? sorteio_.Inteiro(1, 80) : 0;
            if (calcular) {
                const int caso = sorteio_.Pesos({82, 8, 10});
                comEntrada = caso != 0;
                lote = caso == 1 ? sorteio_.Inteiro(1, 80) : 0;
            }
            if (!comEntrada) continue;
            Entrada e;
            e.tipo = 3;
            e.acerto = id;
            e.empresa = empresa;
            e.vendedor = vendedor;
            e.cliente = empresa;
            e.nomeCliente = descricao;
            e.emissao = e.credito = pagamento;
            e.operacao = e.base = valor;
            e.valor = credito ? valor : -valor;
            e.lote = lote;
            GravarEntrada(e);
        }
    }

    db::BancoDados& banco_;
    const OpcoesDemo& opcoes_;
    Sorteio sorteio_;
    Tabela parametro_, natureza_, produto_, pessoa_, regra_, situacao_, plano_, nota_, item_, financeiro_, comissao_,
        acerto_;
    int clientes_ = 0;
    std::vector<bool> inadimplente_;
    std::vector<std::string> nomesClientes_;
    int ultimoItem_ = 0, ultimaDuplicata_ = 0, ultimaEntrada_ = 0;
    int lancamentosPagos_ = 0;
    int pendentes_ = 0;
};

}  // namespace

ContagemDemo PreencherBancoDemo(db::BancoDados& banco, const OpcoesDemo& opcoes) {
    Gerador gerador(banco, opcoes);
    return gerador.Gerar();
}

ContagemDemo CriarBancoDemo(const OpcoesDemo& opcoes) {
    db::CriarBancoDeDados(opcoes.banco, opcoes.esquema, opcoes.usuario, opcoes.senha);
    db::BancoDados banco("zelprax-demo");
    banco.DefinirUsuario(opcoes.usuario, opcoes.senha);
    banco.DefinirNomeBanco(opcoes.banco);
    banco.Abrir();
    const ContagemDemo contagem = PreencherBancoDemo(banco, opcoes);
    banco.Fechar(true);
    return contagem;
}

std::string EscolherEsquema(const std::vector<std::string>& candidatos) {
    for (const std::string& caminho : candidatos) {
        std::error_code erro;
        if (std::filesystem::is_regular_file(caminho, erro)) return caminho;
    }
    return candidatos.empty() ? std::string() : candidatos.front();
}

std::string DescreverContagem(const ContagemDemo& c, const OpcoesDemo& opcoes, double segundos) {
    char tempo[32];
    std::snprintf(tempo, sizeof tempo, "%.1f", segundos);
    return "Banco de demonstração " + opcoes.banco + ": " + std::to_string(c.notas) + " notas, " +
           std::to_string(c.itens) + " itens, " + std::to_string(c.duplicatas) + " duplicatas, " +
           std::to_string(c.lancamentos) + " lançamentos de comissão (" + std::to_string(c.lancamentosPagos) +
           " pagos), " + std::to_string(c.acertos) + " acertos, " + std::to_string(c.naturezas) +
           " naturezas de operação (tipos 0 a 7), " + std::to_string(c.produtos) + " produtos, " +
           std::to_string(c.pessoas) + " pessoas, " + std::to_string(c.vendedores) + " vendedores; semente " +
           std::to_string(opcoes.semente) + "; " + tempo + " s";
}

}  // namespace zelprax::demo
