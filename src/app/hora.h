#pragma once
// The rules of the hour box and of the schedule: the box is free text of two characters that the
// program reads as an integer whenever it needs the hour.

#include <stdexcept>
#include <string>

#include "db/datas.h"

namespace zelprax::monitor {

// A text that should have been a number and is not (the conversion error of the hour box).
class ErroConversao : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The box's text as an integer: optional leading blanks, an optional sign, decimal digits and
// nothing else. Raises ErroConversao otherwise.
int LerInteiro(const std::string& texto);

// The text as a whole hour 0 to 23; raises ErroConversao for anything else. This is the only way
// the box's text reaches SQL.
int ValidarHora(const std::string& texto);

// Up and down buttons: the new text, or the same text at the end of the range (no wrapping).
// Raise ErroConversao when the text is not an integer.
std::string HoraAcima(const std::string& texto);
std::string HoraAbaixo(const std::string& texto);

// The leave check: true for a whole hour 0 to 23; false for another integer; raises ErroConversao
// when the text is not an integer.
bool HoraAceita(const std::string& texto);

inline constexpr const char* kMensagemHoraInvalida = "A hora para atualização deve estar entre 0 e 23h";
inline constexpr const char* kTituloHoraInvalida = "Aviso Do Sistema";

// The start label before any run of this process.
inline constexpr const char* kSemAtualizacao = "00/00/0000 00:00";

// The last start as the start label holds it: the zero date for the initial text, else the
// label's date and time. Raises ErroConversao when the label holds neither.
db::DataHora LerUltimoInicio(const std::string& textoLabel);

// The due-time rule: a run started by the user is always due; otherwise the hour box must equal
// the current hour (compared as integers, so "07" matches 7) and the current time must lie after
// the last start. Raises ErroConversao for a box that is not an integer (only when it is read).
bool ExecucaoDevida(bool iniciadaPeloUsuario, const std::string& textoHora, const db::DataHora& agora,
                    const db::DataHora& ultimoInicio);

}  // namespace zelprax::monitor
