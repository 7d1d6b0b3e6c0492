#pragma once
// The operator of the tests: answers from a script and remembers every message it was shown.
#include "platform/Mensagens.h"

#include <QList>
#include <QMutex>

class OperadorRoteirizado : public portaris::Operador {
public:
    OperadorRoteirizado() { portaris::definirOperador(this); }
    ~OperadorRoteirizado() override { portaris::definirOperador(nullptr); }

    // Answers given in order; when the script runs out, OK for code 0 and Não for questions.
    void roteiro(QList<portaris::Resposta> respostas) {
        QMutexLocker l(&m_lock);
        m_roteiro = std::move(respostas);
    }
    QList<portaris::MensagemCodificada> mostradas() const {
        QMutexLocker l(&m_lock);
        return m_mostradas;
    }
    QStringList textos() const {
        QStringList t;
        for (const auto& m : mostradas()) t << m.texto;
        return t;
    }
    void limpar() {
        QMutexLocker l(&m_lock);
        m_mostradas.clear();
    }

    portaris::Resposta exibir(const portaris::MensagemCodificada& m) override {
        QMutexLocker l(&m_lock);
        m_mostradas.append(m);
        if (!m_roteiro.isEmpty()) return m_roteiro.takeFirst();
        return m.codigo == -1 ? portaris::Resposta::Nao : portaris::Resposta::OK;
    }

private:
    mutable QMutex m_lock;
    QList<portaris::Resposta> m_roteiro;
    QList<portaris::MensagemCodificada> m_mostradas;
};
