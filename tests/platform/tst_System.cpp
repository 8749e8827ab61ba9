#include "Platform.h"
#include "TestEnv.h"
#include "TestMain.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TSystemTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        Platform::SetShell(nullptr);
        Platform::SetClock(nullptr);
        Platform::SetDpi(0);
        Platform::SetUserLocale(std::nullopt);
    }

    void specialFolders()
    {
        TTestHome home;
        QCOMPARE(Platform::SpecialFolder(Platform::TSpecialFolder::CommonAppData), home.path() + u"/data"_s);
        QVERIFY(Platform::SpecialFolder(Platform::TSpecialFolder::Personal).startsWith(home.path()));
        QVERIFY(!Platform::SpecialFolder(Platform::TSpecialFolder::Personal).endsWith(u'/'));
        QCOMPARE(Platform::SpecialFolder(0x0026), QString());
        QCOMPARE(Platform::TempFolder(), home.path() + u"/tmp/"_s);
    }

    // The program path in a registered open command.
    void programOfCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("program");
        QTest::newRow("quoted with arguments")
            << u"\"C:\\Office\\EXCEL.EXE\" /e \"%1\""_s << u"C:\\Office\\EXCEL.EXE"_s;
        QTest::newRow("unquoted with %1") << u"C:\\Tools\\calc.exe %1"_s << u"C:\\Tools\\calc.exe"_s;
        QTest::newRow("quoted, nothing after")
            << u"\"C:\\Program Files\\Calc\\calc.exe\""_s << u"C:\\Program Files\\Calc\\calc.exe"_s;
        QTest::newRow("unquoted, trailing blanks") << u"C:\\x.exe   "_s << u"C:\\x.exe"_s;
        QTest::newRow("type name only") << u"Excel.Sheet.8"_s << u"Excel.Sheet.8"_s;
        QTest::newRow("% before the quote") << u"\"C:\\a%b\\x.exe\" \"%1\""_s << u"C:\\a"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void programOfCommand()
    {
        QFETCH(QString, command);
        QFETCH(QString, program);
        QCOMPARE(Platform::ProgramOfCommand(command), program);
    }

    void languageAbbreviation_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("code");
        QTest::newRow("German (Germany)") << u"de_DE"_s << u"DEU"_s;
        QTest::newRow("German (Austria)") << u"de_AT"_s << u"DEA"_s;
        QTest::newRow("German (Switzerland)") << u"de_CH"_s << u"DES"_s;
        QTest::newRow("English (United Kingdom)") << u"en_GB"_s << u"ENG"_s;
        QTest::newRow("English (United States)") << u"en_US"_s << u"ENU"_s;
        QTest::newRow("French (France)") << u"fr_FR"_s << u"FRA"_s;
        QTest::newRow("French (Canada)") << u"fr_CA"_s << u"FRC"_s;
        QTest::newRow("French (Senegal): the language's first") << u"fr_SN"_s << u"FRA"_s;
        QTest::newRow("Dutch") << u"nl_NL"_s << u"NLD"_s;
        QTest::newRow("C") << u"C"_s << u"ENU"_s;
    }
    void languageAbbreviation()
    {
        QFETCH(QString, locale);
        QFETCH(QString, code);
        QCOMPARE(Platform::LanguageAbbreviation(QLocale(locale)), code);
        Platform::SetUserLocale(QLocale(locale));
        QCOMPARE(Platform::UserLanguageAbbreviation(), code);
    }

    // Tests stand in for the shell, the clock and the screen; the program's calls reach them.
    void seams()
    {
        Platform::TShellRecorder shell;
        shell.programs.append({u"XLS"_s, u"/opt/calc/bin/calc"_s});
        Platform::SetShell(&shell);
        QVERIFY(Platform::ShellOpen(u"/data/x.pdf"_s));
        QVERIFY(Platform::ShellRun(u"/opt/calc/bin/calc"_s, u"x.xls"_s, u"/data"_s));
        QCOMPARE(Platform::AssociatedProgram(u"xls"_s), u"/opt/calc/bin/calc"_s);
        QCOMPARE(Platform::AssociatedProgram(u"PDF"_s), QString());
        QCOMPARE(shell.opened, QStringList{u"/data/x.pdf"_s});
        QCOMPARE(shell.runs.size(), 1);
        QCOMPARE(shell.runs[0].parameter, u"x.xls"_s);
        QCOMPARE(shell.runs[0].folder, u"/data"_s);
        shell.succeed = false;
        QVERIFY(!Platform::ShellOpen(u"/data/y.pdf"_s));

        Platform::TManualClock clock;
        clock.tick = 0xFFFFFF00u;
        Platform::SetClock(&clock);
        const quint32 before = Platform::TickCount();
        clock.Advance(1000);
        QCOMPARE(quint32(Platform::TickCount() - before), 1000u); // across the wrap
        QCOMPARE(Platform::Now(), QDateTime(QDate(2024, 3, 15), QTime(10, 30, 1)));

        Platform::SetDpi(120);
        QCOMPARE(Platform::ScreenDpiX(), 120);
        QCOMPARE(Platform::ScreenDpiY(), 120);
        Platform::SetDpi(144, 72);
        QCOMPARE(Platform::ScreenDpiY(), 72);
        Platform::SetDpi(0);
        QVERIFY(Platform::ScreenDpi() > 0);
    }

    void systemValues()
    {
        QVERIFY(!Platform::UserName().isEmpty());
        const quint32 a = Platform::TickCount();
        QTest::qSleep(20);
        QVERIFY(quint32(Platform::TickCount() - a) >= 15);
    }
};

TQ5_TEST(TSystemTest)
#include "tst_System.moc"
