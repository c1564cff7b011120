#include "db/criacao.h"

#include <fstream>
#include <sstream>
#include <vector>

#include <ibase.h>

#include "db/banco.h"
#include "db/consulta.h"
#include "db/erro.h"
#include "db/sql.h"
#include "db/texto.h"

namespace zelprax::db {

namespace {

std::vector<std::string> Comandos(const std::string& arquivoSql) {
    std::ifstream entrada(arquivoSql);
    if (!entrada) throw ErroBanco("Não foi possível ler " + arquivoSql, {});
    std::vector<std::string> comandos;
    std::string linha, atual;
    while (std::getline(entrada, linha)) {
        const std::string aparada = Aparar(linha);
        if (aparada.empty() || aparada.rfind("--", 0) == 0) continue;
        atual += linha + "\n";
        if (aparada.back() == ';') {
            atual.erase(atual.rfind(';'));
            comandos.push_back(atual);
            atual.clear();
        }
    }
    if (!Aparar(atual).empty()) comandos.push_back(atual);
    return comandos;
}

}  // namespace

void CriarBancoDeDados(const std::string& conexao, const std::string& arquivoSql, const std::string& usuario,
                       const std::string& senha) {
    const std::vector<std::string> comandos = Comandos(arquivoSql);
    {
        const std::string criar = "create database " + TextoSQL(conexao) + " user " + TextoSQL(usuario) +
                                  " password " + TextoSQL(senha) + " page_size 8192 default character set WIN1252";
        isc_db_handle db = 0;
        isc_tr_handle tr = 0;
        ISC_STATUS_ARRAY status;
        isc_dsql_execute_immediate(status, &db, &tr, 0, criar.c_str(), SQL_DIALECT_V6, nullptr);
        Verificar(status, criar);
        isc_detach_database(status, &db);
        Verificar(status);
    }
    BancoDados banco;
    banco.DefinirUsuario(usuario, senha);
    banco.DefinirNomeBanco(conexao);
    banco.Abrir();
    Consulta consulta;
    consulta.Anexar(&banco);
    for (const std::string& comando : comandos) {
        consulta.DefinirSQL(comando);
        consulta.Executar();
        banco.TransacaoPadrao().Commit();
    }
    banco.Fechar(true);
}

}  // namespace zelprax::db
