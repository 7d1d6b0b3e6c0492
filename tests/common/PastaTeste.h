#pragma once
// A fresh program folder for one test: PORTARIS_HOME points into a temporary directory.
#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

class PastaTeste {
public:
    PastaTeste() {
        m_anterior = qgetenv("PORTARIS_HOME");
        qputenv("PORTARIS_HOME", m_dir.path().toUtf8());
    }
    ~PastaTeste() {
        if (m_anterior.isEmpty())
            qunsetenv("PORTARIS_HOME");
        else
            qputenv("PORTARIS_HOME", m_anterior);
    }
    QString caminho(const QString& relativo = {}) const {
        return relativo.isEmpty() ? m_dir.path() : m_dir.path() + QLatin1Char('/') + relativo;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_anterior;
};
