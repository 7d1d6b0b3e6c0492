#pragma once
#include <QSplashScreen>

namespace portaris {

// The start-up picture: Portaris.bmp from the program folder when present, else a drawn one.
class TfmSPLASH : public QSplashScreen {
    Q_OBJECT
public:
    TfmSPLASH();
    static QPixmap figura();
};

} // namespace portaris
