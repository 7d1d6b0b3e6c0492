#include "TframeControleAcesso.h"

#include "ui/Ligacoes.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace portaris {

TframeControleAcesso::TframeControleAcesso(Conjunto& setACE, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frameControleAcesso"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);

    auto* topo = new QWidget;
    topo->setObjectName(QStringLiteral("pnTOPO"));
    auto* g = new QGridLayout(topo);
    QFont grande(QStringLiteral("Arial"));
    grande.setPixelSize(16);
    grande.setBold(true);
    const QList<std::pair<QString, QString>> campos = {
        {QStringLiteral("CARTAO"), QStringLiteral("Cartão")},
        {QStringLiteral("GRUPO"), QStringLiteral("Grupo")},
        {QStringLiteral("TIPO"), QStringLiteral("Tipo")},
        {QStringLiteral("NOME"), QStringLiteral("Nome")},
        {QStringLiteral("ORIGEM"), QStringLiteral("Origem")},
        {QStringLiteral("DESTINO"), QStringLiteral("Destino")}};
    for (int i = 0; i < campos.size(); ++i) {
        auto* rotulo = new QLabel(campos[i].second);
        auto* ed = new QLineEdit;
        ed->setObjectName(QStringLiteral("ed") + campos[i].first);
        ed->setFont(grande);
        ed->setFocusPolicy(Qt::NoFocus);
        auto* lig = new LigacaoEdit(setACE, campos[i].first, ed);
        lig->definirSomenteLeitura(true);
        m_campos.insert(campos[i].first, ed);
        // Two columns of three: card, group, type on the left; name, origin, destination on the right.
        const int linha = (i % 3) * 2, coluna = i / 3;
        g->addWidget(rotulo, linha, coluna);
        g->addWidget(ed, linha + 1, coluna);
    }
    g->setColumnStretch(0, 1);
    g->setColumnStretch(1, 2);
    v->addWidget(topo);

    m_modelo = new ModeloConjunto(setACE,
                                  {{QStringLiteral("HORA"), QStringLiteral("Hora"), 72},
                                   {QStringLiteral("AUTORIZADO"), QStringLiteral("Autorizado"), 70},
                                   {QStringLiteral("NOME"), QStringLiteral("Pessoa"), 220},
                                   {QStringLiteral("LEITORA"), QStringLiteral("Leitora"), 160},
                                   {QStringLiteral("NOTA"), QStringLiteral("Comentário Portaris"), 200},
                                   {QStringLiteral("NOTA2"), QStringLiteral("Observações"), 282}},
                                  this);
    m_grade = new GradeConjunto;
    m_grade->setObjectName(QStringLiteral("gdACE"));
    m_grade->setAccessibleName(QStringLiteral("Acessos"));
    m_grade->setItemDelegate(new DelegadoAcessos(1, m_grade));
    QFont fonte(QStringLiteral("Arial"));
    fonte.setPointSize(9);
    m_grade->setFont(fonte);
    m_grade->definirModelo(m_modelo);
    v->addWidget(m_grade, 1);
}

QLineEdit* TframeControleAcesso::campo(const QString& nome) const {
    return m_campos.value(nome.toUpper());
}

} // namespace portaris
