// The journal of runs: what a line holds and reads back as, where the file is, its rotation, two
// writers at once, and journals that cannot be read or written.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/json.h"
#include "app/registro.h"
#include "support/banco_teste.h"

namespace zelprax::monitor {
namespace {

namespace fs = std::filesystem;

RegistroExecucao Exemplo(int status = kRegistroFalhou) {
    RegistroExecucao r;
    r.inicio = {2026, 12, 9, 7, 30, 5};
    r.fim = {2026, 12, 9, 7, 31, 0};
    r.origem = kOrigemAgendada;
    r.conexao = "srv:/dados/Pasta d'Água/erp.fdb";
    r.fases = {{1, 10, 8, 2}, {5, 3, 4, 0}};
    r.avisos = {"Algumas \"NFs\" de venda\tnão", "segundo\\aviso"};
    if (status == kRegistroConcluida) r.mensagemFinal = "Processamento concluído com sucesso!";
    if (status != kRegistroConcluida) r.erro = "update conflicts with concurrent update\nconcurrent transaction number is 42";
    r.codigo = status == kRegistroFalhou ? 335544336 : 0;
    r.status = status;
    return r;
}

std::vector<std::string> Linhas(const std::string& arquivo) {
    std::ifstream entrada(arquivo);
    std::vector<std::string> linhas;
    for (std::string linha; std::getline(entrada, linha);) linhas.push_back(linha);
    return linhas;
}

TEST(RegistroDeExecucoes, LinhaUnicaQueSeLeDeVolta) {
    for (int status : {kRegistroConcluida, kRegistroFalhou, kRegistroRecusada}) {
        SCOPED_TRACE(status);
        const RegistroExecucao r = Exemplo(status);
        const std::string linha = RegistroEmJson(r);
        EXPECT_EQ(linha.find('\n'), std::string::npos);
        const std::optional<RegistroExecucao> lido = LerRegistro(linha);
        ASSERT_TRUE(lido.has_value()) << linha;
        EXPECT_EQ(RegistroEmJson(*lido), linha);
        EXPECT_EQ(lido->erro, r.erro);
        EXPECT_EQ(lido->avisos, r.avisos);
    }
    for (const char* ruim : {"", "{", "nao é json", "\x01\x02\xff", "{\"inicio\":\"ontem\"}", "[]",
                             "{\"inicio\":\"2026-12-09T07:30:05\"}"})
        EXPECT_FALSE(LerRegistro(ruim).has_value()) << ruim;
}

TEST(RegistroDeExecucoes, TextoQueNaoEUtf8ViraOCaractereDoWindows1252) {
    const std::pair<std::string, std::string> casos[] = {
        {"Pasta d'\xC1gua", "\"Pasta d'Água\""},  // a Latin-1 folder name
        {"ção € 😀", "\"ção € 😀\""},              // UTF-8 stays as it is
        {"\x80\x81", "\"€\xEF\xBF\xBD\""},           // 0x81 has no character: U+FFFD
        {"fim \xE2\x82", "\"fim \xC3\xA2\xE2\x80\x9A\""},  // a sequence cut short: "â‚"
        {"\xC0\xAF \xED\xA0\x80", "\"\xC3\x80\xC2\xAF \xC3\xAD\xC2\xA0\xE2\x82\xAC\""},  // overlong, surrogate: "À¯ í €"
    };
    for (const auto& [texto, esperado] : casos) EXPECT_EQ(TextoJson(texto), esperado) << texto;
    RegistroExecucao r = Exemplo();
    r.conexao = "srv:/dados/Pasta d'\xC1gua/erp.fdb";
    const std::optional<RegistroExecucao> lido = LerRegistro(RegistroEmJson(r));
    ASSERT_TRUE(lido.has_value());
    EXPECT_EQ(lido->conexao, "srv:/dados/Pasta d'Água/erp.fdb");
}

TEST(RegistroDeExecucoes, LinhaDaUltimaExecucao) {
    EXPECT_EQ(LinhaUltimaExecucao(Exemplo(kRegistroConcluida)), "Última execução: 09/12/2026 07:30 — concluída");
    EXPECT_EQ(LinhaUltimaExecucao(Exemplo(kRegistroFalhou)),
              "Última execução: 09/12/2026 07:30 — falhou: update conflicts with concurrent update");
    EXPECT_EQ(LinhaUltimaExecucao(Exemplo(kRegistroRecusada)),
              "Última execução: 09/12/2026 07:30 — recusada: update conflicts with concurrent update");
    EXPECT_EQ(LinhaUltimaExecucao(Exemplo(kRegistroSemPlanilha)),
              "Última execução: 09/12/2026 07:30 — concluída, planilha não gravada: update conflicts with "
              "concurrent update");
    EXPECT_EQ(LinhaUltimaExecucao(Exemplo(kRegistroInterrompida)),
              "Última execução: 09/12/2026 07:30 — interrompida: update conflicts with concurrent update");
}

TEST(RegistroDeExecucoes, PastaPadraoPeloAmbiente) {
    struct Caso {
        const char *estado, *xdg, *casa, *esperado;
    };
    const Caso casos[] = {
        {"/var/lib/zelprax", "/x", "/home/u", "/var/lib/zelprax/execucoes.jsonl"},
        {"/var/lib/zelprax:/var/lib/outra", nullptr, nullptr, "/var/lib/zelprax/execucoes.jsonl"},
        {nullptr, "/x/estado", "/home/u", "/x/estado/zelprax/execucoes.jsonl"},
        {nullptr, nullptr, "/home/u", "/home/u/.local/state/zelprax/execucoes.jsonl"},
        {nullptr, nullptr, nullptr, ""},
    };
    // The test's own environment comes back afterwards.
    struct Guardar {
        std::vector<std::pair<std::string, std::optional<std::string>>> antes;
        Guardar() {
            for (const char* nome : {"STATE_DIRECTORY", "XDG_STATE_HOME", "HOME"}) {
                const char* v = std::getenv(nome);
                antes.emplace_back(nome, v != nullptr ? std::optional<std::string>(v) : std::nullopt);
            }
        }
        ~Guardar() {
            for (const auto& [nome, v] : antes) v ? ::setenv(nome.c_str(), v->c_str(), 1) : ::unsetenv(nome.c_str());
        }
    } guardar;
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.esperado);
        for (const auto& [nome, valor] : {std::pair{"STATE_DIRECTORY", c.estado}, std::pair{"XDG_STATE_HOME", c.xdg},
                                          std::pair{"HOME", c.casa}})
            valor != nullptr ? ::setenv(nome, valor, 1) : ::unsetenv(nome);
        EXPECT_EQ(CaminhoRegistroPadrao(), c.esperado);
    }
}

