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

ResultadoExecucao ExecutarFases(comissao::Motor& motor, const OpcoesExecucao& opcoes) {
    // The hour box is free text; only a whole hour may reach the statement that stores it, and a
    // box holding anything else stops the run before any phase has written.
    std::optional<int> hora;
    if (opcoes.hora) hora = ValidarHora(*opcoes.hora);

    motor.ZerarResumo();
    motor.CalcularComissaoVendas();
    if (!opcoes.naoGerarAcertos) motor.GerarAcertosFaseProcesso();
    motor.GerarComissaoVendas();
    motor.GerarComissaoRecebimentos();
    motor.GerarComissaoAcertos();
    if (!opcoes.naoGerarEstorno) motor.GerarEstornoInadimplentes();

    if (hora) {
        ExecutarNoGen(motor, " update tab_parametro set hr_atualizar_comissao = " + std::to_string(*hora));
        ExecutarNoGen(motor, " commit retain");
    }
    // Zero entries are cleared, except a paid one: it is a line of the ERP's commission payment.
    ExecutarNoGen(motor, " delete from mov_comissao where vl_comissao = 0 and id_comissao_gerada is null");
    ExecutarNoGen(motor, " commit retain");

    ResultadoExecucao resultado;
    if (motor.sSituacao1 == "S") resultado.avisos.emplace_back(kAvisoNotasVenda);
    if (motor.sSituacao2 == "S") resultado.avisos.emplace_back(kAvisoDuplicatas);
    if (motor.sSituacao3 == "S") resultado.avisos.emplace_back(kAvisoAcertos);
    for (std::string& linha : motor.textosCortados.Avisos()) resultado.avisos.push_back(std::move(linha));
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
