#include "resumo.h"

#include <algorithm>
#include <cstdio>

namespace zelprax::executor {

namespace {

const std::array<std::string, 9> kLegendas{
    "Fase 1/9 - Calculando comissão das vendas",
    "Fase 2/9 - Marcando comissões bloqueadas / desbloqueadas conforme a fase comercial",
    "Fase 3/9 - Gerando desconto de comissões bloqueadas na fase 2/9",
    "Fase 4/9 - Gerando pagamento de comissões desbloqueadas na fase 2/9",
    "Fase 5/9 - Gerando comissão das vendas",
    "Fase 6/9 - Gerando comissão dos recebimentos",
    "Fase 7/9 - Gerando acertos de comissão",
    "Fase 8/9 - Marcando estorno da comissão de inadimplentes",
    "Fase 9/9 - Gerando estorno da comissão de inadimplentes da fase 8/9",
};

std::string Segundos(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", s);
    return buf;
}

}  // namespace

std::size_t Largura(const std::string& texto) {
    std::size_t n = 0;
    for (unsigned char c : texto) n += (c & 0xC0) != 0x80;
    return n;
}

std::string AlinharDireita(const std::string& texto, std::size_t largura) {
    const std::size_t l = Largura(texto);
    return l >= largura ? texto : std::string(largura - l, ' ') + texto;
}

std::string AlinharEsquerda(const std::string& texto, std::size_t largura) {
    const std::size_t l = Largura(texto);
    return l >= largura ? texto : texto + std::string(largura - l, ' ');
}

const std::string& LegendaDaFase(int numero) { return kLegendas.at(static_cast<std::size_t>(numero - 1)); }

int FaseDaLegenda(const std::string& legenda) {
    for (std::size_t i = 0; i < kLegendas.size(); ++i)
        if (kLegendas[i] == legenda) return static_cast<int>(i) + 1;
    return 0;
}

std::string ResumoEmTexto(const ResumoRunner& r) {
    std::size_t larguraDescricao = 0;
    std::array<std::string, 9> descricoes;
    for (std::size_t i = 0; i < 9; ++i) {
        // "Fase 1/9 - Calculando ..." without its "Fase 1/9 - ", which the first column shows.
        descricoes[i] = kLegendas[i].substr(kLegendas[i].find(" - ") + 3);
        larguraDescricao = std::max(larguraDescricao, Largura(descricoes[i]));
    }
    std::string t = r.simulacao ? "PRÉVIA: nada do que segue foi gravado; o banco de dados ficou como estava.\n" : "";
    t += r.concluida ? "Resumo da atualização das comissões\n" : "Resumo da atualização das comissões (interrompida)\n";
    t += "Fase " + AlinharEsquerda("Descrição", larguraDescricao) + "  Selecionados  Gravados  Ignorados\n";
    // In a run that failed, the phases after the last one that showed its caption never started.
    int ultimaExibida = 0;
    for (const FaseResumo& f : r.fases)
        if (f.exibida) ultimaExibida = f.numero;
    for (std::size_t i = 0; i < 9; ++i) {
        const FaseResumo& f = r.fases[i];
        t += std::to_string(f.numero) + "/9  " + AlinharEsquerda(descricoes[i], larguraDescricao);
        if (!f.executada) {
            t += "  (não executada)\n";
            continue;
        }
        if (!r.concluida && f.numero > ultimaExibida) {
            t += "  (não alcançada)\n";
            continue;
        }
        t += "  " + AlinharDireita(std::to_string(f.selecionados), 12) + "  " +
             AlinharDireita(std::to_string(f.gravados), 8) + "  " + AlinharDireita(std::to_string(f.ignorados), 9) + "\n";
    }
    for (const std::string& aviso : r.avisos) t += "Aviso: " + aviso + "\n";
    if (r.mensagemFinal) t += *r.mensagemFinal + "\n";
    if (r.erro) t += "A atualização falhou; o erro está na saída de erros.\n";
    t += "Comandos SQL executados: " + std::to_string(r.comandos) + "\n";
    t += "Tempo: " + Segundos(r.segundos) + " s\n";
    return t;
}

std::string ResumoEmJson(const ResumoRunner& r) {
    std::string j = "{\"concluida\":" + std::string(r.concluida ? "true" : "false") +
                    ",\"simulacao\":" + (r.simulacao ? "true" : "false") + ",\"fases\":[";
    for (std::size_t i = 0; i < 9; ++i) {
        const FaseResumo& f = r.fases[i];
        if (i > 0) j += ",";
        j += "{\"fase\":" + std::to_string(f.numero) + ",\"legenda\":" + TextoJson(kLegendas[i]) +
             ",\"executada\":" + (f.executada ? "true" : "false") + ",\"exibida\":" + (f.exibida ? "true" : "false") +
             ",\"selecionados\":" + std::to_string(f.selecionados) + ",\"gravados\":" + std::to_string(f.gravados) +
             ",\"ignorados\":" + std::to_string(f.ignorados) + "}";
    }
    j += "],\"avisos\":[";
    for (std::size_t i = 0; i < r.avisos.size(); ++i) j += (i > 0 ? "," : "") + TextoJson(r.avisos[i]);
    j += "],\"mensagemFinal\":" + (r.mensagemFinal ? TextoJson(*r.mensagemFinal) : std::string("null"));
    j += ",\"erro\":" + (r.erro ? TextoJson(*r.erro) : std::string("null"));
    j += ",\"comandos\":" + std::to_string(r.comandos) + ",\"preparacoes\":" + std::to_string(r.preparacoes) +
         ",\"segundos\":" + Segundos(r.segundos) + "}";
    return j;
}

}  // namespace zelprax::executor
