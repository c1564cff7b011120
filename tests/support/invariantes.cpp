#include "support/invariantes.h"

#include <algorithm>
#include <map>

#include "commission/moeda.h"

namespace zelprax::teste {

namespace {

std::set<int> Ids(DadosTeste& dados, const std::string& sql) {
    std::set<int> ids;
    for (const auto& linha : dados.Linhas(sql)) ids.insert(std::stoi(linha[0]));
    return ids;
}

// A blocking settlement of the entry c: of its amount, or, for an advance a reversal took part of,
// of what the reversal left.
const std::string kValorDoAcerto =
    "(a.vl_acerto = c.vl_comissao or (c.tp_registro = '1' and a.vl_acerto = c.vl_comissao - (select "
    "coalesce(sum(e.vl_acerto), 0) from mov_acerto_comissao e where e.id_comissao_estornada = c.id_nf_comercio and "
    "e.id_vendedor = c.id_vendedor)))";

std::string Juntar(const std::vector<std::string>& linha) {
    std::string s;
    for (const auto& c : linha) s += c + "|";
    return s;
}

}  // namespace

Inicio CapturarInicio(DadosTeste& dados) {
    Inicio i;
    i.notasPendentes = Ids(dados, "select id_nf_comercio from mov_nf_comercio where st_calc_comissao = 'S'");
    i.recebimentosPendentes = Ids(dados, "select id_financeiro from mov_financeiro where st_calc_comissao = 'S'");
    i.acertosPendentes = Ids(dados, "select id_acerto_comissao from mov_acerto_comissao where st_calc_comissao = 'S'");
    i.maiorAcerto = static_cast<int>(dados.Contar("select coalesce(max(id_acerto_comissao), 0) from mov_acerto_comissao"));
    i.estornoInicial = Ids(dados,
                           "select id_comissao from mov_comissao where id_comissao_gerada is not null and "
                           "st_estorno_1 = 'S'");
    for (int slot = 1; slot <= 5; ++slot) {
        const std::string n = slot == 1 ? "" : std::to_string(slot);
        for (const auto& l : dados.Linhas("select id_nf_comercio, id_vendedor" + n +
                                          " from mov_nf_comercio where st_credito_fat" + n +
                                          " = 'S' and id_vendedor" + n + " > 0"))
            i.creditoInicial.insert(l[0] + "/" + l[1]);
    }
    i.status6Inicial = Ids(dados, "select id_nf_comercio from mov_nf_comercio where id_st_nf = 6");
    return i;
}

std::vector<std::string> VerificarInvariantes(DadosTeste& dados, const Inicio& inicio) {
    std::vector<std::string> falhas;

    // Settlements handled by the runs: exactly one entry each, with the settlement's amount.
    for (const auto& l : dados.Linhas(
             "select a.id_acerto_comissao, a.tp_acerto, a.vl_acerto, "
             "(select count(*) from mov_comissao c where c.tp_registro = '3' and c.id_acerto_comissao = "
             "a.id_acerto_comissao), "
             "(select max(c.vl_comissao) from mov_comissao c where c.tp_registro = '3' and "
             "c.id_acerto_comissao = a.id_acerto_comissao) "
             "from mov_acerto_comissao a where a.st_calc_comissao = 'N'")) {
        const int id = std::stoi(l[0]);
        if (!inicio.acertosPendentes.count(id) && id <= inicio.maiorAcerto) continue;
        // A credit ('A') adds its amount, anything else takes it off (a negative one adds it).
        const std::string esperado = l[1] == "A" ? l[2] : (l[2][0] == '-' ? l[2].substr(1) : "-" + l[2]);
        // A settlement of 0.00 gets an entry of 0.00, which the run's closing statement deletes.
        if (l[2] == "0.00" && l[3] == "0") continue;
        if (l[3] != "1" || (l[4] != esperado && !(l[2] == "0.00" && l[4] == "0.00")))
            falhas.push_back("acerto " + l[0] + ": " + l[3] + " entradas, valor " + l[4] + " (esperado " + esperado + ")");
    }

    // Paid entries: each deduction and payment is written once at most, and deductions less payments
    // written by the runs follow the change of ST_ESTORNO_1.
    for (const auto& l : dados.Linhas(
             "select c.id_comissao, c.st_estorno_1, "
             "(select count(*) from mov_acerto_comissao a where a.id_acerto_comissao > " +
             std::to_string(inicio.maiorAcerto) +
             " and a.tp_acerto = 'D' and a.ds_acerto = 'COMISSÃO BLOQUEADA PELA FASE DO PROCESSO' and "
             "a.id_vendedor = c.id_vendedor and a.id_empresa = c.id_empresa and " + kValorDoAcerto + "), "
             "(select count(*) from mov_acerto_comissao a where a.id_acerto_comissao > " +
             std::to_string(inicio.maiorAcerto) +
             " and a.tp_acerto = 'A' and a.ds_acerto = 'COMISSÃO DESBLOQUEADA PELA FASE DO PROCESSO' and "
             "a.id_vendedor = c.id_vendedor and a.id_empresa = c.id_empresa and " + kValorDoAcerto + ") "
             "from mov_comissao c where c.id_comissao_gerada is not null")) {
        const int id = std::stoi(l[0]);
        if (std::stoi(l[2]) > 1 || std::stoi(l[3]) > 1)
            falhas.push_back("entrada paga " + l[0] + ": " + l[2] + " descontos e " + l[3] + " pagamentos");
        const int saldo = std::stoi(l[2]) - std::stoi(l[3]);
        const int esperado = (l[1] == "S" ? 1 : 0) - (inicio.estornoInicial.count(id) ? 1 : 0);
        if (saldo != esperado)
            falhas.push_back("entrada paga " + l[0] + ": descontos menos pagamentos " + std::to_string(saldo) +
                             ", esperado " + std::to_string(esperado));
    }

    // Reversals: at most one per invoice and seller; a reversed invoice keeps its advance credit
    // exactly on the slots it did not reverse.
    for (const auto& l : dados.Linhas(
             "select id_comissao_estornada, id_vendedor, count(*) from mov_acerto_comissao "
             "where id_comissao_estornada is not null group by 1, 2 having count(*) > 1"))
        falhas.push_back("nota " + l[0] + ", vendedor " + l[1] + ": " + l[2] + " estornos");
    std::map<std::string, int> estornos;
    for (const auto& l : dados.Linhas(
             "select id_comissao_estornada, id_vendedor from mov_acerto_comissao where id_comissao_estornada is not null"))
        estornos[l[0] + "/" + l[1]]++;
    for (int slot = 1; slot <= 5; ++slot) {
        const std::string n = slot == 1 ? "" : std::to_string(slot);
        for (const auto& l : dados.Linhas("select id_nf_comercio, id_vendedor" + n + ", st_credito_fat" + n +
                                          " from mov_nf_comercio where id_comissao_estornada is not null and id_vendedor" +
                                          n + " > 0")) {
            const std::string chave = l[0] + "/" + l[1];
            if (!inicio.creditoInicial.count(chave)) continue;
            const bool estornado = estornos.count(chave) > 0;
            if (estornado != (l[2] == "N"))
                falhas.push_back("nota " + l[0] + " posição " + std::to_string(slot) + ": ST_CREDITO_FAT " + l[2] +
                                 (estornado ? " com estorno" : " sem estorno"));
        }
    }

    // Invoices set aside by a run carry their log row.
    for (const auto& l : dados.Linhas(
             "select n.id_nf_comercio from mov_nf_comercio n where n.id_st_nf = 6 and not exists (select 1 from "
             "mov_log_controle g where g.id_log_evento = 18 and g.id_log_registro = n.id_nf_comercio)")) {
        if (!inicio.status6Inicial.count(std::stoi(l[0])))
            falhas.push_back("nota " + l[0] + ": situação 6 sem registro no log");
    }

    // Documents the runs finished have exactly one set of entries of their kind (no duplicates).
    for (const auto& l : dados.Linhas(
             "select id_nf_comercio, id_vendedor, count(*) from mov_comissao where tp_registro = '1' "
             "group by 1, 2 having count(*) > 1"))
        falhas.push_back("nota " + l[0] + ", vendedor " + l[1] + ": " + l[2] + " entradas de venda");
    for (const auto& l : dados.Linhas(
             "select id_financeiro, id_vendedor, count(*) from mov_comissao where tp_registro = '2' "
             "and id_financeiro is not null group by 1, 2 having count(*) > 1"))
        falhas.push_back("recebimento " + l[0] + ", vendedor " + l[1] + ": " + l[2] + " entradas");
    for (const auto& l : dados.Linhas(
             "select id_nf_comercio, id_vendedor, count(*) from mov_comissao where tp_registro = '2' "
             "and id_financeiro is null group by 1, 2 having count(*) > 1"))
        falhas.push_back("nota " + l[0] + ", vendedor " + l[1] + ": " + l[2] + " entradas à vista");
    return falhas;
}

std::string RetratoDasEntradas(DadosTeste& dados) {
    std::string s;
    for (const auto& l : dados.Linhas(
             "select tp_registro, id_nf_comercio, id_financeiro, id_empresa, id_vendedor, ds_serie, no_documento, "
             "dt_emissao, id_cliente, nm_cliente, vl_operacao, vl_base_comissao, po_comissao, vl_comissao, st_irrf, "
             "dt_credito, st_recebimento, st_pagar from mov_comissao where tp_registro in ('1', '2') "
             "order by tp_registro, id_nf_comercio, id_financeiro, id_vendedor, vl_comissao"))
        s += Juntar(l) + "\n";
    for (const auto& l : dados.Linhas(
             "select id_nf_comercio, st_calc_comissao, id_st_nf, vl_base_comissao, vl_comissao, po_comissao "
             "from mov_nf_comercio order by 1"))
        s += "nota " + Juntar(l) + "\n";
    for (const auto& l : dados.Linhas("select id_financeiro, st_calc_comissao from mov_financeiro order by 1"))
        s += "receber " + Juntar(l) + "\n";
    return s;
}

std::string RetratoCompleto(DadosTeste& dados) {
    std::string s = RetratoDasEntradas(dados);
    const auto juntar = [&](const std::string& rotulo, const std::string& sql) {
        for (const auto& linha : dados.Linhas(sql)) {
            s += rotulo;
            for (const auto& c : linha) s += " " + c;
            s += "\n";
        }
    };
    juntar("comissao", "select tp_registro, id_nf_comercio, id_financeiro, id_vendedor, vl_comissao, st_bloqueio_1, "
                       "st_estorno_1, id_comissao_gerada from mov_comissao order by 1, 2, 3, 4, 5, 6, 7, 8");
    juntar("acerto", "select dt_pagamento, id_vendedor, vl_acerto, tp_acerto, st_irrf, ds_acerto, id_empresa, "
                     "st_calc_comissao, id_comissao_estornada from mov_acerto_comissao order by 1, 2, 3, 4, 5, 6, 7, 8, 9");
    juntar("nota", "select id_nf_comercio, st_calc_estorno, po_comissao_estornada, id_comissao_estornada, "
                   "st_credito_fat, st_credito_fat2, st_credito_fat3, st_credito_fat4, st_credito_fat5, "
                   "po_comissao2, po_comissao3, po_comissao4, po_comissao5, vl_po_produto_total "
                   "from mov_nf_comercio order by 1");
    juntar("item", "select id_nf_comercio_item, po_comissao from mov_nf_comercio_item order by 1");
    juntar("receber", "select id_financeiro, st_estornar_comissao from mov_financeiro order by 1");
    juntar("log", "select id_log_evento, id_log_usuario, id_log_registro, ds_log_observacao from mov_log_controle "
                  "order by 3");
    juntar("parametro", "select * from tab_parametro");
    return s;
}

std::string RetratoDeTodasAsTabelas(DadosTeste& dados) {
    std::string s;
    for (const auto& tabela : dados.Linhas("select trim(rdb$relation_name) from rdb$relations where "
                                           "rdb$system_flag = 0 and rdb$view_blr is null order by 1")) {
        std::vector<std::string> linhas;
        for (const auto& linha : dados.Linhas("select * from " + tabela.at(0))) {
            std::string texto;
            for (const auto& c : linha) texto += c + "|";
            linhas.push_back(std::move(texto));
        }
        std::sort(linhas.begin(), linhas.end());
        s += "== " + tabela.at(0) + "\n";
        for (const auto& l : linhas) s += l + "\n";
    }
    return s;
}

std::vector<std::string> VerificarValoresDosVendedores(DadosTeste& dados, const Inicio& inicio) {
    std::vector<std::string> falhas;
    const std::string novos = " a.id_acerto_comissao > " + std::to_string(inicio.maiorAcerto);
    for (const auto& l : dados.Linhas(
             "select a.id_comissao_estornada, a.id_vendedor, a.vl_acerto, "
             "(select coalesce(sum(c.vl_comissao), 0) from mov_comissao c where c.tp_registro = '1' and "
             "c.id_nf_comercio = a.id_comissao_estornada and c.id_vendedor = a.id_vendedor), "
             "(select count(*) from mov_comissao c where c.tp_registro = '1' and c.id_nf_comercio = "
             "a.id_comissao_estornada and c.id_vendedor = a.id_vendedor and c.st_estorno_1 = 'S') "
             "from mov_acerto_comissao a where a.id_comissao_estornada is not null and" + novos)) {
        const std::string chave = "nota " + l[0] + ", vendedor " + l[1];
        if (std::stod(l[2]) > std::stod(l[3]) + 0.005)
            falhas.push_back(chave + ": estorno " + l[2] + " maior que o adiantamento " + l[3]);
        // The blocking deducts only what the reversal left of the advance.
        if (l[4] != "0" && !(std::stod(l[2]) + 0.005 < std::stod(l[3])))
            falhas.push_back(chave + ": adiantamento estornado por inteiro e descontado pelo bloqueio");
    }

    // Advance and receipts of each seller on an invoice the runs calculated, against the full
    // commission at the seller's rate on the base the entries carry (a cent of rounding each).
    for (int slot = 1; slot <= 5; ++slot) {
        const std::string n = slot == 1 ? "" : std::to_string(slot);
        for (const auto& l : dados.Linhas(
                 "select mc.id_nf_comercio, mc.id_vendedor" + n + ", mc.po_comissao" + n +
                 ", (select max(c.vl_base_comissao) from mov_comissao c where c.tp_registro = '1' and "
                 "c.id_nf_comercio = mc.id_nf_comercio and c.id_vendedor = mc.id_vendedor" + n +
                 "), (select coalesce(sum(c.vl_comissao), 0) from mov_comissao c where "
                 "c.tp_registro in ('1', '2') and c.id_nf_comercio = mc.id_nf_comercio and c.id_vendedor = "
                 "mc.id_vendedor" + n + "), (select count(*) from mov_comissao c where c.tp_registro in ('1', '2') "
                 "and c.id_nf_comercio = mc.id_nf_comercio and c.id_vendedor = mc.id_vendedor" + n +
                 ") from mov_nf_comercio mc where mc.id_vendedor" + n + " > 0")) {
            if (!inicio.notasPendentes.count(std::stoi(l[0])) || l[3] == "<null>") continue;
            const double integral = std::stod(l[3]) * std::stod(l[2]) / 100;
            if (std::stod(l[4]) > integral + 0.01 * std::stod(l[5]) + 0.005)
                falhas.push_back("nota " + l[0] + ", vendedor " + l[1] + ": recebeu " + l[4] +
                                 ", mais que a comissão integral " + std::to_string(integral));
        }
    }
    return falhas;
}

namespace {

using comissao::Moeda;

Moeda Dinheiro(const std::string& texto) { return texto == "<null>" ? Moeda{} : Moeda::Ler(texto); }
int Inteiro(const std::string& texto) { return texto == "<null>" ? 0 : std::stoi(texto); }

// base x rate %, in cents (half away from zero), as the entries keep it; 0 for a negative result.
Moeda ComissaoEmCentavos(Moeda base, Moeda percentual) {
    const std::int64_t n = (base * percentual / Moeda::DeInteiro(100)).DezMilesimos();
    return n <= 0 ? Moeda{} : Moeda::DeDezMilesimos((n + 50) / 100 * 100);
}

std::string Centavos(Moeda m) {
    const std::string t = m.Texto();
    return t.substr(0, t.size() - 2);
}

}  // namespace

std::map<int, std::string> EntradasPagas(DadosTeste& dados) {
    std::map<int, std::string> pagas;
    for (const auto& l : dados.Linhas(
             "select id_comissao, tp_registro, id_nf_comercio, id_financeiro, id_acerto_comissao, id_vendedor, "
             "vl_comissao, id_empresa, ds_serie, no_documento, dt_emissao, id_cliente, nm_cliente, vl_operacao, "
             "vl_base_comissao, po_comissao, st_irrf, dt_credito, st_recebimento, st_entrega, id_comissao_gerada, "
             "st_cancelada, st_pagar from mov_comissao where id_comissao_gerada is not null"))
        pagas[std::stoi(l[0])] = Juntar(l);
    return pagas;
}

std::vector<std::string> VerificarEntradasPagas(DadosTeste& dados, const std::map<int, std::string>& pagas) {
    std::vector<std::string> falhas;
    const std::map<int, std::string> agora = EntradasPagas(dados);
    for (const auto& [id, linha] : pagas) {
        const auto atual = agora.find(id);
        if (atual == agora.end())
            falhas.push_back("entrada paga " + std::to_string(id) + " apagada (era " + linha + ")");
        else if (atual->second != linha)
            falhas.push_back("entrada paga " + std::to_string(id) + " mudou de " + linha + " para " + atual->second);
    }
    return falhas;
}

std::vector<std::string> VerificarComissaoDaVenda(DadosTeste& dados, const std::set<int>& notas) {
    // What each seller holds on each invoice: the sales and receipt entries less the reversals.
    struct Parte {
        Moeda liquido, basesRecebimento;
        int entradas = 0;
    };
    std::map<int, std::map<int, Parte>> partes;  // invoice -> seller
    std::map<int, Moeda> baseDaVenda;            // the base the invoice's sales entries carry
    std::set<int> comEntradaPaga;
    for (const auto& l : dados.Linhas(
             "select id_nf_comercio, id_vendedor, tp_registro, vl_comissao, vl_base_comissao, id_comissao_gerada "
             "from mov_comissao where tp_registro in ('1', '2') and id_nf_comercio is not null")) {
        const int nota = std::stoi(l[0]);
        if (l[5] != "<null>") comEntradaPaga.insert(nota);
        Parte& parte = partes[nota][Inteiro(l[1])];
        parte.liquido += Dinheiro(l[3]);
        ++parte.entradas;
        if (l[2] == "1")
            baseDaVenda[nota] = std::max(baseDaVenda[nota], Dinheiro(l[4]));
        else
            parte.basesRecebimento += Dinheiro(l[4]);
    }
    for (const auto& l : dados.Linhas(
             "select id_comissao_estornada, id_vendedor, sum(case when tp_acerto = 'A' then -vl_acerto else "
             "vl_acerto end) from mov_acerto_comissao where id_comissao_estornada is not null group by 1, 2")) {
        const auto nota = partes.find(std::stoi(l[0]));
        if (nota == partes.end()) continue;
        const auto parte = nota->second.find(Inteiro(l[1]));
        if (parte != nota->second.end()) parte->second.liquido -= Dinheiro(l[2]);
    }

    std::vector<std::string> falhas;
    const auto acima = [](const Parte& p, Moeda limite) {
        return p.liquido > limite + Moeda::DeDezMilesimos(100 * p.entradas);
    };
    for (const auto& l : dados.Linhas(
             "select mc.id_nf_comercio, coalesce(tno.id_sugerir_comissao, 0), mc.tp_base_comissao_outros, "
             "mc.vl_base_comissao, mc.vl_comissao, mc.vl_resultado_venda, mc.id_vendedor, mc.id_vendedor2, "
             "mc.id_vendedor3, mc.id_vendedor4, mc.id_vendedor5, mc.po_comissao, mc.po_comissao2, mc.po_comissao3, "
             "mc.po_comissao4, mc.po_comissao5, 'S', mc.st_comissao_ad2, mc.st_comissao_ad3, mc.st_comissao_ad4, "
             "mc.st_comissao_ad5 from mov_nf_comercio mc inner join tab_nat_operacao tno on (tno.id_nat_operacao = "
             "mc.id_nat_operacao) where mc.st_calc_comissao = 'N' and mc.id_st_nf in (3, 5) and mc.vl_total_nf > 0")) {
        const int nota = std::stoi(l[0]);
        const auto daNota = partes.find(nota);
        if (!notas.count(nota) || comEntradaPaga.count(nota) || daNota == partes.end()) continue;
        const int tipo = std::stoi(l[1]);
        const Moeda comissaoNota = Dinheiro(l[4]);
        // The seller's commission on the sale: the slot's rate on the slot's base, over the
        // seller's slots. For type 6 the base is the one the sales entries carry or, with none,
        // the seller's receipt bases added up (each the invoice's base times the receivable's
        // share). Co-sellers whose rate is part of the main rate, and none besides.
        std::map<int, Moeda> devida;
        std::set<int> parteDaPrincipal, outros;
        for (int slot = 1; slot <= 5; ++slot) {
            const int vendedor = Inteiro(l[5 + slot]);
            if (vendedor <= 0) continue;
            Moeda base;
            if (tipo >= 0 && tipo <= 4)
                base = slot > 1 && l[2] == "C" ? comissaoNota : Dinheiro(l[3]);
            else if (tipo == 5)
                base = Dinheiro(l[5]);
            else if (tipo == 6) {
                const auto venda = baseDaVenda.find(nota);
                const auto parte = daNota->second.find(vendedor);
                base = venda != baseDaVenda.end() ? venda->second
                       : parte != daNota->second.end() ? parte->second.basesRecebimento
                                                       : Moeda{};
            }
            devida[vendedor] += ComissaoEmCentavos(base, Dinheiro(l[10 + slot]));
            (slot > 1 && l[15 + slot] == "N" ? parteDaPrincipal : outros).insert(vendedor);
        }
        Parte juntos;
        std::string quem;
        for (const auto& [vendedor, parte] : daNota->second) {
            const Moeda limite = devida.count(vendedor) ? devida[vendedor] : Moeda{};
            if (acima(parte, limite))
                falhas.push_back("nota " + l[0] + ", vendedor " + std::to_string(vendedor) + ": recebeu " +
                                 Centavos(parte.liquido) + " em " + std::to_string(parte.entradas) +
                                 " entradas, mais que a comissão da venda " + Centavos(limite));
            if (parteDaPrincipal.count(vendedor) && !outros.count(vendedor)) {
                juntos.liquido += parte.liquido;
                juntos.entradas += parte.entradas;
                quem += (quem.empty() ? "" : ", ") + std::to_string(vendedor);
            }
        }
        if (tipo >= 0 && tipo <= 4 && !quem.empty() && acima(juntos, std::max(comissaoNota, Moeda{})))
            falhas.push_back("nota " + l[0] + ", vendedores " + quem + " (parte da comissão principal): receberam " +
                             Centavos(juntos.liquido) + ", mais que a comissão da nota " + Centavos(comissaoNota));
    }
    return falhas;
}

std::vector<std::string> VerificarEntradasSemDocumento(DadosTeste& dados, const std::set<int>& notas) {
    std::vector<std::string> falhas;
    for (const auto& l : dados.Linhas(
             "select c.id_comissao, c.id_financeiro, c.id_nf_comercio, c.id_vendedor, c.vl_comissao, f.vl_documento "
             "from mov_comissao c left join mov_financeiro f on (f.id_financeiro = c.id_financeiro) where "
             "c.tp_registro = '2' and c.id_financeiro is not null and c.id_comissao_gerada is null and "
             "(f.id_financeiro is null or f.vl_documento <= 0)"))
        falhas.push_back("nota " + l[2] + ", vendedor " + l[3] + ": entrada " + l[0] + " de " + l[4] +
                         " do recebimento " + l[1] + (l[5] == "<null>" ? ", apagado" : ", zerado"));
    for (const auto& l : dados.Linhas(
             "select c.id_comissao, c.id_acerto_comissao, c.id_vendedor, c.vl_comissao from mov_comissao c where "
             "c.tp_registro = '3' and c.id_comissao_gerada is null and not exists (select 1 from "
             "mov_acerto_comissao a where a.id_acerto_comissao = c.id_acerto_comissao)"))
        falhas.push_back("vendedor " + l[2] + ": entrada " + l[0] + " de " + l[3] + " do acerto apagado " + l[1]);
    for (const auto& l : dados.Linhas(
             "select c.id_comissao, c.tp_registro, c.id_nf_comercio, c.id_vendedor, c.vl_comissao, n.id_st_nf, "
             "n.vl_total_nf from mov_comissao c left join mov_nf_comercio n on (n.id_nf_comercio = "
             "c.id_nf_comercio) where c.tp_registro in ('1', '2') and c.id_comissao_gerada is null and "
             "c.id_nf_comercio is not null and (n.id_nf_comercio is null or coalesce(n.id_st_nf, 0) not in (3, 5, "
             "6) or coalesce(n.vl_total_nf, 0) <= 0)")) {
        if (!notas.count(std::stoi(l[2]))) continue;
        falhas.push_back("nota " + l[2] + ", vendedor " + l[3] + ": entrada " + l[0] + " (tipo " + l[1] + ") de " +
                         l[4] + " numa nota de situação " + l[5] + " e total " + l[6]);
    }
    return falhas;
}

}  // namespace zelprax::teste
