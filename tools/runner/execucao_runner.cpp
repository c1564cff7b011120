#include "execucao_runner.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <chrono>
#include <optional>
#include <cerrno>
#include <map>
#include <csignal>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>
#ifdef _WIN32
#include <io.h>
#else
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>
#endif

#include "app/execucao.h"
#include "app/registro.h"
#include "app/trava.h"
#include "commission/motor.h"
#include "db/banco.h"
#include "db/erro.h"
#include "db/localizacao.h"
#include "painel_terminal.h"
#include "planilha.h"
#include "platform/platform.h"
#include "resumo.h"

namespace zelprax::executor {

namespace {

// The system as the runner sees it: the program path is the monitor's, inside the monitor's
// folder, so the ERP's ini files and the instance lock are found as the monitor finds them. No
// process is ever terminated by name: a headless run must not end a monitor or anything else that
// happens to run on the machine; it ends by its exit status.
class SistemaRunner : public plataforma::Sistema {
public:
    explicit SistemaRunner(std::string caminhoMonitor) : caminhoMonitor_(std::move(caminhoMonitor)) {}
    std::string CaminhoExecutavel() const override { return caminhoMonitor_; }
    bool EncerrarProcesso(const std::string&) override { return false; }

private:
    std::string caminhoMonitor_;
};

// Message boxes become lines on standard error; an end request is remembered, and the runner
// stops with its configuration status once the lookup that asked for it returns.
class InteracaoRunner : public db::Interacao {
public:
    explicit InteracaoRunner(std::FILE* erros) : erros_(erros) {}
    void MostrarMensagem(const std::string& texto, const std::string& titulo, db::Icone) override {
        std::fprintf(erros_, "zelprax-comissao: %s: %s\n", titulo.c_str(), texto.c_str());
        ultima = texto;
    }
    void SolicitarEncerramento() override { encerrar = true; }
    void ExibirMensagem(const std::string& texto) override {
        std::fprintf(erros_, "zelprax-comissao: %s\n", texto.c_str());
        ultima = texto;
    }
    bool encerrar = false;
    std::string ultima;  // the last message, for the journal

private:
    std::FILE* erros_;
};

// The lock file's path, kept where a signal handler can reach it without allocating.
char g_caminhoTrava[4096] = {};

// The requests to end that remove the lock: on Windows Ctrl-C and Ctrl-Break of the console (a
// service stop or a closed console ends the process without a signal).
#ifdef _WIN32
constexpr int kSinaisDeFim[] = {SIGINT, SIGTERM, SIGBREAK};
#else
constexpr int kSinaisDeFim[] = {SIGINT, SIGTERM, SIGHUP};
#endif

void RemoverTravaNoSinal(int sinal) {
#ifdef _WIN32
    if (g_caminhoTrava[0] != '\0') ::_unlink(g_caminhoTrava);
#else
    if (g_caminhoTrava[0] != '\0') ::unlink(g_caminhoTrava);
#endif
    ::_exit(128 + sinal);
}

// The monitor's instance lock, held for the length of the run. It is removed however the run
// ends (completed, failed, interrupted by Ctrl-C or a service stop): unlike the monitor, which
// keeps running with its lock after a failed run, this process is gone, and a lock left behind
// would keep every later monitor and run from starting.
class TravaDaExecucao {
public:
    TravaDaExecucao(std::string caminhoMonitor, std::string pastaDados)
        : caminho_(std::move(caminhoMonitor)), pasta_(std::move(pastaDados)) {
        // The handlers come first, so no signal can fall between the file's creation and them.
        const std::string arquivo = pasta_ + monitor::NomeArquivoTrava(caminho_, plataforma::Separador());
        if (arquivo.size() < sizeof g_caminhoTrava) std::memcpy(g_caminhoTrava, arquivo.c_str(), arquivo.size() + 1);
        for (int sinal : kSinaisDeFim) std::signal(sinal, RemoverTravaNoSinal);
        try {
            monitor::CriarArquivoTrava(caminho_, pasta_);
        } catch (...) {
            RestaurarSinais();
            throw;
        }
    }
    ~TravaDaExecucao() { Liberar(); }
    TravaDaExecucao(const TravaDaExecucao&) = delete;
    TravaDaExecucao& operator=(const TravaDaExecucao&) = delete;

