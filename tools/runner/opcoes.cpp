#include "opcoes.h"

#include <chrono>

namespace zelprax::executor {

const char* const kAjudaRunner =
    "Uso: zelprax-comissao [opções]\n"
    "\n"
    "Executa uma vez a atualização das comissões (as nove fases do zelprax Monitor Comissão), sem\n"
    "janela, para ser agendada no cron ou num timer do systemd. Usa o mesmo motor e os mesmos passos\n"
    "finais do monitor, mas não grava a hora de atualização.\n"
    "\n"
    "Opções:\n"
    "  --banco CONEXAO            banco de dados a usar: um caminho de arquivo abre o banco direto\n"
    "                             (Firebird embarcado); servidor:caminho usa o servidor Firebird.\n"
    "                             Sem esta opção o banco é encontrado como o monitor o encontra, pelos\n"
    "                             arquivos .ini do ERP na pasta do monitor, e a trava do monitor é\n"
    "                             respeitada: se o arquivo zelpraxComissao2.lock existir na pasta de\n"
    "                             dados, nada é feito; senão a trava é criada durante a execução e\n"
    "                             apagada ao final.\n"
    "  --pasta PASTA              pasta onde o monitor está instalado (a dos arquivos .ini do ERP);\n"
    "                             padrão: a pasta deste programa.\n"
    "  --sem-acertos              não gera acertos conforme a fase do processo (fases 2 a 4).\n"
    "  --sem-estorno              não gera estorno de comissão de inadimplentes (fases 8 e 9).\n"
    "  --emissao-a-partir DD/MM/AAAA\n"
    "                             considera só os documentos emitidos a partir desta data.\n"
    "  --json                     imprime o resumo como um objeto JSON (fases, avisos, mensagem\n"
    "                             final, comandos SQL executados e preparados, segundos).\n"
    "  --help                     mostra esta ajuda.\n"
    "  --version                  mostra a versão do programa.\n"
    "\n"
    "Usuário e senha do banco: os do monitor; as variáveis de ambiente ISC_USER e ISC_PASSWORD os\n"
    "substituem quando definidas.\n"
    "\n"
    "Saída: a legenda de cada fase quando ela começa (com barra de progresso num terminal) e, ao\n"
    "final, um resumo por fase (documentos selecionados, linhas gravadas, documentos ignorados), os\n"
    "avisos e a mensagem final.\n"
    "\n"
    "Código de saída:\n"
    "  0  a atualização foi concluída;\n"
    "  1  a atualização falhou (o texto completo do erro vai para a saída de erros; o que já foi\n"
    "     confirmado no banco permanece);\n"
    "  2  erro de uso ou de configuração (opção desconhecida, data inválida, monitor em execução,\n"
    "     arquivo .ini não encontrado).\n";

std::optional<db::DataHora> LerDataBrasileira(const std::string& texto) {
    int partes[3] = {0, 0, 0};
    int digitos[3] = {0, 0, 0};
    int parte = 0;
    for (char c : texto) {
        if (c == '/') {
            if (++parte > 2) return std::nullopt;
        } else if (c >= '0' && c <= '9') {
            if (++digitos[parte] > 4) return std::nullopt;
            partes[parte] = partes[parte] * 10 + (c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (parte != 2 || digitos[0] < 1 || digitos[0] > 2 || digitos[1] < 1 || digitos[1] > 2 || digitos[2] != 4)
        return std::nullopt;
    const std::chrono::year_month_day data{std::chrono::year{partes[2]}, std::chrono::month{static_cast<unsigned>(partes[1])},
                                           std::chrono::day{static_cast<unsigned>(partes[0])}};
    if (!data.ok() || partes[2] < 1900) return std::nullopt;
    return db::DataHora{partes[2], partes[1], partes[0], 0, 0, 0};
}

LeituraOpcoes LerOpcoes(const std::vector<std::string>& argumentos) {
    LeituraOpcoes leitura;
    OpcoesRunner& o = leitura.opcoes;
    for (std::size_t i = 0; i < argumentos.size(); ++i) {
        std::string opcao = argumentos[i];
        std::optional<std::string> valor;
        // "--opção=valor" and "--opção valor" alike.
        if (const auto igual = opcao.find('='); opcao.rfind("--", 0) == 0 && igual != std::string::npos) {
            valor = opcao.substr(igual + 1);
            opcao.erase(igual);
        }
        const bool pedeValor = opcao == "--banco" || opcao == "--pasta" || opcao == "--emissao-a-partir";
        const bool semValor = opcao == "--sem-acertos" || opcao == "--sem-estorno" || opcao == "--json" ||
                              opcao == "--help" || opcao == "-h" || opcao == "--ajuda" ||
                              opcao == "--version";
        if (!pedeValor && !semValor) {
            leitura.erro = opcao.rfind("-", 0) == 0 ? "opção desconhecida: " + argumentos[i]
                                                    : "argumento inesperado: " + argumentos[i];
            return leitura;
        }
        if (semValor && valor) {
            leitura.erro = "a opção " + opcao + " não aceita valor";
            return leitura;
        }
        if (pedeValor && !valor) {
            if (i + 1 >= argumentos.size()) {
                leitura.erro = "falta o valor de " + opcao;
                return leitura;
            }
            valor = argumentos[++i];
        }
        if (opcao == "--banco" || opcao == "--pasta") {
            if (valor->empty()) {
                leitura.erro = "valor vazio para " + opcao;
                return leitura;
            }
            (opcao == "--banco" ? o.banco : o.pasta) = *valor;
        } else if (opcao == "--emissao-a-partir") {
            o.emissaoAPartir = LerDataBrasileira(*valor);
            if (!o.emissaoAPartir) {
                leitura.erro = "data inválida em --emissao-a-partir (use DD/MM/AAAA): " + *valor;
                return leitura;
            }
        } else if (opcao == "--sem-acertos") {
            o.semAcertos = true;
        } else if (opcao == "--sem-estorno") {
            o.semEstorno = true;
        } else if (opcao == "--json") {
            o.json = true;
        } else if (opcao == "--version") {
            o.versao = true;
        } else {
            o.ajuda = true;
        }
    }
    return leitura;
}

}  // namespace zelprax::executor
