// A day in the tray: the monitor waits for its hour, connecting to the server and releasing the
// connection at every tick. Thousands of ticks that find no run due must leave the process with
// the file descriptors and the memory it had, and the server with no attachment of the monitor's.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "../app/erp_teste.h"
#include "apoio_confiabilidade.h"
#include "app/agendador.h"
#include "commission/motor.h"
#include "support/interacao_gravada.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZELPRAX_COM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELPRAX_COM_ASAN 1
#endif
#endif

namespace zelprax::teste {
namespace {

namespace fs = std::filesystem;

#ifdef ZELPRAX_COM_ASAN
// The sanitizer makes every tick several times slower, and its quarantine keeps freed memory
// resident on purpose: fewer ticks, and the memory left to its own leak check.
constexpr int kTiques = 1000;
constexpr bool kMedirMemoria = false;
#else
constexpr int kTiques = 5000;
constexpr bool kMedirMemoria = true;
#endif
constexpr int kTiquesDeAquecimento = 100;  // the client library's caches fill up in the first ticks
constexpr long kFolgaDeMemoria = 2L << 20;

struct Medida {
    long descritores = 0;
    long residente = 0;  // bytes
    long long conexoes = 0;  // user attachments to the database other than the measuring one
};

long DescritoresAbertos() {
    long n = 0;
    for ([[maybe_unused]] const auto& entrada : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

long MemoriaResidente() {
    std::ifstream statm("/proc/self/statm");
    long total = 0, residentes = 0;
    statm >> total >> residentes;
    return residentes * ::sysconf(_SC_PAGESIZE);
}

TEST(DiaDeTiques, TiquesForaDaHoraNaoAcumulamDescritoresMemoriaNemConexoes) {
    const std::string servidor = ServidorDeTeste();
    if (servidor.empty()) GTEST_SKIP() << "sem servidor Firebird (ZELPRAX_SERVIDOR)";

    InstalacaoERP erp;
    EscreverArquivo(erp.iniServidor,
                    "[Database]\nServidor=" + servidor + "\npath=" + erp.pastaDados + "\nname=erp.fdb\n");
    DadosTeste monitoramento(servidor + ":" + erp.banco);
    monitoramento.Parametro();
    const auto medir = [&monitoramento] {
        return Medida{DescritoresAbertos(), MemoriaResidente(),
                      monitoramento.Contar("select count(*) from mon$attachments where mon$system_flag = 0 "
                                           "and mon$attachment_id <> current_connection")};
    };

    InteracaoGravada interacao;
    PainelObservado painel;
    comissao::Motor motor(erp.sistema, interacao, painel, RelogioDoTeste());
    TelaGravada tela;
    tela.hora = std::to_string((AgoraDoTeste().hora + 1) % 24);  // never due today
    std::ostringstream erros;
    monitor::AgendadorComissao agendador(motor, tela, RelogioDoTeste(), false, erros);

    const Medida antes = medir();
    ASSERT_EQ(antes.conexoes, 0);
    Medida aquecido;
    for (int tique = 1; tique <= kTiques; ++tique) {
        agendador.Timer1Timer();
        if (tique == kTiquesDeAquecimento) aquecido = medir();
        if (!tela.temporizadores || !erros.str().empty()) FAIL() << "o tique " << tique << " falhou: " << erros.str();
    }
    const Medida depois = medir();
    std::cout << "dia de tiques: " << kTiques << " tiques; descritores " << antes.descritores << " -> "
              << aquecido.descritores << " -> " << depois.descritores << "; memória residente "
              << aquecido.residente / 1024 << " KiB -> " << depois.residente / 1024 << " KiB; conexões "
              << antes.conexoes << " -> " << aquecido.conexoes << " -> " << depois.conexoes << "\n";

    EXPECT_EQ(tela.inicio, monitor::kSemAtualizacao) << "nenhum tique devia executar";
    EXPECT_FALSE(motor.TemConexao());
    // Every tick released what it took: the server sees no connection but the measuring one, and
    // the process holds the descriptors it held after the first ticks.
    EXPECT_EQ(aquecido.conexoes, 0);
    EXPECT_EQ(depois.conexoes, 0);
    EXPECT_LE(depois.descritores, aquecido.descritores);
    if (kMedirMemoria) {
        EXPECT_LE(depois.residente - aquecido.residente, kFolgaDeMemoria);
    }
}

}  // namespace
}  // namespace zelprax::teste