TEST(RegistroDeExecucoes, GiraNoLimiteGuardandoUmArquivoAnterior) {
    teste::PastaTemporaria pasta;
    const std::string arquivo = pasta / "estado/zelprax/execucoes.jsonl";  // folders made on the way
    const std::size_t tamanhoLinha = RegistroEmJson(Exemplo()).size() + 1;
    const std::uintmax_t limite = tamanhoLinha * 3;
    for (int i = 0; i < 8; ++i) ASSERT_EQ(AcrescentarRegistro(arquivo, Exemplo(), limite), "");
    // 3 + 3 + 2 lines: the oldest three are gone, one older file kept, no file above the limit.
    EXPECT_EQ(Linhas(arquivo).size(), 2u);
    EXPECT_EQ(Linhas(arquivo + ".1").size(), 3u);
    EXPECT_FALSE(fs::exists(arquivo + ".2"));
    EXPECT_LE(fs::file_size(arquivo + ".1"), limite);
    EXPECT_EQ(fs::status(arquivo).permissions() & fs::perms::others_read, fs::perms::none);
}

TEST(RegistroDeExecucoes, DoisProcessosAoMesmoTempoSoGravamLinhasInteiras) {
    teste::PastaTemporaria pasta;
    const std::string arquivo = pasta / "execucoes.jsonl";
    RegistroExecucao grande = Exemplo();
    grande.avisos.assign(40, std::string(300, 'x'));  // lines of some 12 KiB, larger than a pipe's atomic write
    const std::uintmax_t limite = (RegistroEmJson(grande).size() + 1) * 150;
    constexpr int kPorProcesso = 100;
    std::vector<pid_t> filhos;
    for (int p = 0; p < 2; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0; i < kPorProcesso; ++i)
                if (!AcrescentarRegistro(arquivo, grande, limite).empty()) ::_exit(1);
            ::_exit(0);
        }
        filhos.push_back(pid);
    }
    for (const pid_t pid : filhos) {
        int estado = 0;
        ::waitpid(pid, &estado, 0);
        EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
    }
    std::size_t total = 0;
    for (const std::string& nome : {arquivo, arquivo + ".1"})
        for (const std::string& linha : Linhas(nome)) {
            EXPECT_TRUE(LerRegistro(linha).has_value()) << linha.substr(0, 80);
            ++total;
        }
    // One rotation at the 150th line: no line lost, none broken, the older file within the limit.
    EXPECT_EQ(total, 2u * kPorProcesso);
    EXPECT_EQ(Linhas(arquivo + ".1").size(), 150u);
    EXPECT_LE(fs::file_size(arquivo + ".1"), limite);
}

