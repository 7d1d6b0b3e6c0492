#include "Estacao.h"

#include "ArquivoIni.h"

#include <sys/statvfs.h>

namespace portaris {

QString formatarIdentificador(quint32 serial) {
    return QStringLiteral("%1").arg(serial, 8, 16, QLatin1Char('0')).toUpper();
}

QString IdentificadorEstacao(const QString& /*unidade*/) {
    const QString fixo = qEnvironmentVariable("PORTARIS_ESTACAO");
    if (!fixo.isEmpty()) return fixo;
    struct statvfs info {};
    if (statvfs("/", &info) != 0) return {};
    return formatarIdentificador(static_cast<quint32>(info.f_fsid & 0xFFFFFFFFu));
}

QString CaminhoPortaSerial(int numero) {
    if (numero < 1 || numero > 9) return {};
    const QString caminho = ArquivoIni::config().LerTexto(QStringLiteral("portas"),
                                                          QStringLiteral("com%1").arg(numero), QString());
    return caminho.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(numero - 1) : caminho;
}

} // namespace portaris
