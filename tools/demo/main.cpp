// zelprax-demo: creates a demo ERP database for trying the commission run.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "db/erro.h"
#include "gerador.h"
#include "versao.h"

namespace {

const char kAjuda[] =
    "Uso: zelprax-demo --banco CAMINHO --notas N [--semente S] [--esquema ARQUIVO]\n"
    "\n"
    "Cria um banco de dados do ERP para demonstração e o preenche com dados realistas e\n"
    "repetíveis: N notas fiscais de venda com itens e duplicatas, naturezas de operação de todos\n"
    "os tipos de comissão, vendedores com crédito antecipado, lançamentos de comissão já pagos,\n"
    "acertos de comissão e clientes inadimplentes. As datas contam a partir de hoje.\n"
    "\n"
    "  --banco CAMINHO    arquivo do banco a criar (não pode existir), ou servidor:caminho\n"
    "  --notas N          quantidade de notas fiscais (1 a 1000000)\n"
    "  --semente S        semente do sorteio (padrão 1): a mesma semente gera os mesmos dados\n"
    "  --esquema ARQUIVO  script do esquema do ERP (padrão: " ZELPRAX_SCHEMA_INSTALADO ",\n"
    "                     ou o esquema do projeto em que o programa foi compilado)\n"
    "  --help             mostra esta ajuda\n"
    "  --version          mostra a versão do programa\n"
    "\n"
    "Usuário e senha do banco: sysdba/quorvinel, ou ISC_USER e ISC_PASSWORD quando definidas.\n"
    "Saída: 0 criado, 1 erro do banco de dados, 2 uso incorreto.\n";

bool LerNumero(const std::string& texto, unsigned long long maximo, unsigned long long& valor) {
    if (texto.empty() || texto.size() > 10) return false;
    unsigned long long n = 0;
    for (char c : texto) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<unsigned long long>(c - '0');
    }
    if (n > maximo) return false;
    valor = n;
    return true;
}

int ErroDeUso(const std::string& mensagem) {
    std::cerr << "zelprax-demo: " << mensagem << "\nUse --help para ver as opções.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using zelprax::demo::OpcoesDemo;
    OpcoesDemo opcoes;
    opcoes.esquema = zelprax::demo::EscolherEsquema({ZELPRAX_SCHEMA_INSTALADO, ZELPRAX_SCHEMA});
    opcoes.notas = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string opcao = argv[i];
        if (opcao == "--help" || opcao == "-h" || opcao == "--ajuda") {
            std::cout << kAjuda;
            return 0;
        }
        if (opcao == "--version") {
            std::cout << "zelprax-demo " ZELPRAX_VERSAO "\n";
            return 0;
        }
        const bool comValor = opcao == "--banco" || opcao == "--notas" || opcao == "--semente" || opcao == "--esquema";
        if (!comValor) return ErroDeUso("opção desconhecida: " + opcao);
        if (i + 1 >= argc) return ErroDeUso("falta o valor de " + opcao);
        const std::string valor = argv[++i];
        unsigned long long n = 0;
        if (opcao == "--banco") {
            opcoes.banco = valor;
        } else if (opcao == "--esquema") {
            opcoes.esquema = valor;
        } else if (opcao == "--notas") {
            if (!LerNumero(valor, 1000000, n) || n == 0) return ErroDeUso("--notas espera um número de 1 a 1000000: " + valor);
            opcoes.notas = static_cast<int>(n);
        } else {
            if (!LerNumero(valor, 4294967295ULL, n)) return ErroDeUso("--semente espera um número de 0 a 4294967295: " + valor);
            opcoes.semente = static_cast<std::uint32_t>(n);
        }
    }
    if (opcoes.banco.empty()) return ErroDeUso("falta --banco");
    if (opcoes.notas == 0) return ErroDeUso("falta --notas");
    // Never write over a file: it might be someone's real database.
    if (std::filesystem::exists(opcoes.banco)) return ErroDeUso("o arquivo já existe: " + opcoes.banco);
    if (!std::filesystem::exists(opcoes.esquema)) return ErroDeUso("esquema não encontrado: " + opcoes.esquema);
    if (const char* u = std::getenv("ISC_USER"); u != nullptr && *u != '\0') opcoes.usuario = u;
    if (const char* s = std::getenv("ISC_PASSWORD"); s != nullptr && *s != '\0') opcoes.senha = s;
    opcoes.hoje = zelprax::db::RelogioDoSistema().Agora();

    const auto inicio = std::chrono::steady_clock::now();
    try {
        const auto contagem = zelprax::demo::CriarBancoDemo(opcoes);
        const std::chrono::duration<double> decorrido = std::chrono::steady_clock::now() - inicio;
        std::cout << zelprax::demo::DescreverContagem(contagem, opcoes, decorrido.count()) << "\n";
        return 0;
    } catch (const zelprax::db::ErroBanco& e) {
        std::cerr << "zelprax-demo: erro do banco de dados:\n" << e.Texto() << "\n";
        if (!e.Comando().empty()) std::cerr << "Comando: " << e.Comando() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "zelprax-demo: " << e.what() << "\n";
    }
    return 1;
}
