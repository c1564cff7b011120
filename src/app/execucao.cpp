#include "app/execucao.h"

#include <cctype>
#include <vector>

#include "app/hora.h"

namespace zelprax::monitor {

namespace {

// Each closing statement goes through IBQ_Gen in whatever transaction the phases left it bound
// to, so each " commit retain" commits the work of the statement before it.
void ExecutarNoGen(comissao::Motor& motor, const std::string& sql) {
    motor.IBQ_Gen.Fechar();
    motor.IBQ_Gen.DefinirSQL(sql);
    motor.IBQ_Gen.Executar();
}

// The text's non-empty lines, without the leading "-" some tools put before the lines after the first.
std::vector<std::string> LinhasDoErro(const std::string& texto) {
    std::vector<std::string> linhas;
    std::size_t inicio = 0;
    while (inicio <= texto.size()) {
        std::size_t fim = texto.find('\n', inicio);
        if (fim == std::string::npos) fim = texto.size();
        std::string linha = texto.substr(inicio, fim - inicio);
        if (!linha.empty() && linha.back() == '\r') linha.pop_back();
        if (!linha.empty() && linha.front() == '-') linha.erase(0, 1);
        if (!linha.empty()) linhas.push_back(std::move(linha));
        inicio = fim + 1;
    }
    return linhas;
}

bool ComecaCom(const std::string& linha, const char* prefixo) { return linha.rfind(prefixo, 0) == 0; }

// "exception 1": a user exception, its number in the database.
bool LinhaDeExcecao(const std::string& linha) {
    if (!ComecaCom(linha, "exception ") || linha.size() == 10) return false;
    for (std::size_t i = 10; i < linha.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(linha[i]))) return false;
    return true;
}

// "At trigger 'T_X' line: 1, col: 40", "At procedure ...", "At block ...": where, not why.
bool LinhaDeLocal(const std::string& linha) { return ComecaCom(linha, "At "); }

// Lines that only announce the kind of error that the next line states.
bool LinhaGenerica(const std::string& linha) {
    for (const char* generica : {"Dynamic SQL Error", "SQL error code = ", "lock conflict on no wait transaction",
                                 "arithmetic exception, numeric overflow, or string truncation",
                                 "unsuccessful metadata update"})
        if (ComecaCom(linha, generica)) return true;
    return false;
}

}  // namespace

std::string CausaDoErro(const std::string& textoErro) {
    const std::vector<std::string> linhas = LinhasDoErro(textoErro);
    if (linhas.empty()) return {};
    if (LinhaDeExcecao(linhas[0])) {
        // The exception's name, then its text; an exception without text is known by its name.
        for (std::size_t i = 2; i < linhas.size(); ++i)
            if (!LinhaDeLocal(linhas[i])) return linhas[i];
        return linhas.size() > 1 ? linhas[1] : linhas[0];
    }
    for (const std::string& linha : linhas)
        if (!LinhaGenerica(linha) && !LinhaDeLocal(linha)) return linha;
    return linhas[0];
}

std::string AvisoHoraNaoGravada(const std::string& textoHora) {
    return "A hora para atualização \"" + textoHora +
           "\" não foi gravada, pois deve estar entre 0 e 23h. A hora gravada anteriormente foi mantida.";
}

ResultadoExecucao ExecutarFases(comissao::Motor& motor, const OpcoesExecucao& opcoes) {
    ResultadoExecucao resultado;
    motor.ZerarResumo();
    motor.CalcularComissaoVendas();
    if (!opcoes.naoGerarAcertos()) motor.GerarAcertosFaseProcesso();
    motor.GerarComissaoVendas();
    motor.GerarComissaoRecebimentos();
    motor.GerarComissaoAcertos();
    if (!opcoes.naoGerarEstorno()) motor.GerarEstornoInadimplentes();

    // The hour box is free text; only a whole hour reaches the statement that stores it. Anything
    // else keeps the stored hour and says so, after the work of the run is done and kept.
    std::optional<std::string> aviso;
    if (const std::optional<std::string> texto = opcoes.hora()) {
        try {
            const int hora = ValidarHora(*texto);
            ExecutarNoGen(motor, " update tab_parametro set hr_atualizar_comissao = " + std::to_string(hora));
            ExecutarNoGen(motor, " commit retain");
        } catch (const ErroConversao&) {
            aviso = AvisoHoraNaoGravada(*texto);
        }
    }
    // Zero entries are cleared, except a paid one: it is a line of the ERP's commission payment.
    ExecutarNoGen(motor, " delete from mov_comissao where vl_comissao = 0 and id_comissao_gerada is null");
    ExecutarNoGen(motor, " commit retain");

    if (motor.sSituacao1 == "S") resultado.avisos.emplace_back(kAvisoNotasVenda);
    if (motor.sSituacao2 == "S") resultado.avisos.emplace_back(kAvisoDuplicatas);
    if (motor.sSituacao3 == "S") resultado.avisos.emplace_back(kAvisoAcertos);
    for (std::string& linha : motor.textosCortados.Avisos()) resultado.avisos.push_back(std::move(linha));
    if (aviso) resultado.avisos.push_back(*aviso);
    resultado.encontrouRegistros = motor.bMensagemComercio || motor.bMensagemFinanceiro || motor.bMensagemAcerto;
    return resultado;
}

bool PerdaDoServidor(const std::string& textoErro) {
    for (const char* marca : {"Unable to complete network request to host", "Error reading data",
                              "unprepared dynamic SQL"})
        if (textoErro.find(marca) != std::string::npos) return true;
    return false;
}

}  // namespace zelprax::monitor
