// lembretes [chave]: the messages program of the installation, started by the console with a
// holder key, or with none from its "Lembretes" button.
#include "JanelaLembretes.h"

#include "db/Firebird.h"
#include "platform/Mensagens.h"
#include "platform/Sinais.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

using namespace portaris;

namespace {

// Messages as plain message boxes; errors also go to stderr for whoever started us from a shell.
class OperadorCaixa : public Operador {
public:
    Resposta exibir(const MensagemCodificada& m) override {
        if (m.tipo == TipoMensagem::Erro) std::fprintf(stderr, "lembretes: %s\n", qPrintable(m.texto));
        QMessageBox caixa(m.tipo == TipoMensagem::Erro    ? QMessageBox::Critical
                          : m.tipo == TipoMensagem::Aviso ? QMessageBox::Warning
                                                          : QMessageBox::Information,
                          QStringLiteral("Lembretes"), m.texto);
        if (m.codigo == -1) {
            QAbstractButton* sim = caixa.addButton(QStringLiteral("Sim"), QMessageBox::YesRole);
            caixa.addButton(QStringLiteral("Não"), QMessageBox::NoRole);
            caixa.exec();
            return caixa.clickedButton() == sim ? Resposta::Sim : Resposta::Nao;
        }
        caixa.exec();
        return Resposta::OK;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lembretes"));
    OperadorCaixa operador;
    definirOperador(&operador);

    TerminarComSinais(&app);
    int codigo = 0;
    const ArgumentosLembretes args = LerArgumentos(QApplication::arguments().mid(1));
    if (!args.erro.isEmpty()) {
        MostrarMensagem(args.erro);
        codigo = 2;
    } else {
        Banco banco;
        std::unique_ptr<JanelaLembretes> janela;
        QString erro;
        try {
            ConectarBanco(banco);
            janela = JanelaLembretes::criar(banco, args.chave, erro);
        } catch (const ErroBanco& e) {
            erro = e.texto();
        }
        TerminarComSinais(&app);
        if (!janela) {
            MostrarMensagem(erro);
            codigo = 1;
        } else if (janela->escutar()) {
            janela->show();
            codigo = QApplication::exec();
        }
        janela.reset();
        banco.desconectar();
    }
    definirOperador(nullptr);
    return codigo;
}
