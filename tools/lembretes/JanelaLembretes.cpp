#include "JanelaLembretes.h"

#include "db/Firebird.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/JanelaPorTitulo.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

namespace portaris {

namespace {
constexpr int kPapelChave = Qt::UserRole;
constexpr int kPapelBusca = Qt::UserRole + 1;

// After a failed statement: the connection itself may be gone, and that is reported already.
void desfazer(Banco& banco) noexcept {
    try {
        banco.rollback();
    } catch (...) {
    }
}
} // namespace

ArgumentosLembretes LerArgumentos(const QStringList& argumentos) {
    ArgumentosLembretes r;
    if (argumentos.isEmpty()) return r;
    bool ok = false;
    const int chave = argumentos.size() == 1 ? argumentos.first().trimmed().toInt(&ok, 10) : 0;
    if (!ok || chave <= 0)
        r.erro =
            QStringLiteral("@!000ERRUso: lembretes [chave do usuário]\n\"%1\" não é uma chave de usuário.")
                .arg(argumentos.join(u' '));
    else
        r.chave = chave;
    return r;
}

QString ConectarBanco(Banco& banco) {
    const ArquivoIni ini = ArquivoIni::config();
    const QString servidor = cfg::firebird_server.ler(ini);
    const QString nome = TdmPORTARIS::NomeBanco(cfg::firebird_protocol.ler(ini), servidor,
                                                cfg::firebird_servername.ler(ini).left(200),
                                                cfg::firebird_databasefile.ler(ini));
    // The engine's own word for a missing local file is an I/O error; say what is meant.
    if (servidor == QStringLiteral("local") && !QFileInfo::exists(nome))
        throw ErroBanco(QStringLiteral("@!000ERRBanco de dados não encontrado:\n%1").arg(nome));
    try {
        banco.conectar(nome, cfg::firebird_username.ler(ini).left(30),
                       cfg::firebird_password.ler(ini).left(30));
    } catch (const ErroBanco& e) {
        throw ErroBanco(QStringLiteral("@!000ERRNão foi possível conectar ao banco de dados %1:\n%2")
                            .arg(nome, e.texto()),
                        e.codigo());
    }
    return nome;
}

// ---------------------------------------------------------------------------------------------
std::unique_ptr<JanelaLembretes> JanelaLembretes::criar(Banco& banco, int chave, QString& erro) {
    std::unique_ptr<JanelaLembretes> j(new JanelaLembretes(banco, chave));
    if (chave > 0) {
        Comando c(banco, QStringLiteral("SELECT NOME FROM USUARIO WHERE CHAVE = :PCHAVE"));
        c.definir(QStringLiteral("PCHAVE"), chave);
        c.abrir();
        const bool existe = c.proximo();
        const QString nome = existe ? c.campo(0).toString() : QString();
        c.fechar();
        banco.commit();
        if (!existe) {
            erro = QStringLiteral("@!000ERRUsuário de chave %1 não cadastrado.").arg(chave);
            return nullptr;
        }
        j->m_nomeAtual = nome;
        j->setWindowTitle(nome);
    } else {
        j->setWindowTitle(QStringLiteral("Lembretes"));
    }
    j->montar();
    if (chave > 0)
        j->carregarRecado(chave);
    else
        j->carregarLista();
    return j;
}

JanelaLembretes::JanelaLembretes(Banco& banco, int chave) : m_banco(banco), m_chaveFixa(chave) {}

JanelaLembretes::~JanelaLembretes() = default;

void JanelaLembretes::montar() {
    auto* raiz = new QVBoxLayout(this);
    m_rotulo = new QLabel(this);
    m_rotulo->setTextFormat(Qt::PlainText);
    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("edREC"));
    m_editor->setPlaceholderText(QStringLiteral("Nenhum lembrete."));
    auto* direita = new QWidget(this);
    auto* ld = new QVBoxLayout(direita);
    ld->setContentsMargins(0, 0, 0, 0);
    ld->addWidget(m_rotulo);
    ld->addWidget(m_editor, 1);

