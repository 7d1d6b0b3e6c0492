#include "SemanaHorarios.h"

#include "Ligacoes.h"
#include "platform/Mensagens.h"

#include <QLineEdit>
#include <QPushButton>

namespace portaris {

const std::array<const char*, SemanaHorarios::Campos> SemanaHorarios::Colunas = {
    "SEGE", "SEGS", "TERE", "TERS", "QUAE", "QUAS", "QUIE", "QUIS", "SEXE", "SEXS", "SABE", "SABS", "DOME", "DOMS"};

SemanaHorarios::SemanaHorarios(const std::array<QLineEdit*, Campos>& campos, QPushButton* botao, Teclas teclas,
                               std::function<bool()> emEdicao, std::function<bool(int)> confirmar,
                               QObject* parent)
    : QObject(parent), m_campos(campos), m_emEdicao(std::move(emEdicao)), m_confirmar(std::move(confirmar)) {
    for (int i = 0; i < Campos; ++i) {
        if (teclas == Teclas::Todos || i == 0) TeclasMascara::instalar(m_campos[i]);
        connect(m_campos[i], &QLineEdit::textChanged, this, [this, i] { riscar(i / 2); });
    }
    for (int d = 0; d < Campos / 2; ++d)
        riscar(d);
    if (botao) connect(botao, &QPushButton::clicked, this, &SemanaHorarios::CopiarSegunda);
}

QTime SemanaHorarios::hora(const QString& texto) {
    const QString s = texto.trimmed();
    for (const char* f : {"H:mm:ss", "h:m:s"}) {
        const QTime h = QTime::fromString(s, QString::fromLatin1(f));
        if (h.isValid()) return h;
    }
    return {};
}

void SemanaHorarios::riscar(int dia) {
    QLineEdit* inicio = m_campos[dia * 2];
    QLineEdit* fim = m_campos[dia * 2 + 1];
    const bool iguais = inicio->text() == fim->text();
    for (QLineEdit* e : {inicio, fim}) {
        QFont f = e->font();
        f.setStrikeOut(iguais);
        e->setFont(f);
    }
}

void SemanaHorarios::CopiarSegunda() {
    if (m_emEdicao && !m_emEdicao()) return;
    auto converte = [this](int i) {
        if (hora(m_campos[i]->text()).isValid()) return true;
        m_campos[i]->setText(QStringLiteral("00:00:00"));
        m_campos[i]->setModified(true);
        if (m_confirmar) m_confirmar(i);
        return false;
    };
    if (!converte(0) || !converte(1)) {
        MostrarMensagem(QStringLiteral("@!000AVIHora Inválida!"));
        return;
    }
    for (int i = 2; i < Campos; ++i) {
        m_campos[i]->setText(m_campos[i % 2]->text());
        m_campos[i]->setModified(true);
        if (m_confirmar && !m_confirmar(i)) return;
    }
}

} // namespace portaris
