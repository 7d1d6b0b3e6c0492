// The registration panels and windows in the main window, over a real embedded database.
#include "ConsoleTeste.h"
#include "config/TframeGrupos.h"
#include "registration/TfmBUSCA.h"
#include "registration/TfmHABILITAR_LISTA.h"
#include "shell/Cadastros.h"
#include "ui/SemanaHorarios.h"

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

using namespace portaris;

namespace {

const QString kEstacao = QStringLiteral("0A0B0C0D");

void sql(TdmPORTARIS& dm, const QString& s) {
    Unidade::gravar(dm.dbBANCO, [&] { dm.dbBANCO.executar(s); });
}

// Holder `chave` open all week, in group "Geral"; with no card given, one of its own.
void titular(TdmPORTARIS& dm, int chave, const QString& nome, QString cartao = {}) {
    if (cartao.isEmpty()) cartao = QStringLiteral("%1").arg(chave, 10, 10, QLatin1Char('0'));
    QString cols, vals;
    for (const char* d : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM"}) {
        cols += QStringLiteral(", %1E, %1S").arg(QLatin1String(d));
        vals += QStringLiteral(", '00:00:00', '23:59:59'");
    }
    sql(dm,
        QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME, TIPO, GRUPO, NAOLISTARELAT, DESABILITAR, "
                       "NAOACESSOFERIADOS, EXPIRA, POSICAO%1) VALUES (%2, '%3', '%4', 'Morador', 'Geral', "
                       "'0', '0', '0', '0', 'N'%5)")
            .arg(cols)
            .arg(chave)
            .arg(cartao, nome, vals));
}

void leitora(TdmPORTARIS& dm, int chave, int cabeca, const QString& descricao,
             const QString& estacao = kEstacao) {
    sql(dm, QStringLiteral(
                "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIALNUM) VALUES (%1, %2, '%3', '%4')")
                .arg(chave)
                .arg(cabeca)
                .arg(descricao, estacao));
}

void habilitar(TdmPORTARIS& dm, int usuario, int dispositivo, int memorizar) {
    sql(dm, QStringLiteral("INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) VALUES (%1, %2, %3)")
                .arg(usuario)
                .arg(dispositivo)
                .arg(memorizar));
}

QVariant valor(TdmPORTARIS& dm, const QString& consulta) {
    return dm.dbBANCO.valor(consulta);
}

// The main window with the three registration panels, over the data seeded by `semear`.
struct Cadastro {
    ConsoleTeste t;
    Cadastros c;
    TdmPORTARIS& dm;

    template <class F>
    explicit Cadastro(F&& semear, const QString& niveis = QStringLiteral("11111")) : t(niveis), dm(*t.m.dm) {
        semear(dm);
        for (Conjunto* s : {&dm.setLEI, &dm.setLEI64, &dm.setCNL, &dm.setUSU, &dm.setFAM, &dm.setRON})
            s->abrir();
        c = CriarCadastros(
            *t.w, dm,
            [this](int k, QString& nome, QByteArray&) {
                nome = dm.dbBANCO.valor(QStringLiteral("SELECT NOME FROM USUARIO WHERE CHAVE = %1").arg(k))
                           .toString();
                return !nome.isEmpty();
            },
            {}, true);
        t.w->show();
        t.w->btUSU->click();
        t.m.operador.limpar();
    }
    TframeCadastroUsuario& usu() { return *c.usuarios; }
    QTableWidget& grade() { return *c.usuarios->gdLEI; }
    QString celula(int r, int col) { return grade().item(r, col) ? grade().item(r, col)->text() : QString(); }
};

QByteArray bmp(int largura, int altura, QColor cor = Qt::blue) {
    QImage img(largura, altura, QImage::Format_RGB32);
    img.fill(cor);
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return b;
}

} // namespace

class TstCadastro : public QObject {
    Q_OBJECT
private slots:
    void gradeDeLeitoras();
    void estacaoSemDispositivos();
    void memoriaCheia_data();
    void memoriaCheia();
    void habilitacaoSobrevive_data();
    void habilitacaoSobrevive();
    void ajustarFoto_data();
    void ajustarFoto();
    void semanaDeHorarios_data();
    void semanaDeHorarios();
    void gravacaoRecusada_data();
    void gravacaoRecusada();
    void edicaoNaoDesfazPosicao();
    void fotoInvalida_data();
    void fotoInvalida();
    void fotoDeArquivoEhGuardadaComoBmp();
    void nomeDeVeiculoEhChapa();
    void maquinaDeEstados_data();
    void maquinaDeEstados();
    void recusaMantemPainel();
    void familiaSoComPessoa9();
    void familiaSemDescricao();
    void rondaRecusaJanelas_data();
    void rondaRecusaJanelas();
    void navegadorDaRonda();
    void buscaComparaMaiusculas_data();
    void buscaComparaMaiusculas();
    void loteMantemMemorizacao();
    void loteEmVariasPartes();
    void loteGeraTxt();
    void loteSemUsuarios();
    void cartaoDigitado_data();
    void cartaoDigitado();
    void cartaoDeRondaRepetido();
    void horarioDaRondaComMascara_data();
    void horarioDaRondaComMascara();
    void membroDaFamiliaEsvaziado_data();
    void membroDaFamiliaEsvaziado();
};

// Passive readers, then gates with the bullet, then named controller doors with ©; marks come from
// the holder's enablings, and an enabling on another station's reader shows nowhere.
void TstCadastro::gradeDeLeitoras() {
    Cadastro k([](TdmPORTARIS& dm) {
        leitora(dm, 100, 200, QStringLiteral("Portaria"));
        leitora(dm, 103, 201, QStringLiteral("Outra estação"), QStringLiteral("FFFFFFFF"));
        sql(dm, QStringLiteral("INSERT INTO LEITORA64 (CHAVE, CABECA, DESCRICAO, SERIALNUM) "
                               "VALUES (101, 170, 'Garagem', '0A0B0C0D')"));
        sql(dm,
            QStringLiteral("INSERT INTO CONTROLADORA (CHAVE, CABECA, DESCRICAO, SERIALNUM, PORTA01, PORTA02, "
                           "PORTA03) VALUES (102, 1, 'Bloco A', '0A0B0C0D', 'Social', '', 'Serviço')"));
        titular(dm, 1, QStringLiteral("Ana"));
        titular(dm, 2, QStringLiteral("Beto"));
        const int porta3 = dm.dbBANCO.valor(QStringLiteral("SELECT CHAVEP03 FROM CONTROLADORA")).toInt();
        habilitar(dm, 1, 100, 1);
        habilitar(dm, 1, porta3, 0);
        habilitar(dm, 1, 103, 1);
        habilitar(dm, 2, 101, 0);
    });
    const int porta1 = valor(k.dm, QStringLiteral("SELECT CHAVEP01 FROM CONTROLADORA")).toInt();
    const int porta3 = valor(k.dm, QStringLiteral("SELECT CHAVEP03 FROM CONTROLADORA")).toInt();
    QCOMPARE(k.grade().rowCount(), 4);
    const QStringList nomes = {QStringLiteral("Portaria"), QStringLiteral("Garagem•"),
                               QStringLiteral("Social©"), QStringLiteral("Serviço©")};
    const QStringList chaves = {QStringLiteral("100"), QStringLiteral("101"), QString::number(porta1),
                                QString::number(porta3)};
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(k.celula(r, 0), nomes[r]);
        QCOMPARE(k.celula(r, 1), chaves[r]);
    }
    // Ana is current (ordered by name).
    QCOMPARE(k.celula(0, 2), QStringLiteral("1"));
    QCOMPARE(k.celula(0, 3), QStringLiteral("1"));
    QCOMPARE(k.celula(1, 2), QString());
    QCOMPARE(k.celula(2, 2), QString());
    QCOMPARE(k.celula(3, 2), QStringLiteral("1"));
    QCOMPARE(k.celula(3, 3), QStringLiteral("0"));
    // Moving to Beto replaces every mark.
    k.dm.setUSU.proximo();
    QCOMPARE(k.celula(0, 2), QString());
    QCOMPARE(k.celula(3, 2), QString());
    QCOMPARE(k.celula(1, 2), QStringLiteral("2"));
    QCOMPARE(k.usu().linhaSelecionada(), 0);
    QVERIFY(k.grade().isColumnHidden(1));
    QVERIFY(k.grade().isColumnHidden(2));
}

