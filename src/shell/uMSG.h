#pragma once
#include "platform/Mensagens.h"

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class QToolButton;

namespace portaris {

// The message dialog: one per message, shown modally and destroyed after its answer is read.
class TfmMSG : public QDialog {
    Q_OBJECT
public:
    explicit TfmMSG(const MensagemCodificada& mensagem, QWidget* parent = nullptr);

    Resposta resposta() const { return m_resposta; }
    QPlainTextEdit* memo() const { return m_memo; }
    QToolButton* botao(int n) const { return m_botoes[n - 1]; } // 1..3, left to right

    // Shows the message modally and returns its answer.
    static Resposta exibir(const MensagemCodificada& mensagem, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void responder(Resposta r);

    MensagemCodificada m_mensagem;
    QPlainTextEdit* m_memo;
    QToolButton* m_botoes[3];
    Resposta m_resposta = Resposta::Fechada;
};

// The program's operator: answers through TfmMSG. `antes` runs before each message (the main
// window closes its pop-up function panel there).
class OperadorDialogo : public Operador {
public:
    Resposta exibir(const MensagemCodificada& mensagem) override;
    std::function<void()> antes;
};

} // namespace portaris
