// The ERP goes on working between commission runs: it pays receivables and commission entries,
// re-issues or zeroes receivables, cancels invoices, changes an invoice's seller or its items'
// rates, deletes its own settlements and lets receivables fall overdue, marking for calculation
// what it changes. After each batch, complete runs until one more changes nothing must settle
// within three runs and leave every paid entry as it was paid, no seller holding more than the
// commission of the sale, no unpaid entry of a document that is gone, and the run rules intact.
//
// ZELPRAX_ERP_NOTAS (default 40) is the number of invoices of each generated database.

#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "apoio_confiabilidade.h"
#include "commission/moeda.h"
#include "sorteio.h"
#include "support/invariantes.h"

namespace zelprax::teste {
namespace {

using comissao::Moeda;
using Linha = std::vector<std::string>;

constexpr int kRodadas = 3;
// Complete runs that may change something before one more changes nothing: Phase 9's settlements
// become entries in the run after it.
constexpr int kExecucoesAtePontoFixo = 3;

int Notas() {
    const char* valor = std::getenv("ZELPRAX_ERP_NOTAS");
    return valor != nullptr && *valor != '\0' ? std::atoi(valor) : 40;
}

// The ERP at work on the database through a connection of its own, its choices drawn from a seed.
struct Erp {
    Erp(const std::string& banco, std::uint32_t semente)
        : dados(banco), sorteio(semente), pagas(EntradasPagas(dados)),
          acertosDoErp(dados.Valor("select coalesce(max(id_acerto_comissao), 0) from mov_acerto_comissao")) {}

    // An index below `tamanho` (above 0), drawn at random.
    std::size_t Qualquer(std::size_t tamanho) {
        return static_cast<std::size_t>(sorteio.Inteiro(0, static_cast<std::int64_t>(tamanho) - 1));
    }
    // One row of a select, drawn at random; none when it has no rows.
    std::optional<Linha> Um(const std::string& sql) {
        auto linhas = dados.Linhas(sql);
        if (linhas.empty()) return std::nullopt;
        return linhas[Qualquer(linhas.size())];
    }
    std::string Proximo(const char* tabela, const char* coluna) {
        return std::to_string(dados.Contar(std::string("select max(") + coluna + ") + 1 from " + tabela));
    }
    void MarcarNota(const std::string& id) {
        dados.Executar("update mov_nf_comercio set st_calc_comissao = 'S' where id_nf_comercio = " + id);
    }