void TstCadastro::estacaoSemDispositivos() {
    Cadastro k([](TdmPORTARIS& dm) { titular(dm, 1, QStringLiteral("Ana")); });
    QCOMPARE(k.grade().rowCount(), 1);
    QCOMPARE(k.celula(0, 0), QString());
    // A row without a device has nothing to toggle.
    k.usu().alternarHabilitacao();
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT COUNT(*) FROM HABILITADO")).toInt(), 0);
}

void TstCadastro::memoriaCheia_data() {
    QTest::addColumn<bool>("menu");
    QTest::addColumn<bool>("cheia");
    QTest::addColumn<QString>("memorizado");
    QTest::addColumn<QStringList>("mensagens");
    const QStringList esgotada{QStringLiteral("Memória da leitora esgotada!")};
    QTest::newRow("duplo clique, 59 memorizados") << false << false << "1" << QStringList();
    QTest::newRow("duplo clique, 60 memorizados") << false << true << "0" << QStringList();
    QTest::newRow("menu memorizar, 59 memorizados") << true << false << "1" << QStringList();
    QTest::newRow("menu memorizar, 60 memorizados") << true << true << "0" << esgotada;
}

// A device holding 60 memorised cards enables without memorising; only the menu says why.
void TstCadastro::memoriaCheia() {
    QFETCH(bool, menu);
    QFETCH(bool, cheia);
    QFETCH(QString, memorizado);
    QFETCH(QStringList, mensagens);
    Cadastro k([cheia](TdmPORTARIS& dm) {
        leitora(dm, 100, 200, QStringLiteral("Portaria"));
        titular(dm, 1, QStringLiteral("Aaa"));
        for (int u = 2; u <= (cheia ? 61 : 60); ++u) {
            titular(dm, u, QStringLiteral("Z%1").arg(u));
            habilitar(dm, u, 100, 1);
        }
    });
    QCOMPARE(k.dm.setUSU.valor(QStringLiteral("CHAVE")).toInt(), 1);
    if (menu) {
        QTest::mouseClick(k.grade().viewport(), Qt::LeftButton, {},
                          k.grade().visualRect(k.grade().model()->index(0, 0)).center());
        k.usu().prepararMenuHab();
        QVERIFY(k.usu().miHAB->isEnabled());
        QVERIFY(k.usu().miHABMEM->isEnabled());
        QVERIFY(!k.usu().miDES->isEnabled());
        k.usu().miHABMEM->trigger();
        k.usu().prepararMenuHab();
        QVERIFY(!k.usu().miHAB->isEnabled());
        QVERIFY(k.usu().miDES->isEnabled());
    } else {
        k.usu().alternarHabilitacao();
    }
    QCOMPARE(k.celula(0, 2), QStringLiteral("1"));
    QCOMPARE(k.celula(0, 3), memorizado);
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT MEMORIZAR FROM HABILITADO WHERE UCHAVE = 1")).toString(),
             memorizado);
    QStringList vistas;
    for (const auto& m : k.t.m.operador.mostradas())
        vistas << m.texto;
    QCOMPARE(vistas, mensagens);
    // The toggle takes the enabling away again.
    k.usu().alternarHabilitacao();
    QCOMPARE(k.celula(0, 2), QString());
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT COUNT(*) FROM HABILITADO WHERE UCHAVE = 1")).toInt(), 0);
}

