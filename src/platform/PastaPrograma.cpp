#include "PastaPrograma.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace portaris::PastaPrograma {

QString raiz() {
    QString r = qEnvironmentVariable("PORTARIS_HOME");
    if (r.isEmpty()) r = QDir::homePath() + QStringLiteral("/Portaris");
    QDir().mkpath(r);
    return QDir::cleanPath(r);
}

QString caminho(const QString& relativo) { return raiz() + QLatin1Char('/') + relativo; }

QString garantir() {
    const QString r = raiz();
    QDir d(r);
    if (!d.exists())
        return QStringLiteral("Não foi possível criar a pasta do programa %1. Crie-a ou indique outra em "
                              "PORTARIS_HOME.")
            .arg(r);
    for (const char* sub : {"AreaTemp", "Relatorios", "Sons", "copia"})
        if (!d.mkpath(QString::fromLatin1(sub)))
            return QStringLiteral("Não foi possível criar %1 na pasta do programa %2 (sem permissão de escrita?).")
                .arg(QString::fromLatin1(sub), r);
    QFile teste(d.filePath(QStringLiteral(".gravavel")));
    if (!teste.open(QIODevice::WriteOnly))
        return QStringLiteral("A pasta do programa %1 não aceita gravação: %2.").arg(r, teste.errorString());
    teste.close();
    teste.remove();
    return {};
}

QString traduzir(const QString& caminhoWindows) {
    QString p = caminhoWindows;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QString prefixo = QStringLiteral("c:/portaris");
    if (p.compare(prefixo, Qt::CaseInsensitive) == 0) return raiz();
    if (p.startsWith(prefixo + QLatin1Char('/'), Qt::CaseInsensitive))
        return raiz() + p.mid(prefixo.size());
    return caminhoWindows;
}

} // namespace portaris::PastaPrograma
