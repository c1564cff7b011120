#include "apoio_confiabilidade.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "app/execucao.h"
#include "app/trava.h"
#include "commission/motor.h"
#include "db/banco.h"
#include "db/erro.h"
#include "gerador.h"
#include "programas.h"
#include "support/interacao_gravada.h"
#include "support/sistema_falso.h"

namespace zelprax::teste {

namespace fs = std::filesystem;

namespace {

// The monitor's Qt application and the headless runner start with a UTF-8 locale for their
// characters, which the database client needs to convert a path with accents. These test programs
// do the same, before their first connection (the client keeps the conversion it set up first).
const bool kCaracteresUtf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;

std::string LerArquivo(const std::string& caminho) {
    std::ifstream entrada(caminho, std::ios::binary);
    std::ostringstream texto;
    texto << entrada.rdbuf();
    return texto.str();
}

void Dormir(int milissegundos) { std::this_thread::sleep_for(std::chrono::milliseconds(milissegundos)); }

}  // namespace

void CriarBancoGerado(const std::string& caminho, int notas, std::uint32_t semente,
                      std::optional<db::DataHora> hoje) {
    CriarBancoDoEsquema(caminho);
    db::BancoDados banco;
    banco.DefinirNomeBanco(caminho);
    banco.Abrir();
    demo::OpcoesDemo opcoes;
    opcoes.notas = notas;
    opcoes.semente = semente;
    opcoes.hoje = hoje.value_or(AgoraDoTeste());
    demo::PreencherBancoDemo(banco, opcoes);
    banco.Fechar(true);
    // The run rules tell the settlements of a paid entry apart by seller, company and amount; the
    // generator repeats amounts, so each paid entry gets one of its own.
    DadosTeste dados(caminho);
    dados.Executar("update mov_comissao set vl_comissao = 10 + id_comissao * 0.37 where id_comissao_gerada is not null");
}

std::string CopiarBanco(const std::string& origem, const std::string& destino) {
    fs::copy_file(origem, destino, fs::copy_options::overwrite_existing);
    return destino;
}

bool ExecutarCompleta(const std::string& conexao, std::string* erro, const db::Relogio& relogio) {
    SistemaFalso sistema;
    InteracaoGravada interacao;
    PainelObservado painel;
    comissao::Motor motor(sistema, interacao, painel, relogio);
    motor.ConectarBanco(conexao);
    try {
        monitor::ExecutarFases(motor, {});
        monitor::AtualizarMonitorAtivo(false, *motor.IBD_BancoDados);
        motor.DesconectarBanco(true);
        return true;
    } catch (const std::exception& e) {
        if (erro != nullptr) {
            const auto* erroBanco = dynamic_cast<const db::ErroBanco*>(&e);
            *erro = erroBanco != nullptr ? erroBanco->Texto() : e.what();
        }
        motor.DesconectarBanco(false);
        return false;
    }
}

int ExecutarAtePontoFixo(const std::string& conexao, int limite, std::string* erro) {
    const auto retrato = [&conexao] {
        DadosTeste dados(conexao);
        return RetratoCompleto(dados);
    };
    std::string antes = retrato();
    for (int execucoes = 0; execucoes <= limite; ++execucoes) {
        if (!ExecutarCompleta(conexao, erro)) return -1;
        std::string depois = retrato();
        if (depois == antes) return execucoes;
        antes = std::move(depois);
    }
    return -1;
}

void ConferirDepoisDeMaisUmaExecucao(const std::string& conexao, const Inicio& inicio,
                                     const std::string& retratoReferencia) {
    std::string erro;
    ASSERT_TRUE(ExecutarCompleta(conexao, &erro)) << erro;
    DadosTeste dados(conexao);
    const std::vector<std::string> falhas = VerificarInvariantes(dados, inicio);
    EXPECT_TRUE(falhas.empty()) << falhas.size() << " regras quebradas; a primeira: " << falhas.front();
    EXPECT_EQ(RetratoDasEntradas(dados), retratoReferencia);
}

// ---------------------------------------------------------------------------------------------

void PainelObservado::MostrarLegenda(const std::string& legenda) {
    Sinal();
    legendas.push_back(legenda);
    passosNaFase = 0;
}

void PainelObservado::Avancar() {
    ++posicao;
    ++passosNaFase;
    if (aoAvancar) aoAvancar(*this);
    Sinal();
}

void PainelObservado::ProcessarEventos() {
    if (aoProcessarEventos) aoProcessarEventos(*this);
    Sinal();
}

// ---------------------------------------------------------------------------------------------

ProcessoFilho::ProcessoFilho(const std::string& programa, const std::vector<std::string>& argumentos,
                             const std::map<std::string, std::string>& ambiente)
    : arquivoSaida_(pasta_ / "saida.txt"),
      arquivoErros_(pasta_ / "erros.txt"),
      pid_(IniciarPrograma(programa, argumentos, ambiente, arquivoSaida_, arquivoErros_)) {}

ProcessoFilho::~ProcessoFilho() {
    if (pid_ > 0 && !Terminou()) {
        ::kill(pid_, SIGKILL);
        Esperar();
    }
}

std::string ProcessoFilho::Saida() const { return LerArquivo(arquivoSaida_); }
std::string ProcessoFilho::Erros() const { return LerArquivo(arquivoErros_); }

bool ProcessoFilho::Terminou() {
    if (status_ >= 0) return true;
    int estado = 0;
    if (::waitpid(pid_, &estado, WNOHANG) != pid_) return false;
    status_ = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
    return true;
}

int ProcessoFilho::Esperar() {
    if (status_ >= 0) return status_;
    int estado = 0;
    while (::waitpid(pid_, &estado, 0) < 0) {
    }
    status_ = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
    return status_;
}

bool ProcessoFilho::AguardarQue(const std::function<bool()>& condicao, int milissegundos) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(milissegundos);
    while (std::chrono::steady_clock::now() < limite) {
        if (condicao()) return true;
        if (Terminou()) return condicao();
        Dormir(2);
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

std::string ServidorDeTeste() {
    const char* servidor = std::getenv("ZELPRAX_SERVIDOR");
    return servidor != nullptr ? servidor : "";
}

bool ServidorResponde() { return PortaAberta(3050); }

std::vector<pid_t> ProcessosDoServidor() {
    std::vector<pid_t> pids;
    std::error_code erro;
    for (const auto& entrada : fs::directory_iterator("/proc", erro)) {
        const std::string nome = entrada.path().filename().string();
        if (nome.empty() || nome.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code erroLink;
        const fs::path programa = fs::read_symlink(entrada.path() / "exe", erroLink);
        if (!erroLink && programa == "/usr/sbin/firebird") pids.push_back(static_cast<pid_t>(std::stol(nome)));
    }
    return pids;
}

void DerrubarServidor() {
    for (pid_t pid : ProcessosDoServidor()) ::kill(pid, SIGKILL);
    for (int i = 0; i < 500 && (ServidorResponde() || !ProcessosDoServidor().empty()); ++i) Dormir(10);
    if (ServidorResponde()) throw std::runtime_error("o servidor Firebird continua respondendo depois do SIGKILL");
}

void IniciarServidor() {
    const std::string comando = std::string("bash '") + ZELPRAX_SCRIPT_SERVIDOR + "' start >/dev/null 2>&1";
    for (int tentativa = 0; tentativa < 3 && !ServidorResponde(); ++tentativa) {
        if (std::system(comando.c_str()) != 0) Dormir(200);
    }
    if (!ServidorResponde()) throw std::runtime_error("o servidor Firebird não voltou a responder");
}

ServidorGarantido::~ServidorGarantido() {
    try {
        IniciarServidor();
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
}

}  // namespace zelprax::teste
