#include "Quadro.h"

#include <cstring>

namespace portaris::quadro {

QByteArray montar(quint8 cabeca, quint8 letra, const quint8* dados, int n) {
    QByteArray q(n + 9, '\0');
    auto* b = reinterpret_cast<quint8*>(q.data());
    b[0] = STX;
    b[1] = cabeca;
    b[2] = RS;
    b[3] = letra;
    b[4] = static_cast<quint8>(n);
    b[5] = FS;
    if (n > 0) std::memcpy(b + 6, dados, static_cast<size_t>(n));
    b[6 + n] = ETX;
    quint8 soma = 0;
    for (int i = 0; i <= 6 + n; ++i)
        soma = static_cast<quint8>(soma + b[i]);
    b[7 + n] = soma;
    b[8 + n] = EOT;
    return q;
}

bool Enviar(const PortaSerial& porta, quint8 cabeca, quint8 letra, const quint8* dados, int n,
            quint8* resposta, int capacidade, quint8& erro) {
    LimparPorta(porta);
    std::memset(resposta, 0, static_cast<size_t>(capacidade));
    if (n < 0 || n > 255) {
        erro = ErroEscrita;
        return false;
    }
    const QByteArray q = montar(cabeca, letra, dados, n);
    int escritos = 0;
    const bool ok = EscreverBytes(porta, q.constData(), static_cast<int>(q.size()), escritos);
    erro = ok && escritos == q.size() ? 0 : ErroEscrita;
    return erro == 0;
}

namespace {
// The rest of a reply whose first four bytes are in resposta: header checks, body, sum.
bool completar(const PortaSerial& porta, quint8 cabeca, quint8* resposta, int capacidade, quint8& erro) {
    if (resposta[0] != STX || resposta[2] != RS) {
        erro = ErroCabecalho;
        return false;
    }
    if (resposta[1] != cabeca) {
        erro = ErroEndereco;
        return false;
    }
    const int N = resposta[3];
    if (N + 8 > capacidade) {
        LimparPorta(porta);
        erro = ErroCorpo;
        return false;
    }
    int lidos = 0;
    if (!LerBytes(porta, resposta + 4, N + 4, lidos) || lidos != N + 4) {
        erro = ErroCorpo;
        return false;
    }
    quint8 soma = 0;
    for (int i = 0; i <= N + 5; ++i)
        soma = static_cast<quint8>(soma + resposta[i]);
    if (soma != resposta[N + 6]) {
        erro = ErroSoma;
        return false;
    }
    erro = 0;
    return true;
}
} // namespace

bool Receber(const PortaSerial& porta, quint8 cabeca, quint8* resposta, int capacidade, quint8& erro) {
    int lidos = 0;
    if (!LerBytes(porta, resposta, 4, lidos) || lidos != 4) {
        erro = ErroSemResposta;
        return false;
    }
    return completar(porta, cabeca, resposta, capacidade, erro);
}

bool ReceberSeguinte(const PortaSerial& porta, quint8 cabeca, quint8* resposta, int capacidade,
                     quint8& erro) {
    int lidos = 0;
    if (!LerBytes(porta, resposta, 4, lidos) || lidos != 4) {
        erro = ErroSemResposta;
        return false;
    }
    // Slide one byte at a time until STX and RS sit where a header has them, so a stray STX is passed
    // over too; a buffer's worth of bytes without a header is no frame.
    for (int saltados = 0; resposta[0] != STX || resposta[2] != RS; ++saltados) {
        if (saltados == capacidade) {
            erro = ErroCabecalho;
            return false;
        }
        std::memmove(resposta, resposta + 1, 3);
        if (!LerBytes(porta, resposta + 3, 1, lidos) || lidos != 1) {
            erro = ErroSemResposta;
            return false;
        }
    }
    return completar(porta, cabeca, resposta, capacidade, erro);
}

quint8 parHex(quint8 alto, quint8 baixo) {
    int v = 0;
    for (quint8 c : {alto, baixo}) {
        if (c >= '0' && c <= '9')
            v = v * 16 + (c - '0');
        else if (c >= 'A' && c <= 'F')
            v = v * 16 + (c - 'A' + 10);
    }
    return static_cast<quint8>(v);
}

} // namespace portaris::quadro
