#include "TframeOutrasOpcoes.h"

#include "Componentes.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "platform/PastaPrograma.h"
#include "ui/Protegido.h"

#include <QButtonGroup>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSoundEffect>
#include <QTextStream>
#include <QUrl>
#include <QVBoxLayout>

namespace portaris {

using namespace componentes;

namespace {

QStringList lerLinhas(const QString& arquivo) {
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QStringList l = QString::fromUtf8(f.readAll()).split(u'\n');
    for (QString& s : l)
        if (s.endsWith(u'\r')) s.chop(1);
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
}

// Through a save file: a full disk or a failed write leaves the old list in place and is reported.
void gravarLinhas(const QString& arquivo, const QStringList& linhas) {
    QSaveFile f(arquivo);
    bool ok = f.open(QIODevice::WriteOnly | QIODevice::Text);
    for (const QString& s : linhas)
        ok = ok && f.write((s + u'\n').toUtf8()) >= 0;
    if (ok) ok = f.commit();
    if (!ok)
        throw std::runtime_error(
            QStringLiteral("@!000ERRNão foi possível gravar o arquivo %1!").arg(arquivo).toStdString());
}

} // namespace

int TframeOutrasOpcoes::numeroOuPadrao(const QString& texto, int vazio) {
    bool ok = false;
    const int v = texto.trimmed().toInt(&ok);
    return ok ? v : vazio;
}

QStringList TframeOutrasOpcoes::linhasTipos(const QString& texto) {
    QStringList r;
    QStringList l = texto.split(u'\n');
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    for (const QString& s : l)
        r << s.trimmed().left(25);
    return r;
}

TframeOutrasOpcoes::TframeOutrasOpcoes(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsOUTRAS"));
    pintarFundo(this, CorPagina);
    auto* rolagem = new QScrollArea(this);
    rolagem->setFrameShape(QFrame::NoFrame);
    auto* a = new QWidget;
    pintarFundo(a, CorPagina);
    rotulo(a, QStringLiteral("Nome para este computador (até 25 caracteres)"), 16, 8);
    edNOME = campo(a, QStringLiteral("edNOME"), 16, 24, 250);
    edNOME->setMaxLength(25);
    rotulo(a, QStringLiteral("Efeito sonoro de acesso autorizado"), 16, 54);
    edSOM1 = campo(a, QStringLiteral("edSOM1"), 16, 70, 300);
    btPROCURAR1 = botao(a, QStringLiteral("btPROCURAR1"), QStringLiteral("Procurar"), 322, 68, 70);
    btTESTAR1 = botao(a, QStringLiteral("btTESTAR1"), QStringLiteral("Testar"), 396, 68, 70);
    rotulo(a, QStringLiteral("Efeito sonoro de acesso negado"), 16, 98);
    edSOM2 = campo(a, QStringLiteral("edSOM2"), 16, 114, 300);
    btPROCURAR2 = botao(a, QStringLiteral("btPROCURAR2"), QStringLiteral("Procurar"), 322, 112, 70);
    btTESTAR2 = botao(a, QStringLiteral("btTESTAR2"), QStringLiteral("Testar"), 396, 112, 70);
    // At most 25 typed characters; "Procurar" may put a longer path, which typing may then shorten.
    for (QLineEdit* e : {edSOM1, edSOM2}) {
        connect(e, &QLineEdit::textEdited, e, [e](const QString& t) {
            const QString anterior = e->property("anterior").toString();
            if (t.size() > 25 && t.size() > anterior.size()) {
                const int pos = e->cursorPosition() - int(t.size() - anterior.size());
                e->setText(anterior);
                e->setCursorPosition(pos);
                return;
            }
            e->setProperty("anterior", t);
        });
    }
    ckUSARSOM = caixa(a, QStringLiteral("ckUSARSOM"), QStringLiteral("Ativar recurso de efeitos sonoros"), 16,
                      142, 300);
    rotulo(a, QStringLiteral("Tempo padrão para expirar um cartão"), 16, 170);
    edEXPIRA = campo(a, QStringLiteral("edEXPIRA"), 262, 167, 50);
    edEXPIRA->setMaxLength(4);
    soDigitos(edEXPIRA);
    rotulo(a, QStringLiteral("dias"), 318, 170);
    ckCONFIRMAR = caixa(a, QStringLiteral("ckCONFIRMAR"),
                        QStringLiteral("Solicitar confirmação ao fechar o programa"), 16, 196, 400);
    ckSEMCABECA =
        caixa(a, QStringLiteral("ckSEMCABECA"),
              QStringLiteral("Usar cabeças genéricas na rede (uma leitora por porta)"), 16, 216, 400);
    auto* freq = new QGroupBox(QStringLiteral(" Intervalo de acesso ao \"timer\"  "), a);
    freq->setGeometry(16, 240, 480, 44);
    grFREQUENCIA = new QButtonGroup(this);
    const QStringList fr = {QStringLiteral("1 a cada 2 segundos"), QStringLiteral("1 a cada 1 segundo"),
                            QStringLiteral("2 a cada 1 segundo")};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(fr[i], freq);
        r->setGeometry(10 + i * 155, 20, 150, 18);
        grFREQUENCIA->addButton(r, i);
    }
    rotulo(a, QStringLiteral("Tipos de usuários. Um tipo por linha."), 16, 292);
    mmTIPOS = new QPlainTextEdit(a);
    mmTIPOS->setObjectName(QStringLiteral("mmTIPOS"));
    mmTIPOS->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmTIPOS->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmTIPOS->setGeometry(16, 308, 250, 110);
    mmGRUPOS = new QPlainTextEdit(a);
    mmGRUPOS->hide();
    btAPLICAR = botao(a, QStringLiteral("btAPLICAR"), QStringLiteral("Aplicar configuração"), 16, 426, 150);
    auto* g64 = new QGroupBox(QStringLiteral("Opções avançadas para leitor QX64AX"), a);
    g64->setGeometry(16, 462, 590, 56);
    rotulo(g64, QStringLiteral("Ignorar repetição por"), 10, 25);
    edIGNORAR64 = campo(g64, QStringLiteral("edIGNORAR64"), 150, 22, 40);
    edIGNORAR64->setMaxLength(3);
    rotulo(g64, QStringLiteral("seg"), 194, 25);
    rotulo(g64, QStringLiteral("Considerar falha no trânsito do portão após"), 226, 25);
    edFALHA64 = campo(g64, QStringLiteral("edFALHA64"), 510, 22, 40);
    edFALHA64->setMaxLength(3);
    rotulo(g64, QStringLiteral("seg"), 554, 25);
    auto* g71 = new QGroupBox(QStringLiteral("Opções avançadas para leitor QX71"), a);
    g71->setGeometry(16, 524, 590, 56);
    rotulo(g71, QStringLiteral("Ignorar repetição por"), 10, 25);
    edIGNORAR71 = campo(g71, QStringLiteral("edIGNORAR71"), 150, 22, 40);
    edIGNORAR71->setMaxLength(2);
    rotulo(g71, QStringLiteral("seg"), 194, 25);
    for (QLineEdit* e : {edIGNORAR64, edFALHA64, edIGNORAR71})
        soDigitos(e);
    rotulo(a, QStringLiteral("Pausa de acesso entre leitoras (em ms)"), 16, 588);
    slPAUSA = new QSlider(Qt::Horizontal, a);
    slPAUSA->setRange(50, 250);
    slPAUSA->setTickInterval(50);
    slPAUSA->setTickPosition(QSlider::TicksBelow);
    slPAUSA->setGeometry(16, 604, 300, 24);
    for (int i = 0; i < 5; ++i)
        rotulo(a, QString::number(50 + i * 50), 12 + i * 70, 630);
    a->setMinimumSize(610, 656);
    rolagem->setWidget(a);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(rolagem);

