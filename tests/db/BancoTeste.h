#pragma once
// A fresh database per test: the schema is created once per executable (as the program does)
// and each test works on its own copy, so tests can run in parallel.
#include "db/Esquema.h"
#include "db/Firebird.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class BancoTeste {
public:
    static QString modelo() {
        static QTemporaryDir dir;
        static QString arquivo;
        if (arquivo.isEmpty()) {
            arquivo = dir.path() + QStringLiteral("/modelo.fdb");
            portaris::CriarBanco(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        }
        return arquivo;
    }
    // A copy of the model in `pasta`, returned as its path.
    static QString copia(const QString& pasta, const QString& nome = QStringLiteral("portaris.fdb")) {
        const QString destino = pasta + u'/' + nome;
        QFile::remove(destino);
        if (!QFile::copy(modelo(), destino)) qFatal("copy of the model database failed");
        QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
        return destino;
    }
};

// Connected to its own copy for the life of one test function.
struct BancoAberto {
    QTemporaryDir dir;
    QString arquivo;
    portaris::Banco banco;
    BancoAberto() {
        arquivo = BancoTeste::copia(dir.path());
        banco.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    }
};
