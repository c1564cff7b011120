#include "app/registro.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>

#include "app/json.h"
#include "platform/platform.h"

namespace zelprax::monitor {

namespace {

// "2026-12-09T07:30:00", local time.
std::string DataHoraIso(const db::DataHora& d) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%04d-%02d-%02dT%02d:%02d:%02d", d.ano, d.mes, d.dia, d.hora, d.minuto,
                  d.segundo);
    return texto;
}

std::optional<db::DataHora> LerDataHoraIso(const std::string& texto) {
    db::DataHora d;
    char t = 0;
    if (texto.size() != 19 || std::sscanf(texto.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &d.ano, &d.mes, &d.dia, &t,
                                          &d.hora, &d.minuto, &d.segundo) != 7 || t != 'T')
        return std::nullopt;
    return d;
}

std::string TextoOuNulo(const std::optional<std::string>& texto) { return texto ? TextoJson(*texto) : "null"; }

std::optional<std::string> TextoOpcional(const Json& valor) {
    if (valor.Nulo()) return std::nullopt;
    return valor.Texto();
}

int Inteiro(const Json& valor) { return static_cast<int>(valor.Numero()); }

// An amount as a JSON number: "-1234.5", never an exponent.
std::string ValorJson(comissao::Moeda valor) {
    std::string texto = valor.Texto();  // four decimals
    while (texto.back() == '0') texto.pop_back();
    if (texto.back() == '.') texto.pop_back();
    return texto;
}

std::string ContagemJson(const comissao::Contagem& c) {
    return "{\"quantidade\":" + std::to_string(c.quantidade) + ",\"valor\":" + ValorJson(c.total) + "}";
}

comissao::Contagem LerContagem(const Json& j) {
    return {Inteiro(j["quantidade"]), comissao::Moeda::DeDouble(j["valor"].Numero())};
}

std::vector<VendedorRegistrado> LerVendedores(const Json& lista) {
    std::vector<VendedorRegistrado> vendedores;
    for (const Json& v : lista.Lista()) {
        VendedorRegistrado r;
        r.vendedor = Inteiro(v["vendedor"]);
        r.nome = v["nome"].Texto();
        for (std::size_t i = 0; i < 3; ++i) {
            r.efeito.criadas[i] = LerContagem(v["criadas"].Lista().at(i));
            r.efeito.removidas[i] = LerContagem(v["removidas"].Lista().at(i));
        }
        r.efeito.descontos = LerContagem(v["descontos"]);
        r.efeito.pagamentos = LerContagem(v["pagamentos"]);
        r.efeito.estornos = LerContagem(v["estornos"]);
        vendedores.push_back(std::move(r));
    }
    return vendedores;
}

}  // namespace

std::vector<VendedorRegistrado> VendedoresDaExecucao(const comissao::EfeitoExecucao& efeito,
                                                     const std::map<std::int32_t, std::string>& nomes) {
    std::vector<VendedorRegistrado> vendedores;
    for (const auto& [vendedor, efeitoVendedor] : efeito.PorVendedor()) {
        const auto nome = nomes.find(vendedor);
        vendedores.push_back({vendedor, nome != nomes.end() ? nome->second : std::string(), efeitoVendedor});
    }
    return vendedores;
}

std::string VendedoresEmJson(const std::vector<VendedorRegistrado>& vendedores) {
    std::string j = "[";
    for (std::size_t i = 0; i < vendedores.size(); ++i) {
        const VendedorRegistrado& v = vendedores[i];
        j += (i > 0 ? ",{\"vendedor\":" : "{\"vendedor\":") + std::to_string(v.vendedor) + ",\"nome\":" + TextoJson(v.nome);
        for (const auto& [rotulo, contagens] : {std::pair{"criadas", &v.efeito.criadas}, std::pair{"removidas", &v.efeito.removidas}}) {
            j += ",\"" + std::string(rotulo) + "\":[";
            for (std::size_t t = 0; t < 3; ++t) j += (t > 0 ? "," : "") + ContagemJson((*contagens)[t]);
            j += "]";
        }
        j += ",\"descontos\":" + ContagemJson(v.efeito.descontos) + ",\"pagamentos\":" + ContagemJson(v.efeito.pagamentos) +
             ",\"estornos\":" + ContagemJson(v.efeito.estornos) +
             ",\"variacaoNaoPaga\":" + ValorJson(v.efeito.VariacaoNaoPaga()) + "}";
    }
    return j + "]";
}

