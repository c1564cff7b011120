#include "resumo.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

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

std::string ValorBrasileiro(comissao::Moeda valor, bool milhares) {
    const std::int64_t n = valor.DezMilesimos();
    const std::uint64_t absoluto = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    std::string inteiros = std::to_string(absoluto / 10000);
    if (milhares)
        for (int i = static_cast<int>(inteiros.size()) - 3; i > 0; i -= 3) inteiros.insert(static_cast<std::size_t>(i), ".");
    char decimais[8];
    std::snprintf(decimais, sizeof decimais, "%04u", static_cast<unsigned>(absoluto % 10000));
    std::string fracao = decimais;  // two decimals at least; the ones beyond only when not zero
    while (fracao.size() > 2 && fracao.back() == '0') fracao.pop_back();
    return (n < 0 ? "-" : "") + inteiros + "," + fracao;
}

namespace {

// Every seller's effect added up, for the total line.
monitor::VendedorRegistrado Total(const std::vector<monitor::VendedorRegistrado>& vendedores) {
    monitor::VendedorRegistrado total;
    auto somar = [](comissao::Contagem& a, const comissao::Contagem& b) {
        a.quantidade += b.quantidade;
        a.total += b.total;
    };
    for (const auto& v : vendedores) {
        for (std::size_t i = 0; i < 3; ++i) {
            somar(total.efeito.criadas[i], v.efeito.criadas[i]);
            somar(total.efeito.removidas[i], v.efeito.removidas[i]);
        }
        somar(total.efeito.descontos, v.efeito.descontos);
        somar(total.efeito.pagamentos, v.efeito.pagamentos);
        somar(total.efeito.estornos, v.efeito.estornos);
    }
    return total;
}

comissao::Contagem Somadas(const std::array<comissao::Contagem, 3>& contagens) {
    comissao::Contagem soma;
    for (const auto& c : contagens) {
        soma.quantidade += c.quantidade;
        soma.total += c.total;
    }
    return soma;
}

std::string TabelaVendedores(const std::vector<monitor::VendedorRegistrado>& vendedores) {
    if (vendedores.empty()) return "Nenhuma comissão de vendedor foi criada, removida ou acertada.\n";
    const char* titulos[] = {"Entradas criadas", "Entradas removidas", "Descontos", "Pagamentos", "Estornos",
                             "Variação não paga"};
    std::vector<std::vector<std::string>> linhas;
    std::size_t larguraVendedor = std::string("Vendedor").size();
    auto celula = [](const comissao::Contagem& c) {
        return c.quantidade == 0 ? std::string("-") : std::to_string(c.quantidade) + " / " + ValorBrasileiro(c.total);
    };
    std::vector<monitor::VendedorRegistrado> comTotal = vendedores;
    comTotal.push_back(Total(vendedores));
    for (std::size_t i = 0; i < comTotal.size(); ++i) {
        const auto& v = comTotal[i];
        const bool total = i + 1 == comTotal.size();
        std::string nome = total ? "Total" : std::to_string(v.vendedor) + (v.nome.empty() ? "" : " " + v.nome);
        larguraVendedor = std::max(larguraVendedor, Largura(nome));
        linhas.push_back({nome, celula(Somadas(v.efeito.criadas)), celula(Somadas(v.efeito.removidas)),
                          celula(v.efeito.descontos), celula(v.efeito.pagamentos), celula(v.efeito.estornos),
                          ValorBrasileiro(v.efeito.VariacaoNaoPaga())});
    }
    std::array<std::size_t, 6> larguras{};
    for (std::size_t c = 0; c < 6; ++c) {
        larguras[c] = Largura(titulos[c]);
        for (const auto& l : linhas) larguras[c] = std::max(larguras[c], Largura(l[c + 1]));
    }
    std::string t = "Efeito por vendedor (quantidade / valor em R$)\n" + AlinharEsquerda("Vendedor", larguraVendedor);
    for (std::size_t c = 0; c < 6; ++c) t += "  " + AlinharDireita(titulos[c], larguras[c]);
    t += "\n";
    for (const auto& l : linhas) {
        t += AlinharEsquerda(l[0], larguraVendedor);
        for (std::size_t c = 0; c < 6; ++c) t += "  " + AlinharDireita(l[c + 1], larguras[c]);
        t += "\n";
    }
    return t;
}

}  // namespace

