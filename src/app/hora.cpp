#include "app/hora.h"

#include <string>

namespace zelprax::monitor {

int LerInteiro(const std::string& texto) {
    std::size_t i = 0;
    while (i < texto.size() && (texto[i] == ' ' || texto[i] == '\t')) ++i;
    bool negativo = false;
    if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) negativo = texto[i++] == '-';
    const std::size_t inicioDigitos = i;
    long long valor = 0;
    for (; i < texto.size(); ++i) {
        const char c = texto[i];
        if (c < '0' || c > '9') break;
        valor = valor * 10 + (c - '0');
        if (valor > 2147483648LL) break;  // past any int: the text is no integer of ours
    }
    const bool foraDoIntervalo = valor > (negativo ? 2147483648LL : 2147483647LL);
    if (i == inicioDigitos || i != texto.size() || foraDoIntervalo)
        throw ErroConversao("'" + texto + "' não é um número inteiro válido");
    return static_cast<int>(negativo ? -valor : valor);
}

int ValidarHora(const std::string& texto) {
    int hora = 0;
    try {
        hora = LerInteiro(texto);
    } catch (const ErroConversao&) {
        throw ErroConversao("'" + texto + "' não é uma hora válida (0 a 23)");
    }
    if (hora < 0 || hora > 23) throw ErroConversao("'" + texto + "' não é uma hora válida (0 a 23)");
    return hora;
}

std::string HoraAcima(const std::string& texto) {
    const int hora = LerInteiro(texto);
    return hora < 23 ? std::to_string(hora + 1) : texto;
}

std::string HoraAbaixo(const std::string& texto) {
    const int hora = LerInteiro(texto);
    return hora > 0 ? std::to_string(hora - 1) : texto;
}

bool HoraAceita(const std::string& texto) {
    const int hora = LerInteiro(texto);
    return hora >= 0 && hora <= 23;
}

db::DataHora LerUltimoInicio(const std::string& textoLabel) {
    if (textoLabel == kSemAtualizacao) return {};
    db::DataHora data;
    if (!db::LerDataHoraTela(textoLabel, data))
        throw ErroConversao("'" + textoLabel + "' não é uma data e hora válida");
    return data;
}

bool ExecucaoDevida(bool iniciadaPeloUsuario, const std::string& textoHora, const db::DataHora& agora,
                    const db::DataHora& ultimoInicio) {
    if (iniciadaPeloUsuario) return true;
    return LerInteiro(textoHora) == agora.hora && agora > ultimoInicio;
}

}  // namespace zelprax::monitor
