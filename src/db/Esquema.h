#pragma once
// Creating a Portaris database from the schema compiled into the program.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace portaris {

class Banco;

// Splits a script into statements, following "SET TERM" and skipping strings and comments.
QStringList DividirScript(const QString& script);

// Creates the file `arquivo` with every table, generator, trigger, procedure and the seed.
// Refuses (ErroBanco) when the file already exists; a half-made file is removed.
void CriarBanco(const QString& arquivo, const QString& usuario = QStringLiteral("SYSDBA"),
                const QString& senha = QStringLiteral("masterkey"));

// Schema versions. Version 1 is the schema of the scripts in schema/ (never edited again: they made
// the databases of the stations installed first); each later version is one step of its own in
// schema/atualizacoes/NNN_name.sql, run in one transaction, and recorded in VERSAO_ESQUEMA with the
// oldest program version that can still work on it (a step that only adds things keeps it; its
// first line says "-- compativel: N"). A new database is version 1 plus every step, so new and
// upgraded databases are the same. A step must not use in a statement what another of its own
// statements creates: the engine makes new objects usable only once their transaction commits.
inline constexpr int VersaoEsquema = 3;

struct PassoEsquema {
    int versao = 0;
    QString nome;
    int compativel = 1; // oldest program version that works on the database after this step
    QString script;
};
// The steps compiled into the program, in order.
QList<PassoEsquema> PassosEsquema();

struct EstadoEsquema {
    int versao = 1;     // 1: a database without VERSAO_ESQUEMA
    int compativel = 1; // oldest program version that works on it
};
EstadoEsquema LerEstadoEsquema(Banco& banco);

// Runs the steps past the database's version, each in its own transaction together with the new
// version row. A step that fails leaves the database at the version before it and throws ErroBanco
// naming the step. `relatorio` gets a line per step.
void AtualizarEsquema(Banco& banco, const QList<PassoEsquema>& passos,
                      const std::function<void(const QString&)>& relatorio = {});

// What a station checks once connected, before it touches a door: a database this program cannot
// work with is refused (both versions named); an older one is upgraded, after a copy through the
// services whose name says it was taken before the upgrade, unless other attachments use it (then
// it is refused, naming how many). Empty when the station may go on. `copia` is where the copy of
// a local database goes; for a database on a server the copy is made beside it, on the server.
struct OpcoesAtualizacao {
    QString usuario, senha;
    QString pastaCopia;   // local databases
    QString arquivoBanco; // the file as the engine that holds it names it
    QString servidor;     // empty: local
    std::function<void(const QString&)> relatorio;
};
QString PrepararEsquema(Banco& banco, const OpcoesAtualizacao& opcoes,
                        const QList<PassoEsquema>& passos = PassosEsquema());
// Other user attachments to the database, read in a transaction of its own.
int OutrasConexoes(Banco& banco);

// The `--criar-banco [file]` command of the program: creates the file (default: the configured
// local database file) and returns the exit code, with a clear line on stdout or stderr.
int ComandoCriarBanco(const QStringList& argumentos);

// A station set to a local database whose file does not exist yet gets it created; an empty text
// when nothing was needed or it worked, otherwise what went wrong.
QString CriarBancoLocalSeFaltar();

} // namespace portaris
