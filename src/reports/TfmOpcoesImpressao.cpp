#include "TfmOpcoesImpressao.h"

#include "platform/Mensagens.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace portaris {

TfmOpcoesImpressao::TfmOpcoesImpressao(const OpcoesImpressao& opcoes, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmOPCOESIMPRESSAO"));
    setWindowTitle(QStringLiteral("Opções de impressão"));
    auto* v = new QVBoxLayout(this);
    auto* grupo = new QGroupBox(QStringLiteral("Destino"));
    auto* g = new QVBoxLayout(grupo);
    rdIMP = new QRadioButton(QStringLiteral("Impressora"));
    rdVIS = new QRadioButton(QStringLiteral("Visualização"));
    rdARQ = new QRadioButton(QStringLiteral("Arquivo"));
    for (QRadioButton* r : {rdIMP, rdVIS, rdARQ})
        g->addWidget(r);
    v->addWidget(grupo);

    auto* f = new QFormLayout;
    cbIMP = new QComboBox;
    const QString padrao = QPrinterInfo::defaultPrinterName();
    for (const QString& n : QPrinterInfo::availablePrinterNames())
        cbIMP->addItem(n);
    if (!padrao.isEmpty()) cbIMP->setCurrentText(padrao);
    spCOP = new QSpinBox;
    spCOP->setRange(1, 99);
    f->addRow(QStringLiteral("Impressora:"), cbIMP);
    f->addRow(QStringLiteral("Cópias:"), spCOP);
    cbFMT = new QComboBox;
    if (opcoes.pdf) cbFMT->addItem(FiltroFormato(FormatoArquivo::Pdf), int(FormatoArquivo::Pdf));
    if (opcoes.htm) cbFMT->addItem(FiltroFormato(FormatoArquivo::Html), int(FormatoArquivo::Html));
    if (opcoes.txt) cbFMT->addItem(FiltroFormato(FormatoArquivo::Texto), int(FormatoArquivo::Texto));
    f->addRow(QStringLiteral("Formato:"), cbFMT);
    auto* h = new QHBoxLayout;
    edARQ = new QLineEdit;
    auto* btPRO = new QPushButton(QStringLiteral("Procurar..."));
    h->addWidget(edARQ, 1);
    h->addWidget(btPRO);
    f->addRow(QStringLiteral("Arquivo:"), h);
    v->addLayout(f);

    auto* botoes = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    botoes->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    v->addWidget(botoes);
    connect(botoes, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(botoes, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(btPRO, &QPushButton::clicked, this, &TfmOpcoesImpressao::procurar);

    // A file needs a format to be written in.
    rdARQ->setEnabled(cbFMT->count() > 0);
    switch (opcoes.saida) {
    case OpcoesImpressao::Saida::Impressora:
        rdIMP->setChecked(true);
        break;
    case OpcoesImpressao::Saida::Arquivo:
        (rdARQ->isEnabled() ? rdARQ : rdVIS)->setChecked(true);
        break;
    default:
        rdVIS->setChecked(true);
    }
    for (QRadioButton* r : {rdIMP, rdVIS, rdARQ})
        connect(r, &QRadioButton::toggled, this, &TfmOpcoesImpressao::atualizar);
    atualizar();
}

void TfmOpcoesImpressao::atualizar() {
    cbIMP->setEnabled(rdIMP->isChecked());
    spCOP->setEnabled(rdIMP->isChecked());
    cbFMT->setEnabled(rdARQ->isChecked());
    edARQ->setEnabled(rdARQ->isChecked());
}

void TfmOpcoesImpressao::procurar() {
    const auto formato = static_cast<FormatoArquivo>(cbFMT->currentData().toInt());
    const QString nome = QFileDialog::getSaveFileName(this, QStringLiteral("Arquivo do relatório"),
                                                      edARQ->text(), FiltroFormato(formato));
    if (!nome.isEmpty()) edARQ->setText(nome);
}

void TfmOpcoesImpressao::accept() {
    if (rdARQ->isChecked() && edARQ->text().trimmed().isEmpty()) {
        MostrarMensagem(QStringLiteral("@!000AVIInforme o nome do arquivo."));
        return;
    }
    QDialog::accept();
}

DestinoRelatorio TfmOpcoesImpressao::destino() const {
    DestinoRelatorio d;
    d.saida = rdIMP->isChecked()   ? OpcoesImpressao::Saida::Impressora
              : rdARQ->isChecked() ? OpcoesImpressao::Saida::Arquivo
                                   : OpcoesImpressao::Saida::Visualizacao;
    d.formato = static_cast<FormatoArquivo>(cbFMT->currentData().toInt());
    d.arquivo = edARQ->text().trimmed();
    d.impressora = cbIMP->currentText();
    d.copias = spCOP->value();
    return d;
}

} // namespace portaris
