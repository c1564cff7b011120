#pragma once
// The start-up check for a newer version of the monitor and the hand-over to the updater, with the
// parameter-table upgrade it runs on the way.

#include <optional>
#include <string>

#include "db/datas.h"
#include "db/interacao.h"
#include "db/localizacao.h"
#include "db/sessao.h"
#include "platform/platform.h"

namespace zelprax::manutencao {

// Runs once per start with the open connection: finishes the clean-up of a past update, upgrades
// the parameter table and, when the running executable differs in date from the one published in
// the update folder, hands over to the updater and ends the process. Without `compararVersao` it
// stops after the parameter-table upgrade. Errors of the upgrade are raised.
void VerificarAtualizacao(db::SessaoBanco& sessao, plataforma::Sistema& sistema, db::Interacao& interacao,
                          bool compararVersao = true);

// The clean-up after an update: the desktop shortcut when the updater left its marker, then the
// "Exec-" file and the marker are deleted. Failures are silent.
void ConcluirAtualizacao(plataforma::Sistema& sistema);

// A desktop shortcut "Novo <program>" to the running executable.
void CriarAtalhoNovaVersao(plataforma::Sistema& sistema);

// The file's modification time, local, in two-second steps, as "dd/mm/yyyy hh:mm:ss" (the date
// alone at exactly midnight); empty when the file does not exist.
std::string DataArquivo(const plataforma::Sistema& sistema, const std::string& caminho);

// The pieces of the check, kept apart so that their rules can be tested on their own.
std::string FormatarDataArquivo(const db::DataHora& data);
// Reads a text of FormatarDataArquivo back; empty when it is no such date.
std::optional<db::DataHora> LerDataArquivo(const std::string& texto);
// "Exec-" + the executable's name with every ".exe" turned into ".ini"; ".ini" appended when the
// name has no ".exe", so that the marker is never the "Exec-" file itself.
std::string NomeMarcadorAtualizacao(const std::string& nomeExecutavel);
// The program's name without the ".exe" of Windows program files.
std::string NomeSemExe(const std::string& nomeExecutavel);
// The notice before the hand-over, naming the program up to the first full stop of its file name.
std::string AvisoNovaVersao(const std::string& nomeExecutavel);
// "@F1 @M<update folder> @E<executable folder> @A<executable name>", folders blank-free.
std::string LinhaComandoAtualizador(const db::CaminhosAtualizacao& caminhos);

inline constexpr const char* kMarcadorSemAtualizacao = "DebugarZandri.tmp";

}  // namespace zelprax::manutencao
