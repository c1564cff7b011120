#pragma once
// Dates and times as the ERP keeps them, and the clock the program reads them from.

#include <compare>
#include <ctime>
#include <string>

namespace zelprax::db {

// A calendar date with a time of day; the zero value (year 0) stands for "no date", which is what
// a null date column reads as.
struct DataHora {
    int ano = 0, mes = 0, dia = 0;
    int hora = 0, minuto = 0, segundo = 0;

    bool Vazia() const { return ano == 0; }
    DataHora SoData() const { return {ano, mes, dia, 0, 0, 0}; }
    auto operator<=>(const DataHora&) const = default;
};

// The date `dias` days after (or before, when negative) the given one, time kept.
DataHora SomarDias(const DataHora& d, int dias);

// "dd/mm/yyyy hh:mm:ss" and back; the window's labels hold this text. Empty optional-like zero
// value when the text is not such a date.
std::string FormatarDataHoraTela(const DataHora& d);
bool LerDataHoraTela(const std::string& texto, DataHora& saida);
// "dd/mm/yyyy hh:mm" (the version line).
std::string FormatarDataHoraCurta(const DataHora& d);

// A moment (seconds since the epoch, as file times and the clock give it) in local time.
DataHora DataHoraLocal(std::time_t instante);

class Relogio {
public:
    virtual ~Relogio() = default;
    // The local date and time now.
    virtual DataHora Agora() const;
};

// The clock of the machine.
Relogio& RelogioDoSistema();

}  // namespace zelprax::db
