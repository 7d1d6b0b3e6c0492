#pragma once
// The framed exchange shared by the active-tag reader and the controller:
// STX, address, RS, letter, n, FS, n data bytes, ETX, sum, EOT.
#include "uSerialControla.h"

#include <QByteArray>

namespace portaris::quadro {

inline constexpr quint8 STX = 2, ETX = 3, EOT = 4, FS = 28, RS = 30;

// Error bytes of a framed exchange.
inline constexpr quint8 ErroEscrita = 2, ErroCorpo = 4, ErroEndereco = 5, ErroCabecalho = 6,
                        ErroSemResposta = 7, ErroSoma = 8;

QByteArray montar(quint8 cabeca, quint8 letra, const quint8* dados, int n);

// Purges the line, zeroes the reply buffer and writes the request in one transfer.
bool Enviar(const PortaSerial& porta, quint8 cabeca, quint8 letra, const quint8* dados, int n,
            quint8* resposta, int capacidade, quint8& erro);

// Reads a reply frame into resposta (capacity bytes). A declared length that would not fit is refused
// with ErroCorpo after discarding what is pending, so the buffer never overflows.
bool Receber(const PortaSerial& porta, quint8 cabeca, quint8* resposta, int capacidade, quint8& erro);
// Reads a further frame of a reply that comes in several: bytes before its header are passed over.
bool ReceberSeguinte(const PortaSerial& porta, quint8 cabeca, quint8* resposta, int capacidade, quint8& erro);

// A pair of reply characters read as one byte: digits 0–9 and upper-case A–F count, others are skipped.
quint8 parHex(quint8 alto, quint8 baixo);

} // namespace portaris::quadro