// An enabling double-clicked in the grid is stored at once: another station sees it, and no
// "Cancelar" or refused save elsewhere takes it back while the grid still shows it.
void TstCadastro::habilitacaoSobrevive_data() {
    QTest::addColumn<QString>("depois");
    QTest::newRow("nada") << "";
    QTest::newRow("Cancelar numa família") << "familia";
    QTest::newRow("janela de ronda cancelada") << "ronda";
    QTest::newRow("gravação recusada") << "recusada";
}
void TstCadastro::habilitacaoSobrevive() {
    QFETCH(QString, depois);
    Cadastro k([](TdmPORTARIS& dm) {
        leitora(dm, 100, 200, QStringLiteral("Portaria"));
        titular(dm, 1, QStringLiteral("Ana"));
    });
    k.usu().alternarHabilitacao();
    QCOMPARE(k.celula(0, 2), QStringLiteral("1"));
    if (depois == QLatin1String("familia")) {
        k.dm.setFAM.inserir();
        k.dm.setFAM.definir(QStringLiteral("DESCRICAO"), QStringLiteral("Desistiu"));
        k.dm.setFAM.cancelar();
    } else if (depois == QLatin1String("ronda")) {
        k.dm.tbRON.inserir();
        k.dm.tbRON.cancelar();
    } else if (depois == QLatin1String("recusada")) {
        k.dm.setCON.inserir();
        k.dm.setCON.definir(QStringLiteral("LOGIN"), QStringLiteral("admin"));
        QVERIFY_THROWS_EXCEPTION(ErroBanco, k.dm.setCON.gravar());
        k.dm.setCON.cancelar();
    }
    Banco outra;
    outra.conectar(k.t.m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    QCOMPARE(outra.valor(QStringLiteral("SELECT COUNT(*) FROM HABILITADO WHERE UCHAVE = 1 AND LCHAVE = 100")).toInt(),
             1);
    QCOMPARE(k.celula(0, 2), QStringLiteral("1"));
}

void TstCadastro::ajustarFoto_data() {
    QTest::addColumn<QSize>("original");
    QTest::addColumn<QSize>("ajustada");
    QTest::newRow("retrato") << QSize(300, 600) << QSize(105, 210);
    QTest::newRow("paisagem pela largura") << QSize(400, 350) << QSize(280, 245);
    QTest::newRow("pequena é ampliada") << QSize(140, 70) << QSize(280, 140);
    QTest::newRow("meio arredonda para par, abaixo") << QSize(560, 5) << QSize(280, 2);
    QTest::newRow("meio arredonda para par, acima") << QSize(560, 7) << QSize(280, 4);
    QTest::newRow("quadrada") << QSize(500, 500) << QSize(280, 280);
}

void TstCadastro::ajustarFoto() {
    QFETCH(QSize, original);
    QFETCH(QSize, ajustada);
    QImage img(original, QImage::Format_RGB32);
    img.fill(Qt::red);
    QCOMPARE(TframeCadastroUsuario::AJUSTAR_FOTO(img).size(), ajustada);
}

// The week of times of the holder panel and of the group page, one component: the mask's keys
// (all fourteen fields of a holder, the Monday start alone of a group), equal start and end struck
// through, Monday copied to the week only while the record is open.
void TstCadastro::semanaDeHorarios_data() {
    QTest::addColumn<QString>("painel");
    QTest::addColumn<int>("campo");
    QTest::addColumn<QString>("acao");
    QTest::addColumn<QString>("esperado"); // the field's text, or "riscado" / "liso"
    for (const char* painel : {"usuário", "grupo"}) {
        const bool grupo = QLatin1String(painel) == QLatin1String("grupo");
        auto linha = [&](const char* nome, int campo, const char* acao, const char* esperado) {
            QTest::addRow("%s: %s", painel, nome) << QString::fromUtf8(painel) << campo << QString::fromUtf8(acao)
                                                 << QString::fromUtf8(esperado);
        };
        linha("Delete no início de segunda digita 0", 0, "Delete", "08:00:00");
        linha("Backspace no início de segunda digita 0", 0, "Backspace", "08:00:00");
        linha("seleção larga vira um caractere", 0, "selecionar e 1", "08:10:00");
        linha("Delete no início de terça", 2, "Delete", grupo ? "08:0:00" : "08:00:00");
        linha("Delete no fim de domingo", 13, "Delete", grupo ? "18:0:00" : "18:00:00");
        linha("segunda copiada para domingo", 13, "copiar 08:00:00|18:00:00", "18:00:00");
        linha("segunda copiada para quarta", 4, "copiar 07:30:00|12:00:00", "07:30:00");
        linha("início inválido vira zero", 0, "copiar 25:00:00|18:00:00", "00:00:00 aviso");
        linha("início inválido não copia", 2, "copiar 25:00:00|18:00:00", "08:30:00 aviso");
        linha("fim inválido vira zero", 1, "copiar 08:00:00|24:61:00", "00:00:00 aviso");
        linha("sem edição nada é copiado", 2, "copiar sem edição 07:00:00|18:00:00", "como estava");
        linha("início igual ao fim riscado", 10, "igualar", "riscado");
        linha("o par riscado também", 11, "igualar", "riscado");
        linha("outro dia liso", 2, "igualar", "liso");
        linha("diferentes outra vez, lisos", 10, "igualar e mudar", "liso");
    }
}

void TstCadastro::semanaDeHorarios() {
    QFETCH(QString, painel);
    QFETCH(int, campo);
    QFETCH(QString, acao);
    QFETCH(QString, esperado);
    Cadastro k([](TdmPORTARIS& dm) { titular(dm, 1, QStringLiteral("Ana")); });
    k.dm.setGRP.abrir();
    std::unique_ptr<TframeGrupos> grupos;
    QLineEdit* const* campos = k.usu().edHOR.data();
    QPushButton* botao = k.usu().btSEG;
    std::function<void()> alterar = [&] { k.t.w->btALT->click(); };
    if (painel == QLatin1String("grupo")) {
        grupos = std::make_unique<TframeGrupos>(k.dm);
        grupos->show();
        campos = grupos->edHORA;
        botao = grupos->btSEG;
        alterar = [&] { QVERIFY(grupos->ALTERAR()); };
    }
    const bool semEdicao = acao.contains(QStringLiteral("sem edição"));
    if (!semEdicao) {
        alterar();
        for (int i = 0; i < 14; ++i) {
            campos[i]->setText(i % 2 ? QStringLiteral("18:30:00") : QStringLiteral("08:30:00"));
            campos[i]->setModified(true);
        }
    }
    QLineEdit* e = campos[campo];
    const QString antes = e->text();
    if (acao == QLatin1String("Delete") || acao == QLatin1String("Backspace") || acao.startsWith(QLatin1String("selecionar"))) {
        e->setFocus();
        e->setCursorPosition(3);
        if (acao.startsWith(QLatin1String("selecionar"))) e->setSelection(3, 4);
        QTest::keyClick(e, acao == QLatin1String("Delete")      ? Qt::Key_Delete
                           : acao == QLatin1String("Backspace") ? Qt::Key_Backspace
                                                                : Qt::Key_1);
        QCOMPARE(e->text(), esperado);
    } else if (acao.startsWith(QLatin1String("copiar"))) {
        const QStringList segunda = acao.section(u' ', -1).split(u'|');
        campos[0]->setText(segunda[0]);
        campos[1]->setText(segunda[1]);
        botao->click(); // hidden while browsing: the click reaches the copy all the same
        QCOMPARE(e->text(), semEdicao ? antes : esperado.section(u' ', 0, 0));
        QCOMPARE(k.t.m.operador.textos().contains(QStringLiteral("Hora Inválida!")), esperado.endsWith(QLatin1String("aviso")));
        if (!semEdicao && !esperado.endsWith(QLatin1String("aviso"))) {
            // What the copy put in the fields reaches the record.
            Conjunto& c = grupos ? k.dm.setGRP : k.dm.setUSU;
            QCOMPARE(c.texto(QString::fromLatin1(SemanaHorarios::Colunas[campo])), esperado);
        }
    } else {
        campos[10]->setText(QStringLiteral("00:00:00"));
        campos[11]->setText(QStringLiteral("00:00:00"));
        if (acao.endsWith(QLatin1String("mudar"))) campos[11]->setText(QStringLiteral("10:00:00"));
        QCOMPARE(e->font().strikeOut(), esperado == QLatin1String("riscado"));
    }
}

void TstCadastro::gravacaoRecusada_data() {
    QTest::addColumn<QString>("grupo");
    QTest::addColumn<QString>("quartaInicio");
    QTest::addColumn<QString>("mensagem");
    QTest::newRow("sem grupo") << ""
                               << "08:00:00"
                               << "O grupo deve ser informado!";
    QTest::newRow("quarta invertida") << "Geral"
                                      << "23:00:00"
                                      << "Existe um horário informado que não procede!";
}

// A refused save shows only its own message and keeps the record open with what was typed.
void TstCadastro::gravacaoRecusada() {
    QFETCH(QString, grupo);
    QFETCH(QString, quartaInicio);
    QFETCH(QString, mensagem);
    Cadastro k([](TdmPORTARIS& dm) { titular(dm, 1, QStringLiteral("Ana")); });
    TframeCadastroUsuario& u = k.usu();
    k.t.w->btINC->click();
    QVERIFY(k.dm.setUSU.estado() == EstadoConjunto::Inserindo);
    QVERIFY(k.t.w->btGRA->isEnabled());
    QVERIFY(!k.t.w->btACE->isEnabled());
    u.edNOM->setText(QStringLiteral("Bruna"));
    u.edNOM->setModified(true);
    if (!grupo.isEmpty()) u.cbGRU->setCurrentIndex(u.cbGRU->findText(grupo));
    if (!grupo.isEmpty()) emit u.cbGRU->textActivated(grupo);
    u.edHOR[4]->setText(quartaInicio);
    u.edHOR[4]->setModified(true);
    u.edHOR[5]->setText(QStringLiteral("08:00:00"));
    u.edHOR[5]->setModified(true);
    k.t.w->btGRA->click();
    QCOMPARE(k.t.m.operador.textos(), QStringList{mensagem});
    QVERIFY(k.dm.setUSU.estado() == EstadoConjunto::Inserindo);
    QCOMPARE(u.edNOM->text(), QStringLiteral("Bruna"));
    QCOMPARE(k.dm.setUSU.texto(QStringLiteral("NOME")), QStringLiteral("Bruna"));
    QVERIFY(k.t.w->btGRA->isEnabled());
    QVERIFY(!k.t.w->btUSU->isEnabled());
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT COUNT(*) FROM USUARIO")).toInt(), 1);
}

// The engine writes the holder's position while the operator edits the record: the save keeps it.
void TstCadastro::edicaoNaoDesfazPosicao() {
    Cadastro k([](TdmPORTARIS& dm) { titular(dm, 1, QStringLiteral("Ana")); });
    k.t.w->btALT->click();
    k.usu().edTRE->setText(QStringLiteral("3333-4444"));
    k.usu().edTRE->setModified(true);
    {
        Banco outra;
        outra.conectar(k.t.m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        outra.executar(QStringLiteral("UPDATE USUARIO SET POSICAO = 'E' WHERE CHAVE = 1"));
        outra.commit();
    }
    k.t.w->btGRA->click();
    QVERIFY(k.dm.setUSU.estado() == EstadoConjunto::Navegando);
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT POSICAO FROM USUARIO WHERE CHAVE = 1")).toString(),
             QStringLiteral("E"));
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT TELRESID FROM USUARIO WHERE CHAVE = 1")).toString(),
             QStringLiteral("3333-4444"));
}

