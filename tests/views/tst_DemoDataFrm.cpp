#include "Platform.h"
#include "ReadingsDb.h"
#include "ScriptedDialogs.h"
#include "TChart.h"
#include "TDatabaseImpExpFrm.h"
#include "TDemoDataFrm.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "uGlobal.h"
#include "uRandom.h"

#include <QDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using ProgramRandom::Random;

namespace {

const QDateTime Now(QDate(2024, 6, 15), QTime(14, 30, 20, 700));

class TFixedClock final : public Platform::TClock
{
public:
    quint32 TickCount() override { return 1000; }
    QDateTime Now() override { return ::Now; }
};

const QString Customers = u"KN;Name;Sonstiges;Telefon;Ort;PLZ;Straße\n"
                          "4711;Muster;VIP;0123 45;Musterstadt;12345;Hauptstr. 1\n"
                          "12;Meier GmbH;;089 1;München;80331;Isartorplatz 2\n"
                          "13;\"Brösel\" & Co;x;;Köln;50667;Domplatz 1\n"
                          "14;Ein sehr langer Kundenname über dreißig Zeichen;;;Ort;1;Weg\n"
                          "15;Letzter;;;;;\n"_s;

QString Pad(const QString& s)
{
    return s.leftJustified(30, u' ');
}

// One test block of a demonstration file, as read back.
struct TBlock
{
    QStringList keys; // key lines in order, "MT=3" ...
    QStringList rows;
    QDateTime start;
};

struct TDemoFile
{
    QStringList customer; // the six customer lines
    QList<TBlock> blocks;
    bool crlf = true;
};

TDemoFile ReadDemoFile(const QString& path)
{
    const QByteArray bytes = ReadAll(path);
    TDemoFile f;
    f.crlf = bytes.endsWith("\r\n") && bytes.count("\r\n") == bytes.count('\n');
    QStringList lines = QString::fromLatin1(bytes).split(u"\r\n"_s);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (int i = 0; i < 6 && i < lines.size(); ++i)
        f.customer << lines[i];
    for (qsizetype i = 6; i < lines.size();) {
        TBlock b;
        while (i < lines.size() && lines[i] != u"SM="_s)
            b.keys << lines[i++];
        b.keys << lines.value(i++);
        while (i < lines.size() && lines[i] != u"EM="_s)
            b.rows << lines[i++];
        b.keys << lines.value(i++);
        const QDate d = QDate::fromString(b.keys.value(1).mid(3), u"dd.MM.yy"_s).addYears(100);
        b.start = QDateTime(d, QTime::fromString(b.keys.value(2).mid(3), u"hh:mm:ss"_s));
        f.blocks << b;
    }
    return f;
}

QStringList CardFiles(const QString& root)
{
    return QDir(root).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TDemoDataFrmTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Platform::TMappedDrives m_drives;
    TFixedClock m_clock;
    QString m_card;

    // A shown window with the customer lines in its text area (shown after they were pasted).
    void Open(TDemoDataFrm& frm, const QString& text)
    {
        frm.Memo1->setPlainText(text);
        frm.show();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_card = m_dir->filePath(u"card"_s);
        QDir().mkpath(m_card);
        m_drives.Clear();
        m_drives.Add(u'K', m_card);
        Platform::SetDriveProvider(&m_drives);
        Platform::SetClock(&m_clock);
        DataDrive = u'K';
        ProgramRandom::Seed(7);
    }
    void cleanup()
    {
        Platform::SetDriveProvider(nullptr);
        Platform::SetClock(nullptr);
        DataDrive = u' ';
    }

    void showSetsDefaultsAndTable()
    {
        TDemoDataFrm frm;
        frm.Edit1->setText(u"99"_s);
        Open(frm, Customers);
        QCOMPARE((QStringList{frm.Edit5->text(), frm.Edit1->text(), frm.Edit2->text(), frm.Edit3->text(),
                              frm.Edit4->text()}),
                 (QStringList{u"1"_s, u"5"_s, u"2"_s, u"10"_s, u"9"_s}));
        QCOMPARE(frm.Label1->text(), u"6"_s);
        QCOMPARE(frm.StringGrid1->rowCount(), 6);
        QCOMPARE(frm.StringGrid1->columnCount(), 6); // fields of the last line
        QCOMPARE(frm.Cell(6, 1), u"Hauptstr. 1"_s);
        QCOMPARE(frm.Cell(1, 3), u"\"Brösel\" & Co"_s);
        frm.hide();
        frm.Memo1->setPlainText(u"a\nb\n"_s);
        frm.show();
        QCOMPARE(frm.Label1->text(), u"2"_s);
        QCOMPARE(frm.Memo1->toPlainText(), u"a\nb\n"_s);
    }

    // Six lines and the defaults: five files from lines 1 to 5, each with two tests of ten rows.
    void sixLinesGiveFiveFiles()
    {
        TDemoDataFrm frm;
        Open(frm, Customers);
        frm.Button2Click();
        QCOMPARE(CardFiles(m_card), (QStringList{u"TQ5_0001.DAT"_s, u"TQ5_0002.DAT"_s, u"TQ5_0003.DAT"_s,
                                                 u"TQ5_0004.DAT"_s, u"TQ5_0005.DAT"_s}));
        QCOMPARE(frm.StatusBar1->currentMessage(), u"Fertig !"_s);
        QCOMPARE(frm.Label1->text(), u"5"_s);

        const TDemoFile first = ReadDemoFile(m_card + u"/TQ5_0001.DAT"_s);
        QVERIFY(first.crlf);
        QCOMPARE(first.customer,
                 (QStringList{u"KN="_s + Pad(u"4711"_s), u"K1="_s + Pad(u"Muster"_s),
                              u"K2="_s + Pad(u"Hauptstr. 1"_s), u"K3="_s + Pad(u"12345 Musterstadt"_s),
                              u"K4="_s + Pad(u"0123 45"_s), u"K5="_s + Pad(u"VIP"_s)}));
        const TDemoFile fourth = ReadDemoFile(m_card + u"/TQ5_0004.DAT"_s);
        QCOMPARE(fourth.customer[1], u"K1=Ein sehr langer Kundenname über dreißig Zeichen"_s);
        QCOMPARE(fourth.customer[3], u"K3="_s + Pad(u"1 Ort"_s));
        QCOMPARE(ReadDemoFile(m_card + u"/TQ5_0003.DAT"_s).customer[1], u"K1="_s + Pad(u"\"Brösel\" & Co"_s));

        for (int p = 1; p <= 5; ++p) {
            const TDemoFile f = ReadDemoFile(m_card + u"/TQ5_000%1.DAT"_s.arg(p));
            QCOMPARE(f.blocks.size(), 2);
            for (const TBlock& b : f.blocks) {
                QCOMPARE(b.keys.size(), 15);
                const int type = b.keys[0].mid(3).toInt();
                QVERIFY(b.keys[0].startsWith(u"MT="_s) && type >= 1 && type <= 8);
                QVERIFY(b.start.isValid());
                QCOMPARE(b.keys.mid(3),
                         (QStringList{u"IN=1"_s, u"MD=3"_s, b.keys[5], u"DE=0"_s, b.keys[7], u"SZ=2"_s,
                                      b.keys[9], u"ET=0"_s, u"EH=mbar"_s, u"KS=1"_s, u"SM="_s, u"EM="_s}));
                QCOMPARE(b.rows.size(), 10);
                const QStringList firstRow = b.rows[0].split(u';');
                QCOMPARE(b.keys[5], u"DS="_s + firstRow[1]);
                QCOMPARE(b.keys[7], u"DM="_s + firstRow[1]);
                QCOMPARE(b.keys[9], u"ST="_s + firstRow[0]);
                for (const QString& row : b.rows) {
                    const QStringList ab = row.split(u';');
                    QCOMPARE(ab.size(), 2);
                    QVERIFY(ab[0].toInt() >= 0 && ab[0].toInt() < 100);
                    QVERIFY(ab[1].toInt() >= 0 && ab[1].toInt() < 1500);
                }
            }
        }
    }

    // The draws come in a fixed order: the type, then 512 pairs (a, b, a, b, ...), then the step
    // to the next start moment; an unseeded window repeats the sequence after a seed.
    void drawOrder()
    {
        TDemoDataFrm frm;
        Open(frm, Customers);
        frm.Edit1->setText(u"1"_s);
        frm.Edit3->setText(u"3"_s);
        frm.Button2Click();
        const TDemoFile f = ReadDemoFile(m_card + u"/TQ5_0001.DAT"_s);

        ProgramRandom::Seed(7);
        const double start = DateTimeToDays(Now) - 100;
        double moment = start;
        for (int t = 0; t < 2; ++t) {
            const int type = 1 + Random(8);
            QList<int> a, b;
            for (int k = 0; k < 512; ++k) {
                a << Random(100);
                b << Random(1500);
            }
            const TBlock& block = f.blocks[t];
            QCOMPARE(block.keys[0], u"MT=%1"_s.arg(type));
            QCOMPARE(block.rows, (QStringList{u"%1;%2"_s.arg(a[0]).arg(b[0]), u"%1;%2"_s.arg(a[1]).arg(b[1]),
                                              u"%1;%2"_s.arg(a[2]).arg(b[2])}));
            const QDateTime expected = DaysToDateTime(moment);
            QCOMPARE(block.keys[1], u"SD="_s + FormatDate(expected.date()));
            QCOMPARE(block.keys[2], u"SU="_s + FormatTime(expected.time()));
            moment += 0.5 + Random(1000) / 1000.0;
        }
        QCOMPARE(frm.StartMoment(), moment);
    }

    // Consecutive tests start 0.5 to 1.499 days apart, the first 100 days before the click.
    void startMoments()
    {
        TDemoDataFrm frm;
        Open(frm, Customers);
        frm.Edit2->setText(u"20"_s);
        frm.Edit3->setText(u"1"_s);
        frm.Button2Click();
        QList<QDateTime> starts;
        for (int p = 1; p <= 5; ++p)
            for (const TBlock& b : ReadDemoFile(m_card + u"/TQ5_000%1.DAT"_s.arg(p)).blocks)
                starts << b.start;
        QCOMPARE(starts.size(), 100);
        QCOMPARE(starts[0], QDateTime(Now.date().addDays(-100), QTime(14, 30, 20)));
        double shortest = 2, longest = 0;
        for (qsizetype i = 1; i < starts.size(); ++i) {
            const double gap = starts[i - 1].secsTo(starts[i]) / 86400.0;
            shortest = std::min(shortest, gap);
            longest = std::max(longest, gap);
        }
        QVERIFY2(shortest >= 0.5 - 1 / 86400.0, qPrintable(QString::number(shortest)));
        QVERIFY2(longest <= 1.499 + 1 / 86400.0, qPrintable(QString::number(longest)));
        QVERIFY(longest - shortest > 0.5); // the draws spread over the range
    }

    void fieldsAndLimits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("edit5");
        QTest::addColumn<QString>("edit4");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("five lines: blank fifth customer")
            << Customers.section(u'\n', 0, 4) << u"1"_s << u"9"_s
            << QStringList{u"TQ5_0001.DAT"_s, u"TQ5_0002.DAT"_s, u"TQ5_0003.DAT"_s, u"TQ5_0004.DAT"_s,
                           u"TQ5_0005.DAT"_s};
        QTest::newRow("start number 12345")
            << Customers << u"12345"_s << u"2"_s
            << QStringList{u"TQ5_12345.DAT"_s, u"TQ5_12346.DAT"_s, u"TQ5_12347.DAT"_s, u"TQ5_12348.DAT"_s,
                           u"TQ5_12349.DAT"_s};
    }
    void fieldsAndLimits()
    {
        QFETCH(QString, text);
        QFETCH(QString, edit5);
        QFETCH(QString, edit4);
        QFETCH(QStringList, files);
        TDemoDataFrm frm;
        Open(frm, text);
        frm.Edit5->setText(edit5);
        frm.Edit4->setText(edit4);
        frm.Button2Click();
        QCOMPARE(CardFiles(m_card), files);
        const TDemoFile last = ReadDemoFile(m_card + u'/' + files.last());
        if (edit5 == u"1"_s) {
            for (const QString& line : last.customer)
                QCOMPARE(line.mid(3), Pad(QString()));
        } else {
            QCOMPARE(last.customer[0], u"KN="_s + Pad(QString()));
            for (const QString& f : files)
                for (const TBlock& b : ReadDemoFile(m_card + u'/' + f).blocks)
                    QCOMPARE(b.keys[0], u"MT=1"_s);
        }
    }

