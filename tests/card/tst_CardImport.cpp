#include "CardRig.h"
#include "ErrorGuard.h"
#include "MeasurementFile.h"
#include "ScriptedDialogs.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "uGlobal.h"
#include "Win1252.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray Lines(std::initializer_list<const char*> lines)
{
    QByteArray out;
    for (const char* l : lines)
        out += Win1252::Encode(QString::fromUtf8(l)) + "\r\n";
    return out;
}

int CountSql(TCardRig& rig, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(rig.db.Database->Handle(), sql, -1, &st, nullptr) != SQLITE_OK)
        return -1;
    const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

// Tests of the pressure types whose block was read to its "EM" and has no reading.
int TestsWithoutReadings(TCardRig& rig)
{
    return CountSql(rig, "SELECT COUNT(*) FROM MessungenTable m WHERE NOT EXISTS "
                         "(SELECT 1 FROM MessdatenTable d WHERE d.MESSDATENID = m.MESSUNGENID)");
}

// Runs the button's operation the way the browser does, behind the error guard.
bool Import(TCardRig& rig)
{
    return Guarded(nullptr, [&] { LoadMesFromCard(rig.host); });
}

QString LoggerPath(const QString& name)
{
    return GetDataFolder() + u'/' + name;
}

} // namespace