void TstCadastro::fotoInvalida_data() {
    QTest::addColumn<QString>("tipo");
    QTest::newRow("texto com extensão jpg") << "texto";
    QTest::newRow("arquivo vazio") << "vazio";
    QTest::newRow("50 MB") << "grande";
    QTest::newRow("inexistente") << "inexistente";
}

// A file that is no usable picture leaves the photo as it was, with a message.
void TstCadastro::fotoInvalida() {
    QFETCH(QString, tipo);
    Cadastro k([](TdmPORTARIS& dm) { titular(dm, 1, QStringLiteral("Ana")); });
    const QByteArray original = bmp(105, 210);
    {
        Comando foto(k.dm.dbBANCO, QStringLiteral("UPDATE USUARIO SET FOTO = :F WHERE CHAVE = 1"));
        foto.definir(QStringLiteral("F"), original);
        Unidade::gravar(k.dm.dbBANCO, [&] { foto.executar(); });
        k.dm.setUSU.atualizar();
    }
    k.t.w->btALT->click();
    const QString arquivo = k.t.m.pasta.caminho(QStringLiteral("foto.jpg"));
    if (tipo != QLatin1String("inexistente")) {
        QFile f(arquivo);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (tipo == QLatin1String("texto")) f.write("isto não é uma foto\n");
        if (tipo == QLatin1String("grande")) f.resize(50LL * 1024 * 1024);
    }
    QVERIFY(!k.usu().carregarFotoArquivo(arquivo));
    QCOMPARE(k.t.m.operador.mostradas().size(), 1);
    QVERIFY(!k.usu().imPIC->pixmap().isNull());
    // The clipboard without a picture changes nothing and says nothing.
    QGuiApplication::clipboard()->setText(QStringLiteral("0000ABCDEF"));
    k.usu().colarFoto();
    QCOMPARE(k.t.m.operador.mostradas().size(), 1);
    k.t.w->btGRA->click();
    QVERIFY(k.dm.setUSU.estado() == EstadoConjunto::Navegando);
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT FOTO FROM USUARIO WHERE CHAVE = 1")).toByteArray(), original);
}

void TstCadastro::fotoDeArquivoEhGuardadaComoBmp() {
    Cadastro k([](TdmPORTARIS& dm) { titular(dm, 1, QStringLiteral("Ana")); });
    const QString arquivo = k.t.m.pasta.caminho(QStringLiteral("paisagem.jpeg"));
    QImage img(400, 350, QImage::Format_RGB32);
    img.fill(Qt::green);
    QVERIFY(img.save(arquivo, "JPEG"));
    k.t.w->btALT->click();
    QVERIFY(k.usu().carregarFotoArquivo(arquivo));
    k.t.w->btGRA->click();
    const QByteArray foto =
        valor(k.dm, QStringLiteral("SELECT FOTO FROM USUARIO WHERE CHAVE = 1")).toByteArray();
    QVERIFY(foto.startsWith("BM"));
    QCOMPARE(QImage::fromData(foto).size(), QSize(280, 245));
    QVERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
}

void TstCadastro::nomeDeVeiculoEhChapa() {
    Cadastro k([](TdmPORTARIS& dm) {
        titular(dm, 1, QStringLiteral("Ana"));
        titular(dm, 2, QStringLiteral("ABC1234"));
        sql(dm, QStringLiteral("UPDATE USUARIO SET TIPO = 'Veículo' WHERE CHAVE = 2"));
    });
    TframeCadastroUsuario& u = k.usu();
    QCOMPARE(u.lbNOM->text(), QStringLiteral("Nome"));
    u.alternarListaNomes();
    QVERIFY(u.lsNOM->isVisible());
    QCOMPARE(u.lsNOM->height(), 135);
    u.escolherNome(0); // names in order: ABC1234, Ana
    QVERIFY(!u.lsNOM->isVisible());
    QCOMPARE(k.dm.setUSU.valor(QStringLiteral("CHAVE")).toInt(), 2);
    QCOMPARE(u.lbNOM->text(), QStringLiteral("Chapa"));
    // The name list does not open while a record is open.
    k.t.w->btALT->click();
    u.alternarListaNomes();
    QVERIFY(!u.lsNOM->isVisible());
}

void TstCadastro::maquinaDeEstados_data() {
    QTest::addColumn<int>("painel");
    QTest::newRow("usuários") << int(TfmPRS::pnUSUARIOS);
    QTest::newRow("famílias") << int(TfmPRS::pnFAMILIAS);
    QTest::newRow("ronda") << int(TfmPRS::pnRONDA);
}

