#pragma once
// One record of the remote-control protocol, in either direction: 261 bytes, six fields, each a length
// byte followed by its room, characters in Windows-1252. Shared by the server and portaris-remoto.
#include <QByteArray>
#include <QString>
#include <array>

namespace portaris {

struct RegistroRemoto {
    static constexpr int Tamanho = 261;
    enum Campo { Comando, Texto, Nome, Origem, Observacao, Destino, Campos };
    // The destination's field carries the password of a LOGIN.
    static constexpr Campo Senha = Destino;
    static constexpr std::array<int, Campos> Posicao{0, 11, 112, 183, 209, 235};
    static constexpr std::array<int, Campos> Espaco{10, 100, 70, 25, 25, 25};

    std::array<QString, Campos> campos;
    // Fields whose length byte claimed more than their room (decoding only).
    int comprimentosCortados = 0;

    const QString& operator[](Campo c) const { return campos[c]; }
    QString& operator[](Campo c) { return campos[c]; }

    // `bytes` holds one whole record. A length byte larger than its field's room counts as the room,
    // so a field never reaches into the next one.
    static RegistroRemoto decodificar(const QByteArray& bytes);
    // 261 bytes; a text longer than its room is cut to it, the rest of every room is zero.
    QByteArray codificar() const;

    static RegistroRemoto resposta(const QString& comando, const QString& texto) {
        RegistroRemoto r;
        r[Comando] = comando;
        r[Texto] = texto;
        return r;
    }
};

} // namespace portaris
