#include "ScriptedDialogs.h"
#include "TApplicationStart.h"
#include "TDebugFrm.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "TMainFrm.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kFirstRunSettings = "[System]\r\nDataDrive= \r\nNoProt=0\r\n\r\n[Main]\r\nLanguage=ENG\r\n";

// The settings file less the company data, which the settings dialog writes beside the settings.
QByteArray WithoutCompanyData(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    const qsizetype start = lines.indexOf("[FirmenFrm]\r");
    if (start < 0)
        return bytes;
    // The piece after the last line end is no line.
    const qsizetype count = lines.size() - (lines.last().isEmpty() ? 1 : 0);
    qsizetype end = start + 1;
    while (end < count && !lines[end].startsWith('['))
        ++end;
    const qsizetype from = start > 0 && lines[start - 1] == "\r" ? start - 1 : start;
    lines.remove(from, end - from);
    return lines.join('\n');
}

// Runs work inside the event loop once the main window has been shown and its show step has run
// (the show step is queued when the window appears; two hops put the work behind it).
class TAfterShow : public QObject
{
public:
    TAfterShow(QWidget* main, std::function<void()> work) : m_work(std::move(work))
    {
        main->installEventFilter(this);
    }
    bool ran = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !ran) {
            ran = true;
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this, [this] { QMetaObject::invokeMethod(this, m_work, Qt::QueuedConnection); },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> m_work;
};

QString SettingsFile(const TTestHome& home, const QString& program)
{
    return home.path() + u"/data/Kestrom GmbH/"_s + program + u"/TQ5Report.INI"_s;
}

} // namespace

class TStartTest : public QObject
{
    Q_OBJECT

    // The program in this process, from start to end; work runs once the main window is up and
    // must end it. Returns the exit status.
    static int RunProgramWith(const std::function<void(TMainFrm&)>& work)
    {
        TApplicationStart program;
        program.Start();
        TAfterShow after(program.MainFrm(), [&] { work(*program.MainFrm()); });
        const int status = program.Run();
        if (!after.ran)
            qWarning("the main window was never shown");
        return status;
    }

#ifdef TQ5_MENU_QUIT
    // The real program in its own process, with a fresh home, ended through its menu.
    static void RunBinary(const QString& program, const TTestHome& home)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_DATA_HOME"_s, home.path() + u"/data"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, home.path() + u"/config"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, home.path() + u"/runtime"_s);
        env.insert(u"TMPDIR"_s, home.path() + u"/tmp"_s);
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"LD_PRELOAD"_s, QStringLiteral(TQ5_MENU_QUIT));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.start(program, {});
        QVERIFY2(p.waitForFinished(120000), "the program did not end");
        QVERIFY2(p.exitStatus() == QProcess::NormalExit, p.readAllStandardError().constData());
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    }
#endif

