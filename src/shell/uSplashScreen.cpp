#include "uSplashScreen.h"

#include "platform/PastaPrograma.h"

#include <QFile>
#include <QPainter>

namespace portaris {

QPixmap TfmSPLASH::figura() {
    QPixmap p;
    const QString arquivo = PastaPrograma::caminho(QStringLiteral("Portaris.bmp"));
    if (QFile::exists(arquivo) && p.load(arquivo)) return p;
    p = QPixmap(420, 220);
    p.fill(QColor(211, 235, 188));
    QPainter g(&p);
    g.setPen(QColor(40, 70, 40));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(44);
    f.setBold(true);
    g.setFont(f);
    g.drawText(p.rect().adjusted(0, 0, 0, -40), Qt::AlignCenter, QStringLiteral("PORTARIS"));
    f.setPixelSize(14);
    f.setBold(false);
    g.setFont(f);
    g.drawText(p.rect().adjusted(0, 90, 0, 0), Qt::AlignCenter, QStringLiteral("Controle de acesso — v2.0.0"));
    return p;
}

TfmSPLASH::TfmSPLASH() : QSplashScreen(figura()) { setObjectName(QStringLiteral("fmSPLASH")); }

} // namespace portaris
