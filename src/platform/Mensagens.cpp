#include "Mensagens.h"

#include <QMutex>
#include <atomic>
#include <cstdio>

namespace portaris {

MensagemCodificada AnalisarMensagem(const QString& texto, TipoMensagem tipoAnterior) {
    MensagemCodificada m;
    const qsizetype marca = texto.indexOf(QLatin1String("@!"));
    bool ok = false;
    const QString resto = marca >= 0 ? texto.mid(marca + 2) : QString();
    const int codigo = resto.left(3).toInt(&ok);
    if (marca < 0 || resto.size() < 3 || !ok) {
        m.codigo = 0;
        m.tipo = TipoMensagem::Erro;
        m.texto = texto;
        return m;
    }
    m.codigo = static_cast<qint16>(codigo);
    const QString tipo = resto.mid(3, 3);
    if (tipo == QLatin1String("ERR"))
        m.tipo = TipoMensagem::Erro;
    else if (tipo == QLatin1String("OKK"))
        m.tipo = TipoMensagem::Sucesso;
    else if (tipo == QLatin1String("AVI"))
        m.tipo = TipoMensagem::Aviso;
    else
        m.tipo = tipoAnterior;
    m.texto = resto.mid(6);
    return m;
}

namespace {
std::atomic<Operador*> g_operador{nullptr};
QMutex g_lockTipo;
TipoMensagem g_ultimoTipo = TipoMensagem::Erro;

Resposta exibir(const MensagemCodificada& m) {
    Operador* op = g_operador.load();
    if (op) return op->exibir(m);
    std::fprintf(stderr, "%s\n", m.texto.toLocal8Bit().constData());
    return Resposta::Fechada;
}
} // namespace

void definirOperador(Operador* operador) { g_operador.store(operador); }
Operador* operadorAtual() { return g_operador.load(); }

Resposta MostrarMensagem(const QString& texto) {
    return MostrarMensagem(texto, 0);
}

Resposta MostrarMensagem(const QString& texto, int segundos) {
    MensagemCodificada m;
    {
        QMutexLocker l(&g_lockTipo);
        m = AnalisarMensagem(texto, g_ultimoTipo);
        g_ultimoTipo = m.tipo;
    }
    m.fecharApos = segundos;
    return exibir(m);
}

Resposta Perguntar(const QString& texto) {
    MensagemCodificada m{-1, TipoMensagem::Aviso, texto};
    {
        QMutexLocker l(&g_lockTipo);
        g_ultimoTipo = m.tipo;
    }
    return exibir(m);
}

void Recusar(const QString& mensagem) {
    MostrarMensagem(mensagem);
    throw Abort();
}

} // namespace portaris