class TCardImportTest : public QObject
{
    Q_OBJECT
private slots:
    void goldenCards_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::newRow("customer file") << u"customer_file"_s;
        QTest::newRow("blocks, keys and rows") << u"blocks"_s;
    }
    void goldenCards()
    {
        QFETCH(QString, fixture);
        TCardRig rig;
        rig.CopyCard(fixture);
        const QByteArray before = ReadAll(QDir(rig.card).entryInfoList(QDir::Files).value(0).filePath());
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        const QString base = QStringLiteral(TQ5_FIXTURES) + u'/' + fixture;
        QCOMPARE(rig.Dump().split(u'\n'), FixtureLines(base + u"/expected.txt"_s));
        QCOMPARE(rig.protocol, FixtureLines(base + u"/protocol.txt"_s));
        QVERIFY(dialogs.messages.isEmpty());
        // The card stays as it was.
        QCOMPARE(ReadAll(QDir(rig.card).entryInfoList(QDir::Files).value(0).filePath()), before);
        QCOMPARE(rig.IntegrityCheck(), u"ok"_s);
    }

    void secondImportFindsEverythingPresent()
    {
        TCardRig rig;
        rig.CopyCard(u"blocks"_s);
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        const int readings = rig.Count(u"MessdatenTable"_s);
        QCOMPARE(readings, 11);

        // The instrument's copy now has another name and start pressure for the same customer.
        QByteArray file = ReadAll(rig.CardPath(u"KUNDE17.DAT"_s));
        file.replace("K1=  Meier   ", "K1=Meier-Schulz");
        file.replace("DS=100.5", "DS=101.0");
        rig.WriteCard(u"KUNDE17.DAT"_s, file);
        rig.protocol.clear();
        QVERIFY(Import(rig));

        QCOMPARE(rig.protocol, (QStringList{u"Kunde bereits vorhanden : A-17 Meier"_s,
                                            u"Messung ist bereits vorhanden 14.03.10 09:15:00"_s,
                                            u"Messung ist bereits vorhanden 14.03.10 10:00:00"_s,
                                            u"Messung ist bereits vorhanden 14.03.10 11:00:00"_s,
                                            u"Messung ist bereits vorhanden 14.03.10 12:00:00"_s,
                                            u"Messung ist bereits vorhanden 15.03.10 08:00:00"_s, u"---"_s,
                                            u"Insgesamt 0 Kunde(n) neu angelegt"_s,
                                            u"Insgesamt 0 Messung(en) neu angelegt"_s,
                                            u"Dauer des Importvorgangs : 00:00:01"_s}));
        QCOMPARE(rig.Count(u"KundenTable"_s), 1);
        QCOMPARE(rig.Count(u"MessungenTable"_s), 5);
        QCOMPARE(rig.Count(u"MessdatenTable"_s), readings);
        const QStringList dump = rig.Dump().split(u'\n');
        QCOMPARE(dump[0], u"K|KN=A-17|K1=Meier-Schulz"_s);
        QVERIFY2(dump[1].contains(u"|DS=101.0|"_s), qPrintable(dump[1]));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void customerIsFoundByNumber_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("onCard");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("same") << u"A-17"_s << u"A-17"_s << true << u"A-17"_s;
        QTest::newRow("letter case") << u"A-17"_s << u"a-17"_s << true << u"a-17"_s;
        QTest::newRow("umlaut case") << u"MÜLLER-1"_s << u"müller-1"_s << true << u"müller-1"_s;
        QTest::newRow("other number") << u"A-18"_s << u"A-17"_s << false << u"A-17"_s;
        // The store keeps 20 characters: the number must still be found the next time.
        QTest::newRow("longer than the field") << u"12345678901234567890"_s << u"1234567890123456789012345"_s
                                               << true << u"12345678901234567890"_s;
    }
    void customerIsFoundByNumber()
    {
        QFETCH(QString, stored);
        QFETCH(QString, onCard);
        QFETCH(bool, found);
        QFETCH(QString, storedAfter);
        TCardRig rig;
        rig.AddCustomer(stored, u"Alt"_s);
        rig.WriteCard(u"K.DAT"_s, Win1252::Encode(u"KN="_s + onCard + u"\r\nK1=Neu\r\n"_s));
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QCOMPARE(rig.protocol.first(),
                 found ? u"Kunde bereits vorhanden : "_s + stored + u" Alt"_s
                       : u"Kunde noch nicht vorhanden, wird neu angelegt : "_s + onCard + u" Neu"_s);
        QCOMPARE(rig.Count(u"KundenTable"_s), found ? 1 : 2);
        QVERIFY(rig.db.KundenTable->Locate(u"K1"_s, u"Neu"_s));
        QCOMPARE(rig.db.KundenTable->FieldByName(u"KN"_s).AsString(), storedAfter);
    }

    void testsWithoutCustomerBlockGoToTheCurrentCustomer()
    {
        TCardRig rig;
        rig.AddCustomer(u"1"_s, u"Erster"_s);
        rig.AddCustomer(u"2"_s, u"Zweiter"_s);
        rig.db.KundenTable->Locate(u"KN"_s, u"1"_s);
        rig.WriteCard(u"M.DAT"_s,
                      Lines({"MT=3", "SD=01.02.11", "SU=08:00:00", "IN=10", "SM=", "0;1.5", "EM="}));
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QCOMPARE(rig.Dump().split(u'\n'),
                 (QStringList{
                     u"K|KN=1|K1=Erster"_s,
                     u" M|SD=01.02.2011|SU=08:00:00|MT=Gebrauchsfähigkeitprüfung (Leckmenge)|MTNR=3|IN=10"_s,
                     u"  D|01.02.2011|08:00:00|1.5"_s, u"K|KN=2|K1=Zweiter"_s}));
    }

    void loggerTestsGoToExportFiles()
    {
        TCardRig rig;
        QFile::remove(LoggerPath(u"20100314091500.CSV"_s));
        QFile::remove(LoggerPath(u"20100314100000.CSV"_s));
        QFile::remove(LoggerPath(u"20100315070000.CSV"_s));
        rig.WriteCard(u"LOG.DAT"_s,
                      Lines({"KN=L1", "MT=0", "SD=14.03.10", "SU=09:15:00", "IN=1", "SM=", "1013;22.5",
                             "1014;22.6", "1015;Ä", "EM=", "MT=12", "SD=14.03.10", "SU=10:00:00", "IN=5",
                             "SM=", "  0;1;2;3;4;5;6;7", "x;y", "-1;ö", "EM=",
                             // a logger block without its end: no file
                             "MT=0", "SD=15.03.10", "SU=07:00:00", "IN=1", "SM=", "1;2"}));
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QCOMPARE(ReadAll(LoggerPath(u"20100314091500.CSV"_s)),
                 QByteArray("14.03.2010;09:15:00;1013;22.5\r\n"
                            "14.03.2010;09:15:01;1014;22.6\r\n"
                            "14.03.2010;09:15:02;1015;\xc4\r\n"));
        // Type 12 rows go over unchanged; "x;y" is no reading row.
        QCOMPARE(ReadAll(LoggerPath(u"20100314100000.CSV"_s)),
                 QByteArray("  0;1;2;3;4;5;6;7\r\n-1;\xf6\r\n"));
        QVERIFY(!QFile::exists(LoggerPath(u"20100315070000.CSV"_s)));
        QCOMPARE(rig.Count(u"MessungenTable"_s), 3);
        QCOMPARE(rig.Count(u"MessdatenTable"_s), 0);
    }

    void errorsEndTheRun_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("customersOfSecond");

        QTest::newRow("MT not a whole number")
            << Lines({"KN=2", "K1=Zwei", "MT=abc", "SD=14.03.10", "SU=10:00:00", "IN=1", "SM=", "0;1", "EM="})
            << u"'abc' ist kein gültiger Integerwert"_s << 0;
        QTest::newRow("impossible date")
            << Lines({"KN=2", "K1=Zwei", "MT=1", "SD=32.13.10", "SU=10:00:00", "IN=1", "SM=", "0;1", "EM="})
            << u"'32.13.10' ist kein gültiges Datum"_s << 1;
        QTest::newRow("SU not a time")
            << Lines({"KN=2", "K1=Zwei", "MT=1", "SD=14.03.10", "SU=25:99", "IN=1", "SM=", "0;1", "EM="})
            << u"'25:99' ist keine gültige Uhrzeit"_s << 1;
        // The test was posted at "SM"; the error comes at "EM" when its readings are dated.
        QTest::newRow("IN not a number") << Lines({"KN=2", "K1=Zwei", "MT=1", "SD=14.03.10", "SU=10:00:00",
                                                   "IN=abc", "SM=", "0;1", "1;2", "EM="})
                                         << u"'abc' ist kein gültiger Gleitkommawert"_s << 1;
        // Rows already went into the transaction when the moments leave the calendar.
        QByteArray farRows =
            Lines({"KN=2", "K1=Zwei", "MT=1", "SD=14.03.10", "SU=10:00:00", "IN=1e9", "SM="});
        for (int i = 0; i < 400; ++i)
            farRows += QByteArray::number(i) + ";1\r\n";
        farRows += "EM=\r\n";
        QTest::newRow("moments beyond the calendar") << farRows << u"außerhalb des Kalenders"_s << 1;
        QTest::newRow("file vanished") << QByteArray("vanish") << u"No such file or directory"_s << 0;
    }
    void errorsEndTheRun()
    {
        QFETCH(QByteArray, second);
        QFETCH(QString, error);
        QFETCH(int, customersOfSecond);
        TCardRig rig;
        for (const char* name : {"A.DAT", "B.DAT", "C.DAT"})
            rig.WriteCard(QString::fromLatin1(name), QByteArray());
        // The files are read in the order the folder lists them.
        QStringList order;
        ListCardFiles(rig.card + u'/', order);
        QCOMPARE(order.size(), 3);
        QVERIFY(WriteAll(order[0], Lines({"KN=1", "K1=Eins", "MT=1", "SD=14.03.10", "SU=09:00:00", "IN=1",
                                          "SM=", "0;1", "1;2", "EM="})));
        const bool vanish = second == "vanish";
        QVERIFY(WriteAll(order[1], vanish ? Lines({"KN=2", "K1=Zwei"}) : second));
        QVERIFY(WriteAll(order[2], Lines({"KN=3", "K1=Drei", "MT=1", "SD=14.03.10", "SU=11:00:00", "IN=1",
                                          "SM=", "0;1", "EM="})));
        if (vanish)
            rig.onProtocol = [&](const QString& line) {
                if (line.startsWith(u"Insgesamt"_s) && line.contains(u"Messung"_s))
                    QFile::remove(order[1]);
            };

        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        QVERIFY(!Import(rig));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        QVERIFY2(dialogs.messages[0].text.contains(error), qPrintable(dialogs.messages[0].text));
        if (vanish)
            QVERIFY2(dialogs.messages[0].text.contains(QDir::toNativeSeparators(order[1])),
                     qPrintable(dialogs.messages[0].text));

        // The summary of the file that failed is written, and nothing after it.
        QCOMPARE(rig.protocol.count(u"---"_s), 2);
        QCOMPARE(rig.protocol.mid(rig.protocol.size() - 3),
                 (QStringList{u"---"_s, u"Insgesamt %1 Kunde(n) neu angelegt"_s.arg(customersOfSecond),
                              u"Insgesamt 0 Messung(en) neu angelegt"_s}));
        // The window is given back.
        QVERIFY(rig.wait.isHidden());
        QCOMPARE(rig.listCalls, (QList<bool>{false, true}));
        QCOMPARE(rig.statusTexts.last(), QString());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!CardExchangeBusy());
        QVERIFY(!rig.db.Database->InTransaction());

        // The first file stays imported, the third was not read, no test lacks its readings.
        QVERIFY(rig.db.KundenTable->Locate(u"KN"_s, u"1"_s));
        QCOMPARE(rig.db.MessungenTable->RecordCount(), 1);
        QCOMPARE(rig.db.MessdatenTable->RecordCount(), 2);
        QCOMPARE(rig.db.KundenTable->Locate(u"KN"_s, u"2"_s), customersOfSecond == 1);
        QVERIFY(!rig.db.KundenTable->Locate(u"KN"_s, u"3"_s));
        QCOMPARE(rig.Count(u"MessungenTable"_s), 1);
        QCOMPARE(TestsWithoutReadings(rig), 0);
        QCOMPARE(rig.IntegrityCheck(), u"ok"_s);
    }

    void interruptedTestIsImportedLater()
    {
        // The readings of a test must not be lost when the first run breaks off in its block.
        TCardRig rig;
        const QByteArray broken =
            Lines({"KN=2", "MT=1", "SD=14.03.10", "SU=10:00:00", "IN=1x", "SM=", "0;1", "1;2", "EM="});
        rig.WriteCard(u"B.DAT"_s, broken);
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectMessage();
            QVERIFY(!Import(rig));
        }
        QCOMPARE(rig.Count(u"MessungenTable"_s), 0);
        QByteArray mended = broken;
        mended.replace("IN=1x", "IN=1");
        rig.WriteCard(u"B.DAT"_s, mended);
        rig.protocol.clear();
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QVERIFY(rig.protocol.contains(u"Messung ist nicht vorhanden, wird neu angelegt 14.03.10 10:00:00"_s));
        QCOMPARE(
            rig.Dump().split(u'\n'),
            (QStringList{
                u"K|KN=2"_s,
                u" M|SD=14.03.2010|SU=10:00:00|MT=Belastungs- und Dichtheitsprüfung (Belastung)|MTNR=1|IN=1"_s,
                u"  D|14.03.2010|10:00:00|1"_s, u"  D|14.03.2010|10:00:01|2"_s}));
    }

    void noMedium_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<QString>("text");
        QTest::newRow("card reader without card") << QChar(u'F') << u"Kein Datenträger in Laufwerk F"_s;
        QTest::newRow("no drive set") << QChar(u' ') << u"Kein Datenträger in Laufwerk  "_s;
        QTest::newRow("no such drive") << QChar(u'X') << u"Kein Datenträger in Laufwerk X"_s;
    }
    void noMedium()
    {
        QFETCH(QChar, letter);
        QFETCH(QString, text);
        TCardRig rig;
        rig.drives.AddWithoutMedium(u'F');
        rig.CopyCard(u"blocks"_s);
        DataDrive = letter;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        QVERIFY(Import(rig));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, text);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Information));
        QVERIFY(rig.protocol.isEmpty());
        QVERIFY(rig.listCalls.isEmpty());
        QCOMPARE(rig.Count(u"KundenTable"_s), 0);
    }

    void noMeasurementFiles()
    {
        TCardRig rig;
        rig.WriteCard(u"README.TXT"_s, "KN=1\r\n");
        rig.WriteCard(u"ALT.DAT/TQ5_1.DAT"_s, "KN=1\r\n"); // a folder named like a file, and its file
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        QVERIFY(Import(rig));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, u"Es sind keine Messdaten auf der Karte vorhanden !"_s);
        QCOMPARE(rig.listCalls, (QList<bool>{false, true}));
        QVERIFY(rig.wait.isHidden());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(rig.protocol, QStringList{u"Dauer des Importvorgangs : 00:00:01"_s});
        QCOMPARE(rig.Count(u"KundenTable"_s), 0);
    }

    void cardFilesAreListed()
    {
        TCardRig rig;
        for (const char* name : {"A.DAT", "b.dat", ".H.DAT", "C.TXT", "D.DATX", "E.DA"})
            rig.WriteCard(QString::fromLatin1(name), "x");
        QVERIFY(QDir(rig.card).mkdir(u"F.DAT"_s));
        QStringList list{u"already there"_s};
        ListCardFiles(Platform::DriveRoot(u'E'), list);
        QCOMPARE(list.takeFirst(), u"already there"_s);
        for (QString& p : list)
            p = QFileInfo(p).fileName();
        list.sort();
        QCOMPARE(list, (QStringList{u".H.DAT"_s, u"A.DAT"_s, u"b.dat"_s}));
    }

    void durationIsOneSecondLonger_data()
    {
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<QString>("line");
        QTest::newRow("instant") << 0 << u"Dauer des Importvorgangs : 00:00:01"_s;
        QTest::newRow("a minute") << 65400 << u"Dauer des Importvorgangs : 00:01:06"_s;
        QTest::newRow("hours") << (2 * 3600 + 5) * 1000 << u"Dauer des Importvorgangs : 02:00:06"_s;
    }
    void durationIsOneSecondLonger()
    {
        QFETCH(int, elapsed);
        QFETCH(QString, line);
        TCardRig rig;
        rig.clock.tick = 0xFFFFF000u; // the tick count wraps during the run
        rig.CopyCard(u"customer_file"_s);
        bool advanced = false;
        rig.onProtocol = [&](const QString&) {
            if (!advanced)
                rig.clock.Advance(quint32(elapsed));
            advanced = true;
        };
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QCOMPARE(rig.protocol.last(), line);
    }

    void runHoldsTheWindow()
    {
        TCardRig rig;
        rig.CopyCard(u"customer_file"_s);
        rig.CopyCard(u"blocks"_s);
        int seen = 0;
        rig.onProtocol = [&](const QString& line) {
            if (line.startsWith(u"Dauer"_s))
                return;
            ++seen;
            QVERIFY(QApplication::overrideCursor());
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            QVERIFY(CardExchangeBusy());
            QCOMPARE(rig.listCalls, QList<bool>{false});
            QVERIFY(rig.wait.isVisible());
            QCOMPARE(rig.wait.windowTitle(), u"Daten einlesen"_s);
            QCOMPARE(rig.wait.ProgressBar->maximum(), 1);
            QVERIFY(rig.statusTexts.last() == u"Importiere Datei 1 von 2"_s ||
                    rig.statusTexts.last() == u"Importiere Datei 2 von 2"_s);
            // A second import or a transfer from inside the run does nothing.
            const qsizetype lines = rig.protocol.size();
            LoadMesFromCard(rig.host);
            TransferCustomersToCard(rig.host, {});
            QCOMPARE(rig.protocol.size(), lines);
        };
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QVERIFY(seen > 0);
        QVERIFY(!CardExchangeBusy());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(rig.wait.isHidden());
        QCOMPARE(rig.listCalls, (QList<bool>{false, true}));
        QCOMPARE(rig.statusTexts.first(), QString());
        QCOMPARE(rig.statusTexts.last(), QString());
        QCOMPARE(rig.Count(u"KundenTable"_s), 2);
    }

    void inputReachesOnlyTheProtocolWindow()
    {
        TCardRig rig;
        rig.CopyCard(u"blocks"_s);
        QPushButton mainButton(u"Von Karte laden"_s);
        QWidget protocolWindow;
        auto* off = new QCheckBox(&protocolWindow);
        QObject::connect(off, &QCheckBox::clicked, [off] { NoProt = off->isChecked(); });
        mainButton.show();
        protocolWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainButton));
        QVERIFY(QTest::qWaitForWindowExposed(&protocolWindow));
        rig.host.inputWindows = {&protocolWindow};
        QSignalSpy mainClicks(&mainButton, &QPushButton::clicked);
        int lines = 0;
        rig.onProtocol = [&](const QString&) {
            if (++lines != 2)
                return;
            QTest::mouseClick(&mainButton, Qt::LeftButton);
            QTest::keyClick(&mainButton, Qt::Key_Space);
            QTest::mouseClick(off, Qt::LeftButton);
        };
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QCOMPARE(mainClicks.count(), 0);
        // Ticking the switch in the protocol window stops the lines at once.
        QVERIFY(NoProt);
        QCOMPARE(rig.protocol.size(), 2);
        QCOMPARE(rig.Count(u"MessungenTable"_s), 5);
        // After the run the main window takes clicks again.
        QTest::mouseClick(&mainButton, Qt::LeftButton);
        QCOMPARE(mainClicks.count(), 1);
    }

    void noProtocolWhileSwitchedOff()
    {
        TCardRig rig;
        rig.CopyCard(u"blocks"_s);
        NoProt = true;
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QVERIFY(rig.protocol.isEmpty());
        QCOMPARE(rig.Count(u"MessdatenTable"_s), 11);
    }

    void untrustedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("customers");
        QRandomGenerator random(4711);
        QByteArray garbage(256 * 1024, Qt::Uninitialized);
        for (char& c : garbage)
            c = char(random.bounded(256));
        QTest::newRow("binary garbage") << garbage << -1;
        static const char outside[] = "KN=\x81\x8d\x8f\x90\x9d\r\nK1=M\xc3\xbcller\x00\x01\r\n";
        QTest::newRow("bytes outside the code page") << QByteArray(outside, sizeof(outside) - 1) << 1;
        QTest::newRow("100 MB without a line end")
            << (Lines({"KN=9", "K1=Lang", "MT=1", "SD=01.01.20", "SU=00:00:00", "IN=1", "SM="}) +
                QByteArray(100 * 1024 * 1024, '5'))
            << 1;
    }
    void untrustedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, customers);
        TCardRig rig;
        rig.WriteCard(u"X.DAT"_s, bytes);
        TScriptedDialogs dialogs;
        if (customers < 0)
            dialogs.ExpectMessage(); // garbage may read as a wrong key value; that is the error box
        Import(rig);
        QVERIFY(dialogs.messages.size() <= 1);
        if (!dialogs.messages.isEmpty())
            QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        if (customers >= 0) {
            QVERIFY(dialogs.messages.isEmpty());
            QCOMPARE(rig.Count(u"KundenTable"_s), customers);
        }
        QVERIFY(!CardExchangeBusy());
        QVERIFY(rig.wait.isHidden());
        QVERIFY(!rig.db.Database->InTransaction());
        QCOMPARE(rig.IntegrityCheck(), u"ok"_s);
    }

    void millionRowBlock()
    {
        TCardRig rig;
        QByteArray file = Lines({"KN=M", "MT=11", "SD=01.01.20", "SU=00:00:00", "IN=1", "SM="});
        file.reserve(file.size() + 1000000 * 12);
        for (int i = 0; i < 1000000; ++i) {
            file += QByteArray::number(i);
            file += ";1013.5\r\n";
        }
        file += "EM=\r\n";
        rig.WriteCard(u"BIG.DAT"_s, file);
        file.clear();
        TScriptedDialogs dialogs;
        QVERIFY(Import(rig));
        QCOMPARE(rig.Count(u"MessdatenTable"_s), 1000000);
        TTable& d = *rig.db.MessdatenTable;
        QCOMPARE(d.RecordCount(), 1000000);
        d.Last();
        // 999999 seconds after the start.
        QCOMPARE(d.FieldByName(u"DA"_s).AsDate(), QDate(2020, 1, 12));
        QCOMPARE(d.FieldByName(u"UZ"_s).AsTime(), QTime(13, 46, 39));
        QCOMPARE(d.FieldByName(u"MW"_s).AsFloat(), 1013.5);
        QCOMPARE(rig.IntegrityCheck(), u"ok"_s);
    }

    void testTypeNames_data()
    {
        QTest::addColumn<QString>("mt");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << u"0"_s << u"Loggerbetrieb (Druck)"_s;
        QTest::newRow("12") << u"12"_s << u"Loggerbetrieb (alle Kanäle)"_s;
        QTest::newRow("14") << u"14"_s << u"Flüssiggas (Druck)"_s;
        QTest::newRow("15") << u"15"_s << QString();
        QTest::newRow("leading zero") << u"01"_s << QString();
        QTest::newRow("blank") << u" 1"_s << QString();
        QTest::newRow("negative") << u"-1"_s << QString();
    }
    void testTypeNames()
    {
        QFETCH(QString, mt);
        QFETCH(QString, name);
        QCOMPARE(TDatabaseImpExpFrm::TestTypeName(mt), name);
    }

    void elapsedText_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u"00:00:00"_s;
        QTest::newRow("below a second") << qint64(999) << u"00:00:00"_s;
        QTest::newRow("one second") << qint64(1000) << u"00:00:01"_s;
        QTest::newRow("hours") << qint64((13 * 3600 + 7 * 60 + 9) * 1000LL + 500) << u"13:07:09"_s;
        QTest::newRow("beyond a day") << qint64((24 * 3600 + 61) * 1000LL) << u"00:01:01"_s;
    }
    void elapsedText()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(TDatabaseImpExpFrm::ElapsedText(ms), text);
    }
};

TQ5_TEST(TCardImportTest)
#include "tst_CardImport.moc"
