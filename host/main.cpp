#include "CCorvidApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    veltra::CCorvidApp corvid(QCoreApplication::applicationDirPath());
    if (!corvid.InitInstance()) {
        return 1;
    }
    return QApplication::exec();
}
