#include "TfmRCX.h"

#include "access/DispositivosEstacao.h"
#include "platform/Relogio.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace portaris {

namespace {

constexpr int LinhasVisiveis = TfmRCX::LinhasGrade;

QTableWidget* grade(const QString& nome, const QString& a, const QString& b, int linhas) {
    auto* g = new QTableWidget(linhas, 2);
    g->setObjectName(nome);
    g->setHorizontalHeaderLabels({a, b});
    g->verticalHeader()->hide();
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionMode(QAbstractItemView::NoSelection);
    g->setFocusPolicy(Qt::NoFocus);
    g->setColumnWidth(0, 90);
    g->horizontalHeader()->setStretchLastSection(true);
    g->verticalHeader()->setDefaultSectionSize(20);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setFixedSize(200,
                    g->horizontalHeader()->sizeHint().height() + LinhasVisiveis * 20 + 2 * g->frameWidth());
    return g;
}

void definir(QTableWidget* g, int linha, const QString& a, const QString& b) {
    g->setItem(linha, 0, new QTableWidgetItem(a));
    g->setItem(linha, 1, new QTableWidgetItem(b));
}

quint8 cabeca(const Dispositivo& d) {
    return std::visit([](auto* p) { return static_cast<quint8>(p->Cabeca); }, d);
}

} // namespace

TfmRCX::TfmRCX(DispositivosEstacao& dispositivos, int pausaMs, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmRCX"));
    setWindowTitle(QStringLiteral("Relatório de conexões"));
    QApplication::setOverrideCursor(Qt::WaitCursor);

    QList<std::pair<QString, QString>> portas;
    for (int n = 1; n <= TabelaPortas::Quantidade; ++n)
        if (dispositivos.portas.usada(n))
            portas.append({QStringLiteral("COM%1").arg(n), dispositivos.portas.handle(n)
                                                               ? QStringLiteral("Aberta")
                                                               : QStringLiteral("Falhou")});
    gdPOR = grade(QStringLiteral("gdPOR"), QStringLiteral("Porta"), QStringLiteral("Estado"), LinhasGrade);
    for (int i = 0; i < portas.size(); ++i)
        definir(gdPOR, i, portas[i].first, portas[i].second);

    gdLEI = grade(QStringLiteral("gdLEI"), QStringLiteral("Leitora"), QStringLiteral("Estado"),
                  std::max<int>(LinhasGrade, static_cast<int>(dispositivos.lista.size())));
    int linha = 0;
    for (const Dispositivo& d : dispositivos.lista) {
        const bool respondeu = DispositivoRespondeu(d);
        // A passive reader that answered reads once before polling starts; what it reads is not used.
        if (auto* const* l = std::get_if<TLeitora71*>(&d); l && respondeu) {
            quint8 erro = 0;
            try {
                (*l)->LerCartao(erro);
            } catch (const std::exception&) {
            }
        }
        definir(gdLEI, linha++, QString::number(cabeca(d)),
                respondeu ? QStringLiteral("Operante") : QStringLiteral("Falhou"));
        relogio().dormir(pausaMs);
    }

    lbATE = new QLabel(QStringLiteral("Atenção a data/hora do seu Windows:"));
    lbDAT = new QLabel(relogio().agora().toString(QStringLiteral("dd/MM/yyyy - HH:mm")));
    lbDAT->setObjectName(QStringLiteral("lbDAT"));
    QFont negrito = lbDAT->font();
    negrito.setBold(true);
    lbDAT->setFont(negrito);
    btOK = new QPushButton(QStringLiteral("OK"));
    btOK->setDefault(true);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* v = new QVBoxLayout(this);
    auto* h = new QHBoxLayout;
    h->addWidget(gdPOR);
    h->addWidget(gdLEI);
    v->addLayout(h);
    v->addWidget(lbATE);
    v->addWidget(lbDAT);
    v->addWidget(btOK, 0, Qt::AlignHCenter);
    QApplication::restoreOverrideCursor();
}

} // namespace portaris
