#pragma once
// One monitor per data folder: the lock file beside the ERP's data, the monitor flag in the
// parameter table, and the stop signal another program can leave in "Conectado.txt".

#include <string>

#include "db/banco.h"

namespace zelprax::monitor {

// The lock file's name: the program file's name (blanks around it removed) up to its last full
// stop, then ".lock"; a name without a full stop is kept whole, so that programs without an
// extension do not share one ".lock".
std::string NomeArquivoTrava(const std::string& caminhoExecutavel, char separador);

// The one line the lock file holds, with its line break.
std::string ConteudoArquivoTrava(const std::string& caminhoExecutavel);

// pastaDados ends in a separator, as LocalizarPastaDados gives it.
bool ExisteArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados);
// Creates or overwrites the lock file; raises std::runtime_error when it cannot be written.
void CriarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados);
// Deletes the lock file; one that is absent or cannot be deleted is left without a word.
void ApagarArquivoTrava(const std::string& caminhoExecutavel, const std::string& pastaDados);

// Sets ST_MONITOR_COMISSAO_ATIVO of every parameter row ('S' or 'N') in the connection's default
// transaction and commits, retaining it. Errors are raised.
void AtualizarMonitorAtivo(bool ativo, db::BancoDados& conexao);

// The watchdog rule: false when the first line of "Conectado.txt" in the data folder is exactly
// "DESCONECTAR" (its line break aside); true for any other line, an empty file, or a file or
// folder that does not exist. Raises std::runtime_error when the folder or the file exists but
// cannot be read.
bool ServidorConectado(const std::string& pastaDados);

inline constexpr const char* kArquivoSinal = "Conectado.txt";
inline constexpr const char* kSinalDesconectar = "DESCONECTAR";
inline constexpr const char* kMensagemPastaInacessivel = "Não foi possível acessar a pasta Dados no Servidor.";

}  // namespace zelprax::monitor
