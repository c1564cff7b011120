#include "app/agendador.h"

#include <ostream>

#include "app/execucao.h"
#include "app/hora.h"
#include "app/trava.h"
#include "db/erro.h"
#include "db/localizacao.h"
#include "db/texto.h"

namespace zelprax::monitor {

namespace {

// Marks a run in progress for as long as the tick lasts, however it leaves.
class MarcaExecucao {
public:
    explicit MarcaExecucao(bool& marca) : marca_(marca) { marca_ = true; }
    ~MarcaExecucao() { marca_ = false; }
    MarcaExecucao(const MarcaExecucao&) = delete;
    MarcaExecucao& operator=(const MarcaExecucao&) = delete;

private:
    bool& marca_;
};

// The error's text as the server gave it; the three server-loss texts are looked for in it.
std::string TextoDoErro(const std::exception& e) {
    if (const auto* erroBanco = dynamic_cast<const db::ErroBanco*>(&e)) return erroBanco->Texto();
    return e.what();
}

// A connection lost in the middle of a statement also surfaces as the client's write error, when
// the client had a request still to send (a statement freed lazily, say): its text is none of the
// three, but the server is gone all the same.
bool ConexaoPerdida(const std::exception& e) {
    const auto* erroBanco = dynamic_cast<const db::ErroBanco*>(&e);
    return erroBanco != nullptr && erroBanco->TemCodigo(db::kConexaoPerdidaEscrita);
}

}  // namespace

std::string NomeProgramaMonitor() { return db::NomePrograma("zelpraxComissao2"); }

bool ModoManual(const std::string& primeiroArgumento) { return db::Minusculas(primeiroArgumento) == "manual"; }

AgendadorComissao::AgendadorComissao(comissao::Motor& motor, TelaAgendador& tela, const db::Relogio& relogio,
                                     bool modoManual, std::ostream& erros)
    : motor_(motor), tela_(tela), relogio_(relogio), modoManual_(modoManual), erros_(erros) {}

void AgendadorComissao::Timer1Timer() {
    if (emExecucao_) return;
    MarcaExecucao marca(emExecucao_);
    origem_ = modoManual_ ? kOrigemManual : (bMesnagemClickBotao ? kOrigemBotao : kOrigemAgendada);
    inicio_ = relogio_.Agora();
    motor_.ZerarResumo();
    try {
        Executar();
    } catch (const std::exception& e) {
        erros_ << "zelprax Monitor Comissão: a atualização das comissões falhou:\n" << e.what() << std::endl;
        Falhar(&e);
    } catch (...) {
        erros_ << "zelprax Monitor Comissão: a atualização das comissões falhou com um erro desconhecido"
               << std::endl;
        Falhar(nullptr);
    }
}

void AgendadorComissao::RegistrarFalhaNoInicio(const std::exception& erro, const std::string& conexao) {
    erros_ << "zelprax Monitor Comissão: o início do monitor falhou; a atualização diária não foi programada:\n"
           << erro.what() << std::endl;
    origem_ = modoManual_ ? kOrigemManual : kOrigemAgendada;
    inicio_ = relogio_.Agora();
    conexao_ = conexao;
    motor_.ZerarResumo();
    Registrar(RegistroDeFalha(&erro));
}

RegistroExecucao AgendadorComissao::RegistroDeFalha(const std::exception* erro) const {
    RegistroExecucao registro = NovoRegistro(kRegistroFalhou);
    registro.erro = erro != nullptr ? TextoDoErro(*erro) : "erro desconhecido";
    if (const auto* erroBanco = dynamic_cast<const db::ErroBanco*>(erro)) registro.codigo = erroBanco->Codigo();
    return registro;
}

RegistroExecucao AgendadorComissao::NovoRegistro(int status) const {
    RegistroExecucao registro;
    registro.inicio = inicio_;
    registro.fim = relogio_.Agora();
    registro.origem = origem_;
    registro.conexao = conexao_;
    for (int n = 1; n <= 9; ++n) {
        const comissao::ResumoFase& fase = motor_.resumo[static_cast<std::size_t>(n)];
        registro.fases.push_back({n, fase.selecionados, fase.gravados, fase.ignorados});
    }
    registro.status = status;
    return registro;
}

void AgendadorComissao::Registrar(const RegistroExecucao& registro) {
    if (!registro_.empty()) {
        const std::string erro = AcrescentarRegistro(registro_, registro);
        if (!erro.empty())
            erros_ << "zelprax Monitor Comissão: o registro de execuções não pôde ser gravado: " << erro << std::endl;
    }
    tela_.MostrarUltimaExecucao(registro);
}

std::optional<RegistroExecucao> AgendadorComissao::UltimaExecucao() const {
    if (registro_.empty()) return std::nullopt;
    HistoricoLido lido = LerHistorico(registro_, 1);
    if (lido.registros.empty()) return std::nullopt;
    return std::move(lido.registros.back());
}

void AgendadorComissao::Executar() {
    conexao_.clear();
    conexao_ = motor_.LerCaminhoBanco();
    motor_.ConectarBanco(conexao_);
    const db::DataHora ultimoInicio = LerUltimoInicio(tela_.TextoInicio());
    if (modoManual_) tela_.AbrirJanela();

    const db::DataHora agora = relogio_.Agora();
    if (!ExecucaoDevida(bMesnagemClickBotao, tela_.TextoHora(), agora, ultimoInicio)) {
        motor_.DesconectarBanco(true);
        return;
    }

    inicio_ = agora;
    tela_.EscreverInicio(db::FormatarDataHoraTela(agora));
    tela_.MostrarProgresso();

    OpcoesExecucao opcoes;
    opcoes.naoGerarAcertos = [this] { return tela_.NaoGerarAcertos(); };
    opcoes.naoGerarEstorno = [this] { return tela_.NaoGerarEstorno(); };
    opcoes.hora = [this] { return std::optional<std::string>(tela_.TextoHora()); };
    const ResultadoExecucao resultado = ExecutarFases(motor_, opcoes);

    db::Interacao& interacao = motor_.Interface();
    for (const std::string& aviso : resultado.avisos)
        interacao.MostrarMensagem(aviso, db::kAvisoDoSistema, db::Icone::Aviso);

    tela_.OcultarProgresso();
    tela_.EscreverFinal(db::FormatarDataHoraTela(relogio_.Agora()));

    // Recorded before the final box, so that the line under it already tells of this run.
    RegistroExecucao registro = NovoRegistro(kRegistroConcluida);
    registro.vendedores = VendedoresDaExecucao(motor_.efeito, motor_.NomesDosVendedores());
    registro.avisos = resultado.avisos;
    registro.mensagemFinal = resultado.encontrouRegistros ? kProcessamentoConcluido : kNenhumRegistro;
    Registrar(registro);

    if (bMesnagemClickBotao) {
        if (resultado.encontrouRegistros)
            interacao.MostrarMensagem(kProcessamentoConcluido, db::kAvisoDoSistema, db::Icone::Informacao);
        else
            interacao.MostrarMensagem(kNenhumRegistro, db::kAvisoDoSistema, db::Icone::Aviso);
        bMesnagemClickBotao = false;
    }

    if (!motor_.IBD_BancoDados) throw db::ErroBanco("Database not assigned", {});
    AtualizarMonitorAtivo(false, *motor_.IBD_BancoDados);
    ApagarArquivoTrava(motor_.Sistema().CaminhoExecutavel(), motor_.LocalizarPastaDados());
    motor_.DesconectarBanco(true);
    // Under its usual file name this ends the monitor itself; under another the tick just ends.
    motor_.Sistema().EncerrarProcesso(NomeProgramaMonitor());
}

void AgendadorComissao::Falhar(const std::exception* erro) {
    const std::string texto = erro != nullptr ? TextoDoErro(*erro) : "erro desconhecido";
    const bool servidorPerdido = erro != nullptr && (PerdaDoServidor(texto) || ConexaoPerdida(*erro));
    RegistroExecucao registro = RegistroDeFalha(erro);
    // What the failed run committed before it stopped; names only while the connection holds.
    std::map<std::int32_t, std::string> nomes;
    try {
        if (motor_.IBD_BancoDados && motor_.IBD_BancoDados->Conectado()) nomes = motor_.NomesDosVendedores();
    } catch (const std::exception&) {
    }
    registro.vendedores = VendedoresDaExecucao(motor_.efeito, nomes);
    // The progress goes, so that the window does not read as a run still under way, and the
    // failure line takes its place.
    tela_.OcultarProgresso();
    Registrar(registro);

    // What the phases committed stays; what is pending is rolled back, not committed, before any
    // box can hold the rows locked while it waits.
    try {
        motor_.DesconectarBanco(false);
    } catch (const std::exception& e) {
        erros_ << "zelprax Monitor Comissão: " << e.what() << std::endl;
    }
    tela_.PararTemporizadores();
    // With the server gone the machine is usually unattended: a box would wait for a click that
    // nobody gives, and the process ends instead.
    if (servidorPerdido) {
        EncerrarSemExecucao();
        return;
    }

    std::string mensagem = kExecucaoFalhou + CausaDoErro(texto);
    if (!modoManual_)
        mensagem += "\nA atualização diária fica suspensa até um clique em \"Atualizar as Comissões\" ou até o "
                    "monitor ser iniciado de novo.";
    mensagem += "\nO que já foi gravado permanece; a próxima execução retoma o que ficou pendente.";
    if (texto.find('\n') != std::string::npos) mensagem += "\n\nTexto completo do erro:\n" + texto;
    motor_.Interface().MostrarMensagem(mensagem, db::kAvisoDoSistema, db::Icone::Erro);
    // A monitor started for one run ends with it, as after a completed run.
    if (modoManual_) EncerrarSemExecucao();
}

void AgendadorComissao::EncerrarSemExecucao() {
    // The tick's connection is released or gone; one fresh connection to the same database is
    // tried for the inactive mark, which is left out when none can be had. The process ends
    // either way; the lock stays, as only a completed run or the watchdog removes it. The ini
    // files are not read again: with the server gone, its share usually is too, and their
    // message box would wait for a click that an unattended machine never gives.
    try {
        if (!conexao_.empty()) motor_.ConectarBanco(conexao_);
        if (motor_.IBD_BancoDados && motor_.IBD_BancoDados->Conectado())
            AtualizarMonitorAtivo(false, *motor_.IBD_BancoDados);
    } catch (const std::exception& e) {
        erros_ << "zelprax Monitor Comissão: o monitor não pôde ser marcado como inativo:\n"
               << e.what() << std::endl;
    }
    try {
        motor_.DesconectarBanco(true);
    } catch (const std::exception& e) {
        erros_ << "zelprax Monitor Comissão: " << e.what() << std::endl;
    }
    motor_.Sistema().EncerrarProcesso(NomeProgramaMonitor());
}

}  // namespace zelprax::monitor
