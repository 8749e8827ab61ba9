#include "TApplicationStart.h"

#include "TDatabaseFrm.h"
#include "TDatabaseImpExpFrm.h"
#include "TDebugFrm.h"
#include "TDemoDataFrm.h"
#include "TLangResFrm.h"
#include "TLangSettingsFrm.h"
#include "TMainFrm.h"
#include "TMeasurementDataFrm.h"
#include "TProtocolFrm.h"
#include "TReportMasterFrm.h"
#include "TSearchDlgFrm.h"
#include "TSettingsFrm.h"
#include "TWaitFrm.h"
#include "uShippedFiles.h"

#include <QApplication>

using namespace Qt::StringLiterals;

TApplicationStart::TApplicationStart() = default;

TApplicationStart::~TApplicationStart()
{
    Shutdown();
}

void TApplicationStart::Start()
{
    QApplication::setApplicationDisplayName(u"TQ5 Report"_s);
    // The program ends when the main window closes, not when the last window does: a curve window
    // or a report form may still be open, and they close with it.
    m_quitOnLastWindowClosed = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);

    auto* main = new TMainFrm;
    m_windows.emplace_back(main);
    m_main = main;
    main->FormCreate();
    QObject::connect(main, &TMainFrm::Closed, main, [] { QCoreApplication::exit(0); });

    m_windows.emplace_back(new TLangResFrm);
    m_windows.emplace_back(new TLangSettingsFrm);
    m_windows.emplace_back(new TReportMasterFrm);
    m_windows.emplace_back(new TDemoDataFrm);
    m_windows.emplace_back(new TSettingsFrm);
    auto* database = new TDatabaseFrm;
    m_windows.emplace_back(database);
    database->FormCreate();
    m_windows.emplace_back(new TSearchDlgFrm);
    m_windows.emplace_back(new TDebugFrm);
    m_windows.emplace_back(new TProtocolFrm);
    m_windows.emplace_back(new TMeasurementDataFrm);
    m_windows.emplace_back(new TDatabaseImpExpFrm);
    m_windows.emplace_back(new TWaitFrm);
}

int TApplicationStart::Run()
{
    if (!m_main)
        Start();
    m_main->show();
    const int status = QApplication::exec();
    Shutdown();
    return status;
}

void TApplicationStart::Shutdown()
{
    if (m_windows.empty())
        return;
    // A main window still open (the event loop ended otherwise) goes through its hide step first.
    if (m_main && m_main->isVisible())
        m_main->hide();
    while (!m_windows.empty()) {
        QWidget* w = m_windows.back().get();
        if (auto* browser = qobject_cast<TDatabaseFrm*>(w))
            browser->FormDestroy();
        m_windows.pop_back();
    }
    m_main = nullptr;
    QApplication::setQuitOnLastWindowClosed(m_quitOnLastWindowClosed);
}

QList<QWidget*> TApplicationStart::CreatedWindows() const
{
    QList<QWidget*> out;
    for (const auto& w : m_windows)
        out.append(w.get());
    return out;
}

int RunProgram()
{
    // As an installer would: the language and demonstration files that the data folder lacks.
    InstallShippedFiles();
    TApplicationStart program;
    program.Start();
    return program.Run();
}
