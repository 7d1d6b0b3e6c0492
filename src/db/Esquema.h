#pragma once
// Creating a Portaris database from the schema compiled into the program.
#include <QString>
#include <QStringList>

namespace portaris {

class Banco;

// Splits a script into statements, following "SET TERM" and skipping strings and comments.
QStringList DividirScript(const QString& script);

// Creates the file `arquivo` with every table, generator, trigger, procedure and the seed.
// Refuses (ErroBanco) when the file already exists; a half-made file is removed.
void CriarBanco(const QString& arquivo, const QString& usuario = QStringLiteral("SYSDBA"),
                const QString& senha = QStringLiteral("masterkey"));

// The `--criar-banco [file]` command of the program: creates the file (default: the configured
// local database file) and returns the exit code, with a clear line on stdout or stderr.
int ComandoCriarBanco(const QStringList& argumentos);

// A station set to a local database whose file does not exist yet gets it created; an empty text
// when nothing was needed or it worked, otherwise what went wrong.
QString CriarBancoLocalSeFaltar();

} // namespace portaris
