#pragma once
// What an off-line controller needs in its memory — holidays, group windows and the cards allowed at
// its doors — written first as the transfer files of AreaTemp/ (they double as a record of what was
// sent, with a dated copy each) and then from those files into the controller.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace portaris {

class TControladora;
class TdmPORTARIS;
class DispositivosEstacao;

namespace transferencia {

QString ArquivoFeriados(); // AreaTemp/txtFeriados.txt
QString ArquivoGrupos();   // AreaTemp/txtGrupos.txt
QString ArquivoLista();    // AreaTemp/txtLista.txt

// The transfer files, CR LF lines in the station's code page. Each deletes the old file first and
// writes nothing when it has no line to write. The list's groups are numbered afterwards.
void GerarArquivoFeriados(TdmPORTARIS& dm);
void GerarArquivoGrupos(TdmPORTARIS& dm);
void GerarArquivoLista(TdmPORTARIS& dm, int chaveControladora, int porta);
void NumerarGruposLista();

// The memory images, as the controller reads them.
QByteArray ImagemCabecalho(int feriados, int grupos);
QByteArray ImagemFeriados(const QStringList& linhas);
QByteArray ImagemGrupos(const QStringList& linhas);
QByteArray ImagemLista(const QStringList& linhas); // padded to whole 128-byte blocks

// The two memory transfers; false at the first failed exchange or a file that does not fit.
bool EnviarGruposFeriados(TControladora& c, const QStringList& feriados, const QStringList& grupos);
bool EnviarLista(TControladora& c, quint16 endereco, const QStringList& lista);
// The three files to the controller, then its restart; coded messages only for the button.
bool EnviarArquivos(TControladora& c, bool botao);
// Every controller of the station, with the event log; false when there is none.
bool TransferenciaDiaria(TdmPORTARIS& dm, DispositivosEstacao& dispositivos);

// "Enviar dados" of the controller page, on a controller object of its own (the caller's line): the
// transfer files for the row (the list when it has a key, port 0 in its dated name), the transfer,
// and the page's message.
bool EnviarDados(TdmPORTARIS& dm, TControladora& c, int chaveControladora);
// "Gravar tempos": the clock, the four readers' timeouts (low six bits) and the relay times (the
// row's seconds); each failure says which, and the controller restarts.
bool GravarTempos(TControladora& c, const int timeouts[4], const int relesSegundos[4]);

// The files' lines read back in the station's code page; empty when missing.
QStringList LerLinhas(const QString& arquivo);

} // namespace transferencia
} // namespace portaris
