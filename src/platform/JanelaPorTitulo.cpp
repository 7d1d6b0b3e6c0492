#include "JanelaPorTitulo.h"

#include "PastaPrograma.h"

#include <QCryptographicHash>

namespace portaris {

QString CanalDaJanela(const QString& titulo) {
    // One installation's windows never answer for another's: the folder is part of the name.
    const QByteArray chave = (PastaPrograma::raiz() + QLatin1Char('\n') + titulo).toUtf8();
    return QStringLiteral("portaris-janela-") +
           QString::fromLatin1(QCryptographicHash::hash(chave, QCryptographicHash::Sha1).toHex().left(20));
}

} // namespace portaris
