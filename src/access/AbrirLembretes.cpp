#include "AbrirLembretes.h"

#include "platform/JanelaPorTitulo.h"
#include "platform/PastaPrograma.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>

namespace portaris {

QString ProgramaLembretes() {
    const QString instalado = PastaPrograma::caminho(QStringLiteral("Lembretes"));
    if (QFileInfo(instalado).isExecutable()) return instalado;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/lembretes");
}

bool AbrirLembretes(int chave, const QString& nome) {
    if (chave != 0) {
        QLocalSocket s;
        s.connectToServer(CanalDaJanela(nome));
        if (s.waitForConnected(200)) {
            s.write("frente\n");
            s.waitForBytesWritten(200);
            s.disconnectFromServer();
            return true;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QStringList argumentos = chave != 0 ? QStringList{QString::number(chave)} : QStringList{};
    QProcess::startDetached(ProgramaLembretes(), argumentos);
    QApplication::restoreOverrideCursor();
    return false;
}

} // namespace portaris
