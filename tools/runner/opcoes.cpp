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
    "                             dados, nada é feito, a menos que o tenha deixado um processo desta\n"
    "                             máquina que já terminou (então a trava é assumida, com um aviso);\n"
    "                             senão a trava é criada durante a execução e apagada ao final.\n"
    "  --pasta PASTA              pasta onde o monitor está instalado (a dos arquivos .ini do ERP);\n"
    "                             padrão: a pasta deste programa.\n"
    "  --sem-acertos              não gera acertos conforme a fase do processo (fases 2 a 4).\n"
    "  --sem-estorno              não gera estorno de comissão de inadimplentes (fases 8 e 9).\n"
    "  --emissao-a-partir DD/MM/AAAA\n"
    "                             considera só os documentos emitidos a partir desta data.\n"
    "  --json                     imprime o resumo como um objeto JSON (fases, avisos, mensagem\n"
    "                             final, comandos SQL executados e preparados, segundos).\n"
    "  --csv ARQUIVO              grava o efeito da execução por vendedor (entradas criadas e\n"
    "                             removidas por tipo, descontos, pagamentos, estornos e a variação da\n"
    "                             comissão não paga) em ARQUIVO, separado por ponto e vírgula, com\n"
    "                             vírgula decimal, em UTF-8, como uma planilha o abre. Um arquivo\n"
    "                             existente só é substituído ao final, pela planilha completa; um\n"
    "                             dispositivo ou FIFO é gravado no lugar; um link simbólico é recusado.\n"
    "                             Um ARQUIVO que não pode ser gravado impede a execução (código 2).\n"
    "  --simular                  prévia: executa todas as fases como uma execução real, com as\n"
    "                             mesmas opções, e desfaz tudo ao final (nada fica gravado no banco,\n"
    "                             nem a marca do monitor). Toda a prévia é uma só transação: as linhas\n"
    "                             que ela altera ficam bloqueadas até o fim, e quem editar os mesmos\n"
    "                             documentos no ERP espera ou recebe um conflito. A prévia de uma\n"
    "                             primeira execução grande é melhor fora do expediente, ou numa cópia\n"
    "                             do banco.\n"
    "  --registro ARQUIVO         registro de execuções a usar (padrão: execucoes.jsonl em\n"
    "                             $STATE_DIRECTORY, senão em $XDG_STATE_HOME/zelprax, senão em\n"
    "                             ~/.local/state/zelprax).\n"
    "  --sem-registro             não registra esta execução.\n"
    "  --historico [N]            mostra as últimas N execuções registradas (padrão: 10) em vez de\n"
    "                             executar; com --json, como uma lista JSON.\n"
    "  --help                     mostra esta ajuda.\n"
    "  --version                  mostra a versão do programa.\n"
    "\n"
    "Usuário e senha do banco: os do monitor; as variáveis de ambiente ISC_USER e ISC_PASSWORD os\n"
    "substituem quando definidas.\n"
    "\n"
    "Saída: a legenda de cada fase quando ela começa (com barra de progresso num terminal) e, ao\n"
    "final, um resumo por fase (documentos selecionados, linhas gravadas, documentos ignorados; as\n"
    "fases 2 e 8, que alteram as linhas em conjunto, mostram quantos comandos executaram), o efeito\n"
    "por vendedor, os avisos, a mensagem final e os arquivos do registro de execuções e da planilha.\n"
    "\n"
    "Registro de execuções: cada execução, do monitor ou deste programa, acrescenta uma linha JSON\n"
    "ao registro (início e fim, origem, banco, contagens por fase, avisos, mensagem final ou erro\n"
    "completo com o código do servidor, código de saída). Ao chegar a 5 MiB o arquivo é renomeado\n"
    "para execucoes.jsonl.1 (um arquivo anterior é mantido). Um registro que não pode ser gravado\n"
    "não muda o resultado da execução: só uma linha na saída de erros diz por quê.\n"
    "\n"
    "Código de saída:\n"
    "  0  a atualização foi concluída;\n"
    "  1  a atualização falhou (o texto completo do erro vai para a saída de erros; o que já foi\n"
    "     confirmado no banco permanece);\n"
    "  2  erro de uso ou de configuração (opção desconhecida, data inválida, monitor em execução,\n"
    "     arquivo .ini não encontrado; com --historico, registro que não pode ser lido);\n"
    "  3  a atualização foi concluída, mas a planilha de --csv não pôde ser gravada (o motivo vai\n"
    "     para a saída de erros e para o registro de execuções);\n"
    "  4  a execução foi interrompida por SIGTERM, SIGINT ou SIGHUP (parada do serviço, Ctrl-C,\n"
    "     terminal fechado): o que estava pendente foi desfeito, o que as fases já confirmaram\n"
    "     permanece, e o resumo e o registro de execuções dizem que ela foi interrompida.\n";

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
        if (opcao == "--historico") {
            // An optional count: "--historico=N", or a number as the next argument.
            if (!valor && i + 1 < argumentos.size() && !argumentos[i + 1].empty() &&
                argumentos[i + 1].find_first_not_of("0123456789") == std::string::npos)
                valor = argumentos[++i];
            int quantos = kHistoricoPadrao;
            if (valor) {
                quantos = 0;
                const bool digitos = !valor->empty() && valor->size() <= 6 &&
                                     valor->find_first_not_of("0123456789") == std::string::npos;
                if (digitos) quantos = std::stoi(*valor);
                if (quantos < 1) {
                    leitura.erro = "número inválido em --historico: " + *valor;
                    return leitura;
                }
            }
            o.historico = quantos;
            continue;
        }
        const bool pedeValor =
            opcao == "--banco" || opcao == "--pasta" || opcao == "--emissao-a-partir" || opcao == "--registro" ||
            opcao == "--csv";
        const bool semValor = opcao == "--sem-acertos" || opcao == "--sem-estorno" || opcao == "--json" ||
                              opcao == "--sem-registro" || opcao == "--simular" || opcao == "--help" || opcao == "-h" ||
                              opcao == "--ajuda" || opcao == "--version";
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
        if (opcao == "--banco" || opcao == "--pasta" || opcao == "--registro" || opcao == "--csv") {
            if (valor->empty()) {
                leitura.erro = "valor vazio para " + opcao;
                return leitura;
            }
            (opcao == "--banco" ? o.banco : opcao == "--pasta" ? o.pasta : opcao == "--csv" ? o.csv : o.registro) = *valor;
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
        } else if (opcao == "--sem-registro") {
            o.semRegistro = true;
        } else if (opcao == "--simular") {
            o.simular = true;
        } else if (opcao == "--version") {
            o.versao = true;
        } else {
            o.ajuda = true;
        }
    }
    return leitura;
}

}  // namespace zelprax::executor
