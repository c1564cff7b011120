#include "app/json.h"

#include <cstdio>

#include <cstdlib>
#include <stdexcept>

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

}  // namespace

Json LerJson(const std::string& texto) { return Leitor(texto).Documento(); }

std::string TextoJson(const std::string& texto) {
    std::string j = "\"";
    for (unsigned char c : texto) {
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
