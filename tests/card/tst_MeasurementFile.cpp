#include "MeasurementFile.h"
#include "TError.h"
#include "TestMain.h"

#include <clocale>
#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kKnownKeys = {u"KN"_s, u"K1"_s, u"K2"_s, u"K3"_s, u"K4"_s, u"K5"_s, u"MT"_s,
                                u"SD"_s, u"SU"_s, u"IN"_s, u"DS"_s, u"DE"_s, u"MD"_s, u"DM"_s,
                                u"SZ"_s, u"ST"_s, u"ET"_s, u"EH"_s, u"KS"_s, u"LD"_s, u"RD"_s,
                                u"LR"_s, u"LU"_s, u"NR"_s, u"SM"_s, u"EM"_s};

// What a reader makes of one line: "key KN", "row" or "ignored".
QString Kind(const QString& line)
{
    QStringList matched;
    for (const QString& key : kKnownKeys)
        if (IsKey(key, line))
            matched << key;
    if (matched.size() > 1)
        return u"several keys: "_s + matched.join(u',');
    if (matched.size() == 1)
        return u"key "_s + matched.front();
    return IsReadingRow(line) ? u"row"_s : u"ignored"_s;
}

// Answers reads from a fixed text, then fails.
class TFailingDevice : public QIODevice
{
public:
    explicit TFailingDevice(QByteArray head) : m_head(std::move(head)) { open(QIODevice::ReadOnly); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_head.isEmpty()) {
            setErrorString(u"device not ready"_s);
            return -1;
        }
        const qint64 n = std::min<qint64>(maxSize, m_head.size());
        memcpy(data, m_head.constData(), n);
        m_head.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_head;
};

QStringList ReadLines(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TLineReader reader(buffer, u"TQ5_0001.DAT"_s);
    QStringList lines;
    QString line;
    while (reader.ReadLine(&line)) {
        lines << line;
        if (reader.LineNumber() != lines.size())
            return {u"line number %1 after %2 lines"_s.arg(reader.LineNumber()).arg(lines.size())};
    }
    return lines;
}

} // namespace

class TMeasurementFileTest : public QObject
{
    Q_OBJECT
private slots:
    void linesAreClassified_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("value"); // KeyValue, or the reading value of a row

