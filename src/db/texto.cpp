#include "db/texto.h"

#include <array>
#include <cctype>
#include <cstdint>

namespace zelprax::db {

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 where the code page leaves the byte undefined.
constexpr std::array<char32_t, 32> kFaixa80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AcrescentarUtf8(std::string& saida, char32_t c) {
    if (c < 0x80) {
        saida += static_cast<char>(c);
    } else if (c < 0x800) {
        saida += static_cast<char>(0xC0 | (c >> 6));
        saida += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        saida += static_cast<char>(0xE0 | (c >> 12));
        saida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        saida += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        saida += static_cast<char>(0xF0 | (c >> 18));
        saida += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        saida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        saida += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char ByteWin1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < kFaixa80.size(); ++i)
        if (kFaixa80[i] == c && c != 0) return static_cast<char>(0x80 + i);
    return '?';
}

// Whether the bytes are well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing past U+10FFFF.
bool Utf8Valido(std::string_view texto) {
    for (std::size_t i = 0; i < texto.size();) {
        const auto b = static_cast<unsigned char>(texto[i]);
        int extra;
        char32_t c, minimo;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, c = b & 0x1F, minimo = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, c = b & 0x0F, minimo = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, c = b & 0x07, minimo = 0x10000;
        } else {
            return false;
        }
        if (texto.size() - i <= static_cast<std::size_t>(extra)) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(texto[i + k]);
            if ((cont & 0xC0) != 0x80) return false;
            c = (c << 6) | (cont & 0x3F);
        }
        if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

std::string DoCliente(std::string_view texto) {
    return Utf8Valido(texto) ? std::string(texto) : DeWin1252(texto);
}

std::string ParaWin1252(std::string_view utf8) {
    std::string saida;
    saida.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else {
            saida += '?';  // a stray continuation byte or an invalid lead byte
            ++i;
            continue;
        }
        bool valido = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= utf8.size()) {
                valido = false;
                break;
            }
            const auto cont = static_cast<unsigned char>(utf8[i + k]);
            if ((cont & 0xC0) != 0x80) {
                valido = false;
                break;
            }
            c = (c << 6) | (cont & 0x3F);
        }
        if (!valido) {
            saida += '?';
            ++i;
            continue;
        }
        saida += ByteWin1252(c);
        i += extra + 1;
    }
    return saida;
}

std::string DeWin1252(std::string_view win1252) {
    std::string saida;
    saida.reserve(win1252.size());
    for (char ch : win1252) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            saida += ch;
        } else if (b < 0xA0) {
            const char32_t c = kFaixa80[b - 0x80];
            AcrescentarUtf8(saida, c == 0 ? char32_t{0xFFFD} : c);
        } else {
            AcrescentarUtf8(saida, b);
        }
    }
    return saida;
}

std::string Minusculas(std::string_view texto) {
    std::string s(texto);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Maiusculas(std::string_view texto) {
    std::string s(texto);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Aparar(std::string_view texto) {
    // Delphi's Trim: every control character and blank at either end.
    std::size_t ini = 0, fim = texto.size();
    while (ini < fim && static_cast<unsigned char>(texto[ini]) <= ' ') ++ini;
    while (fim > ini && static_cast<unsigned char>(texto[fim - 1]) <= ' ') --fim;
    return std::string(texto.substr(ini, fim - ini));
}

}  // namespace zelprax::db
