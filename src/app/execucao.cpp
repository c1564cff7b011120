#include "app/execucao.h"

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

}  // namespace

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
