// Starts Corvid from a given program folder and saves a picture of its main
// window, for the documentation:
//   corvid_snapshot <program folder> <file.png> [<width>x<height>]
#include "CCorvidApp.h"
#include "CMainFrame.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QWindow>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: corvid_snapshot <program folder> <file.png> [<width>x<height>]\n");
        return 2;
    }
    veltra::CCorvidApp corvid(QString::fromLocal8Bit(argv[1]));
    corvid.InitInstance();
    veltra::CMainFrame& frame = corvid.MainFrame();

    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && !(frame.windowHandle() != nullptr && frame.windowHandle()->isExposed())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (argc == 4) {
        const QStringList size = QString::fromLocal8Bit(argv[3]).split(QLatin1Char('x'));
        if (size.size() == 2)
            frame.resize(size[0].toInt(), size[1].toInt());
    }
    QCoreApplication::processEvents();
    frame.UpdateToolBarStates();
    return frame.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