    escolherArquivo = [this](const QString& pasta, const QString& filtro) {
        QFileDialog d(this, QString(), pasta, filtro);
        d.setDefaultSuffix(QStringLiteral("WAV"));
        d.setFileMode(QFileDialog::ExistingFile);
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first()
                                                                             : QString();
    };
    tocar = [this](const QString& arquivo) {
        auto* s = new QSoundEffect(this);
        s->setSource(QUrl::fromLocalFile(arquivo));
        connect(s, &QSoundEffect::playingChanged, s, [s] {
            if (!s->isPlaying()) s->deleteLater();
        });
        // A file that cannot be played is ignored; the effect goes with it.
        connect(s, &QSoundEffect::statusChanged, s, [s] {
            if (s->status() == QSoundEffect::Error) s->deleteLater();
        });
        s->play();
    };
    connect(ckUSARSOM, &QCheckBox::clicked, this, &TframeOutrasOpcoes::regraSom);
    connect(btPROCURAR1, &QPushButton::clicked, this, [this] { Procurar(edSOM1); });
    connect(btPROCURAR2, &QPushButton::clicked, this, [this] { Procurar(edSOM2); });
    auto testar = [this](QLineEdit* e, QPushButton* b) {
        connect(e, &QLineEdit::textChanged, b, [e, b] { b->setEnabled(!e->text().trimmed().isEmpty()); });
        connect(b, &QPushButton::clicked, this, [this, e] {
            try {
                if (tocar) tocar(e->text());
            } catch (...) {
            }
        });
        b->setEnabled(false);
    };
    testar(edSOM1, btTESTAR1);
    testar(edSOM2, btTESTAR2);
    connect(btAPLICAR, &QPushButton::clicked, this, [this] { Protegido([this] { Aplicar(); }); });
}