TEST(RegistroDeExecucoes, GravacaoQueFalhaNaoDeixaMeiaLinha) {
    teste::PastaTemporaria pasta;
    const std::string arquivo = pasta / "execucoes.jsonl";
    ASSERT_EQ(AcrescentarRegistro(arquivo, Exemplo()), "");
    const std::uintmax_t inteiro = fs::file_size(arquivo);
    // A file-size limit a few bytes past the end: the system takes part of the record, then fails.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limite{static_cast<rlim_t>(inteiro + 20), static_cast<rlim_t>(inteiro + 20)};
        ::_exit(::setrlimit(RLIMIT_FSIZE, &limite) == 0 && !AcrescentarRegistro(arquivo, Exemplo()).empty() ? 0 : 1);
    }
    int estado = 0;
    ::waitpid(pid, &estado, 0);
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << "a gravação cortada não disse por quê";
    EXPECT_EQ(fs::file_size(arquivo), inteiro);
    // A rest without a line break (a writer killed in the middle): the next record starts a line.
    {
        std::ofstream resto(arquivo, std::ios::app | std::ios::binary);
        resto << "{\"inicio\":\"2026-12";
    }
    ASSERT_EQ(AcrescentarRegistro(arquivo, Exemplo(kRegistroConcluida)), "");
    const HistoricoLido lido = LerHistorico(arquivo, 10);
    EXPECT_EQ(lido.ilegiveis, 1);
    ASSERT_EQ(lido.registros.size(), 2u);
    EXPECT_EQ(lido.registros[1].status, kRegistroConcluida);
}

