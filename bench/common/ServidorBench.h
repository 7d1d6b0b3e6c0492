#pragma once
// What the benchmarks of several stations share: a private Firebird server for the run (started and
// stopped with scripts/firebird-servidor.sh), the operator that counts the boxes nobody should see,
// and the holders every station may let in at any hour.
#include "SementeBench.h"
#include "db/Firebird.h"
#include "platform/Mensagens.h"

#include <QProcess>
#include <atomic>

namespace bench {

struct OperadorContador : portaris::Operador {
    std::atomic<int> mensagens{0};
    portaris::Resposta exibir(const portaris::MensagemCodificada&) override {
        ++mensagens;
        return portaris::Resposta::OK;
    }
};

class ServidorBench {
public:
    QString servidor, senha, pasta, erro;
    qint64 pid = 0;
    explicit ServidorBench(const QString& script) : m_script(script) {
        QProcess p;
        p.start(QStringLiteral("bash"), {m_script, QStringLiteral("iniciar")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            erro = QString::fromUtf8(p.readAllStandardError());
            return;
        }
        for (const QString& par : QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(u' ')) {
            const QString valor = par.section(u'=', 1);
            if (par.startsWith(QLatin1String("PORTARIS_FB_SERVIDOR="))) servidor = valor;
            if (par.startsWith(QLatin1String("PORTARIS_FB_SENHA="))) senha = valor;
            if (par.startsWith(QLatin1String("PORTARIS_FB_PASTA="))) pasta = valor;
            if (par.startsWith(QLatin1String("PORTARIS_FB_PID="))) pid = valor.toLongLong();
        }
    }
    ~ServidorBench() {
        if (!pasta.isEmpty()) QProcess::execute(QStringLiteral("bash"), {m_script, QStringLiteral("parar"), pasta});
    }
    bool ok() const { return !servidor.isEmpty(); }

private:
    QString m_script;
};

// Holder u with card cartao(u), open every hour of every day, enabled at `leitoras`.
inline void titularSempre(portaris::Banco& b, int u, const QList<int>& leitoras) {
    b.executar(QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME, TIPO, GRUPO, NAOLISTARELAT, DESABILITAR, "
                              "NAOACESSOFERIADOS, EXPIRA, SEGE, SEGS, TERE, TERS, QUAE, QUAS, QUIE, QUIS, SEXE, SEXS, "
                              "SABE, SABS, DOME, DOMS) VALUES (%1, '%2', 'Titular %1', 'Morador', 'Geral', '0', '0', "
                              "'0', '0', '00:00', '23:59:59', '00:00', '23:59:59', '00:00', '23:59:59', '00:00', "
                              "'23:59:59', '00:00', '23:59:59', '00:00', '23:59:59', '00:00', '23:59:59')")
                   .arg(u)
                   .arg(cartao(u)));
    for (int l : leitoras)
        b.executar(QStringLiteral("INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (%1, %2)").arg(u).arg(l));
}

} // namespace bench