    DadosTeste dados;
    demo::Sorteio sorteio;
    std::map<int, std::string> pagas;  // every paid entry, as it was paid
    std::string acertosDoErp;          // settlements up to it are the ERP's own
    int rodada = 0;  // the ERP numbers the payments of a round 900 + it, above the generated ones
};

// Invoices the runs calculate, with a nature of operation: the ones the ERP changes.
const std::string kNotasValidas =
    " from mov_nf_comercio n inner join tab_nat_operacao t on (t.id_nat_operacao = n.id_nat_operacao) "
    "where n.id_st_nf in (3, 5) and n.vl_total_nf > 0";
const std::string kRecebimentosAbertos =
    "select f.id_financeiro, f.vl_documento, f.no_documento from mov_financeiro f "
    "where f.id_nf_comercio is not null and f.dt_baixa is null and f.vl_documento > 0 order by 1";

bool BaixarRecebimento(Erp& erp) {
    const auto r = erp.Um(kRecebimentosAbertos);
    if (!r) return false;
    erp.dados.Executar("update mov_financeiro set dt_baixa = " + DiaSQL(-static_cast<int>(erp.sorteio.Inteiro(0, 3))) +
                       ", st_calc_comissao = 'S' where id_financeiro = " + r->at(0));
    return true;
}

// An unpaid entry no paid entry matches by seller, company and amount, so that the deductions
// and payments of the commercial phase tell the paid entries apart.
bool PagarEntrada(Erp& erp) {
    const auto e = erp.Um(
        "select c.id_comissao from mov_comissao c where c.id_comissao_gerada is null and c.vl_comissao <> 0 and "
        "not exists (select 1 from mov_comissao p where p.id_comissao_gerada is not null and p.id_vendedor = "
        "c.id_vendedor and p.id_empresa = c.id_empresa and p.vl_comissao = c.vl_comissao) order by 1");
    if (!e) return false;
    erp.dados.Executar("update mov_comissao set id_comissao_gerada = " + std::to_string(900 + erp.rodada) +
                       " where id_comissao = " + e->at(0));
    const int id = std::stoi(e->at(0));
    erp.pagas.emplace(id, EntradasPagas(erp.dados).at(id));
    return true;
}

// Deleted and issued again as one or two receivables of the same total, or zeroed. The
// instalment that carries the invoice's freight ("/A") is issued again whole.
bool ReemitirRecebimento(Erp& erp) {
    const auto r = erp.Um(kRecebimentosAbertos);
    if (!r) return false;
    const std::string& id = r->at(0);
    const int forma = erp.sorteio.Pesos({40, 40, 20});
    if (forma == 2) {
        erp.dados.Executar("update mov_financeiro set vl_documento = 0, st_calc_comissao = 'S' where id_financeiro = " +
                           id);
        return true;
    }
    const Moeda valor = Moeda::Ler(r->at(1));
    const bool dividir = forma == 1 && r->at(2).find("/A") == std::string::npos && valor > Moeda::Ler("0.01");
    const Moeda segunda = dividir ? Moeda::DeDezMilesimos(valor.DezMilesimos() / 200 * 100) : Moeda{};
    const auto emitir = [&](Moeda parte, const std::string& numero, int dias) {
        erp.dados.Executar(
            "insert into mov_financeiro (id_financeiro, id_nf_comercio, no_documento, vl_documento, dt_vencto, "
            "vl_desconto, vl_outras_reducoes, vl_abatimento, id_tp_mov_financ, st_calc_comissao) select " +
            erp.Proximo("mov_financeiro", "id_financeiro") + ", id_nf_comercio, " + numero + ", " + parte.Texto() +
            ", dt_vencto + " + std::to_string(dias) + ", 0, 0, 0, id_tp_mov_financ, 'S' from mov_financeiro "
            "where id_financeiro = " + id);
    };
    emitir(valor - segunda, "no_documento", 0);
    const std::string numero = r->at(2).substr(0, r->at(2).find('/'));
    if (dividir) emitir(segunda, "'" + numero + "/R" + std::to_string(erp.rodada) + "'", 30);
    erp.dados.Executar("delete from mov_financeiro where id_financeiro = " + id);
    return true;
}

// Cancelled (status 4), or its total set to 0; one with commission entries.
bool CancelarNota(Erp& erp) {
    const auto n = erp.Um("select n.id_nf_comercio" + kNotasValidas +
                          " and exists (select 1 from mov_comissao c where c.id_nf_comercio = n.id_nf_comercio) "
                          "order by 1");
    if (!n) return false;
    erp.dados.Executar(std::string("update mov_nf_comercio set ") +
                       (erp.sorteio.Chance(70) ? "id_st_nf = 4" : "vl_total_nf = 0") +
                       " where id_nf_comercio = " + n->at(0));
    erp.MarcarNota(n->at(0));
    return true;
}

// Another seller, one not on the invoice, in one of its slots; or, for the types whose rate
// Phase 1 takes from the items, another rate on one item.
bool MudarVendedorOuTaxa(Erp& erp) {
    const auto n = erp.Um("select n.id_nf_comercio, coalesce(t.id_sugerir_comissao, 0), n.id_vendedor, "
                          "n.id_vendedor2, n.id_vendedor3, n.id_vendedor4, n.id_vendedor5" + kNotasValidas +
                          " order by 1");
    if (!n) return false;
    const std::string& id = n->at(0);
    const int tipo = std::stoi(n->at(1));
    const auto item =
        erp.Um("select id_nf_comercio_item from mov_nf_comercio_item where id_nf_comercio = " + id + " order by 1");
    if (tipo >= 0 && tipo <= 5 && item && erp.sorteio.Chance(50)) {
        erp.dados.Executar("update mov_nf_comercio_item set po_comissao = " +
                           Moeda::DeDezMilesimos(5000 * erp.sorteio.Inteiro(1, 16)).Texto() +
                           " where id_nf_comercio_item = " + item->at(0));
    } else {
        std::vector<int> ocupados;
        std::string naNota;
        for (int slot = 1; slot <= 5; ++slot) {
            if (n->at(1 + slot) == "<null>" || std::stoi(n->at(1 + slot)) <= 0) continue;
            ocupados.push_back(slot);
            naNota += "," + n->at(1 + slot);
        }
        const auto novo = erp.Um("select distinct id_vendedor from mov_nf_comercio where id_vendedor > 0 and "
                                 "id_vendedor not in (0" + naNota + ") order by 1");
        if (ocupados.empty() || !novo) return false;
        const int slot = ocupados[erp.Qualquer(ocupados.size())];
        erp.dados.Executar("update mov_nf_comercio set id_vendedor" + (slot == 1 ? "" : std::to_string(slot)) + " = " +
                           novo->at(0) + " where id_nf_comercio = " + id);
    }
    erp.MarcarNota(id);
    return true;
}

bool ApagarAcerto(Erp& erp) {
    const auto a = erp.Um("select id_acerto_comissao from mov_acerto_comissao where id_comissao_gerada is null and "
                          "id_acerto_comissao <= " + erp.acertosDoErp + " order by 1");
    if (a) erp.dados.Executar("delete from mov_acerto_comissao where id_acerto_comissao = " + a->at(0));
    return a.has_value();
}

// Due past the grace days of the invoice's payment plan, on an invoice whose advance is reversed
// when the customer defaults. The receipt entries carry the due date: the receivable is marked.
bool AtrasarRecebimento(Erp& erp) {
    const auto r = erp.Um(
        "select f.id_financeiro, p.qt_dias_estorna_comissao from mov_financeiro f inner join mov_nf_comercio n on "
        "(n.id_nf_comercio = f.id_nf_comercio) inner join tab_plano_pagto p on (p.id_plano_pagto = n.id_plano_pagto) "
        "where f.dt_baixa is null and f.vl_documento > 0 and f.id_tp_mov_financ in (2, 8) and "
        "p.qt_dias_estorna_comissao is not null and n.st_estornar_comissao = 'S' and n.id_comissao_estornada is null "
        "and n.id_st_nf in (3, 5) and n.vl_total_nf > 0 and f.dt_vencto >= cast(" + DiaSQL() +
        " as date) - p.qt_dias_estorna_comissao order by 1");
    if (!r) return false;
    const int dias = std::stoi(r->at(1)) + 1 + static_cast<int>(erp.sorteio.Inteiro(0, 20));
    erp.dados.Executar("update mov_financeiro set dt_vencto = " + DiaSQL(-dias) +
                       ", st_calc_comissao = 'S' where id_financeiro = " + r->at(0));
    return true;
}

struct Acao {
    const char* nome;
    bool (*fazer)(Erp&);   // false when no document fits
    int porQuarentaNotas;  // documents per round in a database of 40 invoices
};
const Acao kAcoes[] = {
    {"baixas", &BaixarRecebimento, 4},
    {"entradas pagas", &PagarEntrada, 4},
    {"reemissões", &ReemitirRecebimento, 3},
    {"cancelamentos", &CancelarNota, 2},
    {"vendedores ou taxas", &MudarVendedorOuTaxa, 4},
    {"acertos apagados", &ApagarAcerto, 2},
    {"atrasos", &AtrasarRecebimento, 3},
};

// Each broken rule one line, under the seed and round.
void Relatar(const std::string& onde, const char* regra, const std::vector<std::string>& falhas) {
    if (falhas.empty()) return;
    std::string linhas;
    for (std::size_t i = 0; i < falhas.size() && i < 10; ++i) linhas += "\n  " + onde + ": " + falhas[i];
    if (falhas.size() > 10) linhas += "\n  (e mais " + std::to_string(falhas.size() - 10) + ")";
    ADD_FAILURE() << onde << ", " << regra << ": " << falhas.size() << " quebras" << linhas;
}

class ErpEntreExecucoes : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(ErpEntreExecucoes, CadaLoteDoErpSeguidoDeExecucoesAtePontoFixoMantemAsRegras) {
    PastaTemporaria pasta;
    const std::string banco = pasta / "erp.fdb";
    const int notas = Notas();
    CriarBancoGerado(banco, notas, GetParam());
    Erp erp(banco, GetParam());
    std::set<int> calculadas;  // invoices the runs had to calculate, in any round