std::string RegistroEmJson(const RegistroExecucao& r) {
    std::string j = "{\"inicio\":\"" + DataHoraIso(r.inicio) + "\",\"fim\":\"" + DataHoraIso(r.fim) +
                    "\",\"origem\":" + TextoJson(r.origem) + ",\"conexao\":" + TextoJson(r.conexao) + ",\"fases\":[";
    for (std::size_t i = 0; i < r.fases.size(); ++i) {
        const FaseRegistrada& f = r.fases[i];
        j += (i > 0 ? ",{\"fase\":" : "{\"fase\":") + std::to_string(f.numero) +
             ",\"selecionados\":" + std::to_string(f.selecionados) + ",\"gravados\":" + std::to_string(f.gravados) +
             ",\"ignorados\":" + std::to_string(f.ignorados) + "}";
    }
    j += "],\"avisos\":[";
    for (std::size_t i = 0; i < r.avisos.size(); ++i) j += (i > 0 ? "," : "") + TextoJson(r.avisos[i]);
    j += "],\"mensagemFinal\":" + TextoOuNulo(r.mensagemFinal) + ",\"erro\":" + TextoOuNulo(r.erro) +
         ",\"codigo\":" + std::to_string(r.codigo) + ",\"status\":" + std::to_string(r.status) +
         (r.simulacao ? ",\"simulacao\":true" : "") + ",\"vendedores\":" + VendedoresEmJson(r.vendedores) + "}";
    return j;
}

std::optional<RegistroExecucao> LerRegistro(const std::string& linha) {
    try {
        const Json j = LerJson(linha);
        RegistroExecucao r;
        const auto inicio = LerDataHoraIso(j["inicio"].Texto());
        const auto fim = LerDataHoraIso(j["fim"].Texto());
        if (!inicio || !fim) return std::nullopt;
        r.inicio = *inicio;
        r.fim = *fim;
        r.origem = j["origem"].Texto();
        r.conexao = j["conexao"].Texto();
        for (const Json& f : j["fases"].Lista())
            r.fases.push_back({Inteiro(f["fase"]), Inteiro(f["selecionados"]), Inteiro(f["gravados"]),
                               Inteiro(f["ignorados"])});
        for (const Json& a : j["avisos"].Lista()) r.avisos.push_back(a.Texto());
        r.mensagemFinal = TextoOpcional(j["mensagemFinal"]);
        r.erro = TextoOpcional(j["erro"]);
        r.codigo = static_cast<std::int64_t>(j["codigo"].Numero());
        r.status = Inteiro(j["status"]);
        r.simulacao = j.Objeto().count("simulacao") > 0 && j["simulacao"].Logico();
        if (j.Objeto().count("vendedores") > 0) r.vendedores = LerVendedores(j["vendedores"]);
        return r;
    } catch (const std::exception&) {
        return std::nullopt;  // not JSON, or not a record
    }
}

std::string CaminhoRegistroPadrao() {
    auto variavel = [](const char* nome) -> std::string {
        const char* valor = std::getenv(nome);
        return valor != nullptr ? valor : "";
    };
    const char s = plataforma::Separador();
    std::string pasta = variavel("STATE_DIRECTORY");
    // systemd may list several state folders, separated by colons: the first is the service's own.
    if (const auto doisPontos = pasta.find(':'); doisPontos != std::string::npos) pasta.erase(doisPontos);
    if (pasta.empty()) {
        if (const std::string xdg = variavel("XDG_STATE_HOME"); !xdg.empty())
            pasta = xdg + s + "zelprax";
        else if (const std::string casa = variavel("HOME"); !casa.empty())
            pasta = casa + s + ".local" + s + "state" + s + "zelprax";
    }
    return pasta.empty() ? std::string() : pasta + s + "execucoes.jsonl";
}

std::string AcrescentarRegistro(const std::string& arquivo, const RegistroExecucao& registro,
                                std::uintmax_t limite) {
    return plataforma::AcrescentarComRotacao(arquivo, RegistroEmJson(registro) + "\n", limite);
}

HistoricoLido LerHistorico(const std::string& arquivo, std::size_t quantos) {
    HistoricoLido lido;
    std::ifstream entrada(arquivo, std::ios::binary);
    std::deque<RegistroExecucao> ultimos;
    for (std::string linha; std::getline(entrada, linha);) {
        if (linha.empty()) continue;
        if (std::optional<RegistroExecucao> r = LerRegistro(linha)) {
            ultimos.push_back(std::move(*r));
            if (ultimos.size() > quantos) ultimos.pop_front();
        } else {
            ++lido.ilegiveis;
        }
    }
    lido.registros.assign(std::make_move_iterator(ultimos.begin()), std::make_move_iterator(ultimos.end()));
    return lido;
}

std::string SituacaoRegistro(const RegistroExecucao& registro) {
    const std::string prefixo = registro.simulacao ? "prévia " : "";
    switch (registro.status) {
        case kRegistroConcluida: return prefixo + "concluída";
        case kRegistroRecusada: return prefixo + "recusada";
        default: return prefixo + "falhou";
    }
}

std::string LinhaUltimaExecucao(const RegistroExecucao& registro) {
    std::string linha = "Última execução: " + db::FormatarDataHoraCurta(registro.inicio) + " — " +
                        SituacaoRegistro(registro);
    if (registro.status != kRegistroConcluida && registro.erro) {
        const std::string primeira = registro.erro->substr(0, registro.erro->find('\n'));
        if (!primeira.empty()) linha += ": " + primeira;
    }
    return linha;
}

}  // namespace zelprax::monitor
