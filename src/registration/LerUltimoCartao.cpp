#include "LerUltimoCartao.h"

#include "devices/uControladora.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"

#include <QAction>
#include <QMenu>

namespace portaris {

QString LerUltimoCartao(const QList<TControladora*>& controladoras, int cabecaRef) {
    QString cartao;
    for (TControladora* c : controladoras) {
        if (!c || c->CabecaRef != cabecaRef) continue;
        if (!c->Respondeu) {
            MostrarMensagem(QStringLiteral("@!000ERRConcentradora falhou na inicialização do Portaris!"));
            continue;
        }
        quint8 cabecalho[16] = {};
        quint8 erro = 0;
        // A controller that does not answer is told, not passed over in silence.
        if (!c->LerMemoria(0, 16, {}, cabecalho, erro)) {
            MostrarMensagem(QStringLiteral("@!000ERRNão foi possível ler os dados da eeprom!"));
            continue;
        }
        const int base = cabecalho[8] << 8 | cabecalho[9];
        const int topo = cabecalho[10] << 8 | cabecalho[11];
        if (base < topo) {
            quint8 evento[10] = {};
            if (!c->LerMemoria(static_cast<quint16>(topo - 10), 10, {}, evento, erro)) {
                MostrarMensagem(QStringLiteral("@!000ERRNão foi possível ler os dados da eeprom!"));
            } else {
                cartao = QStringLiteral("0000") +
                         QByteArray(reinterpret_cast<const char*>(evento), 3).toHex().toUpper();
            }
        } else {
            MostrarMensagem(QStringLiteral("@!000ERRNão existem registros a serem lidos!"));
        }
    }
    relogio().dormir(1000);
    return cartao;
}

void ItensControladoras(QMenu* menu, QList<QAction*>& itens, const QList<TControladora*>& controladoras,
                        QObject* dono, const std::function<void(int cabecaRef)>& ler) {
    for (QAction* a : itens)
        menu->removeAction(a);
    qDeleteAll(itens);
    itens.clear();
    for (TControladora* c : controladoras) {
        QAction* a = menu->addAction(c->Descricao);
        const int tag = c->CabecaRef;
        QObject::connect(a, &QAction::triggered, dono, [ler, tag] { ler(tag); });
        itens << a;
    }
}

} // namespace portaris