    for (erp.rodada = 0; erp.rodada <= kRodadas; ++erp.rodada) {
        const std::string onde = "semente " + std::to_string(GetParam()) + ", rodada " + std::to_string(erp.rodada);
        std::string feito;
        for (const Acao& acao : kAcoes) {
            int vezes = 0;
            for (int i = 0; erp.rodada > 0 && i < std::max(1, acao.porQuarentaNotas * notas / 40); ++i)
                vezes += acao.fazer(erp) ? 1 : 0;
            if (vezes > 0) feito += std::string(", ") + acao.nome + " " + std::to_string(vezes);
        }
        // The ERP's changes make a new start: the documents it marked, its settlements gone.
        const Inicio inicio = CapturarInicio(erp.dados);
        calculadas.insert(inicio.notasPendentes.begin(), inicio.notasPendentes.end());

        std::string erro;
        const int execucoes = ExecutarAtePontoFixo(banco, kExecucoesAtePontoFixo, &erro);
        if (execucoes < 0 && erro.empty()) {
            ADD_FAILURE() << onde << ": " << kExecucoesAtePontoFixo + 1 << " execuções seguidas mudaram o banco";
            ExecutarAtePontoFixo(banco, 10, &erro);
        }
        ASSERT_TRUE(erro.empty()) << onde << ": " << erro;
        std::cout << onde << feito << "; " << execucoes << " execuções até o ponto fixo\n";

        DadosTeste& dados = erp.dados;
        Relatar(onde, "entradas pagas", VerificarEntradasPagas(dados, erp.pagas));
        Relatar(onde, "comissão da venda", VerificarComissaoDaVenda(dados, calculadas));
        Relatar(onde, "documentos que se foram", VerificarEntradasSemDocumento(dados, calculadas));
        Relatar(onde, "regras das execuções", VerificarInvariantes(dados, inicio));
    }
}

INSTANTIATE_TEST_SUITE_P(Sementes, ErpEntreExecucoes, ::testing::Values(1u, 11u, 13u));

}  // namespace
}  // namespace zelprax::teste
