#pragma once
// The card-holder panel ("Tela de cadastro de pessoal"): every field of USUARIO bound to setUSU,
// the readers grid of this station with the holder's enablings, the name list, the search and the
// card and photo menus. The main window's function column drives it through its five operations.
#include "ui/Ligacoes.h"
#include "ui/ModeloConjunto.h"

#include <QFrame>
#include <QImage>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace portaris {

class TdmPORTARIS;
class TControladora;
class SemanaHorarios;

class TframeCadastroUsuario : public QFrame {
    Q_OBJECT
public:
    explicit TframeCadastroUsuario(TdmPORTARIS& dm, QWidget* parent = nullptr);

    // Operations of the function column; each returns whether setUSU reached the state asked.
    bool INCLUIR();
    bool ALTERAR();
    bool EXCLUIR();
    bool GRAVAR();
    bool CANCELAR();

    // The readers grid from this station's passive readers, gates and named controller doors.
    void CARREGAR_LEITORAS();
    // Columns 3 and 4 from the enabling query of the current holder.
    void MARCAR_HABILITADOS();
    // The group list from GRUPOS, in description order; the configuration panel calls it after
    // saving or deleting a group.
    void CARREGAR_GRUPOS();
    // The type list from the lines of a text file ("Tipos.txt"); a missing file leaves it empty.
    void CARREGAR_TIPOS(const QString& arquivo);
    // One card-field menu entry per controller, captioned with its description.
    void definirControladoras(const QList<TControladora*>& controladoras);
    // The webcam item is usable only when a capture is given (the webcam was active at start).
    std::function<QImage()> capturarWebcam;

    // The picture scaled to fit 280 x 210 by its longer side, sizes rounded half to even.
    static QImage AJUSTAR_FOTO(const QImage& foto);
    // Largest picture file read into the photo.
    static constexpr qint64 TamanhoMaximoFoto = 20 * 1024 * 1024;
    // Loads a picture file into the photo of the record being edited; false (with a message)
    // when the file is no picture, is empty or too large: the photo is then left as it was.
    bool carregarFotoArquivo(const QString& arquivo);
    // Pastes the clipboard's picture; nothing happens when it holds none.
    void colarFoto();
    void apagarFoto();
    // The Monday window copied to every day (btSEG).
    void copiarSegunda();
    // Grid toggle (double-click) and the three items of pmHAB on the selected row.
    void alternarHabilitacao();
    // The items of pmHAB enabled for the selected row, as the menu opens.
    void prepararMenuHab();
    void habilitar(bool memorizar);
    void desabilitar();
    // The name list under the name field.
    void alternarListaNomes();
    void escolherNome(int linha);
    void buscar();
    // The search window's way in: makes `chave` the current holder, walking the list from its
    // first row; false when the holder is not there (the list is left on its last row).
    bool posicionar(qint64 chave);

    // Controls (the names the operator's screen knows them by).
    QLineEdit *edCAR, *edNOM, *edTRE, *edTCO, *edCEL, *edINT, *edEXE;
    QComboBox *cbGRU, *cbTIP;
    QPlainTextEdit* mmOBS;
    QLabel *imPIC, *lbNOM, *lbEXE;
    std::array<QLineEdit*, 14> edHOR; // SEGE, SEGS, TERE, … DOMS
    QCheckBox *ckFER, *ckREG, *ckDES, *ckEXP;
    QPushButton *btSEG, *btBUS;
    QTableWidget* gdLEI;
    QListView* lsNOM;
    QMenu *pmHAB, *pmLEI, *pmPIC;
    QAction *miHAB, *miHABMEM, *miDES, *miCLIP, *miAPA, *miARQ, *miCOLA, *miCAM;
    int linhaSelecionada() const { return m_selecionada; }

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;

private:
    void montar();
    void ligar();
    void mostrarFoto();
    void definirFoto(const QImage& img);
    bool podeMexerNaGrade() const;
    bool linhaValida() const;
    void gravarHab(int linha, int memorizar);
    void apagarHab(int linha);
    void atualizarRotuloNome();
    void cartaoDaControladora(int cabecaRef);
    bool confirmarCampos();

    TdmPORTARIS& m_dm;
    std::unique_ptr<Comando> m_qrFoto;
    QList<Ligacao*> m_ligacoes;
    std::array<LigacaoEdit*, 14> m_ligHOR{};
    SemanaHorarios* m_semana = nullptr;
    LigacaoEdit* m_ligCAR = nullptr;
    ModeloConjunto* m_modeloNomes = nullptr;
    QList<TControladora*> m_controladoras;
    QList<QAction*> m_itensControladora;
    int m_selecionada = 0;
};

} // namespace portaris