std::string VendedoresEmCsv(const std::vector<monitor::VendedorRegistrado>& vendedores) {
    std::string t = "\xEF\xBB\xBF";
    t += "Vendedor;Nome";
    for (const char* tipo : {"vendas", "recebimentos", "acertos"})
        for (const char* sentido : {"criadas", "removidas"})
            t += std::string(";Entradas de ") + tipo + " " + sentido + ";Valor das entradas de " + tipo + " " + sentido;
    t += ";Descontos;Valor dos descontos;Pagamentos;Valor dos pagamentos;Estornos;Valor dos estornos;"
         "Variação da comissão não paga\r\n";
    auto campoTexto = [](const std::string& texto) {
        std::string campo = "\"";
        if (!texto.empty() && std::string_view("=+-@").find(texto.front()) != std::string_view::npos) campo += '\'';
        for (char c : texto) campo += c == '"' ? std::string("\"\"") : std::string(1, c);
        return campo + "\"";
    };
    auto contagem = [](const comissao::Contagem& c) {
        return ";" + std::to_string(c.quantidade) + ";" + ValorBrasileiro(c.total, false);
    };
    std::vector<monitor::VendedorRegistrado> comTotal = vendedores;
    comTotal.push_back(Total(vendedores));
    for (std::size_t i = 0; i < comTotal.size(); ++i) {
        const auto& v = comTotal[i];
        t += i + 1 == comTotal.size() ? std::string(";Total") : std::to_string(v.vendedor) + ";" + campoTexto(v.nome);
        for (std::size_t k = 0; k < 3; ++k) t += contagem(v.efeito.criadas[k]) + contagem(v.efeito.removidas[k]);
        t += contagem(v.efeito.descontos) + contagem(v.efeito.pagamentos) + contagem(v.efeito.estornos) + ";" +
             ValorBrasileiro(v.efeito.VariacaoNaoPaga(), false) + "\r\n";
    }
    return t;
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
        if (f.selecionados == 0 && f.gravados == 0 && f.ignorados == 0 && f.passos > 0) {
            // Set-based statements: the server changes the rows without the run seeing them one
            // by one, so there are no documents to count; zeros would say it did nothing.
            t += "  (" + std::to_string(f.passos) + (f.passos == 1 ? " comando" : " comandos") +
                 " em conjunto; linhas não contadas)\n";
            continue;
        }
        t += "  " + AlinharDireita(std::to_string(f.selecionados), 12) + "  " +
             AlinharDireita(std::to_string(f.gravados), 8) + "  " + AlinharDireita(std::to_string(f.ignorados), 9) + "\n";
    }
    t += TabelaVendedores(r.vendedores);
    for (const std::string& aviso : r.avisos) t += "Aviso: " + aviso + "\n";
    if (r.mensagemFinal) t += *r.mensagemFinal + "\n";
    if (r.interrompida && r.erro) t += *r.erro + "\n";
    else if (r.erro) t += "A atualização falhou; o erro está na saída de erros.\n";
    t += "Comandos SQL executados: " + std::to_string(r.comandos) + "\n";
    std::string tempo = Segundos(r.segundos);
    std::replace(tempo.begin(), tempo.end(), '.', ',');
    t += "Tempo: " + tempo + " s\n";
    // Where the run's record and spreadsheet went, the last lines a person reads.
    auto arquivo = [](const char* rotulo, const ArquivoGravado& a, const char* naoGravado) {
        std::string linha = std::string(rotulo) + ": " + (a.caminho.empty() ? naoGravado : a.caminho);
        if (a.erro) linha += a.caminho.empty() ? ": " + *a.erro : " (" + std::string(naoGravado) + ": " + *a.erro + ")";
        return linha + "\n";
    };
    t += r.registro ? arquivo("Registro de execuções", *r.registro, "não gravado")
                    : "Registro de execuções: não gravado (--sem-registro)\n";
    if (r.planilha) t += arquivo("Planilha", *r.planilha, "não gravada");
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
    j += ",\"interrompida\":" + std::string(r.interrompida ? "true" : "false");
    j += ",\"erro\":" + (r.erro ? TextoJson(*r.erro) : std::string("null"));
    j += ",\"vendedores\":" + monitor::VendedoresEmJson(r.vendedores);
    j += ",\"comandos\":" + std::to_string(r.comandos) + ",\"preparacoes\":" + std::to_string(r.preparacoes) +
         ",\"segundos\":" + Segundos(r.segundos) + "}";
    return j;
}

}  // namespace zelprax::executor
