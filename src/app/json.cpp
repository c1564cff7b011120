#include "app/json.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "db/texto.h"

namespace zelprax::monitor {

namespace {

class Leitor {
public:
    explicit Leitor(const std::string& texto) : t_(texto) {}

    Json Documento() {
        Json v = Valor();
        Brancos();
        if (i_ != t_.size()) Erro("texto depois do valor");
        return v;
    }

private:
    [[noreturn]] void Erro(const std::string& o) const {
        throw std::runtime_error("JSON inválido na posição " + std::to_string(i_) + ": " + o);
    }
    void Brancos() {
        while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\n' || t_[i_] == '\r' || t_[i_] == '\t')) ++i_;
    }
    bool Consumir(char c) {
        Brancos();
        if (i_ < t_.size() && t_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    void Esperar(char c) {
        if (!Consumir(c)) Erro(std::string("esperava '") + c + "'");
    }
    void Palavra(const std::string& p) {
        if (t_.compare(i_, p.size(), p) != 0) Erro("esperava " + p);
        i_ += p.size();
    }

    Json Valor() {
        Brancos();
        if (i_ >= t_.size()) Erro("fim inesperado");
        const char c = t_[i_];
        if (c == '{') return Objeto();
        if (c == '[') return Lista();
        if (c == '"') return Json{Texto()};
        if (c == 't') return Palavra("true"), Json{true};
        if (c == 'f') return Palavra("false"), Json{false};
        if (c == 'n') return Palavra("null"), Json{nullptr};
        return Json{Numero()};
    }

    Json Objeto() {
        auto objeto = std::make_shared<ObjetoJson>();
        Esperar('{');
        if (!Consumir('}')) {
            do {
                Brancos();
                if (i_ >= t_.size() || t_[i_] != '"') Erro("esperava o nome de um membro");
                std::string nome = Texto();
                Esperar(':');
                if (!objeto->emplace(nome, Valor()).second) Erro("membro repetido: " + nome);
            } while (Consumir(','));
            Esperar('}');
        }
        return Json{objeto};
    }

    Json Lista() {
        auto lista = std::make_shared<ListaJson>();
        Esperar('[');
        if (!Consumir(']')) {
            do lista->push_back(Valor());
            while (Consumir(','));
            Esperar(']');
        }
        return Json{lista};
    }

    std::string Texto() {
        ++i_;  // the opening quote
        std::string s;
        while (true) {
            if (i_ >= t_.size()) Erro("texto sem fim");
            const unsigned char c = static_cast<unsigned char>(t_[i_++]);
            if (c == '"') return s;
            if (c < 0x20) Erro("caractere de controle dentro de um texto");
            if (c != '\\') {
                s += static_cast<char>(c);
                continue;
            }
            if (i_ >= t_.size()) Erro("escape sem fim");
            const char e = t_[i_++];
            switch (e) {
                case '"': s += '"'; break;
                case '\\': s += '\\'; break;
                case '/': s += '/'; break;
                case 'b': s += '\b'; break;
                case 'f': s += '\f'; break;
                case 'n': s += '\n'; break;
                case 'r': s += '\r'; break;
                case 't': s += '\t'; break;
                case 'u': {
                    if (i_ + 4 > t_.size()) Erro("escape \\u incompleto");
                    const unsigned long cp = std::strtoul(t_.substr(i_, 4).c_str(), nullptr, 16);
                    i_ += 4;
                    if (cp >= 0x80) Erro("escape \\u fora do ASCII");  // the runner never writes one
                    s += static_cast<char>(cp);
                    break;
                }
                default: Erro("escape desconhecido");
            }
        }
    }

    double Numero() {
        const std::size_t inicio = i_;
        if (i_ < t_.size() && t_[i_] == '-') ++i_;
        auto digitos = [this] {
            const std::size_t antes = i_;
            while (i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9') ++i_;
            return i_ > antes;
        };
        if (!digitos()) Erro("número inválido");
        if (i_ < t_.size() && t_[i_] == '.') {
            ++i_;
            if (!digitos()) Erro("número inválido");
        }
        if (i_ < t_.size() && (t_[i_] == 'e' || t_[i_] == 'E')) {
            ++i_;
            if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-')) ++i_;
            if (!digitos()) Erro("número inválido");
        }
        return std::strtod(t_.substr(inicio, i_ - inicio).c_str(), nullptr);
    }

    const std::string& t_;
    std::size_t i_ = 0;
};

// The length of the well-formed UTF-8 sequence at the start of `t`; 0 when it is not one (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, past U+10FFFF).
std::size_t SequenciaUtf8(std::string_view t) {
    const auto b = [&t](std::size_t i) { return static_cast<unsigned char>(t[i]); };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    const std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || t.size() < n) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    if ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) > 0x9F) || (c == 0xF0 && b(1) < 0x90) ||
        (c == 0xF4 && b(1) > 0x8F))
        return 0;
    return n;
}

}  // namespace

Json LerJson(const std::string& texto) { return Leitor(texto).Documento(); }

std::string TextoJson(const std::string& texto) {
    std::string j = "\"";
    const std::string_view t = texto;
    for (std::size_t i = 0; i < t.size();) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (c >= 0x80) {
            // A byte that is not UTF-8 comes from a text in the ERP's code page (a folder name
            // written in Latin-1, a database message): it is written as that character, so that
            // the line stays UTF-8 that every tool reads.
            const std::size_t n = SequenciaUtf8(t.substr(i));
            j += n > 0 ? std::string(t.substr(i, n)) : db::DeWin1252(t.substr(i, 1));
            i += n > 0 ? n : 1;
            continue;
        }
        ++i;
        switch (c) {
            case '"': j += "\\\""; break;
            case '\\': j += "\\\\"; break;
            case '\n': j += "\\n"; break;
            case '\r': j += "\\r"; break;
            case '\t': j += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    j += buf;
                } else {
                    j += static_cast<char>(c);
                }
        }
    }
    return j + "\"";
}

}  // namespace zelprax::monitor
