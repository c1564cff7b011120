#pragma once
// The engine on a fresh database with what every invoice of the commission phases needs: the
// parameter row, nature of operation 1 (type 0, payable), product 1 of manufacturer 7 and
// customer 100. Plus a second connection that holds a row locked, as an ERP user editing it does.

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "db/banco.h"
#include "db/consulta.h"
#include "motor_teste.h"

namespace zelprax::teste {

class FasesTeste : public MotorTeste {
protected:
    void SetUp() override {
        MotorTeste::SetUp();
        dados->Parametro();
        dados->Natureza(1);
        dados->Produto(1, "7");
        dados->Pessoa(100, "Cliente Ltda");
    }

    // A sale in one row: the invoice (DadosTeste::Nota's defaults, base 1,000.00 and commission
    // 50.00), its item (1 x 1,000.00 at 5 %) and its receivables, each 1,000.00 unless the row says
    // otherwise; receivable k of invoice `id` is id x 10 + k.
    struct VendaDoCaso {
        VendaDoCaso(Colunas nota = {}, Colunas item = {}, std::vector<Colunas> receber = {})
            : nota(std::move(nota)), item(std::move(item)), receber(std::move(receber)) {}
        Colunas nota, item;
        std::vector<Colunas> receber;
    };
    void CriarVenda(int id, const VendaDoCaso& venda) {
        Colunas nota = {{"VL_BASE_COMISSAO", "1000"}, {"VL_COMISSAO", "50"}};
        for (const auto& [coluna, valor] : venda.nota) nota[coluna] = valor;
        dados->Nota(id, nota);
        dados->Item(id, id, venda.item);
        for (std::size_t k = 0; k < venda.receber.size(); ++k)
            dados->Receber(id * 10 + static_cast<int>(k), id, venda.receber[k]);
    }
    // The run's nine phases, `vezes` times.
    void Rodar(int vezes = 1) {
        for (int i = 0; i < vezes; ++i) {
            motor.CalcularComissaoVendas();
            motor.GerarAcertosFaseProcesso();
            motor.GerarComissaoVendas();
            motor.GerarComissaoRecebimentos();
            motor.GerarComissaoAcertos();
            motor.GerarEstornoInadimplentes();
        }
    }
    // What the seller has on the invoice: its sales and receipt entries, and the entries of the
    // settlements reversing its advance; with `recebido`, only what was received.
    std::string TotalDaVenda(int nota, int vendedor, bool recebido = false) {
        const std::string n = std::to_string(nota);
        return dados->Valor("select coalesce(sum(vl_comissao), 0) from mov_comissao where id_vendedor = " +
                            std::to_string(vendedor) + (recebido ? " and st_recebimento = 'S'" : "") +
                            " and (id_nf_comercio = " + n + " or id_acerto_comissao in (select id_acerto_comissao "
                            "from mov_acerto_comissao where id_comissao_estornada = " + n + "))");
    }

    // Sales the ERP changes between runs, one invoice each (case i is invoice i + 1): built, run
    // twice; then, round by round, each case's next action and two more runs; at the end each
    // seller's total on the invoice (and seller 10's received part, where given) is checked.
    struct CasoDeVenda {
        const char* nome;
        VendaDoCaso venda;
        std::vector<std::function<void(DadosTeste&, const std::string& nota)>> acoes;
        std::vector<std::pair<int, const char*>> totais;  // seller, total on the invoice
        const char* recebido = nullptr;
    };
    void ConferirVendas(const std::vector<CasoDeVenda>& casos) {
        std::size_t rodadas = 0;
        for (std::size_t i = 0; i < casos.size(); ++i) {
            CriarVenda(static_cast<int>(i + 1), casos[i].venda);
            rodadas = std::max(rodadas, casos[i].acoes.size());
        }
        Rodar(2);
        for (std::size_t r = 0; r < rodadas; ++r) {
            for (std::size_t i = 0; i < casos.size(); ++i)
                if (r < casos[i].acoes.size()) casos[i].acoes[r](*dados, std::to_string(i + 1));
            Rodar(2);
        }
        for (std::size_t i = 0; i < casos.size(); ++i) {
            const int nota = static_cast<int>(i + 1);
            for (const auto& [vendedor, total] : casos[i].totais) {
                EXPECT_EQ(TotalDaVenda(nota, vendedor), total) << casos[i].nome << ", seller " << vendedor;
            }
            if (casos[i].recebido) {
                EXPECT_EQ(TotalDaVenda(nota, 10, true), casos[i].recebido) << casos[i].nome;
            }
        }
    }

    // The first row of a select, its columns joined by '|'.
    std::string Linha(const std::string& sql) {
        const auto linhas = dados->Linhas(sql);
        std::string s;
        if (linhas.empty()) return "<nenhuma>";
        for (const auto& c : linhas[0]) s += (s.empty() ? "" : "|") + c;
        return s;
    }
};

// An action of the ERP in a case of FasesTeste::ConferirVendas: statements in which every '#' stands
// for the invoice's identifier (so "#1" is its second receivable).
inline std::function<void(DadosTeste&, const std::string&)> Erp(std::vector<std::string> comandos) {
    return [comandos = std::move(comandos)](DadosTeste& dados, const std::string& nota) {
        for (std::string sql : comandos) {
            for (std::size_t p = sql.find('#'); p != std::string::npos; p = sql.find('#', p + nota.size()))
                sql.replace(p, 1, nota);
            dados.Executar(sql);
        }
    };
}

// Updates a row on its own connection and keeps the change uncommitted until destroyed; the
// engine's transactions do not wait, so touching that row fails at once.
class TravaDeLinha {
public:
    TravaDeLinha(const std::string& caminho, const std::string& update) {
        banco_.DefinirNomeBanco(caminho);
        banco_.Abrir();
        comando_.Anexar(&banco_);
        comando_.DefinirSQL(update);
        comando_.Executar();
    }
    ~TravaDeLinha() { banco_.Fechar(false); }
    TravaDeLinha(const TravaDeLinha&) = delete;
    TravaDeLinha& operator=(const TravaDeLinha&) = delete;

private:
    db::BancoDados banco_{"ERP"};
    db::Consulta comando_;
};

}  // namespace zelprax::teste
