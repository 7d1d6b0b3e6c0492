// Units of work on one attachment: each commits or rolls back alone, a nested event loop's work
// never joins the unit of the loop below it, and a read-only shared transaction refuses writes.
#include "BancoTeste.h"
#include "platform/Relogio.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

using namespace portaris;

namespace {

int contar(const QString& arquivo, const QString& consulta) {
    Banco outra;
    outra.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    return outra.valor(consulta).toInt();
}

const QString kGrupos = QStringLiteral("SELECT COUNT(*) FROM GRUPOS WHERE CHAVE >= 900");

void grupo(Banco& b, int chave) {
    b.executar(QStringLiteral("INSERT INTO GRUPOS (CHAVE, DESCRICAO) VALUES (%1, 'G%1')").arg(chave));
}

} // namespace

class TstUnidade : public QObject {
    Q_OBJECT
private slots:
    // Two units open at once on one attachment: the inner one commits, the outer one is dropped by
    // its destructor, and only the committed work reaches another attachment.
    void cadaUmaPorSi() {
        BancoAberto a;
        Banco& b = a.banco;
        b.definirCompartilhadaSomenteLeitura(true);
        {
            Unidade fora(b);
            grupo(b, 900);
            {
                Unidade dentro(b);
                QCOMPARE(Unidade::atual(b), &dentro);
                grupo(b, 901);
                dentro.commit();
                // The committed job hands back to the one it was opened in.
                QCOMPARE(Unidade::atual(b), &fora);
            }
            QCOMPARE(b.unidadesAbertas(), 1);
            QCOMPARE(contar(a.arquivo, kGrupos), 1);
        }
        QCOMPARE(b.unidadesAbertas(), 0);
        QCOMPARE(contar(a.arquivo, kGrupos), 1);
        QCOMPARE(b.valor(kGrupos).toInt(), 1); // the shared transaction reads what was committed
    }

    // Work started by a nested event loop (a box on screen, a remote request) runs outside the
    // unit of the loop below; the unit is current again once the loop is over.
    void lacoAninhadoNaoEntra() {
        BancoAberto a;
        Banco& b = a.banco;
        b.definirCompartilhadaSomenteLeitura(true);
        Unidade u(b);
        grupo(b, 900);
        bool recusada = false;
        Unidade* dentroDoLaco = &u;
        QEventLoop laco;
        QTimer::singleShot(0, &laco, [&] {
            dentroDoLaco = Unidade::atual(b);
            try {
                grupo(b, 901); // in the read-only shared transaction
            } catch (const ErroBanco&) {
                recusada = true;
            }
            laco.quit();
        });
        laco.exec();
        QVERIFY(dentroDoLaco == nullptr);
        QVERIFY(recusada);
        QCOMPARE(Unidade::atual(b), &u);
        grupo(b, 902);
        u.commit();
        QCOMPARE(contar(a.arquivo, kGrupos), 2);
    }

    // A disconnection under an open unit rolls it back; its commit then fails instead of reporting
    // work that is gone as stored.
    void desconexaoEncerra() {
        BancoAberto a;
        Banco& b = a.banco;
        Unidade u(b);
        grupo(b, 900);
        b.desconectar();
        QVERIFY(!u.aberta());
        QVERIFY_THROWS_EXCEPTION(ErroBanco, u.commit());
        QCOMPARE(contar(a.arquivo, kGrupos), 0);
    }

    // A unit started ahead is where the next unit with the same wait begins, with no start of its
    // own; one kept idle for SegundosReserva is ended and replaced; another wait starts as usual.
    void reservaAdiantada() {
        RelogioFalso relogio;
        definirRelogio(&relogio);
        struct Repor {
            ~Repor() { definirRelogio(nullptr); }
        } repor;
        BancoAberto a;
        Banco& b = a.banco;
        b.definirCompartilhadaSomenteLeitura(true);
        Banco outra;
        outra.conectar(a.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        // The other attachment's writing transactions, as the server lists them.
        const auto abertas = [&] {
            QList<qint64> ids;
            Comando c(outra, QStringLiteral("SELECT MON$TRANSACTION_ID FROM MON$TRANSACTIONS WHERE "
                                            "MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$READ_ONLY = 0 ORDER BY 1"));
            c.abrir();
            while (c.proximo())
                ids << c.campo(0).toLongLong();
            c.fechar();
            outra.commit(); // the next look is a new snapshot of the monitoring tables
            return ids;
        };
        const auto atual = [&] { return b.valor(QStringLiteral("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE")).toLongLong(); };

        b.reservarUnidade(1);
        QVERIFY(b.temReserva());
        const QList<qint64> reserva = abertas();
        QCOMPARE(reserva.size(), 1);
        {
            Unidade u(b);
            QVERIFY(atual() != reserva[0]);
        }
        {
            Unidade u(b, 1);
            QCOMPARE(atual(), reserva[0]);
            QVERIFY(!b.temReserva());
            grupo(b, 900);
            u.commit();
        }
        QCOMPARE(contar(a.arquivo, kGrupos), 1);
        QVERIFY(abertas().isEmpty());

        b.reservarUnidade(1);
        const QList<qint64> segunda = abertas();
        relogio.avancar(Banco::SegundosReserva * 1000 - 1);
        b.reservarUnidade(1);
        QCOMPARE(abertas(), segunda);
        relogio.avancar(1);
        b.reservarUnidade(1);
        const QList<qint64> terceira = abertas();
        QCOMPARE(terceira.size(), 1);
        QVERIFY(terceira[0] > segunda[0]);
        // Polling that stopped starts none: the old one is ended all the same.
        relogio.avancar(Banco::SegundosReserva * 1000 - 1);
        b.expirarReserva();
        QVERIFY(b.temReserva());
        relogio.avancar(1);
        b.expirarReserva();
        QVERIFY(!b.temReserva());
        QVERIFY(abertas().isEmpty());
        b.reservarUnidade(1);

        b.desconectar();
        QVERIFY(!b.temReserva());
        QVERIFY(abertas().isEmpty());
        b.reservarUnidade(1); // nothing attached: nothing to start, nothing thrown
        QVERIFY(!b.temReserva());
    }

    // Keys come from generators in the read-only shared transaction too.
    void geradorNaLeitura() {
        BancoAberto a;
        a.banco.definirCompartilhadaSomenteLeitura(true);
        const qint64 k = a.banco.gerador(QStringLiteral("GEN_CHAVE_GRUPO"));
        QCOMPARE(a.banco.gerador(QStringLiteral("GEN_CHAVE_GRUPO")), k + 1);
    }
};

QTEST_GUILESS_MAIN(TstUnidade)
#include "tst_unidade.moc"