        QTest::newRow("lower-case key") << u"kn=17"_s << u"key KN"_s << u"17"_s;
        QTest::newRow("mixed-case key") << u"Mt=3"_s << u"key MT"_s << u"3"_s;
        QTest::newRow("blank before key") << u" KN=17"_s << u"ignored"_s << QString();
        QTest::newRow("blank before =") << u"KN =17"_s << u"ignored"_s << QString();
        QTest::newRow("no =") << u"KN17"_s << u"ignored"_s << QString();
        QTest::newRow("= inside the value") << u"NR=A=1"_s << u"key NR"_s << u"A=1"_s;
        QTest::newRow("blank kept in unit") << u"EH= mbar"_s << u"key EH"_s << u" mbar"_s;
        QTest::newRow("empty value") << u"SM="_s << u"key SM"_s << QString();
        QTest::newRow("key that is longer") << u"KNX=1"_s << u"ignored"_s << QString();
        QTest::newRow("unknown key") << u"XY=5"_s << u"ignored"_s << QString();
        QTest::newRow("empty line") << QString() << u"ignored"_s << QString();
        QTest::newRow("blanks only") << u"   "_s << u"ignored"_s << QString();
        QTest::newRow("free text") << u"Messung OK"_s << u"ignored"_s << QString();
        QTest::newRow("row") << u"12;3.5"_s << u"row"_s << u"3.5"_s;
        QTest::newRow("row with leading blanks") << u"   12;3.5"_s << u"row"_s << u"3.5"_s;
        QTest::newRow("row with trailing blank") << u"12;3.5 "_s << u"row"_s << u"3.5 "_s;
        QTest::newRow("blank after ;") << u"12; 3.5"_s << u"row"_s << u" 3.5"_s;
        QTest::newRow("row without ;") << u"7.25"_s << u"row"_s << u"7.25"_s;
        QTest::newRow("negative row") << u"-1;-0.25"_s << u"row"_s << u"-0.25"_s;
        QTest::newRow("value after second ;") << u"1;2;3"_s << u"row"_s << u"2;3"_s;
        QTest::newRow("value cut to 30")
            << u"1;123456789012345678901234567890123"_s << u"row"_s << u"123456789012345678901234567890"_s;
        QTest::newRow("no ; cut to 30")
            << u"1234567890123456789012345678901234"_s << u"row"_s << u"123456789012345678901234567890"_s;
        QTest::newRow("digit key is a row") << u"12=3"_s << u"row"_s << u"12=3"_s;
        QTest::newRow("plus is no row") << u"+1;2"_s << u"ignored"_s << QString();
    }
    void linesAreClassified()
    {
        QFETCH(QString, line);
        QFETCH(QString, kind);
        QFETCH(QString, value);
        QCOMPARE(Kind(line), kind);
        if (kind.startsWith(u"key"_s))
            QCOMPARE(KeyValue(line), value);
        else if (kind == u"row"_s)
            QCOMPARE(ReadingValueText(line).toString(), value);
    }

    void customerValuesAreTrimmed_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("blanks") << u"  Müller   "_s << u"Müller"_s;
        QTest::newRow("padded to 30") << PadRight(u"4711"_s) << u"4711"_s;
        QTest::newRow("control characters") << u"\t\x01Meier\x1f"_s << u"Meier"_s;
        QTest::newRow("inner blanks stay") << u" Am  Ring 5 "_s << u"Am  Ring 5"_s;
        QTest::newRow("nothing but blanks") << u"    "_s << QString();
    }
    void customerValuesAreTrimmed()
    {
        QFETCH(QString, value);
        QFETCH(QString, trimmed);
        QCOMPARE(TrimValue(value), trimmed);
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << u"12"_s << true << 12.0;
        QTest::newRow("fraction") << u"3.5"_s << true << 3.5;
        QTest::newRow("leading blanks") << u"   -0.25"_s << true << -0.25;
        QTest::newRow("plus sign") << u"+7"_s << true << 7.0;
        QTest::newRow("exponent") << u"1.5E3"_s << true << 1500.0;
        QTest::newRow("negative exponent") << u"25e-1"_s << true << 2.5;
        QTest::newRow("no leading digit") << u".5"_s << true << 0.5;
        QTest::newRow("no trailing digit") << u"5."_s << true << 5.0;
        QTest::newRow("trailing blank") << u"3.5 "_s << false << 0.0;
        QTest::newRow("comma") << u"3,5"_s << false << 0.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("point only") << u"."_s << false << 0.0;
        QTest::newRow("sign only") << u"-"_s << false << 0.0;
        QTest::newRow("two signs") << u"--1"_s << false << 0.0;
        QTest::newRow("exponent without digits") << u"1e"_s << false << 0.0;
        QTest::newRow("exponent only") << u"e5"_s << false << 0.0;
        QTest::newRow("blank after sign") << u"- 1"_s << false << 0.0;
        QTest::newRow("hex") << u"0x10"_s << false << 0.0;
        QTest::newRow("inf") << u"inf"_s << false << 0.0;
        QTest::newRow("nan") << u"nan"_s << false << 0.0;
        QTest::newRow("beyond double") << u"1e400"_s << false << 0.0;
        QTest::newRow("beyond double without exponent") << QString(u"9"_s.repeated(400)) << false << 0.0;
        QTest::newRow("too small for a double") << u"-1e-400"_s << true << -0.0;
        QTest::newRow("long fraction") << u"0."_s + QString(400, u'0') + u"1"_s << true << 0.0;
        QTest::newRow("many digits") << u"123456789012345678901234567890"_s << true << 1.2345678901234568e29;
        QTest::newRow("tab in front") << u"\t1"_s << false << 0.0;
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double got = -999;
        QCOMPARE(IsNumber(text, &got), ok);
        if (ok)
            QCOMPARE(got, value);
    }

    // Qt takes the user's locale for the C library too: a German one reads "," as the decimal
    // point there, and "12.5" would stop at the point.
    void numbersWhateverTheLocale()
    {
        QTemporaryDir dir;
        QProcess make;
        make.start(u"localedef"_s,
                   {u"-i"_s, u"de_DE"_s, u"-f"_s, u"UTF-8"_s, dir.filePath(u"de_DE.UTF-8"_s)});
        QVERIFY2(make.waitForFinished(60000) && make.exitCode() == 0,
                 make.readAllStandardError().constData());
        const QByteArray oldPath = qgetenv("LOCPATH");
        qputenv("LOCPATH", QFile::encodeName(dir.path()));
        const QByteArray old = setlocale(LC_NUMERIC, nullptr);
        const bool german = setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        const auto restore = qScopeGuard([&] {
            setlocale(LC_NUMERIC, old.constData());
            if (oldPath.isNull())
                qunsetenv("LOCPATH");
            else
                qputenv("LOCPATH", oldPath);
        });
        QVERIFY(german);
        QCOMPARE(localeconv()->decimal_point, ",");
        double got = 0;
        QVERIFY(IsNumber(u"12.5"_s, &got));
        QCOMPARE(got, 12.5);
        QVERIFY(IsNumber(u" -1.25E2"_s, &got));
        QCOMPARE(got, -125.0);
        QVERIFY(!IsNumber(u"12,5"_s, &got));
    }

    void padRight_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("padded");
        QTest::newRow("seven characters") << u"1234567"_s << u"1234567"_s + QString(23, u' ');
        QTest::newRow("empty") << QString() << QString(30, u' ');
        QTest::newRow("exactly 30") << QString(30, u'x') << QString(30, u'x');
        QTest::newRow("longer stays whole") << QString(35, u'y') << QString(35, u'y');
    }
    void padRight()
    {
        QFETCH(QString, text);
        QFETCH(QString, padded);
        QCOMPARE(PadRight(text, 30), padded);
    }

    void keyLinesAreSingleByteWithCrLf()
    {
        QCOMPARE(KeyLine(u"K1", PadRight(u"Jürgen Maß"_s)),
                 QByteArray("K1=J\xfcrgen Ma\xdf") + QByteArray(20, ' ') + QByteArray("\r\n"));
        QCOMPARE(KeyLine(u"SM", u""), QByteArray("SM=\r\n"));
        QCOMPARE(TextLine(u"12;3.5 \u20ac"), QByteArray("12;3.5 \x80\r\n"));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        WriteKeyLine(buffer, u"MT", u"1");
        WriteTextLine(buffer, u"0;1013");
        QCOMPARE(buffer.data(), QByteArray("MT=1\r\n0;1013\r\n"));
    }

    void writeToAClosedDeviceFails()
    {
        QBuffer buffer;
        QVERIFY_THROWS_EXCEPTION(TError, WriteKeyLine(buffer, u"KN", u"1"));
    }

    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("KN=1\r\nK1=A\r\n") << QStringList{u"KN=1"_s, u"K1=A"_s};
        QTest::newRow("LF only") << QByteArray("KN=1\nK1=A\n") << QStringList{u"KN=1"_s, u"K1=A"_s};
        QTest::newRow("lone CR") << QByteArray("KN=1\rK1=A") << QStringList{u"KN=1"_s, u"K1=A"_s};
        QTest::newRow("last line without end")
            << QByteArray("KN=1\r\nK1=A") << QStringList{u"KN=1"_s, u"K1=A"_s};
        QTest::newRow("empty lines kept")
            << QByteArray("\r\n\r\nx\r\n") << QStringList{QString(), QString(), u"x"_s};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("Windows-1252 bytes")
            << QByteArray("K1=M\xfcller \x80\x81\r\n") << QStringList{u"K1=Müller €\u0081"_s};
        QTest::newRow("NUL byte") << QByteArray("a\0b\r\n", 5) << QStringList{u"a\0b"_s};
        // The CR is the last byte of the first block the reader takes; its LF opens the next one.
        QTest::newRow("CR LF across blocks") << (QByteArray(64 * 1024 - 1, 'x') + "\r\nKN=1\r\n")
                                             << QStringList{QString(64 * 1024 - 1, u'x'), u"KN=1"_s};
    }
    void lineEnds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(ReadLines(bytes), lines);
    }

    void overlongLineKeepsItsHeadOnly()
    {
        const qsizetype max = TLineReader::MaxLineBytes;
        QByteArray bytes = "KN=1" + QByteArray(3 * max, '7') + "\r\nK1=Meier\r\n" + QByteArray(2 * max, 'z');
        const QStringList lines = ReadLines(bytes);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].size(), max);
        QVERIFY(lines[0].startsWith(u"KN=1777"_s));
        QCOMPARE(lines[1], u"K1=Meier"_s);
        QCOMPARE(lines[2], QString(max, u'z'));
    }

    void readErrorNamesTheFile()
    {
        TFailingDevice device("KN=1\r\nK1=");
        TLineReader reader(device, u"TQ5_0007.DAT"_s);
        QString line;
        QVERIFY(reader.ReadLine(&line));
        QCOMPARE(line, u"KN=1"_s);
        try {
            reader.ReadLine(&line);
            QFAIL("no error");
        } catch (const TError& e) {
            QVERIFY2(e.message().contains(u"TQ5_0007.DAT"_s), qPrintable(e.message()));
            QVERIFY2(e.message().contains(u"device not ready"_s), qPrintable(e.message()));
        }
    }
};

TQ5_TEST(TMeasurementFileTest)
#include "tst_MeasurementFile.moc"