// The same machine for the three panels: editing locks the bar except "Famílias", "Status" and
// "Funções"; Cancelar and Gravar return to browsing; Excluir asks first.
void TstCadastro::maquinaDeEstados() {
    QFETCH(int, painel);
    Cadastro k([](TdmPORTARIS& dm) {
        titular(dm, 1, QStringLiteral("Ana"));
        sql(dm, QStringLiteral("INSERT INTO FAMILIA (CHAVE, DESCRICAO, UCHAVE1) VALUES (1, 'Silva', 1)"));
        sql(dm, QStringLiteral("INSERT INTO RONDA (CHAVE, CARTAO, APELIDO, DESABILITAR) VALUES (1, "
                               "'00000000CC', 'Vigia', '0')"));
    });
    TfmPRS& w = *k.t.w;
    QToolButton* botao = painel == TfmPRS::pnUSUARIOS   ? w.btUSU
                         : painel == TfmPRS::pnFAMILIAS ? w.btFAM
                                                        : w.btRON;
    botao->click();
    QCOMPARE(w.painelAtual(), painel);
    w.MostrarMenu();
    QCOMPARE(w.menuAberto(), w.pnFCAD);
    QCOMPARE(w.pnFCAD->height(), 370);
    QVERIFY(!w.btIMP->isVisibleTo(w.pnFCAD));
    w.btINC->click();
    QVERIFY(!w.menuAberto());
    QVERIFY(w.btGRA->isEnabled() && w.btCAN->isEnabled());
    QVERIFY(!w.btINC->isEnabled() && !w.btALT->isEnabled() && !w.btEXC->isEnabled());
    for (QToolButton* b : {w.btACE, w.btUSU, w.btRON, w.btLEM, w.btREL, w.btLOF, w.btCON, w.btFIN})
        QVERIFY(!b->isEnabled());
    QVERIFY(w.btFAM->isEnabled() && w.btSTA->isEnabled() && w.btFUN->isEnabled());
    QCOMPARE(k.c.usuarios->btSEG->isVisibleTo(k.c.usuarios), painel == TfmPRS::pnUSUARIOS);
    // "Famílias" stays enabled but does not leave a record open.
    w.btFAM->click();
    QCOMPARE(w.painelAtual(), painel);
    w.btCAN->click();
    QVERIFY(w.btINC->isEnabled() && !w.btGRA->isEnabled());
    QVERIFY(w.btACE->isEnabled());
    QVERIFY(!k.c.usuarios->btSEG->isVisibleTo(k.c.usuarios));
    // Excluir asks; Não keeps the record.
    k.t.m.operador.roteiro({Resposta::Nao});
    w.btEXC->click();
    QCOMPARE(k.t.m.operador.textos().last(),
             QStringLiteral("Confirma realizar a exclusão da informação selecionada?"));
    QCOMPARE(
        valor(k.dm, QStringLiteral("SELECT (SELECT COUNT(*) FROM USUARIO) + (SELECT COUNT(*) FROM FAMILIA) + "
                                   "(SELECT COUNT(*) FROM RONDA) FROM RDB$DATABASE"))
            .toInt(),
        3);
    k.t.m.operador.roteiro({Resposta::Sim});
    w.btEXC->click();
    QCOMPARE(
        valor(k.dm, QStringLiteral("SELECT (SELECT COUNT(*) FROM USUARIO) + (SELECT COUNT(*) FROM FAMILIA) + "
                                   "(SELECT COUNT(*) FROM RONDA) FROM RDB$DATABASE"))
            .toInt(),
        2);
    QVERIFY(w.btINC->isEnabled() && !w.btGRA->isEnabled());
}

// Without the patrol level, "Ronda" is refused and the families panel keeps its button pressed.
void TstCadastro::recusaMantemPainel() {
    Cadastro k([](TdmPORTARIS&) {}, QStringLiteral("10111"));
    TfmPRS& w = *k.t.w;
    w.btFAM->click();
    QCOMPARE(w.painelAtual(), int(TfmPRS::pnFAMILIAS));
    w.btRON->click();
    QCOMPARE(k.t.m.operador.textos(),
             QStringList{QStringLiteral("Sua conta não possui acesso a esta opção!")});
    QCOMPARE(w.painelAtual(), int(TfmPRS::pnFAMILIAS));
    QVERIFY(w.btFAM->isChecked());
    QVERIFY(!w.btRON->isChecked());
    QCOMPARE(w.windowTitle(), QStringLiteral("PORTARIS - Tela de cadastro de famílias"));
}

void TstCadastro::familiaSoComPessoa9() {
    Cadastro k([](TdmPORTARIS& dm) {
        titular(dm, 1, QStringLiteral("Ana"));
        titular(dm, 7, QStringLiteral("Nina"));
        sql(dm, QStringLiteral("INSERT INTO FAMILIA (CHAVE, DESCRICAO, UCHAVE9) VALUES (1, 'Souza', 7)"));
    });
    TframeCadastroFamilia& f = *k.c.familias;
    const MembrosFamilia esperado{0, 0, 0, 0, 0, 0, 0, 0, 7};
    QCOMPARE(f.membros(), esperado);
    QCOMPARE(f.cbPES[8]->currentText(), QStringLiteral("Nina"));
    QCOMPARE(f.cbPES[0]->currentIndex(), 0); // the empty entry
    QCOMPARE(f.cbPES[0]->currentText(), QString());
    QCOMPARE(f.cbPES[0]->maxVisibleItems(), 24);
    QStringList vistos;
    QString ok;
    bool naoVisivel = true;
    QTimer::singleShot(0, [&] {
        auto* j = qobject_cast<TfmVFM*>(QApplication::activeModalWidget());
        QVERIFY(j);
        for (QLineEdit* n : j->nomes)
            vistos << n->text();
        ok = j->btSIM->text();
        naoVisivel = j->btNAO->isVisible();
        j->accept();
    });
    f.btVIS->click();
    QCOMPARE(vistos.size(), 9);
    QCOMPARE(vistos.last(), QStringLiteral("Nina"));
    QCOMPARE(vistos.first(), QString());
    QCOMPARE(ok, QStringLiteral("&OK"));
    QVERIFY(!naoVisivel);
}

void TstCadastro::familiaSemDescricao() {
    Cadastro k([](TdmPORTARIS& dm) { titular(dm, 1, QStringLiteral("Ana")); });
    TfmPRS& w = *k.t.w;
    w.btFAM->click();
    w.btINC->click();
    TframeCadastroFamilia& f = *k.c.familias;
    f.edFAM->setText(QStringLiteral("   "));
    f.edFAM->setModified(true);
    f.cbPES[1]->setCurrentIndex(1); // the first holder, after the empty entry
    emit f.cbPES[1]->activated(1);
    w.btGRA->click();
    QCOMPARE(k.t.m.operador.textos(), QStringList{QStringLiteral("Descrição é informação obrigatória!")});
    QVERIFY(k.dm.setFAM.estado() == EstadoConjunto::Inserindo);
    QCOMPARE(k.dm.setFAM.valor(QStringLiteral("UCHAVE2")).toInt(), 1);
    QVERIFY(w.btGRA->isEnabled());
    f.edFAM->setText(QStringLiteral("Almeida"));
    f.edFAM->setModified(true);
    w.btGRA->click();
    QVERIFY(k.dm.setFAM.estado() == EstadoConjunto::Navegando);
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT UCHAVE2 FROM FAMILIA WHERE DESCRICAO = 'Almeida'")).toInt(),
             1);
}

void TstCadastro::rondaRecusaJanelas_data() {
    QTest::addColumn<QString>("inicio");
    QTest::addColumn<QString>("fim");
    QTest::addColumn<QString>("cabeca");
    QTest::addColumn<QString>("mensagem");
    QTest::newRow("passa da meia-noite") << "22:00:00"
                                         << "06:00:00"
                                         << "200"
                                         << "Hora Inválida\r\nInício deve ser <= que fim!";
    QTest::newRow("sobreposta") << "09:00:00"
                                << "11:00:00"
                                << "200"
                                << "Horário informado conflita com outro na mesma leitora!";
    QTest::newRow("sem leitora")
        << "12:00:00"
        << "13:00:00"
        << ""
        << "Leitora não informada\r\nInforme a qual leitora deseja atribuir o horário!";
}

