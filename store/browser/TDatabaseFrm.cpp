#include "TDatabaseFrm.h"

#include "ErrorGuard.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QHideEvent>
#include <QShowEvent>

using namespace Qt::StringLiterals;

TDatabaseFrm::TDatabaseFrm(QWidget* parent) : TDatabaseFrm(u"DatabaseFrm"_s, parent) {}

TDatabaseFrm::TDatabaseFrm(const QString& objectName, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(objectName);
    setWindowTitle(objectName);
    Windows::Register(this);
}

void TDatabaseFrm::FormCreate() {}

void TDatabaseFrm::FormShow()
{
    InitDatabaseView();
}

void TDatabaseFrm::FormHide()
{
    Guarded(this, [&] {
        CloseTables();
        DeleteReportPdfs();
    });
}

void TDatabaseFrm::FormDestroy() {}

// The database view and the tables are the browser's own; until it has them there is nothing to
// open or close.
void TDatabaseFrm::InitDatabaseView() {}
void TDatabaseFrm::CloseTables() {}

void TDatabaseFrm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The show step runs once the window is on the screen, so that it can paint before the slow work.
    if (!event->spontaneous())
        QMetaObject::invokeMethod(
            this, [this] { Guarded(this, [&] { FormShow(); }); }, Qt::QueuedConnection);
}

void TDatabaseFrm::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}
