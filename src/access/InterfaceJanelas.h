#pragma once
// The verdict's questions and pictures as the operator sees them: the confirmation dialog, the
// family window, the photo popup, the messages program, sound and the clipboard.
#include "Veredito.h"
#include "uClassTfmPassa.h"
#include "uVisualizarFamilia.h"

#include <QHash>
#include <memory>

class QSoundEffect;

namespace portaris {

class InterfaceJanelas : public InterfaceAcesso {
public:
    InterfaceJanelas(FonteFoto foto, FonteMembro membro);
    ~InterfaceJanelas() override;

    Confirmacao PedirConfirmacao(const QString& ponto, int chave, const QString& nota,
                                 const QString& nome) override;
    bool ConfirmarFamilia(const std::array<int, 9>& membros) override;
    void MostrarFoto(const QString& ponto, int segundos, int chave, const QString& nota,
                     const QString& nome) override;
    void AbrirLembretes(int chave, const QString& nome) override;
    void TocarSom(const QString& arquivo) override;
    void CopiarTexto(const QString& texto) override;
    void ProcessarEventos() override;
    void MostrarCaixa(const QString& texto, int segundos) override;

private:
    FonteFoto m_foto;
    FonteMembro m_membro;
    // One loaded effect per file; playing does not wait.
    QHash<QString, QSoundEffect*> m_sons;
};

} // namespace portaris
