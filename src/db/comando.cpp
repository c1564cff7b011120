#include "db/comando.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "db/erro.h"
#include "db/texto.h"

namespace zelprax::db::detalhe {

namespace {

std::tm ParaTm(const DataHora& d) {
    std::tm t{};
    t.tm_year = d.ano - 1900;
    t.tm_mon = d.mes - 1;
    t.tm_mday = d.dia;
    t.tm_hour = d.hora;
    t.tm_min = d.minuto;
    t.tm_sec = d.segundo;
    return t;
}

DataHora DeTm(const std::tm& t) {
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

template <typename T>
T Ler(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void Escrever(std::vector<char>& buf, T v) {
    buf.resize(sizeof v);
    std::memcpy(buf.data(), &v, sizeof v);
}

// Reads the values the server left in the descriptor area into `linha`.
void LerValores(const XSQLDA* da, std::vector<Valor>& linha) {
    linha.clear();
    linha.reserve(da->sqld);
    for (int i = 0; i < da->sqld; ++i) {
        const XSQLVAR& v = da->sqlvar[i];
        if ((v.sqltype & 1) && *v.sqlind < 0) {
            linha.emplace_back(Nulo{});
            continue;
        }
        const char* p = v.sqldata;
        switch (v.sqltype & ~1) {
            case SQL_TEXT:
                linha.emplace_back(DeWin1252(std::string_view(p, static_cast<std::size_t>(v.sqllen))));
                break;
            case SQL_VARYING: {
                const auto n = Ler<unsigned short>(p);
                linha.emplace_back(DeWin1252(std::string_view(p + 2, n)));
                break;
            }
            case SQL_SHORT: linha.emplace_back(Decimal{Ler<short>(p), v.sqlscale}); break;
            case SQL_LONG: linha.emplace_back(Decimal{Ler<ISC_LONG>(p), v.sqlscale}); break;
            case SQL_INT64: linha.emplace_back(Decimal{Ler<ISC_INT64>(p), v.sqlscale}); break;
            case SQL_FLOAT: linha.emplace_back(static_cast<double>(Ler<float>(p))); break;
            case SQL_DOUBLE:
            case SQL_D_FLOAT: linha.emplace_back(Ler<double>(p)); break;
            case SQL_BOOLEAN: linha.emplace_back(Decimal{p[0] != 0 ? 1 : 0, 0}); break;
            case SQL_TYPE_DATE: {
                ISC_DATE d = Ler<ISC_DATE>(p);
                std::tm t{};
                isc_decode_sql_date(&d, &t);
                linha.emplace_back(Data{DeTm(t)});
                break;
            }
            case SQL_TIMESTAMP: {
                ISC_TIMESTAMP ts = Ler<ISC_TIMESTAMP>(p);
                std::tm t{};
                isc_decode_timestamp(&ts, &t);
                linha.emplace_back(Instante{DeTm(t)});
                break;
            }
            case SQL_TYPE_TIME: {
                ISC_TIME h = Ler<ISC_TIME>(p);
                std::tm t{};
                isc_decode_sql_time(&h, &t);
                linha.emplace_back(Instante{DeTm(t)});
                break;
            }
            default: linha.emplace_back(Nulo{}); break;  // blobs and arrays: never read by the run
        }
    }
}

}  // namespace

AreaDescritora::AreaDescritora(int variaveis) { Redimensionar(variaveis); }

void AreaDescritora::Redimensionar(int variaveis) {
    if (variaveis < 1) variaveis = 1;
    const std::size_t tamanho = XSQLDA_LENGTH(variaveis);
    memoria_ = std::make_unique<std::byte[]>(tamanho);
    std::memset(memoria_.get(), 0, tamanho);
    Ptr()->version = SQLDA_VERSION1;
    Ptr()->sqln = static_cast<short>(variaveis);
    dados_.clear();
    indicadores_.clear();
}

void AreaDescritora::AlocarDados() {
    XSQLDA* da = Ptr();
    dados_.assign(da->sqld, {});
    indicadores_.assign(da->sqld, 0);
    for (int i = 0; i < da->sqld; ++i) {
        XSQLVAR& v = da->sqlvar[i];
        std::size_t tamanho = v.sqllen;
        if ((v.sqltype & ~1) == SQL_VARYING) tamanho += 2;
        dados_[i].assign(tamanho + 8, 0);
        v.sqldata = dados_[i].data();
        v.sqlind = &indicadores_[i];
    }
}

Comando::Comando(BancoDados& banco) : banco_(banco) {}

Comando::~Comando() {
    if (handle_ != 0) {
        ISC_STATUS_ARRAY status;
        isc_dsql_free_statement(status, &handle_, DSQL_drop);
    }
}

void Comando::Preparar(Transacao& transacao, const std::string& texto) {
    ISC_STATUS_ARRAY status;
    if (handle_ == 0) {
        isc_dsql_allocate_statement(status, banco_.Handle(), &handle_);
        Verificar(status, texto);
    }
    texto_ = texto;
    forma_.reset();
    const std::string bytes = ParaWin1252(texto);
    saida_.Redimensionar(20);
    ++EstatisticasDoProcesso().preparacoes;
    isc_dsql_prepare(status, transacao.Handle(), &handle_, 0, bytes.c_str(), SQL_DIALECT_V6, saida_.Ptr());
    Verificar(status, texto);

    const char itens[] = {isc_info_sql_stmt_type};
    char resposta[16] = {};
    isc_dsql_sql_info(status, &handle_, sizeof itens, itens, sizeof resposta, resposta);
    Verificar(status, texto);
    tipo_ = 0;
    if (resposta[0] == isc_info_sql_stmt_type) {
        const short tamanho = static_cast<short>(isc_vax_integer(resposta + 1, 2));
        tipo_ = static_cast<int>(isc_vax_integer(resposta + 3, tamanho));
    }

    if (saida_.Ptr()->sqld > saida_.Ptr()->sqln) {
        const int n = saida_.Ptr()->sqld;
        saida_.Redimensionar(n);
        isc_dsql_describe(status, &handle_, SQL_DIALECT_V6, saida_.Ptr());
        Verificar(status, texto);
    }
    saida_.AlocarDados();
    auto forma = std::make_shared<FormaResultado>();
    for (int i = 0; i < saida_.Ptr()->sqld; ++i) {
        const XSQLVAR& v = saida_.Ptr()->sqlvar[i];
        forma->colunas.push_back({v.sqltype, v.sqlscale, v.sqlsubtype, v.sqllen,
                                  std::string(v.aliasname, static_cast<std::size_t>(v.aliasname_length))});
        forma->indices.emplace(Maiusculas(forma->colunas.back().nome), static_cast<std::size_t>(i));
    }
    forma_ = std::move(forma);

    entrada_.Redimensionar(20);
    isc_dsql_describe_bind(status, &handle_, SQL_DIALECT_V6, entrada_.Ptr());
    Verificar(status, texto);
    if (entrada_.Ptr()->sqld > entrada_.Ptr()->sqln) {
        const int n = entrada_.Ptr()->sqld;
        entrada_.Redimensionar(n);
        isc_dsql_describe_bind(status, &handle_, SQL_DIALECT_V6, entrada_.Ptr());
        Verificar(status, texto);
    }
    const int n = entrada_.Ptr()->sqld;
    dadosEntrada_.assign(n, {});
    indicadoresEntrada_.assign(n, -1);
    tiposDescritos_.assign(n, 0);
    tamanhosDescritos_.assign(n, 0);
    for (int i = 0; i < n; ++i) {
        XSQLVAR& v = entrada_.Ptr()->sqlvar[i];
        tiposDescritos_[i] = v.sqltype;
        tamanhosDescritos_[i] = v.sqllen;
        DefinirParametro(i, Nulo{});
    }
}

bool Comando::DefinirParametro(int i, const Valor& valor) {
    XSQLVAR& v = entrada_.Ptr()->sqlvar[i];
    std::vector<char>& buf = dadosEntrada_[i];
    short& ind = indicadoresEntrada_[i];
    v.sqlind = &ind;
    v.sqlscale = 0;
    v.sqlsubtype = 0;
    ind = 0;
    bool cortado = false;
    if (std::holds_alternative<Nulo>(valor)) {
        v.sqltype = static_cast<short>(tiposDescritos_[i] | 1);
        v.sqllen = tamanhosDescritos_[i];
        buf.assign(static_cast<std::size_t>(v.sqllen) + 8, 0);
        ind = -1;
    } else if (auto d = std::get_if<Decimal>(&valor)) {
        v.sqltype = SQL_INT64 | 1;
        v.sqlscale = static_cast<short>(d->escala);
        v.sqllen = sizeof(ISC_INT64);
        Escrever<ISC_INT64>(buf, d->numero);
    } else if (auto f = std::get_if<double>(&valor)) {
        v.sqltype = SQL_DOUBLE | 1;
        v.sqllen = sizeof(double);
        Escrever<double>(buf, *f);
    } else if (auto s = std::get_if<std::string>(&valor)) {
        std::string bytes = ParaWin1252(*s);
        const short tipo = static_cast<short>(tiposDescritos_[i] & ~1);
        if ((tipo == SQL_VARYING || tipo == SQL_TEXT) && bytes.size() > static_cast<std::size_t>(tamanhosDescritos_[i])) {
            bytes.resize(static_cast<std::size_t>(tamanhosDescritos_[i]));
            cortado = true;
        }
        v.sqltype = SQL_TEXT | 1;
        v.sqllen = static_cast<short>(bytes.size());
        buf.assign(bytes.begin(), bytes.end());
        buf.push_back('\0');
    } else if (auto d = std::get_if<Data>(&valor)) {
        std::tm t = ParaTm(d->valor);
        ISC_DATE data;
        isc_encode_sql_date(&t, &data);
        v.sqltype = SQL_TYPE_DATE | 1;
        v.sqllen = sizeof data;
        Escrever<ISC_DATE>(buf, data);
    } else if (auto instante = std::get_if<Instante>(&valor)) {
        std::tm t = ParaTm(instante->valor);
        ISC_TIMESTAMP ts;
        isc_encode_timestamp(&t, &ts);
        v.sqltype = SQL_TIMESTAMP | 1;
        v.sqllen = sizeof ts;
        Escrever<ISC_TIMESTAMP>(buf, ts);
    }
    v.sqldata = buf.data();
    return cortado;
}

void Comando::Executar(Transacao& transacao) {
    ContarOperacao(texto_);
    ++EstatisticasDoProcesso().comandos;
    ISC_STATUS_ARRAY status;
    isc_dsql_execute(status, transacao.Handle(), &handle_, SQL_DIALECT_V6,
                     entrada_.Ptr()->sqld > 0 ? entrada_.Ptr() : nullptr);
    Verificar(status, texto_);
}

bool Comando::Buscar(std::vector<Valor>& linha) {
    ISC_STATUS_ARRAY status;
    const ISC_STATUS r = isc_dsql_fetch(status, &handle_, SQL_DIALECT_V6, saida_.Ptr());
    if (r == 100) return false;
    Verificar(status, texto_);
    LerValores(saida_.Ptr(), linha);
    return true;
}

void Comando::FecharCursor() noexcept {
    if (handle_ == 0) return;
    ISC_STATUS_ARRAY status;
    isc_dsql_free_statement(status, &handle_, DSQL_close);
}

namespace {

bool LetraDeNome(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
}

// The statement's first word, in lower case.
std::string PrimeiraPalavra(const std::string& texto) {
    std::size_t i = 0;
    while (i < texto.size() && std::isspace(static_cast<unsigned char>(texto[i]))) ++i;
    std::size_t fim = i;
    while (fim < texto.size() && LetraDeNome(texto[fim])) ++fim;
    return Minusculas(texto.substr(i, fim - i));
}

}  // namespace

std::size_t FimDoTrechoLiteral(const std::string& texto, std::size_t i) {
    const char c = texto[i];
    if (c == '\'' || c == '"') {  // a literal or a quoted name, up to its closing quote ('' inside)
        std::size_t fim = i + 1;
        while (fim < texto.size()) {
            if (texto[fim] == c) {
                if (fim + 1 < texto.size() && texto[fim + 1] == c) {
                    fim += 2;
                    continue;
                }
                break;
            }
            ++fim;
        }
        return std::min(fim + 1, texto.size());
    }
    if (c == '-' && i + 1 < texto.size() && texto[i + 1] == '-') return std::min(texto.find('\n', i), texto.size());
    if (c == '/' && i + 1 < texto.size() && texto[i + 1] == '*') {
        const std::size_t fim = texto.find("*/", i + 2);
        return fim == std::string::npos ? texto.size() : fim + 2;
    }
    return i;
}

bool ComandoDeTransacao(const std::string& texto) {
    const std::string palavra = PrimeiraPalavra(texto);
    return palavra == "commit" || palavra == "rollback";
}

std::string FormaDaSelecao(const std::string& texto) {
    if (PrimeiraPalavra(texto) != "select") return {};
    std::string forma;
    forma.reserve(texto.size());
    int profundidade = 0;
    bool condicoes = false;
    for (std::size_t i = 0; i < texto.size();) {
        const char c = texto[i];
        if (const std::size_t fim = FimDoTrechoLiteral(texto, i); fim != i) {
            if (condicoes && c == '\'')
                forma += '\x01';
            else
                forma.append(texto, i, fim - i);
            i = fim;
        } else if (LetraDeNome(c) && std::isdigit(static_cast<unsigned char>(c)) == 0) {
            std::size_t fim = i;
            while (fim < texto.size() && LetraDeNome(texto[fim])) ++fim;
            const std::string palavra = Minusculas(texto.substr(i, fim - i));
            if (palavra == "union") return {};
            // q'{...}' quotes with a delimiter of its choosing, which the reading of literals here
            // does not follow: no shape rather than a wrong one.
            if (palavra == "q" && fim < texto.size() && texto[fim] == '\'') return {};
            if (profundidade == 0 && palavra == "where") condicoes = true;
            forma.append(texto, i, fim - i);
            i = fim;
        } else if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            std::size_t fim = i;
            while (fim < texto.size() && (std::isdigit(static_cast<unsigned char>(texto[fim])) != 0 || texto[fim] == '.'))
                ++fim;
            if (condicoes)
                forma += '\x02';
            else
                forma.append(texto, i, fim - i);
            i = fim;
        } else {
            if (c == '?' || c == ':') return {};  // parameters are set apart from the text
            if (c == '(') ++profundidade;
            if (c == ')') --profundidade;
            forma += c;
            ++i;
        }
    }
    return forma;
}

LinhaUnica ExecutarLinhaUnica(BancoDados& banco, Transacao& transacao, const std::string& texto,
                              const FormaResultado& forma, std::vector<Valor>& linha) {
    ContarOperacao(texto);
    const int n = static_cast<int>(forma.colunas.size());
    AreaDescritora saida(n);
    saida.Ptr()->sqld = static_cast<short>(n);
    for (int i = 0; i < n; ++i) {
        const auto& coluna = forma.colunas[static_cast<std::size_t>(i)];
        XSQLVAR& v = saida.Ptr()->sqlvar[i];
        v.sqltype = static_cast<short>(coluna.tipo | 1);
        v.sqlscale = coluna.escala;
        v.sqlsubtype = coluna.subtipo;
        v.sqllen = coluna.tamanho;
    }
    saida.AlocarDados();
    ISC_STATUS_ARRAY status;
    const std::string bytes = ParaWin1252(texto);
    isc_tr_handle* tr = transacao.Handle();
    isc_dsql_exec_immed2(status, banco.Handle(), tr, 0, bytes.c_str(), SQL_DIALECT_V6, nullptr,
                         saida.Ptr());
    // A try that found more rows is not counted as a statement: the usual way runs it next.
    if (status[0] == 1 && status[1] == isc_sing_select_err) return LinhaUnica::Varias;
    ++EstatisticasDoProcesso().comandos;
    if (status[0] == 1 && status[1] == isc_stream_eof) return LinhaUnica::Nenhuma;
    Verificar(status, texto);
    LerValores(saida.Ptr(), linha);
    return LinhaUnica::Linha;
}

bool ComandoSemResultado(const std::string& texto) {
    const std::string palavra = PrimeiraPalavra(texto);
    return (palavra == "insert" || palavra == "update" || palavra == "delete") &&
           Minusculas(texto).find("returning") == std::string::npos;
}

void ExecutarSemPreparar(BancoDados& banco, Transacao& transacao, const std::string& texto) {
    ContarOperacao(texto);
    ++EstatisticasDoProcesso().comandos;
    ISC_STATUS_ARRAY status;
    const std::string bytes = ParaWin1252(texto);
    isc_tr_handle* tr = transacao.Handle();
    isc_dsql_execute_immediate(status, banco.Handle(), tr, 0, bytes.c_str(), SQL_DIALECT_V6, nullptr);
    Verificar(status, texto);
}

void ExecutarImediato(Transacao& transacao, const std::string& texto) {
    ContarOperacao(texto);
    const bool confirmacao = PrimeiraPalavra(texto) == "commit";
    // A preview's statements stay uncommitted, whoever asks for a commit; what waits for the
    // commit runs where it would have come.
    if (transacao.Banco() != nullptr && transacao.Banco()->Simulacao()) {
        if (confirmacao) transacao.Confirmado();
        return;
    }
    ++EstatisticasDoProcesso().comandos;
    ISC_STATUS_ARRAY status;
    const std::string bytes = ParaWin1252(texto);
    isc_tr_handle* tr = transacao.Handle();
    isc_dsql_execute_immediate(status, transacao.Banco()->Handle(), tr, 0, bytes.c_str(), SQL_DIALECT_V6, nullptr);
    Verificar(status, texto);
    if (confirmacao) transacao.Confirmado();
}

}  // namespace zelprax::db::detalhe