    void tooFewLines()
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        TDemoDataFrm frm;
        Open(frm, Customers.section(u'\n', 0, 3));
        frm.Button2Click();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, u"Maximal 4 Kunden möglich !"_s);
        QVERIFY(CardFiles(m_card).isEmpty());
    }

    // Lines pasted while the window is open are the customers of the next generation.
    void linesPastedAfterShowing()
    {
        TDemoDataFrm frm;
        Open(frm, QString());
        frm.Memo1->setPlainText(Customers);
        frm.Edit1->setText(u"1"_s);
        frm.Button2Click();
        QCOMPARE(ReadDemoFile(m_card + u"/TQ5_0001.DAT"_s).customer[0], u"KN="_s + Pad(u"4711"_s));
    }

    void badNumberField_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("start number") << 5 << u"1a"_s;
        QTest::newRow("customers") << 1 << u"2.5"_s;
        QTest::newRow("rows empty") << 3 << QString();
    }
    void badNumberField()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        TDemoDataFrm frm;
        Open(frm, Customers);
        QLineEdit* edits[] = {nullptr, frm.Edit1, frm.Edit2, frm.Edit3, frm.Edit4, frm.Edit5};
        edits[field]->setText(value);
        frm.Button2Click();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        QCOMPARE(dialogs.messages[0].text, u"'%1' ist kein gültiger Integerwert"_s.arg(value));
        QVERIFY(CardFiles(m_card).isEmpty());
    }

    void cardNotThere()
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        DataDrive = u'X';
        TDemoDataFrm frm;
        Open(frm, Customers);
        frm.Button2Click();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        QVERIFY(dialogs.messages[0].text.contains(u"X:"_s));
        QVERIFY(frm.StatusBar1->currentMessage() != u"Fertig !"_s);
    }

    // A file that cannot be written stops the run there; the files before it stay.
    void writeErrorKeepsEarlierFiles()
    {
        QVERIFY(QDir(m_card).mkdir(u"TQ5_0003.DAT"_s));
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        TDemoDataFrm frm;
        Open(frm, Customers);
        frm.Button2Click();
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(u"TQ5_0003.DAT"_s), qPrintable(dialogs.messages[0].text));
        QCOMPARE(CardFiles(m_card), (QStringList{u"TQ5_0001.DAT"_s, u"TQ5_0002.DAT"_s}));
        QCOMPARE(ReadDemoFile(m_card + u"/TQ5_0002.DAT"_s).blocks.size(), 2);
        QCOMPARE(frm.Label1->text(), u"2"_s);
    }

    void deleteEveryFileButNotFolders()
    {
        QVERIFY(WriteAll(m_card + u"/TQ5_0001.DAT"_s, "KN=1\r\n"));
        QVERIFY(WriteAll(m_card + u"/.versteckt"_s, "x"));
        QVERIFY(WriteAll(m_card + u"/NOTIZ.TXT"_s, "x"));
        QVERIFY(WriteAll(m_card + u"/lesen.dat"_s, "x"));
        QFile::setPermissions(m_card + u"/lesen.dat"_s, QFileDevice::ReadOwner);
        QVERIFY(WriteAll(m_card + u"/SUB/INNEN.DAT"_s, "x"));
        TDemoDataFrm frm;
        Open(frm, QString());
        frm.Button1Click();
        QVERIFY(CardFiles(m_card).isEmpty());
        QVERIFY(QFile::exists(m_card + u"/SUB/INNEN.DAT"_s));
        QCOMPARE(frm.StatusBar1->currentMessage(), u"Fertig !"_s);
    }

    void openFolders()
    {
        Platform::TShellRecorder shell;
        Platform::SetShell(&shell);
        TDemoDataFrm frm;
        frm.Button4Click();
        frm.Button5Click();
        Platform::SetShell(nullptr);
        QCOMPARE(shell.opened, (QStringList{GetDataFolder() + u"/"_s, m_card + u"/"_s}));
    }

    // What the generator writes, the card import takes in without complaint.
    void generatedCardImports()
    {
        TDemoDataFrm frm;
        Open(frm, Customers);
        frm.Button2Click();
        TReadingsDb data;
        TDatabaseImpExpFrm importer;
        QStringList protocol;
        importer.Protocol = [&](const QString& line) { protocol << line; };
        for (const QString& f : CardFiles(m_card))
            importer.ImportFile(data.db.KundenTable, data.db.MessungenTable, data.db.MessdatenTable,
                                m_card + u'/' + f);
        TTable& kunden = *data.db.KundenTable;
        QCOMPARE(kunden.RecordCount(), 5); // 4711 is the fixture's own customer, found again
        QVERIFY(kunden.Locate(u"KN"_s, u"4711"_s));
        QCOMPARE(kunden.FieldByName(u"K3"_s).AsString(), u"12345 Musterstadt"_s);
        QCOMPARE(data.db.MessungenTable->RecordCount(), 2);
        data.db.MessungenTable->First();
        QCOMPARE(data.db.MessdatenTable->RecordCount(), 10);
        QCOMPARE(data.db.MessungenTable->FieldByName(u"EH"_s).AsString(), u"mbar"_s);
    }
};

TQ5_TEST(TDemoDataFrmTest)
#include "tst_DemoDataFrm.moc"