    void Liberar() noexcept {
        if (liberada_) return;
        liberada_ = true;
        try {
            monitor::ApagarArquivoTrava(caminho_, pasta_);
        } catch (...) {
            // A lock that cannot be deleted stays, as the monitor leaves it.
        }
        // Only now: a signal until here still finds the handler, which removes the file again.
        RestaurarSinais();
    }

private:
    static void RestaurarSinais() noexcept {
        for (int sinal : kSinaisDeFim) std::signal(sinal, SIG_DFL);
        g_caminhoTrava[0] = '\0';
    }

    std::string caminho_, pasta_;
    bool liberada_ = false;
};

// How long a run may take to end in order once it was asked to; then the watcher ends it itself.
constexpr auto kPrazoDeEncerramento = std::chrono::milliseconds(4000);

// Raised on the run's thread where it next looks at a request to end, outside a statement.
struct ExecucaoInterrompida : std::runtime_error {
    ExecucaoInterrompida() : std::runtime_error("execução interrompida") {}
};

const char* NomeDoSinal(int sinal) {
    switch (sinal) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
#ifndef _WIN32
        case SIGHUP: return "SIGHUP";
#endif
        default: return "um pedido de encerramento";
    }
}

// Reads the requests to end (SIGTERM, SIGINT, SIGHUP) on a thread of its own while the run goes
// on, as the monitor reads them in its event loop. A request is remembered for the run's thread,
// which looks at it between statements and ends in order; a statement under way is cancelled
// through the database client from here, so the run's thread gets its error at once. A run that
// has not ended within kPrazoDeEncerramento (blocked in a connection, on a FIFO, on a full pipe)
// is ended from here: its lock and the spreadsheet's temporary file removed, its journal record
// written unless the run's thread is writing it, and the interrupted status.
class VigiaDeEncerramento {
public:
    VigiaDeEncerramento(int descritor, std::function<void(int)> aoEsgotarPrazo)
        : descritor_(descritor), aoEsgotarPrazo_(std::move(aoEsgotarPrazo)) {
        if (descritor_ >= 0) fio_ = std::thread([this] { Vigiar(); });
    }
    ~VigiaDeEncerramento() {
        parar_ = true;
        if (fio_.joinable()) fio_.join();
    }
    VigiaDeEncerramento(const VigiaDeEncerramento&) = delete;
    VigiaDeEncerramento& operator=(const VigiaDeEncerramento&) = delete;