    if (m_chaveFixa > 0) {
        raiz->addWidget(direita, 1);
    } else {
        auto* esquerda = new QWidget(this);
        auto* le = new QVBoxLayout(esquerda);
        le->setContentsMargins(0, 0, 0, 0);
        m_busca = new QLineEdit(esquerda);
        m_busca->setObjectName(QStringLiteral("edBUS"));
        m_busca->setPlaceholderText(QStringLiteral("Buscar por nome ou cartão"));
        m_lista = new QListWidget(esquerda);
        m_lista->setObjectName(QStringLiteral("lsUSU"));
        le->addWidget(m_busca);
        le->addWidget(m_lista, 1);
        auto* divisor = new QSplitter(this);
        divisor->addWidget(esquerda);
        divisor->addWidget(direita);
        divisor->setStretchFactor(1, 1);
        raiz->addWidget(divisor, 1);
        connect(m_lista, &QListWidget::currentItemChanged, this, &JanelaLembretes::trocarUsuario);
        connect(m_busca, &QLineEdit::textChanged, this, &JanelaLembretes::filtrar);
        m_editor->setEnabled(false);
        m_rotulo->setText(QStringLiteral("Escolha um usuário na lista."));
    }

    auto* barra = new QHBoxLayout;
    m_situacao = new QLabel(this);
    m_gravar = new QPushButton(QStringLiteral("Gravar"), this);
    m_gravar->setObjectName(QStringLiteral("btGRA"));
    m_fechar = new QPushButton(QStringLiteral("Fechar"), this);
    m_fechar->setObjectName(QStringLiteral("btFEC"));
    barra->addWidget(m_situacao, 1);
    barra->addWidget(m_gravar);
    barra->addWidget(m_fechar);
    raiz->addLayout(barra);
    m_gravar->setEnabled(false);
    connect(m_editor->document(), &QTextDocument::modificationChanged, m_gravar, &QPushButton::setEnabled);
    connect(m_gravar, &QPushButton::clicked, this, [this] { gravar(); });
    connect(m_fechar, &QPushButton::clicked, this, &QWidget::close);
    resize(m_chaveFixa > 0 ? QSize(420, 320) : QSize(680, 420));
}

void JanelaLembretes::carregarLista() {
    Comando c(
        m_banco,
        QStringLiteral("SELECT CHAVE, NOME, CARTAO,\n"
                       "  IIF(AVSREC = '1' AND RECADO IS NOT NULL AND CHAR_LENGTH(TRIM(RECADO)) > 0, 1, 0)\n"
                       "FROM USUARIO ORDER BY NOME"));
    c.abrir();
    while (c.proximo()) {
        const QString nome = c.campo(1).toString();
        const QString cartao = c.campo(2).toString();
        auto* item = new QListWidgetItem(
            cartao.isEmpty() ? nome : nome + QStringLiteral("  (") + cartao + u')', m_lista);
        item->setData(kPapelChave, c.campo(0).toInt());
        item->setData(kPapelBusca, nome + u' ' + cartao);
        QFont f = item->font();
        f.setBold(c.campo(3).toInt() == 1);
        item->setFont(f);
    }
    c.fechar();
    m_banco.commit();
}

void JanelaLembretes::carregarRecado(int chave) {
    Comando c(m_banco, QStringLiteral("SELECT NOME, CARTAO, RECADO FROM USUARIO WHERE CHAVE = :PCHAVE"));
    c.definir(QStringLiteral("PCHAVE"), chave);
    c.abrir();
    const bool existe = c.proximo();
    const QString nome = existe ? c.campo(0).toString() : QString();
    const QString cartao = existe ? c.campo(1).toString() : QString();
    const QString recado = existe ? c.campo(2).toString() : QString();
    c.fechar();
    m_banco.commit();
    m_chaveAtual = existe ? chave : 0;
    m_nomeAtual = nome;
    m_rotulo->setText(existe ? QStringLiteral("Lembretes de %1 — cartão %2")
                                   .arg(nome, cartao.isEmpty() ? QStringLiteral("—") : cartao)
                             : QStringLiteral("Usuário de chave %1 não cadastrado.").arg(chave));
    m_editor->setPlainText(recado);
    m_editor->document()->setModified(false);
    m_editor->setEnabled(existe);
    m_situacao->clear();
}

bool JanelaLembretes::alterado() const {
    return m_chaveAtual != 0 && m_editor->document()->isModified();
}

