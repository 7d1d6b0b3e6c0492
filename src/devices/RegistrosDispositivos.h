#pragma once
// The columns of one device row as the bring-up hands them to a driver (flags are "1" / "0" texts).
#include <QString>

namespace portaris {

inline bool flag(const QString& v) {
    return v == QLatin1String("1");
}

struct RegistroLeitora {
    int CHAVE = -1;
    int CABECA = 0;
    QString SERIAL;
    QString DESCRICAO;
    QString CONFIRMARACESSO, USARWEBCAM, IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, PERMITIRREMOTO,
        VISUALIZAR;
    QString POSICAO;
    int ID_LEITORAMAE = 0;
    int TEMPVISUAL = 0;
};

struct RegistroLeitora64 {
    int CHAVE = -1;
    int CABECA = 0;
    QString SERIAL;
    QString DESCRICAO, DESCRICAO01;
    QString CONFIRMARACESSO, USARWEBCAM01, IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, PERMITIRREMOTO,
        VISUALIZAR;
    QString PARAABREAUTO;
    int TFECHAMENTO = 0;
    int FECHARPOS = 0; // seconds
    int RELE = 0;      // ms
    int DESLIGARPOR = 0;
    int ACIONAMENTO = 0;
    QString POSICAO_L1;
    int ID_LEITORAMAE = 0;
    int TEMPVISUAL = 0;
};

struct RegistroControladora {
    int CHAVE = -1;
    int CABECA = 0;
    QString SERIAL;
    QString DESCRICAO;
    QString PORTA[4];
    int CHAVEP[4] = {0, 0, 0, 0};
    int RELEP[4] = {0, 0, 0, 0}; // seconds
    QString ONLINE, CONFIRMARACESSO, VISUALIZAR;
    int FREQDOWN = 0;
    int TEMPVISUAL = 0;
};

} // namespace portaris