    // The signal asked for, 0 while none.
    int Pedido() const { return sinal_.load(); }
    // On the run's thread, outside a statement.
    void Verificar() const {
        if (Pedido() != 0) throw ExecucaoInterrompida();
    }
    // The connection whose statements a request cancels; 0 before it detaches, so that its
    // rollback or commit is never cancelled.
    void DefinirConexao(isc_db_handle handle) {
        const std::lock_guard<std::mutex> guarda(mutex_);
        conexao_ = handle;
        if (handle != 0 && Pedido() != 0) db::CancelarOperacao(handle);
    }
    // The spreadsheet's temporary file, removed when the watcher ends the run; empty for none.
    void DefinirTemporario(std::string caminho) {
        const std::lock_guard<std::mutex> guarda(mutex_);
        temporario_ = std::move(caminho);
    }
    std::string Temporario() {
        const std::lock_guard<std::mutex> guarda(mutex_);
        return temporario_;
    }
    // Held by the run's thread while it writes its journal record and summary.
    std::mutex fim;

private:
    void Vigiar() {
#ifndef _WIN32
        std::optional<std::chrono::steady_clock::time_point> prazo;
        while (!parar_) {
            pollfd p{descritor_, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                signalfd_siginfo info;
                while (::read(descritor_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                    if (sinal_.load() != 0) continue;
                    sinal_ = static_cast<int>(info.ssi_signo);
                    prazo = std::chrono::steady_clock::now() + kPrazoDeEncerramento;
                    const std::lock_guard<std::mutex> guarda(mutex_);
                    db::CancelarOperacao(conexao_);
                }
            }
            if (prazo && std::chrono::steady_clock::now() >= *prazo && !parar_) aoEsgotarPrazo_(sinal_.load());
        }
#endif
    }

    int descritor_;
    std::function<void(int)> aoEsgotarPrazo_;
    std::atomic<int> sinal_{0};
    std::atomic<bool> parar_{false};
    std::mutex mutex_;
    isc_db_handle conexao_ = 0;
    std::string temporario_;
    std::thread fio_;
};

// The progress of a run that may be asked to end: the engine gives the terminal's panel a chance
// to handle events between its steps, and there the request is seen.
class PainelInterrompivel : public PainelTerminal {
public:
    PainelInterrompivel(const VigiaDeEncerramento& vigia, std::FILE* saida, bool terminal,
                        std::optional<db::DataHora> emissaoAPartir)
        : PainelTerminal(saida, terminal, emissaoAPartir), vigia_(vigia) {}
    void ProcessarEventos() override { vigia_.Verificar(); }
    void MostrarLegenda(const std::string& legenda) override {
        vigia_.Verificar();
        PainelTerminal::MostrarLegenda(legenda);
    }
    void Avancar() override {
        vigia_.Verificar();
        PainelTerminal::Avancar();
    }

private:
    const VigiaDeEncerramento& vigia_;
};

std::string TextoInterrompida(int sinal) {
    return std::string("execução interrompida por ") + NomeDoSinal(sinal) +
           "; o que estava pendente foi desfeito, o que as fases já confirmaram permanece.";
}

std::string PastaDoPrograma(const std::string& caminho) {
    const std::string pasta = db::PastaComSeparador(caminho, plataforma::Separador());
    return pasta.empty() ? std::string(".") + plataforma::Separador() : pasta;
}

std::string ComSeparador(std::string pasta) {
    if (pasta.empty() || pasta.back() != plataforma::Separador()) pasta += plataforma::Separador();
    return pasta;
}

// A local date and time as seconds on one scale, for the length of a run.
long long Segundos(const db::DataHora& d) {
    using namespace std::chrono;
    const sys_days dia{year{d.ano} / month{static_cast<unsigned>(d.mes)} / day{static_cast<unsigned>(d.dia)}};
    return static_cast<long long>(dia.time_since_epoch().count()) * 86400 + d.hora * 3600 + d.minuto * 60 + d.segundo;
}

ResumoRunner Resumir(const comissao::Motor& motor, const OpcoesRunner& opcoes, const PainelTerminal& painel) {
    ResumoRunner r;
    for (int n = 1; n <= 9; ++n) {
        FaseResumo& f = r.fases[static_cast<std::size_t>(n - 1)];
        const comissao::ResumoFase& contagem = motor.resumo[static_cast<std::size_t>(n)];
        f.numero = n;
        f.executada = !((n >= 2 && n <= 4 && opcoes.semAcertos) || (n >= 8 && opcoes.semEstorno));
        f.selecionados = contagem.selecionados;
        f.gravados = contagem.gravados;
        f.ignorados = contagem.ignorados;
    }
    for (std::size_t i = 0; i < painel.Legendas().size(); ++i)
        if (const int n = FaseDaLegenda(painel.Legendas()[i]); n > 0) {
            r.fases[static_cast<std::size_t>(n - 1)].exibida = true;
            r.fases[static_cast<std::size_t>(n - 1)].passos += painel.Passos()[i];
        }
    return r;
}

}  // namespace

namespace {

int Executar(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente, monitor::RegistroExecucao& registro,
             std::optional<ResumoRunner>& resumo, VigiaDeEncerramento& vigia);

}  // namespace

int ExecutarRunner(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente) {
    monitor::RegistroExecucao registro;
    registro.origem = monitor::kOrigemRunner;
    registro.inicio = db::RelogioDoSistema().Agora();
    std::optional<ResumoRunner> resumo;
    // A run that does not end in time after a request is ended by the watcher, which records it
    // as the run's thread would have, unless that thread is already recording it.
    VigiaDeEncerramento* vigiaAtual = nullptr;
    VigiaDeEncerramento vigia(ambiente.pedidosDeEncerramento, [&](int sinal) {
        if (vigiaAtual != nullptr && vigiaAtual->fim.try_lock()) {
            monitor::RegistroExecucao r;
            r.origem = registro.origem;
            r.inicio = registro.inicio;
            r.conexao = opcoes.banco.value_or("");  // the ini file's, read on the run's thread, is not safe to read here
            r.fim = db::RelogioDoSistema().Agora();
            r.simulacao = opcoes.simular;
            r.status = kSaidaInterrompida;
            r.erro = TextoInterrompida(sinal) +
                     "\nA execução não terminou em ordem a tempo e foi encerrada sem o resumo das fases.";
            std::fprintf(ambiente.erros, "zelprax-comissao: %s\n", r.erro->c_str());
            RegistrarExecucao(opcoes, ambiente, r);
        }
        if (g_caminhoTrava[0] != '\0') std::remove(g_caminhoTrava);
        if (vigiaAtual != nullptr)
            if (const std::string temporario = vigiaAtual->Temporario(); !temporario.empty())
                std::remove(temporario.c_str());
        std::fflush(ambiente.erros);
        ::_exit(kSaidaInterrompida);
    });
    vigiaAtual = &vigia;
    registro.status = Executar(opcoes, ambiente, registro, resumo, vigia);
    registro.fim = db::RelogioDoSistema().Agora();
    const std::lock_guard<std::mutex> fim(vigia.fim);
    // The journal first, so that the summary can say where the run was recorded.
    const std::optional<ArquivoGravado> registrado = RegistrarExecucao(opcoes, ambiente, registro);
    if (resumo) {
        resumo->registro = registrado;
        const std::string texto = opcoes.json ? ResumoEmJson(*resumo) + "\n" : ResumoEmTexto(*resumo);
        std::fputs(texto.c_str(), ambiente.saida);
        std::fflush(ambiente.saida);
    }
    return registro.status;
}

std::optional<ArquivoGravado> RegistrarExecucao(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente,
                                                const monitor::RegistroExecucao& registro) {
    if (opcoes.semRegistro) return std::nullopt;
    ArquivoGravado registrado{opcoes.registro.value_or(monitor::CaminhoRegistroPadrao()), std::nullopt};
    if (registrado.caminho.empty()) {
        registrado.erro = "nenhuma pasta para ele (STATE_DIRECTORY, XDG_STATE_HOME e HOME não definidas)";
        return registrado;
    }
    const std::string erro = monitor::AcrescentarRegistro(registrado.caminho, registro);
    if (!erro.empty()) {
        std::fprintf(ambiente.erros, "zelprax-comissao: o registro de execuções não pôde ser gravado: %s\n",
                     erro.c_str());
        registrado.erro = erro;
    }
    return registrado;
}

int MostrarHistorico(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente) {
    const std::string arquivo = opcoes.registro.value_or(monitor::CaminhoRegistroPadrao());
    const monitor::HistoricoLido lido =
        monitor::LerHistorico(arquivo, static_cast<std::size_t>(opcoes.historico.value_or(kHistoricoPadrao)));
    if (opcoes.json) {
        std::string j = "[";
        for (std::size_t i = 0; i < lido.registros.size(); ++i)
            j += (i > 0 ? "," : "") + monitor::RegistroEmJson(lido.registros[i]);
        std::fprintf(ambiente.saida, "%s]\n", j.c_str());
    } else if (lido.registros.empty()) {
        // A journal that could not be read is no proof that nothing ran: only its error is shown.
        if (!lido.erro) std::fprintf(ambiente.saida, "Nenhuma execução registrada em %s.\n", arquivo.c_str());
    } else {
        std::vector<std::vector<std::string>> linhas{
            {"Início", "Duração", "Origem", "Situação", "Avisos", "Banco", "Mensagem final ou erro"}};
        for (const monitor::RegistroExecucao& r : lido.registros) {
            const long long segundos = Segundos(r.fim) - Segundos(r.inicio);
            char duracao[32];
            std::snprintf(duracao, sizeof duracao, "%lld:%02lld", segundos / 60, segundos % 60);
            linhas.push_back({db::FormatarDataHoraCurta(r.inicio), duracao, r.origem, monitor::SituacaoRegistro(r),
                              std::to_string(r.avisos.size()), r.conexao.empty() ? "-" : r.conexao,
                              r.erro ? r.erro->substr(0, r.erro->find('\n')) : r.mensagemFinal.value_or("")});
        }
        // Each column as wide as its widest text, so a long connection or "prévia concluída" keeps
        // the columns after it in line; the last one runs to the end of the line.
        std::vector<std::size_t> larguras(linhas[0].size(), 0);
        for (const auto& l : linhas)
            for (std::size_t i = 0; i < l.size(); ++i) larguras[i] = std::max(larguras[i], Largura(l[i]));
        for (const auto& l : linhas) {
            std::string texto;
            for (std::size_t i = 0; i + 1 < l.size(); ++i)
                texto += (i == 1 || i == 4 ? AlinharDireita(l[i], larguras[i]) : AlinharEsquerda(l[i], larguras[i])) + "  ";
            std::fprintf(ambiente.saida, "%s%s\n", texto.c_str(), l.back().c_str());
        }
    }
    if (lido.ilegiveis > 0)
        std::fprintf(ambiente.erros, "zelprax-comissao: %d linha(s) ilegível(is) do registro %s ignorada(s).\n",
                     lido.ilegiveis, arquivo.c_str());
    if (lido.erro)
        std::fprintf(ambiente.erros, "zelprax-comissao: o registro de execuções não pôde ser lido:\n%s\n",
                     lido.erro->c_str());
    std::fflush(ambiente.saida);
    return lido.erro ? kSaidaUso : kSaidaConcluida;
}

namespace {

int Executar(const OpcoesRunner& opcoes, const AmbienteRunner& ambiente, monitor::RegistroExecucao& registro,
             std::optional<ResumoRunner>& saidaResumo, VigiaDeEncerramento& vigia) {
    const std::string pastaMonitor = opcoes.pasta ? ComSeparador(*opcoes.pasta) : PastaDoPrograma(ambiente.caminhoPrograma);
    const std::string caminhoMonitor = pastaMonitor + db::NomePrograma("zelpraxComissao2");

    SistemaRunner sistema(caminhoMonitor);
    InteracaoRunner interacao(ambiente.erros);
    // Progress goes where a person watches: standard output for the text summary; with --json,
    // standard error, and only on a terminal, so the JSON object stays alone on standard output.
    std::FILE* progresso = !opcoes.json ? ambiente.saida : (ambiente.errosTerminal ? ambiente.erros : nullptr);
    const bool progressoTerminal = !opcoes.json ? ambiente.saidaTerminal : ambiente.errosTerminal;
    PainelInterrompivel painel(vigia, progresso, progressoTerminal, opcoes.emissaoAPartir);
    comissao::Motor motor(sistema, interacao, painel);
    motor.DefinirCredenciais(ambiente.usuario.value_or("sysdba"), ambiente.senha.value_or("quorvinel"));

    auto recusar = [&](const std::string& texto) {
        registro.erro = texto;
        return kSaidaUso;
    };
    // The spreadsheet file is tried before anything is touched: a run whose figures cannot be
    // written where they were asked for does not start.
    // An existing spreadsheet stays as it is until the new one is complete.
    std::optional<ArquivoPlanilha> csv;
    if (opcoes.csv) {
        csv.emplace(*opcoes.csv);
        if (const std::string motivo = csv->Preparar(); !motivo.empty()) {
            const std::string texto = "não foi possível gravar o arquivo " + *opcoes.csv + ": " + motivo;
            std::fprintf(ambiente.erros, "zelprax-comissao: %s\n", texto.c_str());
            return recusar(texto);
        }
        vigia.DefinirTemporario(csv->Temporario());
    }
    std::string conexao;
    std::optional<TravaDaExecucao> trava;
    if (opcoes.banco) {
        conexao = *opcoes.banco;
    } else {
        conexao = motor.LerCaminhoBanco();
        if (interacao.encerrar) return recusar(interacao.ultima);
        registro.conexao = conexao;
        const std::string pastaDados = motor.LocalizarPastaDados();
        if (interacao.encerrar) return recusar(interacao.ultima);
        const monitor::TravaEncontrada encontrada = monitor::ExaminarArquivoTrava(caminhoMonitor, pastaDados, sistema);
        if (encontrada.estado == monitor::EstadoTrava::Ocupada) {
            const std::string texto = "o monitor de comissões está em execução (existe o arquivo de trava " +
                                      pastaDados + monitor::NomeArquivoTrava(caminhoMonitor, plataforma::Separador()) +
                                      "); a atualização não foi feita." +
                                      (encontrada.detalhe.empty() ? "" : "\n" + encontrada.detalhe);
            std::fprintf(ambiente.erros, "zelprax-comissao: %s\n", texto.c_str());
            return recusar(texto);
        }
        try {
            trava.emplace(caminhoMonitor, pastaDados);
        } catch (const std::exception& e) {
            const std::string texto = "não foi possível criar o arquivo de trava em " + pastaDados + ": " + e.what();
            std::fprintf(ambiente.erros, "zelprax-comissao: %s\n", texto.c_str());
            return recusar(texto);
        }
        if (encontrada.estado == monitor::EstadoTrava::Abandonada)
            std::fprintf(ambiente.erros, "zelprax-comissao: %s\n", monitor::MensagemTravaAssumida(encontrada.dono).c_str());
    }

    const auto inicio = std::chrono::steady_clock::now();
    auto segundos = [&inicio] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
    };
    monitor::OpcoesExecucao execucao;
    execucao.naoGerarAcertos = opcoes.semAcertos;
    execucao.naoGerarEstorno = opcoes.semEstorno;  // no hour: the schedule is the monitor's setting