bool JanelaLembretes::gravar() {
    if (m_chaveAtual == 0) return true;
    const QString texto = m_editor->toPlainText();
    const bool temRecado = !texto.trimmed().isEmpty();
    try {
        // The holder may have been removed since the window opened; an update would then touch
        // nothing and the text would be lost without a word.
        if (m_banco
                .valor(QStringLiteral("SELECT COUNT(*) FROM USUARIO WHERE CHAVE = :PCHAVE"),
                       {{QStringLiteral("PCHAVE"), m_chaveAtual}})
                .toInt() == 0) {
            desfazer(m_banco);
            MostrarMensagem(
                QStringLiteral("@!000ERRO usuário %1 não está mais cadastrado; o lembrete não foi gravado.")
                    .arg(m_nomeAtual));
            return false;
        }
        Comando c(m_banco, QStringLiteral("UPDATE USUARIO SET RECADO = :PRECADO, AVSREC = :PAVSREC\n"
                                          "WHERE CHAVE = :PCHAVE"));
        c.definir(QStringLiteral("PRECADO"), temRecado ? QVariant(texto) : QVariant());
        c.definir(QStringLiteral("PAVSREC"), temRecado ? QStringLiteral("1") : QStringLiteral("0"));
        c.definir(QStringLiteral("PCHAVE"), m_chaveAtual);
        c.executar();
        m_banco.commit();
    } catch (const ErroBanco& e) {
        desfazer(m_banco);
        if (e.conflitoDeBloqueio())
            MostrarMensagem(QStringLiteral("@!000AVIO cadastro de %1 está sendo alterado em outro lugar.\n"
                                           "O texto continua na janela; tente gravar de novo.")
                                .arg(m_nomeAtual));
        else
            MostrarMensagem(QStringLiteral("@!000ERRNão foi possível gravar o lembrete:\n%1").arg(e.texto()));
        return false;
    }
    m_editor->document()->setModified(false);
    m_situacao->setText(
        QStringLiteral("Gravado às %1").arg(relogio().agora().time().toString(QStringLiteral("HH:mm:ss"))));
    marcarItem(m_chaveAtual, temRecado);
    return true;
}

void JanelaLembretes::marcarItem(int chave, bool temRecado) {
    if (!m_lista) return;
    for (int i = 0; i < m_lista->count(); ++i) {
        QListWidgetItem* item = m_lista->item(i);
        if (item->data(kPapelChave).toInt() != chave) continue;
        QFont f = item->font();
        f.setBold(temRecado);
        item->setFont(f);
    }
}

bool JanelaLembretes::resolverPendencias() {
    if (!alterado()) return true;
    if (Perguntar(QStringLiteral("Gravar as alterações do lembrete de %1?").arg(m_nomeAtual)) ==
        Resposta::Sim)
        return gravar();
    return true;
}

void JanelaLembretes::trocarUsuario(QListWidgetItem* atual, QListWidgetItem* anterior) {
    if (m_trocando) return;
    if (!resolverPendencias()) {
        // The unsaved text stays on screen with its holder.
        m_trocando = true;
        m_lista->setCurrentItem(anterior);
        m_trocando = false;
        return;
    }
    try {
        if (atual) carregarRecado(atual->data(kPapelChave).toInt());
    } catch (const ErroBanco& e) {
        desfazer(m_banco);
        MostrarMensagem(QStringLiteral("@!000ERRNão foi possível ler o lembrete:\n%1").arg(e.texto()));
    }
}

void JanelaLembretes::filtrar(const QString& texto) {
    const QString t = texto.trimmed();
    for (int i = 0; i < m_lista->count(); ++i) {
        QListWidgetItem* item = m_lista->item(i);
        item->setHidden(!t.isEmpty() && !item->data(kPapelBusca).toString().contains(t, Qt::CaseInsensitive));
    }
}

void JanelaLembretes::closeEvent(QCloseEvent* e) {
    if (resolverPendencias())
        e->accept();
    else
        e->ignore();
}

bool JanelaLembretes::escutar() {
    const QString nome = CanalDaJanela(windowTitle());
    {
        QLocalSocket outra;
        outra.connectToServer(nome);
        if (outra.waitForConnected(300)) {
            outra.write("frente\n");
            outra.waitForBytesWritten(300);
            outra.disconnectFromServer();
            return false;
        }
    }
    // Nobody answers: whatever is left under that name belongs to a copy that ended badly.
    QLocalServer::removeServer(nome);
    m_canal = new QLocalServer(this);
    if (!m_canal->listen(nome)) {
        qWarning("lembretes: o console não poderá encontrar esta janela (%s)",
                 qPrintable(m_canal->errorString()));
        return true;
    }
    connect(m_canal, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_canal->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            trazerParaFrente();
            // The answer tells a waiting client what came of it; the console does not wait.
            QPointer<QLocalSocket> p(s);
            QTimer::singleShot(100, this, [this, p] {
                if (!p || p->state() != QLocalSocket::ConnectedState) return;
                p->write(isActiveWindow() && !isMinimized() ? "ativa\n" : "inativa\n");
                p->flush();
                p->disconnectFromServer();
            });
        }
    });
    return true;
}

void JanelaLembretes::trazerParaFrente() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

} // namespace portaris
