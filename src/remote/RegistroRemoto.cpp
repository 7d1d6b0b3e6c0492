#include "RegistroRemoto.h"

#include "platform/Codec1252.h"

namespace portaris {

RegistroRemoto RegistroRemoto::decodificar(const QByteArray& bytes) {
    RegistroRemoto r;
    if (bytes.size() < Tamanho) return r;
    for (int c = 0; c < Campos; ++c) {
        int n = static_cast<unsigned char>(bytes[Posicao[c]]);
        if (n > Espaco[c]) {
            n = Espaco[c];
            ++r.comprimentosCortados;
        }
        r.campos[c] = Codec1252::decodificar(bytes.mid(Posicao[c] + 1, n));
    }
    return r;
}

QByteArray RegistroRemoto::codificar() const {
    QByteArray out(Tamanho, '\0');
    for (int c = 0; c < Campos; ++c) {
        const QByteArray texto = Codec1252::codificar(campos[c]).left(Espaco[c]);
        out[Posicao[c]] = static_cast<char>(texto.size());
        out.replace(Posicao[c] + 1, texto.size(), texto);
    }
    return out;
}

} // namespace portaris