// Rows edited in the grid run the schedule rules; a refused row stays in the grid being inserted.
void TstCadastro::rondaRecusaJanelas() {
    QFETCH(QString, inicio);
    QFETCH(QString, fim);
    QFETCH(QString, cabeca);
    QFETCH(QString, mensagem);
    Cadastro k([](TdmPORTARIS& dm) {
        leitora(dm, 100, 200, QStringLiteral("Portaria"));
        sql(dm, QStringLiteral("INSERT INTO RONDA (CHAVE, CARTAO, APELIDO, DESABILITAR) VALUES (1, "
                               "'00000000CC', 'Vigia', '0')"));
        sql(dm,
            QStringLiteral(
                "INSERT INTO RONDAD (CHAVE, INICIO, FIM, CABECA) VALUES (1, '08:00:00', '10:00:00', 200)"));
    });
    k.dm.tbRON.definirParametro(QStringLiteral("PCHAVE"), 1);
    k.dm.tbRON.abrir();
    TframeRonda& r = *k.c.ronda;
    k.t.w->btRON->click();
    QCOMPARE(r.cabecas(), QStringList{QStringLiteral("200")});
    QVERIFY(r.btINS->isEnabled());
    QAbstractItemModel* m = r.gdRON->model();
    QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(m->rowCount(), 1);
    r.InserirHorario();
    QCOMPARE(m->rowCount(), 2);
    QCOMPARE(m->index(1, 0).data().toString(), QStringLiteral("00:00:00"));
    QVERIFY(m->setData(m->index(1, 0), inicio));
    QVERIFY(m->setData(m->index(1, 1), fim));
    if (!cabeca.isEmpty()) QVERIFY(m->setData(m->index(1, 2), cabeca));
    QVERIFY(!r.GravarHorario());
    QCOMPARE(k.t.m.operador.textos(), QStringList{mensagem});
    QVERIFY(k.dm.tbRON.estado() == EstadoConjunto::Inserindo);
    QCOMPARE(m->index(1, 0).data().toString(), inicio);
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT COUNT(*) FROM RONDAD")).toInt(), 1);
    // A good window then goes in.
    QVERIFY(m->setData(m->index(1, 0), QStringLiteral("10:30:00")));
    QVERIFY(m->setData(m->index(1, 1), QStringLiteral("11:00:00")));
    QVERIFY(m->setData(m->index(1, 2), QStringLiteral("200")));
    QVERIFY(r.GravarHorario());
    QCOMPARE(m->rowCount(), 2);
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT COUNT(*) FROM RONDAD")).toInt(), 2);
}

void TstCadastro::navegadorDaRonda() {
    Cadastro k([](TdmPORTARIS& dm) {
        for (int c = 1; c <= 2; ++c)
            sql(dm, QStringLiteral("INSERT INTO RONDA (CHAVE, CARTAO, APELIDO, DESABILITAR) VALUES (%1, "
                                   "'0000000%1CC', 'Vigia %1', '0')")
                        .arg(c));
    });
    TfmPRS& w = *k.t.w;
    TframeRonda& r = *k.c.ronda;
    w.btRON->click();
    QVERIFY(r.btINS->isEnabled());
    w.btINC->click();
    QVERIFY(!r.btINS->isEnabled());
    QVERIFY(!r.gdRON->isEnabled());
    w.btCAN->click();
    QVERIFY(r.btINS->isEnabled());
    k.t.m.operador.roteiro({Resposta::Sim});
    w.btEXC->click();
    QVERIFY(r.btINS->isEnabled());
    k.t.m.operador.roteiro({Resposta::Sim});
    w.btEXC->click();
    QVERIFY(k.dm.setRON.vazio());
    QVERIFY(!r.btINS->isEnabled());
    QCOMPARE(r.btINS->toolTip(), QStringLiteral("Inserir um horário de ronda"));
    QCOMPARE(r.btATU->toolTip(), QStringLiteral("Atualizar dados"));
}

void TstCadastro::buscaComparaMaiusculas_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("porCartao");
    QTest::addColumn<QStringList>("nomes");
    QTest::newRow("jo minúsculo") << "jo" << false << QStringList{"joão"};
    QTest::newRow("JO maiúsculo") << "JO" << false << QStringList{"JOSÉ SILVA"};
    QTest::newRow("vazio lista todos") << "  " << false << QStringList{"Ana", "JOSÉ SILVA", "joão"};
    QTest::newRow("cartão") << "00AB" << true << QStringList{"JOSÉ SILVA"};
    QTest::newRow("cartão minúsculo") << "00ab" << true << QStringList{"JOSÉ SILVA"};
    // Typing stops at the column's width: no engine error, a longer text finds what it can.
    QTest::newRow("cartão longo") << "00AB0000019" << true << QStringList{"JOSÉ SILVA"};
    QTest::newRow("nome longo") << QString(130, u'x') << false << QStringList{};
}

void TstCadastro::buscaComparaMaiusculas() {
    QFETCH(QString, texto);
    QFETCH(bool, porCartao);
    QFETCH(QStringList, nomes);
    Cadastro k([](TdmPORTARIS& dm) {
        titular(dm, 1, QStringLiteral("Ana"), QStringLiteral("0011223344"));
        titular(dm, 2, QStringLiteral("JOSÉ SILVA"), QStringLiteral("00AB000001"));
        titular(dm, 3, QStringLiteral("joão"), QStringLiteral("0099000001"));
    });
    qint64 posicionado = -1;
    TfmBUSCA b(k.dm, [&](qint64 c) {
        posicionado = c;
        return k.c.usuarios->posicionar(c);
    });
    (porCartao ? b.rbCAR : b.rbNOM)->click();
    QTest::keyClicks(b.edREF, texto);
    b.btBUS->click();
    QCOMPARE(k.t.m.operador.textos(), QStringList{});
    QStringList achados;
    for (int r = 0; r < b.resultado().quantidade(); ++r)
        achados << b.resultado().texto(r, QStringLiteral("NOME"));
    QCOMPARE(achados, nomes);
    if (nomes.isEmpty()) return;
    b.resultado().irPara(b.resultado().quantidade() - 1);
    const qint64 chave = b.resultado().valor(QStringLiteral("CHAVE")).toLongLong();
    b.btPOS->click();
    QCOMPARE(posicionado, chave);
    QCOMPARE(k.dm.setUSU.valor(QStringLiteral("CHAVE")).toLongLong(), chave);
    QVERIFY(!b.resultado().aberto());
}

