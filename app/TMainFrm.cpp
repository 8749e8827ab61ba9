#include "TMainFrm.h"

#include "ErrorGuard.h"
#include "uGlobal.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>

using namespace Qt::StringLiterals;

TMainFrm::TMainFrm(QWidget* parent) : TDatabaseFrm(u"MainFrm"_s, parent)
{
    setWindowTitle(u"TQ5 Report"_s);
    resize(1000, 551);
    setMinimumSize(1000, 500);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    File1 = menuBar()->addMenu(u"&Datei"_s);
    File1->setObjectName(u"File1"_s);
    Quit1 = File1->addAction(u"&Beenden"_s);
    Quit1->setObjectName(u"Quit1"_s);
    connect(Quit1, &QAction::triggered, this, &TMainFrm::Quit1Click);
}

void TMainFrm::FormCreate()
{
    Guarded(this, [&] {
        RegisterReportForms();
        SetDateFormat();
        LoadSettings();
        BuildReportCatalogue();
    });
}

void TMainFrm::FormShow()
{
    Guarded(this, [&] {
        // Let the window paint before the language files and the database are opened.
        QCoreApplication::processEvents();
        InitLanguageList();
        TDatabaseFrm::FormShow();
        HideTools();
        AddDisabledGlyphs();
        SetDateFormat();
    });
}

void TMainFrm::FormDestroy()
{
    Guarded(this, [&] { SaveSettings(); });
}

void TMainFrm::Quit1Click()
{
    close();
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    const bool wasOpen = isVisible();
    TDatabaseFrm::closeEvent(event);
    if (event->isAccepted() && wasOpen)
        emit Closed();
}

void TMainFrm::RegisterReportForms() {}
void TMainFrm::BuildReportCatalogue() {}
void TMainFrm::InitLanguageList() {}
void TMainFrm::HideTools() {}
void TMainFrm::AddDisabledGlyphs() {}
