#include "uBateRele.h"

#include "platform/Relogio.h"
#include "uLeitora64AX.h"

#include <QCoreApplication>

namespace portaris {

TBateRele::TBateRele(TLeitora64AX& leitora, qint32 atraso) : Leitora(leitora), Atraso(atraso) {}

TBateRele* TBateRele::Iniciar(TLeitora64AX& leitora, qint32 atraso) {
    auto* t = new TBateRele(leitora, atraso);
    leitora.FechadoresVivos.fetch_add(1);
    connect(t, &QThread::finished, t, &QObject::deleteLater);
    t->start();
    return t;
}

// Sleeps in short steps so a reader being destroyed is not kept waiting for a long delay.
void TBateRele::dormir(qint32 ms) {
    while (ms > 0 && !Leitora.Encerrando.load()) {
        const qint32 passo = std::min<qint32>(ms, 200);
        relogio().dormir(passo);
        ms -= passo;
    }
}

void TBateRele::naInterface(void (TBateRele::*operacao)()) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app && app->thread() != QThread::currentThread())
        QMetaObject::invokeMethod(
            app, [this, operacao] { (this->*operacao)(); }, Qt::BlockingQueuedConnection);
    else
        (this->*operacao)();
}

void TBateRele::run() {
    TPORTAOATIVO& portao = *Leitora.Portao;
    while (!m_terminar.load() && !Leitora.Encerrando.load()) {
        Leitora.Ocupada.esperarLivre();
        const quint8 tipo = Leitora.TipoFechamento.load();
        if (tipo != 1 && tipo != 2) break;
        if (tipo == 2) {
            dormir(Atraso);
            naInterface(&TBateRele::FecharPorTempo);
        }
        if (m_terminar.load() || Leitora.Encerrando.load()) break;
        if (Leitora.TipoFechamento.load() == 1) {
            dormir(Atraso);
            for (;;) {
                Leitora.Ocupada.tomar();
                Leitora.LerEstado();
                Leitora.Ocupada.liberar();
                dormir(500);
                if (!portao.Presenca.load() || Leitora.Encerrando.load()) break;
                dormir(Atraso);
            }
            naInterface(&TBateRele::FecharPorSensor);
        }
    }
    Leitora.FechadoresVivos.fetch_sub(1);
}

void TBateRele::FecharPorTempo() {
    if (!Leitora.Encerrando.load()) {
        Leitora.Ocupada.esperarLivre();
        if (!Leitora.Portao->Aberto.load()) {
            Leitora.Ocupada.tomar();
            quint8 erro = 0;
            Leitora.AcionarRele(Leitora.Portao->TempoRele, erro);
            Leitora.Ocupada.liberar();
        }
    }
    m_terminar.store(true);
}

void TBateRele::FecharPorSensor() {
    if (!Leitora.Encerrando.load()) {
        Leitora.Ocupada.esperarLivre();
        if (Leitora.Portao->Presenca.load()) return; // a vehicle arrived: wait for the sensor anew
        Leitora.Ocupada.tomar();
        quint8 erro = 0;
        Leitora.AcionarRele(Leitora.Portao->TempoRele, erro);
        Leitora.Ocupada.liberar();
        if (erro == 0) Leitora.Portao->FechamentoComandado.store(true);
    }
    m_terminar.store(true);
}

} // namespace portaris
