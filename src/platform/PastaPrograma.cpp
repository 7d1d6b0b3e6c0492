#include "PastaPrograma.h"

#include <QDir>
#include <QStandardPaths>

namespace portaris::PastaPrograma {

QString raiz() {
    QString r = qEnvironmentVariable("PORTARIS_HOME");
    if (r.isEmpty()) r = QDir::homePath() + QStringLiteral("/Portaris");
    QDir().mkpath(r);
    return QDir::cleanPath(r);
}

QString caminho(const QString& relativo) { return raiz() + QLatin1Char('/') + relativo; }

void garantir() {
    QDir d(raiz());
    for (const char* sub : {"AreaTemp", "Relatorios", "Sons", "copia"}) d.mkpath(QString::fromLatin1(sub));
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