private slots:
    void init()
    {
        DataDrive = u'#';
        NoProt = true;
        Language = u"???"_s;
    }

    // Thirteen windows in their order, each reachable by its object name; the settings are there
    // before any window but the main window.
    void windowsComeInTheirOrder()
    {
        TTestHome home;
        QVERIFY(WriteAll(SettingsFile(home, u"tst_app"_s),
                         "[Main]\r\nLanguage=FRA\r\n[System]\r\nDataDrive=e\r\n"));
        TApplicationStart program;
        program.Start();
        QCOMPARE(QApplication::applicationDisplayName(), u"TQ5 Report"_s);
        const QStringList expected{
            u"MainFrm TMainFrm"_s,
            u"LangResFrm TLangResFrm"_s,
            u"LangSettingsFrm TLangSettingsFrm"_s,
            u"ReportMasterFrm TReportMasterFrm"_s,
            u"DemoDataFrm TDemoDataFrm"_s,
            u"SettingsFrm TSettingsFrm"_s,
            u"DatabaseFrm TDatabaseFrm"_s,
            u"SearchDlgFrm TSearchDlgFrm"_s,
            u"DebugFrm TDebugFrm"_s,
            u"ProtocolFrm TProtocolFrm"_s,
            u"MeasurementDataFrm TMeasurementDataFrm"_s,
            u"DatabaseImpExpFrm TDatabaseImpExpFrm"_s,
            u"WaitFrm TWaitFrm"_s,
        };
        QStringList created, registered;
        for (QWidget* w : program.CreatedWindows())
            created.append(w->objectName() + u' ' + QString::fromLatin1(w->metaObject()->className()));
        for (QWidget* w : Windows::All())
            registered.append(w->objectName() + u' ' + QString::fromLatin1(w->metaObject()->className()));
        QCOMPARE(created, expected);
        QCOMPARE(registered, expected);
        for (QWidget* w : program.CreatedWindows()) {
            QCOMPARE(Windows::Find(w->objectName()), w);
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        }
        QCOMPARE(program.MainFrm()->windowTitle(), u"TQ5 Report"_s);
        QCOMPARE(Language, u"FRA"_s);
        QCOMPARE(DataDrive, QChar(u'e'));
        QVERIFY(!NoProt);

        program.Shutdown();
        QVERIFY(Windows::All().isEmpty());
    }

    // First start in an empty home: the data folder comes, the settings file holds the defaults at
    // the end; a second start finds what the first saved.
    void firstAndSecondStart()
    {
        TTestHome home;
        const QString settings = SettingsFile(home, u"tst_app"_s);
        QVERIFY(!QFileInfo::exists(home.path() + u"/data/Kestrom GmbH"_s));
        bool folderDuringRun = false;
        const int first = RunProgramWith([&](TMainFrm& main) {
            folderDuringRun = QFileInfo(settings).dir().exists();
            QVERIFY(main.isVisible());
            main.Quit1->trigger();
        });
        QCOMPARE(first, 0);
        QVERIFY(folderDuringRun);
        QVERIFY(Windows::All().isEmpty());
        QCOMPARE(WithoutCompanyData(ReadAll(settings)), kFirstRunSettings);

        // The settings dialogs change the settings during a run; they reach the file at its end.
        const int second = RunProgramWith([&](TMainFrm& main) {
            QCOMPARE(DataDrive, QChar(u' '));
            QCOMPARE(Language, u"ENG"_s);
            DataDrive = u'E';
            NoProt = true;
            Language = u"DEU"_s;
            QCOMPARE(WithoutCompanyData(ReadAll(settings)), kFirstRunSettings);
            main.Quit1->trigger();
        });
        QCOMPARE(second, 0);

        const int third = RunProgramWith([&](TMainFrm& main) {
            QCOMPARE(DataDrive, QChar(u'E'));
            QVERIFY(NoProt);
            QCOMPARE(Language, u"DEU"_s);
            main.close(); // the window's close box ends the program as well
        });
        QCOMPARE(third, 0);
    }

    // At the end the report PDFs go, and windows still open close with the main window.
    void endClosesEverything()
    {
        TTestHome home;
        const QString data = GetDataFolder();
        QVERIFY(WriteAll(data + u"/BDTRGI2008_101010.pdf"_s, "%PDF"));
        QVERIFY(WriteAll(data + u"/TQ5Report.DB.keep"_s, "x"));
        QPointer<QWidget> debug;
        const int status = RunProgramWith([&](TMainFrm& main) {
            debug = Windows::Find(u"DebugFrm"_s);
            debug->show();
            Windows::Find(u"MeasurementDataFrm"_s)->show();
            main.Quit1->trigger();
        });
        QCOMPARE(status, 0);
        QVERIFY(debug.isNull());
        QVERIFY(!QFileInfo::exists(data + u"/BDTRGI2008_101010.pdf"_s));
        QVERIFY(QFileInfo::exists(data + u"/TQ5Report.DB.keep"_s));
    }

    // A data folder that cannot be made: the program runs, and the settings that cannot be saved
    // at the end show the system's message in the error box.
    void dataFolderThatCannotBeMade()
    {
        TTestHome home;
        QVERIFY(WriteAll(home.path() + u"/data/Kestrom GmbH"_s, "in the way"));
        TScriptedDialogs dialogs;
        for (int i = 0; i < 5; ++i)
            dialogs.ExpectMessage(); // whatever else fails to reach the folder may say so too
        const int status = RunProgramWith([](TMainFrm& main) { main.Quit1->trigger(); });
        QCOMPARE(status, 0);
        QVERIFY(!dialogs.messages.isEmpty());
        for (const auto& m : dialogs.messages)
            QCOMPARE(int(m.icon), int(Dialogs::Icon::Error));
        const QString last = dialogs.messages.last().text;
        QVERIFY2(last.contains(u"TQ5Report.INI"_s) && last.contains(u"Not a directory"_s), qPrintable(last));
    }

#ifdef TQ5_MENU_QUIT
    // The real program starts headless and ends through "&Datei" > "&Beenden" with status 0; a
    // copy under another name keeps its settings in a data folder of its own.
    void realProgramEndsThroughItsMenu()
    {
        TTestHome home;
        RunBinary(QStringLiteral(TQ5_PROGRAM), home);
        if (QTest::currentTestFailed())
            return;
        const QString settings = SettingsFile(home, u"TQ5Report"_s);
        QCOMPARE(WithoutCompanyData(ReadAll(settings)), kFirstRunSettings);

        QVERIFY(WriteAll(settings, "[Main]\r\nLanguage=DEU\r\n[System]\r\nDataDrive=F\r\nNoProt=1\r\n"));
        RunBinary(QStringLiteral(TQ5_PROGRAM), home);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(WithoutCompanyData(ReadAll(settings)),
                 QByteArray("[Main]\r\nLanguage=DEU\r\n[System]\r\nDataDrive=F\r\nNoProt=1\r\n"));

        const QString renamed = home.path() + u"/TQ5Zweit"_s;
        QVERIFY(QFile::copy(QStringLiteral(TQ5_PROGRAM), renamed));
        RunBinary(renamed, home);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(WithoutCompanyData(ReadAll(SettingsFile(home, u"TQ5Zweit"_s))), kFirstRunSettings);
        QCOMPARE(WithoutCompanyData(ReadAll(settings)),
                 QByteArray("[Main]\r\nLanguage=DEU\r\n[System]\r\nDataDrive=F\r\nNoProt=1\r\n"));
    }
#endif
};

TQ5_TEST(TStartTest)
#include "tst_Start.moc"
