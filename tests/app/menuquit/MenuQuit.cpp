// Preloaded into the program by the start-up test. Once the main window is on the screen and its
// show step has run, it chooses "&Datei" > "&Beenden", as a user would, so that the program ends
// through its own menu. Exit status 3 or 4 tells the test that it never got that far.

#include <cstdio>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

void PressQuitWhenUp()
{
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(100);
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        static int ticks = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != u"MainFrm"_s || !w->isVisible())
                continue;
            timer->stop();
            auto* file = w->findChild<QMenu*>(u"File1"_s);
            QAction* quit = file ? file->findChild<QAction*>(u"Quit1"_s) : nullptr;
            if (!quit || !file->actions().contains(quit)) {
                std::fputs("menuquit: no \"&Beenden\" in the file menu\n", stderr);
                QCoreApplication::exit(3);
                return;
            }
            quit->trigger();
            return;
        }
        if (++ticks > 300) {
            std::fputs("menuquit: the main window never appeared\n", stderr);
            QCoreApplication::exit(4);
        }
    });
    timer->start();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(PressQuitWhenUp)
