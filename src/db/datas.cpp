#include "db/datas.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace zelprax::db {

DataHora SomarDias(const DataHora& d, int dias) {
    using namespace std::chrono;
    const sys_days base = year_month_day{year{d.ano}, month{static_cast<unsigned>(d.mes)},
                                         day{static_cast<unsigned>(d.dia)}};
    const year_month_day r{base + days{dias}};
    return {int(r.year()), int(unsigned(r.month())), int(unsigned(r.day())), d.hora, d.minuto, d.segundo};
}

std::string FormatarDataHoraTela(const DataHora& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", d.dia, d.mes, d.ano, d.hora,
                  d.minuto, d.segundo);
    return buf;
}

std::string FormatarDataHoraCurta(const DataHora& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d", d.dia, d.mes, d.ano, d.hora, d.minuto);
    return buf;
}

bool LerDataHoraTela(const std::string& texto, DataHora& saida) {
    DataHora d;
    char resto = 0;
    const int lidos = std::sscanf(texto.c_str(), "%d/%d/%d %d:%d:%d%c", &d.dia, &d.mes, &d.ano,
                                  &d.hora, &d.minuto, &d.segundo, &resto);
    if (lidos != 6 && lidos != 5) return false;
    using namespace std::chrono;
    const year_month_day ymd{year{d.ano}, month{static_cast<unsigned>(d.mes)},
                             day{static_cast<unsigned>(d.dia)}};
    if (!ymd.ok() || d.hora < 0 || d.hora > 23 || d.minuto < 0 || d.minuto > 59 || d.segundo < 0 ||
        d.segundo > 59)
        return false;
    saida = d;
    return true;
}

DataHora DataHoraLocal(std::time_t instante) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &instante);
#else
    localtime_r(&instante, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

DataHora Relogio::Agora() const { return DataHoraLocal(std::time(nullptr)); }

Relogio& RelogioDoSistema() {
    static Relogio relogio;
    return relogio;
}

}  // namespace zelprax::db