TEST(RegistroDeExecucoes, SoGravaNumArquivoComum) {
    teste::PastaTemporaria pasta;
    const std::string outro = pasta / "outro.txt", fila = pasta / "fila";
    teste::EscreverArquivo(outro, "de outro programa\n");
    fs::create_symlink(outro, pasta / "link.jsonl");
    fs::create_symlink(pasta / "alvo-novo", pasta / "pendente.jsonl");
    ASSERT_EQ(::mkfifo(fila.c_str(), 0600), 0);
    // With a reader on the FIFO, a writer that opens it would write there instead of refusing it.
    const int leitor = ::open(fila.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(leitor, 0);
    for (const std::string& arquivo : {pasta / "link.jsonl", pasta / "pendente.jsonl", fila, std::string("/dev/full")}) {
        SCOPED_TRACE(arquivo);
        EXPECT_NE(AcrescentarRegistro(arquivo, Exemplo()).find(arquivo + ": "), std::string::npos);
    }
    char byte = 0;
    EXPECT_EQ(::read(leitor, &byte, 1), 0) << "a fila recebeu um registro";
    ::close(leitor);
    EXPECT_EQ(Linhas(outro), std::vector<std::string>{"de outro programa"});
    EXPECT_FALSE(fs::exists(pasta / "alvo-novo"));
}

TEST(RegistroDeExecucoes, HistoricoPulaLinhasIlegiveisEContaAs) {
    teste::PastaTemporaria pasta;
    const std::string arquivo = pasta / "execucoes.jsonl";
    for (int i = 0; i < 5; ++i) {
        RegistroExecucao r = Exemplo(kRegistroConcluida);
        r.inicio.minuto = i;
        ASSERT_EQ(AcrescentarRegistro(arquivo, r), "");
    }
    {
        std::ofstream ruim(arquivo, std::ios::app | std::ios::binary);
        ruim << "{\"inicio\":\"2026-12\n" << std::string("\0\x01\xfe\xff", 4) << "\n\n";
    }
    ASSERT_EQ(AcrescentarRegistro(arquivo, Exemplo(kRegistroFalhou)), "");
    const HistoricoLido lido = LerHistorico(arquivo, 3);
    EXPECT_EQ(lido.ilegiveis, 2);
    ASSERT_EQ(lido.registros.size(), 3u);
    EXPECT_EQ(lido.registros[0].inicio.minuto, 3);
    EXPECT_EQ(lido.registros[2].status, kRegistroFalhou);
    const HistoricoLido nenhum = LerHistorico(pasta / "nao-existe.jsonl", 3);
    EXPECT_TRUE(nenhum.registros.empty());
    EXPECT_FALSE(nenhum.erro.has_value());
}

TEST(RegistroDeExecucoes, HistoricoLogoDepoisDaRotacaoLeOArquivoAnterior) {
    teste::PastaTemporaria pasta;
    const std::string arquivo = pasta / "execucoes.jsonl";
    const std::uintmax_t limite = (RegistroEmJson(Exemplo()).size() + 1) * 3;
    for (int i = 0; i < 4; ++i) {
        RegistroExecucao r = Exemplo();
        r.inicio.minuto = i;
        ASSERT_EQ(AcrescentarRegistro(arquivo, r, limite), "");
    }
    // Three runs in FILE.1, one in the new file.
    const HistoricoLido lido = LerHistorico(arquivo, 3);
    ASSERT_EQ(lido.registros.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lido.registros[static_cast<std::size_t>(i)].inicio.minuto, i + 1);
    EXPECT_FALSE(lido.erro.has_value());
}

TEST(RegistroDeExecucoes, HistoricoQueNaoPodeSerLidoDizPorQueEAteOndeLe) {
    teste::PastaTemporaria pasta;
    fs::create_directory(pasta / "pasta.jsonl");
    fs::create_symlink("/dev/zero", pasta / "zero.jsonl");
    for (const std::string& arquivo : {pasta / "pasta.jsonl", pasta / "zero.jsonl"}) {
        SCOPED_TRACE(arquivo);
        const HistoricoLido lido = LerHistorico(arquivo, 5);
        ASSERT_TRUE(lido.erro.has_value());
        EXPECT_EQ(lido.erro->rfind(arquivo + ": ", 0), 0u) << *lido.erro;
        EXPECT_TRUE(lido.registros.empty());
    }
    // A huge file (sparse: zeros before the last record) is read from its last bytes only.
    const std::string grande = pasta / "grande.jsonl";
    {
        const int fd = ::open(grande.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(8 * kLimiteLeituraRegistro)), 0);
        ::close(fd);
    }
    ASSERT_EQ(AcrescentarRegistro(grande, Exemplo(), 16 * kLimiteLeituraRegistro), "");
    const HistoricoLido lido = LerHistorico(grande, 5);
    EXPECT_EQ(lido.ilegiveis, 0);
    EXPECT_EQ(lido.registros.size(), 1u);
}

TEST(RegistroDeExecucoes, RegistroQueNaoPodeSerGravadoDizPorQue) {
    teste::PastaTemporaria pasta;
    teste::EscreverArquivo(pasta / "arquivo", "não é pasta");
    for (const std::string& arquivo : {pasta / "arquivo/execucoes.jsonl", pasta.Caminho().string()}) {
        SCOPED_TRACE(arquivo);
        EXPECT_NE(AcrescentarRegistro(arquivo, Exemplo()), "");
    }
}

}  // namespace
}  // namespace zelprax::monitor
