#include "InterfaceJanelas.h"

#include "AbrirLembretes.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace portaris {

InterfaceJanelas::InterfaceJanelas(FonteFoto foto, FonteMembro membro)
    : m_foto(std::move(foto)), m_membro(std::move(membro)) {}

InterfaceJanelas::~InterfaceJanelas() {
    qDeleteAll(m_sons);
}

InterfaceAcesso::Confirmacao InterfaceJanelas::PedirConfirmacao(const QString& ponto, int chave,
                                                                const QString& nota, const QString& nome) {
    const auto r = TfmPASSA::PedirConfirmacao(ponto, chave, nota, nome, m_foto);
    return {r.sim, r.observacao};
}

bool InterfaceJanelas::ConfirmarFamilia(const std::array<int, 9>& membros) {
    return TfmVFM::ConfirmarFamilia(membros, m_membro);
}

void InterfaceJanelas::MostrarFoto(const QString& ponto, int segundos, int chave, const QString& nota,
                                   const QString& nome) {
    TfmPASSA::MostrarFoto(ponto, segundos, chave, nota, nome, m_foto);
}

void InterfaceJanelas::AbrirLembretes(int chave, const QString& nome) {
    portaris::AbrirLembretes(chave, nome);
}

void InterfaceJanelas::TocarSom(const QString& arquivo) {
    QSoundEffect*& s = m_sons[arquivo];
    if (!s) {
        s = new QSoundEffect;
        s->setSource(QUrl::fromLocalFile(arquivo));
    }
    s->play();
}

void InterfaceJanelas::CopiarTexto(const QString& texto) {
    if (QClipboard* c = QGuiApplication::clipboard()) c->setText(texto);
}

void InterfaceJanelas::ProcessarEventos() {
    QCoreApplication::processEvents();
}

void InterfaceJanelas::MostrarCaixa(const QString& texto, int segundos) {
    QMessageBox caixa(QMessageBox::NoIcon, QCoreApplication::applicationName(), texto, QMessageBox::Ok,
                      QApplication::activeWindow());
    caixa.setObjectName(QStringLiteral("caixaMensagem"));
    if (segundos > 0) QTimer::singleShot(segundos * 1000, &caixa, &QMessageBox::reject);
    caixa.exec();
}

} // namespace portaris