// A memorised enabling switched to "Não" and back to "Sim" stays memorised; "Não" removes, a new
// "Sim" is not memorised, and an unchanged row keeps what it had.
void TstCadastro::loteMantemMemorizacao() {
    Cadastro k([](TdmPORTARIS& dm) {
        leitora(dm, 100, 200, QStringLiteral("Portaria"));
        leitora(dm, 104, 204, QStringLiteral("Fundos"));
        titular(dm, 1, QStringLiteral("Ana"));
        titular(dm, 2, QStringLiteral("Beto"));
        titular(dm, 3, QStringLiteral("Caio"));
        titular(dm, 4, QStringLiteral("Dora"));
        habilitar(dm, 1, 100, 1);
        habilitar(dm, 2, 100, 0);
        habilitar(dm, 4, 100, 1);
        habilitar(dm, 3, 104, 1);
    });
    TfmHABILITAR_LISTA j(k.dm, false, 100, QStringLiteral("200"), QStringLiteral("Portaria"));
    QAbstractItemModelTester tester(j.modelo(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    j.Preencher();
    const auto& l = j.modelo()->linhas();
    QCOMPARE(l.size(), 5);
    QCOMPARE(l[0].nome + l[0].habilitado + l[0].chave, QStringLiteral("UsuáriosHabilitadoID Usuário"));
    QStringList estado;
    for (int r = 1; r < l.size(); ++r)
        estado << l[r].nome + u'=' + l[r].habilitado;
    QCOMPARE(estado, (QStringList{"Ana=Sim", "Beto=Sim", "Caio=Não", "Dora=Sim"}));
    j.Alternar(1);
    j.Alternar(1); // Ana Não → Sim
    j.Alternar(2); // Beto → Não
    j.Alternar(3); // Caio → Sim
    j.Alternar(0); // the header never changes
    QCOMPARE(j.modelo()->linhas()[0].habilitado, QStringLiteral("Habilitado"));
    j.Aplicar();
    QCOMPARE(j.result(), int(QDialog::Accepted));
    QStringList hab;
    Comando c(k.dm.dbBANCO,
              QStringLiteral("SELECT UCHAVE, LCHAVE, MEMORIZAR FROM HABILITADO ORDER BY LCHAVE, UCHAVE"));
    c.abrir();
    while (c.proximo())
        hab << QStringLiteral("%1/%2/%3")
                   .arg(c.campo(0).toInt())
                   .arg(c.campo(1).toInt())
                   .arg(c.campo(2).toInt());
    QCOMPARE(hab, (QStringList{"1/100/1", "3/100/0", "4/100/1", "3/104/1"}));
}

// 6,000 holders go to the server in several packed calls: every row lands, across the seams too.
void TstCadastro::loteEmVariasPartes() {
    Cadastro k([](TdmPORTARIS& dm) {
        leitora(dm, 100, 200, QStringLiteral("Portaria"));
        sql(dm, QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 10000; BEGIN WHILE (I < 16000) DO BEGIN "
                               "INSERT INTO USUARIO (CHAVE, NOME) VALUES (:I, 'T' || :I); "
                               "IF (MOD(I, 3) = 0) THEN INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) "
                               "VALUES (:I, 100, 1); I = I + 1; END END"));
    });
    TfmHABILITAR_LISTA j(k.dm, false, 100, QStringLiteral("200"), QStringLiteral("Portaria"));
    j.Preencher();
    QCOMPARE(j.modelo()->rowCount(), 6001);
    QStringList esperado;
    for (int r = 1; r < j.modelo()->rowCount(); ++r) {
        const int chave = j.modelo()->linhas()[r].chave.toInt();
        QCOMPARE(j.modelo()->linhas()[r].habilitado,
                 chave % 3 == 0 ? QStringLiteral("Sim") : QStringLiteral("Não"));
        if (chave % 2 == 0) j.Alternar(r);
    }
    for (int chave = 10000; chave < 16000; ++chave)
        if ((chave % 3 == 0) != (chave % 2 == 0))
            esperado << QStringLiteral("%1/%2").arg(chave).arg(chave % 3 == 0 ? 1 : 0);
    j.Aplicar();
    QCOMPARE(k.t.m.operador.textos().join(u'|'), QString());
    // Stored at once, as another station sees it, and no Cancelar elsewhere takes it back.
    k.dm.setFAM.inserir();
    k.dm.setFAM.cancelar();
    QStringList hab;
    Banco outra;
    outra.conectar(k.t.m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    Comando c(outra,
              QStringLiteral("SELECT UCHAVE, MEMORIZAR FROM HABILITADO WHERE LCHAVE = 100 ORDER BY UCHAVE"));
    c.abrir();
    while (c.proximo())
        hab << QStringLiteral("%1/%2").arg(c.campo(0).toInt()).arg(c.campo(1).toInt());
    QCOMPARE(hab, esperado);
}

void TstCadastro::loteGeraTxt() {
    Cadastro k([](TdmPORTARIS& dm) {
        titular(dm, 1, QStringLiteral("Ana"));
        titular(dm, 2, QStringLiteral("Beto"));
        titular(dm, 3, QStringLiteral("Caio"));
        habilitar(dm, 2, 100, 0);
    });
    TfmHABILITAR_LISTA j(k.dm, true, 100, QStringLiteral("170"), QStringLiteral("Garagem Portão"));
    j.Preencher();
    const QString arquivo = k.t.m.pasta.caminho(QStringLiteral("lista.txt"));
    QVERIFY(j.GerarTXT(arquivo));
    QFile f(arquivo);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
             QStringLiteral("Usuários - Habilitado\r\nAna - Não\r\nBeto - Sim\r\nCaio - Não\r\n").toUtf8());
}

void TstCadastro::loteSemUsuarios() {
    Cadastro k([](TdmPORTARIS& dm) { leitora(dm, 100, 200, QStringLiteral("Portaria")); });
    TfmHABILITAR_LISTA j(k.dm, false, 100, QStringLiteral("200"), QStringLiteral("Portaria"));
    j.Preencher();
    QCOMPARE(j.modelo()->rowCount(), 1);
    j.Alternar(0);
    j.Aplicar();
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT COUNT(*) FROM HABILITADO")).toInt(), 0);
}

void TstCadastro::cartaoDigitado_data() {
    QTest::addColumn<double>("clique"); // where the card field is clicked, as a fraction of its width
    QTest::addColumn<QString>("digitado");
    QTest::addColumn<QString>("guardado"); // empty: refused
    QTest::addColumn<QString>("mensagem");
    QTest::newRow("borda, maiúsculas") << 0.02 << "AB12CD34EF" << "AB12CD34EF" << "";
    QTest::newRow("30%, minúsculas") << 0.3 << "00000000ab" << "00000000AB" << "";
    QTest::newRow("50%") << 0.5 << "AB12CD34EF" << "AB12CD34EF" << "";
    QTest::newRow("80%, mistas") << 0.8 << "aB12cD34eF" << "AB12CD34EF" << "";
    QTest::newRow("de outro usuário, minúsculas")
        << 0.5 << "00000000cc" << "" << "O cartão 00000000CC já pertence ao usuário \"Beto\"!";
    QTest::newRow("de um cartão de ronda")
        << 0.5 << "00000000DD" << "" << "O cartão 00000000DD já pertence ao cartão de ronda \"Vigia\"!";
}

// What the operator types in the card field is what is stored: upper case, from the first free
// position wherever the empty field was clicked, and never a card someone else holds.
void TstCadastro::cartaoDigitado() {
    QFETCH(double, clique);
    QFETCH(QString, digitado);
    QFETCH(QString, guardado);
    QFETCH(QString, mensagem);
    Cadastro k([](TdmPORTARIS& dm) {
        // Keys above the generator's next ones, so the new holder does not collide.
        titular(dm, 101, QStringLiteral("Ana"));
        titular(dm, 102, QStringLiteral("Beto"), QStringLiteral("00000000CC"));
        sql(dm, QStringLiteral("INSERT INTO RONDA (CHAVE, CARTAO, APELIDO) VALUES (1, '00000000DD', 'Vigia')"));
    });
    TframeCadastroUsuario& u = k.usu();
    k.t.w->btINC->click();
    QTest::mouseClick(u.edNOM, Qt::LeftButton, {}, QPoint(5, u.edNOM->height() / 2));
    QTest::keyClicks(u.edNOM, QStringLiteral("Bruna"));
    u.cbGRU->setCurrentIndex(u.cbGRU->findText(QStringLiteral("Geral")));
    emit u.cbGRU->textActivated(QStringLiteral("Geral"));
    QTest::mouseClick(u.edCAR, Qt::LeftButton, {},
                      QPoint(int(u.edCAR->width() * clique), u.edCAR->height() / 2));
    QTest::keyClicks(u.edCAR, digitado);
    QCOMPARE(u.edCAR->text().trimmed(), digitado.toUpper());
    k.t.w->btGRA->click();
    const QVariant gravado =
        valor(k.dm, QStringLiteral("SELECT CARTAO FROM USUARIO WHERE NOME = 'Bruna'"));
    if (guardado.isEmpty()) {
        QCOMPARE(k.t.m.operador.textos(), QStringList{mensagem});
        QVERIFY(k.dm.setUSU.estado() == EstadoConjunto::Inserindo);
        QVERIFY(gravado.isNull());
    } else {
        QCOMPARE(k.t.m.operador.textos().join(u'|'), QString());
        QCOMPARE(gravado.toString().trimmed(), guardado);
    }
}

// A patrol card is refused when a holder has it, and may keep its own card when saved again.
void TstCadastro::cartaoDeRondaRepetido() {
    Cadastro k([](TdmPORTARIS& dm) {
        titular(dm, 1, QStringLiteral("Ana"), QStringLiteral("00000000EE"));
        sql(dm, QStringLiteral("INSERT INTO RONDA (CHAVE, CARTAO, APELIDO) VALUES (1, '00000000DD', 'Vigia')"));
    });
    k.dm.setRON.abrir();
    k.dm.setRON.editar();
    k.dm.setRON.definir(QStringLiteral("APELIDO"), QStringLiteral("Vigia 2"));
    k.dm.setRON.gravar();
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT APELIDO FROM RONDA")).toString(), QStringLiteral("Vigia 2"));
    k.dm.setRON.editar();
    k.dm.setRON.definir(QStringLiteral("CARTAO"), QStringLiteral("00000000ee"));
    QVERIFY_THROWS_EXCEPTION(Abort, k.dm.setRON.gravar());
    QCOMPARE(k.t.m.operador.textos(),
             QStringList{QStringLiteral("O cartão 00000000EE já pertence ao usuário \"Ana\"!")});
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT CARTAO FROM RONDA")).toString(), QStringLiteral("00000000DD"));
    k.dm.setRON.cancelar();
}

void TstCadastro::horarioDaRondaComMascara_data() {
    QTest::addColumn<int>("coluna");
    QTest::addColumn<QString>("digitado");
    QTest::addColumn<QString>("guardado");
    QTest::newRow("início") << 0 << "093000" << "09:30:00";
    QTest::newRow("final, letras ignoradas") << 1 << "1a7b4500" << "17:45:00";
}

// "Inicio" and "Final" of the patrol schedule grid are typed through the time mask.
void TstCadastro::horarioDaRondaComMascara() {
    QFETCH(int, coluna);
    QFETCH(QString, digitado);
    QFETCH(QString, guardado);
    Cadastro k([](TdmPORTARIS& dm) {
        leitora(dm, 100, 200, QStringLiteral("Portaria"));
        sql(dm, QStringLiteral("INSERT INTO RONDA (CHAVE, CARTAO, APELIDO, DESABILITAR) VALUES (1, "
                               "'00000000CC', 'Vigia', '0')"));
        sql(dm, QStringLiteral(
                    "INSERT INTO RONDAD (CHAVE, INICIO, FIM, CABECA) VALUES (1, '08:00:00', '20:00:00', 200)"));
    });
    k.dm.tbRON.definirParametro(QStringLiteral("PCHAVE"), 1);
    k.dm.tbRON.abrir();
    TframeRonda& r = *k.c.ronda;
    k.t.w->btRON->click();
    QAbstractItemModel* m = r.gdRON->model();
    const QModelIndex celula = m->index(0, coluna);
    r.gdRON->setCurrentIndex(celula);
    r.gdRON->setFocus();
    QTest::keyClick(r.gdRON, Qt::Key_F2);
    auto* e = r.gdRON->findChild<QLineEdit*>();
    QVERIFY(e);
    QVERIFY(!e->inputMask().isEmpty());
    QTest::keyClick(e, Qt::Key_Home);
    QTest::keyClicks(e, digitado);
    QCOMPARE(e->text(), guardado);
    QTest::keyClick(e, Qt::Key_Return); // the grid commits the cell once back in the event loop
    QTRY_COMPARE(celula.data().toString(), guardado);
}

// A family slot that holds a member can be emptied again: Delete on its list, or its empty entry.
void TstCadastro::membroDaFamiliaEsvaziado_data() {
    QTest::addColumn<bool>("teclaDelete");
    QTest::newRow("Delete") << true;
    QTest::newRow("entrada vazia") << false;
}

void TstCadastro::membroDaFamiliaEsvaziado() {
    QFETCH(bool, teclaDelete);
    Cadastro k([](TdmPORTARIS& dm) {
        titular(dm, 1, QStringLiteral("Ana"));
        titular(dm, 7, QStringLiteral("Nina"));
        sql(dm, QStringLiteral("INSERT INTO FAMILIA (CHAVE, DESCRICAO, UCHAVE1, UCHAVE9) VALUES (1, 'Souza', 1, 7)"));
    });
    TframeCadastroFamilia& f = *k.c.familias;
    k.t.w->btFAM->click();
    k.t.w->btALT->click();
    QVERIFY(k.dm.setFAM.emEdicao());
    QComboBox* c = f.cbPES[0];
    QCOMPARE(c->currentText(), QStringLiteral("Ana"));
    QCOMPARE(c->itemText(0), QString());
    QCOMPARE(c->itemText(1), QStringLiteral("Ana"));
    c->setFocus();
    if (teclaDelete) {
        QTest::keyClick(c, Qt::Key_Delete);
    } else {
        // As an operator does: open the list, go to its top, take the entry.
        QTest::keyClick(c, Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView* lista = c->view();
        QTRY_VERIFY(lista->isVisible());
        QTest::keyClick(lista, Qt::Key_Home);
        QTest::keyClick(lista, Qt::Key_Return);
    }
    QTRY_COMPARE(c->currentIndex(), 0);
    QCOMPARE(c->currentText(), QString());
    k.t.w->btGRA->click();
    QCOMPARE(k.t.m.operador.textos().join(u'|'), QString());
    QVERIFY(!k.dm.setFAM.emEdicao());
    QVERIFY(valor(k.dm, QStringLiteral("SELECT UCHAVE1 FROM FAMILIA")).isNull());
    QCOMPARE(valor(k.dm, QStringLiteral("SELECT UCHAVE9 FROM FAMILIA")).toInt(), 7);
}

QTEST_MAIN(TstCadastro)
#include "tst_cadastro.moc"
