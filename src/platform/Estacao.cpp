#include "Estacao.h"

#include "ArquivoIni.h"

#include <algorithm>
#include <sys/statvfs.h>

namespace portaris {

QString formatarIdentificador(quint32 serial) {
    return QStringLiteral("%1").arg(serial, 8, 16, QLatin1Char('0')).toUpper();
}

QString IdentificadorEstacao(const QString& /*unidade*/) {
    const QString fixo = qEnvironmentVariable("PORTARIS_ESTACAO");
    if (!fixo.isEmpty()) {
        const bool hexadecimal = std::all_of(fixo.begin(), fixo.end(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
        });
        if (fixo.size() != 8 || !hexadecimal)
            throw ErroEstacao(QStringLiteral("A variável de ambiente PORTARIS_ESTACAO vale \"%1\", mas o "
                                             "identificador da estação tem oito dígitos hexadecimais "
                                             "(0 a 9, A a F), por exemplo 0000ABCD.")
                                  .arg(fixo));
        return fixo.toUpper();
    }
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