void TframeOutrasOpcoes::regraSom() {
    edSOM1->setEnabled(ckUSARSOM->isChecked());
    edSOM2->setEnabled(ckUSARSOM->isChecked());
}

void TframeOutrasOpcoes::Procurar(QLineEdit* campo) {
    if (!escolherArquivo) return;
    const QString escolhido = escolherArquivo(PastaPrograma::caminho(QStringLiteral("Sons")),
                                              QStringLiteral("Arquivo WAV (*.wav)"));
    if (escolhido.trimmed().isEmpty() || !QFileInfo::exists(escolhido)) return;
    campo->setText(QFileInfo(escolhido).absoluteFilePath());
    campo->setProperty("anterior", campo->text());
}

void TframeOutrasOpcoes::Carregar() {
    edNOME->setText(cfg::outros_nomecomputador_login.ler());
    edSOM1->setText(cfg::som_som1.ler());
    edSOM2->setText(cfg::som_som2.ler());
    for (QLineEdit* e : {edSOM1, edSOM2})
        e->setProperty("anterior", e->text());
    ckUSARSOM->setChecked(cfg::som_usarsom.ler());
    if (QAbstractButton* b = grFREQUENCIA->button(cfg::outros_frequenciaserial.ler())) b->setChecked(true);
    slPAUSA->setValue(cfg::outros_sleep_leitoras.ler());
    ckCONFIRMAR->setChecked(cfg::outros_confirmaaofechar.ler());
    ckSEMCABECA->setChecked(cfg::outros_semcabeca.ler());
    edEXPIRA->setText(QString::number(cfg::outros_expiraem.ler()));
    edIGNORAR64->setText(QString::number(cfg::qx64_ignorarrepeticaopor.ler()));
    edFALHA64->setText(QString::number(cfg::qx64_falhoutransito.ler()));
    edIGNORAR71->setText(QString::number(cfg::qx71_ignorarrepeticaopor.ler()));
    regraSom();
    if (QFile::exists(QStringLiteral("Tipos.txt")))
        mmTIPOS->setPlainText(lerLinhas(QStringLiteral("Tipos.txt")).join(u'\n'));
    if (QFile::exists(QStringLiteral("Grupos.txt")))
        mmGRUPOS->setPlainText(lerLinhas(QStringLiteral("Grupos.txt")).join(u'\n'));
}

void TframeOutrasOpcoes::Aplicar() {
    cfg::outros_confirmaaofechar.gravar(ckCONFIRMAR->isChecked());
    cfg::outros_semcabeca.gravar(ckSEMCABECA->isChecked());
    cfg::outros_nomecomputador.gravar(edNOME->text());
    cfg::som_som1.gravar(edSOM1->text());
    cfg::som_som2.gravar(edSOM2->text());
    cfg::som_usarsom.gravar(ckUSARSOM->isChecked());
    cfg::outros_frequenciaserial.gravar(std::max(0, grFREQUENCIA->checkedId()));
    cfg::outros_sleep_leitoras.gravar(slPAUSA->value());
    const int expira = numeroOuPadrao(edEXPIRA->text(), 365);
    edEXPIRA->setText(QString::number(expira));
    cfg::outros_expiraem.gravar(expira);
    int ignorar64 = numeroOuPadrao(edIGNORAR64->text(), 40);
    if (ignorar64 == 0) ignorar64 = 40;
    cfg::qx64_ignorarrepeticaopor.gravar(ignorar64);
    edIGNORAR64->setText(QString::number(ignorar64));
    const int falha = numeroOuPadrao(edFALHA64->text(), 0);
    edFALHA64->setText(QString::number(falha));
    cfg::qx64_falhoutransito.gravar(falha);
    int ignorar71 = numeroOuPadrao(edIGNORAR71->text(), 2);
    if (ignorar71 < 0) ignorar71 = 2;
    cfg::qx71_ignorarrepeticaopor.gravar(ignorar71);
    edIGNORAR71->setText(QString::number(ignorar71));
    gravarLinhas(QStringLiteral("Tipos.txt"), linhasTipos(mmTIPOS->toPlainText()));
    gravarLinhas(QStringLiteral("Grupos.txt"), linhasTipos(mmGRUPOS->toPlainText()));
    MostrarMensagem(QStringLiteral("@!000OKKConfiguração salva com sucesso."));
}

} // namespace portaris
