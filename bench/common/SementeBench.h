#pragma once
// The benchmarks' installation: holders with photos, devices and a year of access rows, seeded once
// into an embedded database and reused by every benchmark that is given the same file.
#include "db/Firebird.h"

#include <QDate>
#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTime>
#include <algorithm>

namespace bench {

// A holder's card: ten hex digits spread over the whole range.
inline QString cartao(int i) {
    return QStringLiteral("%1").arg(i * 2654435761u % 0xFFFFFFFFu, 10, 16, QLatin1Char('0')).toUpper();
}

inline double pct(QList<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.value(std::min<qsizetype>(v.size() - 1, static_cast<qsizetype>(p * v.size())));
}

// Holder u is enabled at devices 1 + u % dispositivos and 1 + (u + 7) % dispositivos; every holder
// may pass at any hour of any day. Access rows cover the last 365 days, in the order they were
// written, from four stations; a few are openings without a card or patrol rounds.
inline void semear(portaris::Banco& b, int usuarios, int dispositivos, int acessos, int fotoKb,
                   QTextStream& out) {
    using namespace portaris;
    QElapsedTimer t;
    t.start();
    Comando lei(b, "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIALNUM, POSICAO) VALUES (:K, :C, :D, "
                   "'BENCH', 'N')");
    for (int d = 1; d <= dispositivos; ++d) {
        lei.definir("K", d);
        lei.definir("C", 128 + d % 100);
        lei.definir("D", QStringLiteral("Leitora %1").arg(d));
        lei.executar();
    }
    b.executar(QStringLiteral("SET GENERATOR GEN_CHAVE_LEITORA TO %1").arg(dispositivos + 10));
    QByteArray foto(fotoKb * 1024, '\0');
    for (int i = 0; i < foto.size(); ++i)
        foto[i] = static_cast<char>(QRandomGenerator::global()->bounded(256));
    Comando usu(
        b, "INSERT INTO USUARIO (CHAVE, CARTAO, NOME, TIPO, GRUPO, NAOACESSOFERIADOS, NAOLISTARELAT, "
           "DESABILITAR, SEGE, SEGS, TERE, TERS, QUAE, QUAS, QUIE, QUIS, SEXE, SEXS, SABE, SABS, DOME, DOMS, "
           "EXPIRA, EXPIRAEM, AVSREC, FOTO) VALUES (:K, :C, :N, 'Morador', 'Geral', '0', '0', '0', "
           ":E, :S, :E, :S, :E, :S, :E, :S, :E, :S, :E, :S, :E, :S, '0', '2030-01-01', '0', :F)");
    Comando hab(b, "INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) VALUES (:U, :L, 0)");
    for (int u = 1; u <= usuarios; ++u) {
        usu.definir("K", u);
        usu.definir("C", cartao(u));
        usu.definir("N", QStringLiteral("Morador número %1 do condomínio").arg(u));
        usu.definir("E", QTime(0, 0));
        usu.definir("S", QTime(23, 59, 59));
        usu.definir("F", fotoKb > 0 ? QVariant(foto) : QVariant());
        usu.executar();
        for (int k = 0; k < 2; ++k) {
            hab.definir("U", u);
            hab.definir("L", 1 + (u + k * 7) % dispositivos);
            hab.executar();
        }
        if (u % 5000 == 0) b.commitRetaining();
    }
    b.executar(QStringLiteral("SET GENERATOR GEN_CHAVE_USUARIO TO %1").arg(usuarios));
    b.commit();
    out << "semeou usuarios em " << t.elapsed() / 1000.0 << " s" << Qt::endl;
    t.restart();
    Comando ace(
        b, "INSERT INTO ACESSO (CHAVE, DATA, HORA, LEITORA, AUTORIZADO, NOME, CARTAO, GRUPO, TIPO, NOTA, "
           "NOTA2, LOGIN, COMPUTADOR, ORIGEM, DESTINO, RONDA, RELATORIO) VALUES (:K, :D, :H, :L, 'Sim', :N, "
           ":C, :G, :T, :NT, :N2, 'admin', :PC, :O, :DE, :R, '1')");
    const QDate fim = QDate::currentDate();
    for (int i = 1; i <= acessos; ++i) {
        const int u = 1 + i % usuarios;
        ace.definir("K", i);
        // In the order a station writes them: day by day, the hours of each day rising.
        const qint64 passo = qint64(i - 1) * 365 * 86400000LL / acessos;
        ace.definir("D", fim.addDays(-364 + passo / 86400000LL));
        ace.definir("H", QTime::fromMSecsSinceStartOfDay(static_cast<int>(passo % 86400000LL)));
        ace.definir("L", QStringLiteral("Leitora %1").arg(1 + i % dispositivos));
        ace.definir("PC", QStringLiteral("Estação %1").arg(i % 4));
        // One row in fifty is a door opened without a card, one in twenty a patrol round.
        const bool semCartao = i % 50 == 0, ronda = i % 20 == 1;
        ace.definir("N", semCartao ? QStringLiteral("Visitante %1").arg(i % 997)
                                   : QStringLiteral("Morador número %1 do condomínio").arg(u));
        ace.definir("C", semCartao ? QStringLiteral("0000000000") : cartao(u));
        ace.definir("G", semCartao ? QString() : QStringLiteral("Geral"));
        ace.definir("T", semCartao ? QStringLiteral("Sem cartão") : QStringLiteral("Morador"));
        ace.definir("NT", semCartao ? QStringLiteral("Acesso autorizado manualmente")
                          : ronda   ? QStringLiteral("Ronda OK")
                                    : QStringLiteral("Acesso autorizado"));
        ace.definir("N2", semCartao ? QStringLiteral("Entrega no bloco %1").arg(i % 7) : QString());
        ace.definir("O", semCartao ? QStringLiteral("Portaria") : QString());
        ace.definir("DE", semCartao ? QStringLiteral("Apartamento %1").arg(i % 300) : QString());
        ace.definir("R", ronda ? QStringLiteral("1") : QStringLiteral("0"));
        ace.executar();
        if (i % 20000 == 0) b.commitRetaining();
    }
    b.executar(QStringLiteral("SET GENERATOR GEN_CHAVE_ACESSO TO %1").arg(acessos));
    b.commit();
    out << "semeou acessos em " << t.elapsed() / 1000.0 << " s" << Qt::endl;
}

} // namespace bench
