#include "Codec1252.h"

namespace portaris::Codec1252 {

namespace {
// 0x80–0x9F; zero marks the five bytes the code page leaves undefined.
constexpr char16_t k80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

QByteArray codificar(const QString& texto) {
    QByteArray out;
    out.reserve(texto.size());
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        char b = '?';
        for (int i = 0; i < 32; ++i)
            if (k80[i] == u || (k80[i] == 0 && u == 0x80 + i)) {
                b = static_cast<char>(0x80 + i);
                break;
            }
        out.append(b);
    }
    return out;
}

QString decodificar(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0 && k80[b - 0x80] != 0)
            out.append(QChar(k80[b - 0x80]));
        else
            out.append(QChar(b));
    }
    return out;
}

} // namespace portaris::Codec1252
