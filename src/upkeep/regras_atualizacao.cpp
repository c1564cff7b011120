// The rules of the version check that touch neither files nor the database: the names it
// derives, the updater's command line and the file-date text. Apart from the check itself, so that
// a program that needs only them links no database client.

#include <cstdio>

#include "db/texto.h"
#include "upkeep/atualizacao.h"

namespace zelprax::manutencao {

std::string FormatarDataArquivo(const db::DataHora& d) {
    char texto[32];
    if (d.hora == 0 && d.minuto == 0 && d.segundo == 0)
        std::snprintf(texto, sizeof texto, "%02d/%02d/%04d", d.dia, d.mes, d.ano);
    else
        std::snprintf(texto, sizeof texto, "%02d/%02d/%04d %02d:%02d:%02d", d.dia, d.mes, d.ano, d.hora, d.minuto,
                      d.segundo);
    return texto;
}

std::optional<db::DataHora> LerDataArquivo(const std::string& texto) {
    db::DataHora data;
    if (db::LerDataHoraTela(texto, data)) return data;
    // The date alone stands for midnight.
    if (db::LerDataHoraTela(texto + " 00:00:00", data) && texto.find(' ') == std::string::npos) return data;
    return std::nullopt;
}

std::string NomeMarcadorAtualizacao(const std::string& nomeExecutavel) {
    std::string nome = "Exec-" + nomeExecutavel;
    bool trocou = false;
    for (auto pos = nome.find(".exe"); pos != std::string::npos; pos = nome.find(".exe", pos + 4)) {
        nome.replace(pos, 4, ".ini");
        trocou = true;
    }
    if (!trocou) nome += ".ini";
    return nome;
}

std::string NomeSemExe(const std::string& nomeExecutavel) {
    if (nomeExecutavel.size() >= 4 && db::Minusculas(nomeExecutavel.substr(nomeExecutavel.size() - 4)) == ".exe")
        return nomeExecutavel.substr(0, nomeExecutavel.size() - 4);
    return nomeExecutavel;
}

std::string AvisoNovaVersao(const std::string& nomeExecutavel) {
    return "AVISO: Existe uma nova versão do aplicativo " + nomeExecutavel.substr(0, nomeExecutavel.find('.')) +
           ". A atualização será feita automaticamente. Aguarde...";
}

std::string LinhaComandoAtualizador(const db::CaminhosAtualizacao& caminhos) {
    return "@F1 @M" + caminhos.PastaAtualizacaoSemEspacos + " @E" + caminhos.PastaExecutavelSemEspacos + " @A" +
           caminhos.NomeExecutavel;
}

}  // namespace zelprax::manutencao