    registro.conexao = conexao;
    registro.simulacao = opcoes.simular;
    ResumoRunner resumo;
    int status = kSaidaConcluida;
    try {
        vigia.Verificar();
        motor.ConectarBanco(conexao);
        if (opcoes.simular && motor.IBD_BancoDados) motor.IBD_BancoDados->IniciarSimulacao();
        if (motor.IBD_BancoDados && motor.IBD_BancoDados->Conectado())
            vigia.DefinirConexao(*motor.IBD_BancoDados->Handle());
        vigia.Verificar();
        const monitor::ResultadoExecucao resultado = monitor::ExecutarFases(motor, execucao);
        registro.vendedores = monitor::VendedoresDaExecucao(motor.efeito, motor.NomesDosVendedores());
        monitor::AtualizarMonitorAtivo(false, *motor.IBD_BancoDados);
        vigia.Verificar();
        // From the commit on, the run is complete: a request no longer undoes it.
        vigia.DefinirConexao(0);
        if (trava) trava->Liberar();
        motor.DesconectarBanco(true);
        painel.Encerrar();
        resumo = Resumir(motor, opcoes, painel);
        resumo.concluida = true;
        resumo.simulacao = opcoes.simular;
        resumo.avisos = resultado.avisos;
        resumo.mensagemFinal = resultado.encontrouRegistros ? monitor::kProcessamentoConcluido : monitor::kNenhumRegistro;
    } catch (const std::exception& e) {
        // What the phases committed stays, and is reported; what is pending is rolled back.
        vigia.DefinirConexao(0);
        const int sinal = vigia.Pedido();
        std::map<std::int32_t, std::string> nomes;
        try {
            if (sinal == 0 && motor.IBD_BancoDados && motor.IBD_BancoDados->Conectado())
                nomes = motor.NomesDosVendedores();
        } catch (const std::exception&) {
        }
        registro.vendedores = monitor::VendedoresDaExecucao(motor.efeito, nomes);
        try {
            motor.DesconectarBanco(false);
        } catch (const std::exception&) {
            // A rollback the cancel reached: detaching rolls back on the server all the same.
            if (sinal == 0) throw;
        }
        if (trava) trava->Liberar();
        painel.Encerrar();
        const auto* erroBanco = dynamic_cast<const db::ErroBanco*>(&e);
        const std::string texto = sinal != 0       ? TextoInterrompida(sinal)
                                  : erroBanco != nullptr ? erroBanco->Texto()
                                                         : std::string(e.what());
        if (sinal != 0) {
            std::fprintf(ambiente.erros, "zelprax-comissao: %s\n", texto.c_str());
        } else {
            std::fprintf(ambiente.erros, "zelprax-comissao: a atualização das comissões falhou:\n%s\n", texto.c_str());
            if (erroBanco != nullptr && !erroBanco->Comando().empty())
                std::fprintf(ambiente.erros, "Comando: %s\n", erroBanco->Comando().c_str());
            if (erroBanco != nullptr) registro.codigo = erroBanco->Codigo();
        }
        resumo = Resumir(motor, opcoes, painel);
        resumo.simulacao = opcoes.simular;
        resumo.erro = texto;
        resumo.interrompida = sinal != 0;
        status = sinal != 0 ? kSaidaInterrompida : kSaidaFalhou;
    }
    for (const FaseResumo& f : resumo.fases)
        registro.fases.push_back({f.numero, f.selecionados, f.gravados, f.ignorados});
    registro.avisos = resumo.avisos;
    registro.mensagemFinal = resumo.mensagemFinal;
    registro.erro = resumo.erro;
    resumo.vendedores = registro.vendedores;
    if (csv && status == kSaidaInterrompida) {
        // The figures of an interrupted run are not put in place of a spreadsheet.
        vigia.DefinirTemporario({});
        csv.reset();
    }
    if (csv) {
        resumo.planilha = ArquivoGravado{csv->Caminho(), std::nullopt};
        if (const std::string motivo = csv->Gravar(VendedoresEmCsv(resumo.vendedores)); !motivo.empty()) {
            // The run's writes stand, but the figures asked for are missing: a status of its own,
            // so that a timer's run that lost its spreadsheet does not read as a complete one.
            const std::string texto = "a planilha " + csv->Caminho() + " não pôde ser gravada: " + motivo;
            std::fprintf(ambiente.erros, "zelprax-comissao: %s\n", texto.c_str());
            resumo.planilha->erro = motivo;
            registro.erro = registro.erro ? *registro.erro + "\n" + texto : texto;
            if (status == kSaidaConcluida) status = kSaidaPlanilha;
        }
        vigia.DefinirTemporario({});
    }
    resumo.comandos = db::EstatisticasDoProcesso().comandos;
    resumo.preparacoes = db::EstatisticasDoProcesso().preparacoes;
    resumo.segundos = segundos();
    saidaResumo = std::move(resumo);
    return status;
}

}  // namespace

}  // namespace zelprax::executor
