#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "uXLSExport.h"
#include "XlsReader.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QTest>

#include <charconv>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Bof = QByteArray::fromHex("090808000000100000000000");
const QByteArray Eof = QByteArray::fromHex("0a000000");

QByteArray Word(int w)
{
    QByteArray b;
    b.append(char(w & 0xFF));
    b.append(char((w >> 8) & 0xFF));
    return b;
}

QByteArray NumberRecord(int row, int column, double value)
{
    QByteArray b = QByteArray::fromHex("03020e00") + Word(row) + Word(column) + Word(0);
    quint64 bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i)
        b.append(char((bits >> (8 * i)) & 0xFF));
    return b;
}

QByteArray TextRecord(int row, int column, const QByteArray& text)
{
    return QByteArray::fromHex("0402") + Word(8 + int(text.size())) + Word(row) + Word(column) + Word(0) +
           Word(int(text.size())) + text;
}

QString CellsText(const QList<TXlsCell>& cells)
{
    QStringList out;
    for (const TXlsCell& c : cells)
        out << u"%1,%2:%3%4"_s.arg(c.row).arg(c.column).arg(
            c.number ? u"n"_s : u"t"_s, c.number ? QString::number(c.value.toDouble()) : c.value.toString());
    return out.join(u' ');
}

} // namespace

class TXlsExportTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString Path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void numberTest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << u"7"_s << true << 7.0;
        QTest::newRow("decimal") << u"12.5"_s << true << 12.5;
        QTest::newRow("leading blanks") << u"   7"_s << true << 7.0;
        QTest::newRow("plus sign") << u"+3.25"_s << true << 3.25;
        QTest::newRow("minus point five") << u"-.5"_s << true << -0.5;
        QTest::newRow("lone point") << u"."_s << true << 0.0;
        QTest::newRow("trailing point") << u"5."_s << true << 5.0;
        QTest::newRow("exponent") << u"1.5E3"_s << true << 1500.0;
        QTest::newRow("signed small exponent") << u"-2e-2"_s << true << -0.02;
        QTest::newRow("exponent plus") << u"2e+1"_s << true << 20.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("blanks only") << u"   "_s << false << 0.0;
        QTest::newRow("sign alone") << u"-"_s << false << 0.0;
        QTest::newRow("trailing blank") << u"7 "_s << false << 0.0;
        QTest::newRow("decimal comma") << u"12,5"_s << false << 0.0;
        QTest::newRow("second point") << u"1.2.3"_s << false << 0.0;
        QTest::newRow("date") << u"01.02.03"_s << false << 0.0;
        QTest::newRow("time") << u"12:00:00"_s << false << 0.0;
        QTest::newRow("exponent without digits") << u"1e"_s << false << 0.0;
        QTest::newRow("exponent sign without digits") << u"1e-"_s << false << 0.0;
        QTest::newRow("exponent alone") << u"E5"_s << false << 0.0;
        QTest::newRow("tab before") << u"\t7"_s << false << 0.0;
        QTest::newRow("sign after blank then blank") << u" - 5"_s << false << 0.0;
        QTest::newRow("letters") << u"abc"_s << false << 0.0;
        QTest::newRow("hex") << u"0x10"_s << false << 0.0;
        QTest::newRow("infinity word") << u"inf"_s << false << 0.0;
    }
    void numberTest()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(double, value);
        double got = -999;
        QCOMPARE(IsCellNumber(text, &got), number);
        if (number)
            QCOMPARE(got, value);
    }

    // Short decimals take a quick way to their value; it must give the very same double as a
    // full decimal reader, bit for bit.
    void numberValuesExact()
    {
        QRandomGenerator random(5);
        for (int i = 0; i < 20000; ++i) {
            const int intDigits = random.bounded(0, 12), fracDigits = random.bounded(0, 12);
            QByteArray text = random.bounded(2) ? "-" : "";
            for (int k = 0; k < intDigits; ++k)
                text += char('0' + random.bounded(10));
            if (fracDigits || !intDigits)
                text += '.';
            for (int k = 0; k < fracDigits; ++k)
                text += char('0' + random.bounded(10));
            if (intDigits + fracDigits == 0)
                text += '0';
            double got = 0, expected = 0;
            QVERIFY2(IsCellNumber(QString::fromLatin1(text), &got), text.constData());
            std::from_chars(text.constData(), text.constData() + text.size(), expected);
            QVERIFY2(std::memcmp(&got, &expected, sizeof got) == 0, text.constData());
        }
    }

    void splitFields_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("empty line") << QString() << QStringList();
        QTest::newRow("one field") << u"a"_s << QStringList{u"a"_s};
        QTest::newRow("trailing separator") << u"a;b;"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("double separator") << u"a;;b"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("leading separator") << u";a"_s << QStringList{QString(), u"a"_s};
        QTest::newRow("separator alone") << u";"_s << QStringList{QString()};
        QTest::newRow("blanks kept") << u" a ; b "_s << QStringList{u" a "_s, u" b "_s};
    }
    void splitFields()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(SplitFields(line, u';'), fields);
    }

    void emptyTableIsBofAndEof()
    {
        const QString path = Path(u"empty.xls"_s);
        ExportGridToXls(QList<QStringList>{}, path);
        QCOMPARE(ReadAll(path), Bof + Eof);
        QCOMPARE(ReadAll(path).size(), 16);
    }

    // The cells go out column by column; numbers and texts as the number test decides, untrimmed.
    void gridRecordsColumnByColumn()
    {
        const QString path = Path(u"grid.xls"_s);
        ExportGridToXls(QList<QStringList>{{u"12.5"_s, u"12,5"_s}, {u" 7"_s, u"7 "_s}, {QString(), u"Öl"_s}},
                        path);
        const QByteArray expected = Bof + NumberRecord(0, 0, 12.5) + NumberRecord(1, 0, 7) +
                                    TextRecord(2, 0, QByteArray()) + TextRecord(0, 1, "12,5") +
                                    TextRecord(1, 1, "7 ") + TextRecord(2, 1, "\xD6l") + Eof;
        QCOMPARE(ReadAll(path).toHex(' '), expected.toHex(' '));
        // The number record of 12.5 to the byte.
        QCOMPARE(NumberRecord(0, 0, 12.5).toHex(' '),
                 QByteArray("03 02 0e 00 00 00 00 00 00 00 00 00 00 00 00 00 29 40"));
    }

    void gridFromModelIncludesHeaderRow()
    {
        QStandardItemModel model(3, 2);
        const QStringList texts{u"Datum"_s, u"Messwert"_s, u"01.02.24"_s,
                                u"1.100"_s, u"02.02.24"_s, QString()};
        for (int i = 0; i < texts.size(); ++i)
            model.setItem(i / 2, i % 2, new QStandardItem(texts[i]));
        const QString path = Path(u"model.xls"_s);
        ExportGridToXls(model, path);
        QString error;
        const auto cells = ReadXlsWithXlrd(path, &error);
        QVERIFY2(cells, qPrintable(error));
        QCOMPARE(CellsText(*cells), u"0,0:tDatum 0,1:tMesswert 1,0:t01.02.24 1,1:n1.1 2,0:t02.02.24 2,1:t"_s);
    }

    void xlrdReadsWhatWeWrite()
    {
        const QString path = Path(u"mixed.xls"_s);
        ExportGridToXls(
            QList<QStringList>{{u"Straße"_s, u"-1e3"_s, u"."_s}, {u"€ 5"_s, u"+0.25"_s, u"x;y"_s}}, path);
        QString error;
        const auto cells = ReadXlsWithXlrd(path, &error);
        QVERIFY2(cells, qPrintable(error));
        QCOMPARE(CellsText(*cells), u"0,0:tStraße 0,1:n-1000 0,2:n0 1,0:t€ 5 1,1:n0.25 1,2:tx;y"_s);
    }

    void convertCsv()
    {
        const QString csv = Path(u"20240102120000.CSV"_s);
        QVERIFY(WriteAll(csv, "a;;3;\r\n 7 ;\t12.5\t\n\r\nx;01.02.03;12:00:00;-.5\r\n"));
        QCOMPARE(ConvertCsvToXls(csv), Path(u"20240102120000.xls"_s));
        const QByteArray expected = Bof + TextRecord(0, 0, "a") + TextRecord(0, 1, "") +
                                    NumberRecord(0, 2, 3) + NumberRecord(1, 0, 7) + NumberRecord(1, 1, 12.5) +
                                    TextRecord(3, 0, "x") + TextRecord(3, 1, "01.02.03") +
                                    TextRecord(3, 2, "12:00:00") + NumberRecord(3, 3, -0.5) + Eof;
        const QString xls = Path(u"20240102120000.xls"_s);
        QCOMPARE(ReadAll(xls).toHex(' '), expected.toHex(' '));
        QString error;
        const auto cells = ReadXlsWithXlrd(xls, &error);
        QVERIFY2(cells, qPrintable(error));
        QCOMPARE(CellsText(*cells),
                 u"0,0:ta 0,1:t 0,2:n3 1,0:n7 1,1:n12.5 3,0:tx 3,1:t01.02.03 3,2:t12:00:00 3,3:n-0.5"_s);
    }

    void convertCsvNamesOutput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("extension replaced") << u"log.csv"_s << u"log.xls"_s;
        QTest::newRow("last extension only") << u"a.b.CSV"_s << u"a.b.xls"_s;
        QTest::newRow("no extension") << u"plain"_s << u"plain.xls"_s;
        QTest::newRow("point in folder only") << u"dir.d/plain"_s << u"dir.d/plain.xls"_s;
    }
    void convertCsvNamesOutput()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QVERIFY(WriteAll(Path(input), "1\r\n"));
        QCOMPARE(ConvertCsvToXls(Path(input)), Path(output));
        QCOMPARE(ReadAll(Path(output)), Bof + NumberRecord(0, 0, 1) + Eof);
    }

    void convertMissingCsvLeavesBofOnly()
    {
        const QString csv = Path(u"missing.csv"_s);
        QVERIFY_THROWS_EXCEPTION(TError, ConvertCsvToXls(csv));
        QCOMPARE(ReadAll(Path(u"missing.xls"_s)), Bof);
        try {
            ConvertCsvToXls(csv);
        } catch (const TError& e) {
            QVERIFY2(e.message().contains(u"missing.csv"_s), qPrintable(e.message()));
        }
    }

    // A folder that cannot be written (here: a "folder" that is a plain file, which holds even for root).
    void unwritableFolderGivesFileSystemMessage()
    {
        const QString blocker = Path(u"blocker"_s);
        QVERIFY(WriteAll(blocker, "x"));
        const QString path = blocker + u"/out.xls"_s;
        QString message;
        try {
            ExportGridToXls(QList<QStringList>{{u"1"_s}}, path);
        } catch (const TError& e) {
            message = e.message();
        }
        QVERIFY2(message.startsWith(QDir::toNativeSeparators(path) + u": "_s) &&
                     message.size() > path.size() + 4,
                 qPrintable(message));
        QCOMPARE(ReadAll(blocker), QByteArray("x"));
    }

    // A worksheet's row numbers are 16-bit words: 65,536 rows fit exactly, one more is refused
    // rather than wrapped onto row 0.
    void rowLimit()
    {
        const QString path = Path(u"full.xls"_s);
        ExportCellsToXls(
            1, XlsMaxRows, [](int, int r) { return QString::number(r); }, path);
        const QByteArray full = ReadAll(path);
        QCOMPARE(full.size(), 12 + XlsMaxRows * 18 + 4);
        QCOMPARE(full.mid(12 + (XlsMaxRows - 1) * 18, 18), NumberRecord(0xFFFF, 0, 65535));

        QVERIFY(WriteAll(path, "old"));
        QString message;
        try {
            ExportCellsToXls(
                1, XlsMaxRows + 1, [](int, int r) { return QString::number(r); }, path);
        } catch (const TError& e) {
            message = e.message();
        }
        QVERIFY2(message.contains(u"65536"_s), qPrintable(message));
        QCOMPARE(ReadAll(path), QByteArray("old"));
    }

    void convertCsvRowLimit()
    {
        QByteArray text;
        for (int i = 0; i < XlsMaxRows; ++i)
            text += QByteArray::number(i) + "\r\n";
        const QString csv = Path(u"long.csv"_s);
        QVERIFY(WriteAll(csv, text));
        ConvertCsvToXls(csv);
        QCOMPARE(ReadAll(Path(u"long.xls"_s)).size(), 12 + XlsMaxRows * 18 + 4);

        QVERIFY(WriteAll(csv, text + "x\r\n"));
        QString message;
        try {
            ConvertCsvToXls(csv);
        } catch (const TError& e) {
            message = e.message();
        }
        QVERIFY2(message.contains(u"65536"_s), qPrintable(message));
        QVERIFY(!QFile::exists(Path(u"long.xls"_s)));
    }
};

TQ5_TEST(TXlsExportTest)
#include "tst_XlsExport.moc"
