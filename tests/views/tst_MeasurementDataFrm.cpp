#include "ReadingsDb.h"
#include "ScriptedDialogs.h"
#include "TChart.h"
#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "TMeasurementDataFrm.h"
#include "TReadingsGrid.h"
#include "TWaitFrm.h"
#include "XlsReader.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Start(QDate(2024, 3, 1), QTime(23, 59, 58));

QStringList Row(const TReadingsGrid& grid, int row)
{
    return {grid.Cells(0, row), grid.Cells(1, row), grid.Cells(2, row)};
}

double Days(const QDateTime& moment)
{
    return DateTimeToDays(moment);
}

} // namespace

class TMeasurementDataFrmTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void progressAndRowCount()
    {
        TWaitFrm wait;
        TReadingsDb data;
        data.AddTest({}, Start, 250, [](int k) { return 100.0 + k; });
        TMeasurementDataFrm frm;
        QSignalSpy progress(wait.ProgressBar, &QProgressBar::valueChanged);
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);

        QList<int> steps;
        for (const auto& args : progress)
            if (args[0].toInt() > 0)
                steps.append(args[0].toInt());
        QCOMPARE(steps, (QList<int>{100, 200}));
        QCOMPARE(wait.ProgressBar->maximum(), 250);
        QCOMPARE(wait.windowTitle(), u"Daten werden angezeigt..."_s);
        QVERIFY(!wait.isVisible());

        QCOMPARE(frm.Grid()->RowCount(), 251);
        QCOMPARE(frm.DataStringGrid->model()->rowCount(), 250);
        QCOMPARE(frm.Series()->Count(), 250);
        QVERIFY(frm.isVisible());
        QCOMPARE(frm.PageControl->currentWidget(), frm.DataTabSheet);
        QCOMPARE(frm.windowTitle(), u"Gas, Belastungsprüfung"_s);
        QCOMPARE(frm.Chart->Title(), u"Gas, Belastungsprüfung"_s);
        QCOMPARE(frm.DataStringGrid->verticalHeader()->defaultSectionSize(), 19);
    }

    // Row k and point k lie at start + (k - 1) × IN, whatever DA and UZ of the later rows say;
    // an empty value gives an empty cell and no point, and the points after it keep their times.
    void rowsAndPointsKeepTheirMoments()
    {
        TReadingsDb data;
        TReadingsDb::TTestRow row;
        row.ks = u"3"_s;
        data.AddTest(row, Start, {1.1, std::nullopt, 2.5, -0.25});
        TMeasurementDataFrm frm;
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        const TReadingsGrid& grid = *frm.Grid();
        QCOMPARE(Row(grid, 0), (QStringList{u"Datum"_s, u"Uhrzeit"_s, u"Messwert"_s}));
        QCOMPARE(Row(grid, 1), (QStringList{u"01.03.24"_s, u"23:59:58"_s, u"1.100"_s}));
        QCOMPARE(Row(grid, 2), (QStringList{u"01.03.24"_s, u"23:59:59"_s, QString()}));
        QCOMPARE(Row(grid, 3), (QStringList{u"02.03.24"_s, u"00:00:00"_s, u"2.500"_s}));
        QCOMPARE(Row(grid, 4), (QStringList{u"02.03.24"_s, u"00:00:01"_s, u"-0.250"_s}));
        QCOMPARE(frm.DataStringGrid->model()->data(frm.DataStringGrid->model()->index(0, 2)).toString(),
                 u"1.100"_s);

        const TLineSeries& s = *frm.Series();
        QCOMPARE(s.Count(), 3);
        QCOMPARE(s.X(0), Days(Start));
        QCOMPARE(s.Y(0), double(1.1f)); // reduced to 32-bit precision
        QVERIFY(std::abs(s.X(1) - Days(Start.addSecs(2))) < 1e-9);
        QVERIFY(std::abs(s.X(2) - Days(Start.addSecs(3))) < 1e-9);
    }

    void valueRange_data()
    {
        QTest::addColumn<int>("mtnr");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("all 0") << 1 << QList<double>{0, 0, 0} << true << -0.8 << 1.2;
        QTest::newRow("2 to 5") << 3 << QList<double>{2, 5, 3.5} << true << 1.6 << 6.0;
        QTest::newRow("one value") << 13 << QList<double>{10} << true << 8.0 << 12.0;
        QTest::newRow("type 8 automatic") << 8 << QList<double>{2, 5} << false << 2.0 << 5.0;
        // Below zero the range still holds every point.
        QTest::newRow("negative") << 2 << QList<double>{-5, -1} << true << -6.0 << -0.8;
        QTest::newRow("both signs") << 2 << QList<double>{-5, 10} << true << -6.0 << 12.0;
    }
    void valueRange()
    {
        QFETCH(int, mtnr);
        QFETCH(QList<double>, values);
        QFETCH(bool, fixed);
        QFETCH(double, low);
        QFETCH(double, high);
        TReadingsDb data;
        TReadingsDb::TTestRow row;
        row.mtnr = mtnr;
        QList<std::optional<double>> v(values.begin(), values.end());
        TMeasurementDataFrm frm;
        // A fixed range from an earlier test must not stay on for type 8.
        data.AddTest({}, Start, {100.0, 200.0});
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        data.AddTest(row, Start, v);
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        QCOMPARE(!frm.Chart->LeftAxisAutomatic(), fixed);
        const TChartLayout L = frm.Chart->Layout(QRectF(0, 0, 300, 200));
        QVERIFY2(std::abs(L.leftMin - low) < 1e-6, qPrintable(QString::number(L.leftMin)));
        QVERIFY2(std::abs(L.leftMax - high) < 1e-6, qPrintable(QString::number(L.leftMax)));
    }

    void secondLoadReplacesTheFirst()
    {
        TReadingsDb data;
        data.AddTest({}, Start, 5, [](int k) { return 10.0 * k; });
        TMeasurementDataFrm frm;
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        TReadingsDb::TTestRow second;
        second.mt = u"Abwasser"_s;
        second.in = u"60"_s;
        second.eh = u"bar"_s;
        data.AddTest(second, Start.addDays(3), {7.0, 8.0, 9.0});
        frm.PageControl->setCurrentWidget(frm.GraphTabSheet);
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        QCOMPARE(frm.Series()->Count(), 3);
        QCOMPARE(frm.Series()->Y(0), 7.0);
        QCOMPARE(frm.Series()->X(2), Days(Start.addDays(3).addSecs(120)));
        QCOMPARE(frm.Grid()->RowCount(), 4);
        QCOMPARE(Row(*frm.Grid(), 3), (QStringList{u"05.03.24"_s, u"00:01:58"_s, u"9.0"_s}));
        QCOMPARE(frm.windowTitle(), u"Abwasser"_s);
        QCOMPARE(frm.Chart->LeftAxisTitle(), u"bar"_s);
        QCOMPARE(frm.PageControl->currentWidget(), frm.DataTabSheet);

        // A test without readings shows no curve rather than the last one.
        data.AddTest({}, Start, QList<std::optional<double>>{});
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        QCOMPARE(frm.Series()->Count(), 0);
        QCOMPARE(frm.Grid()->RowCount(), 1);
    }

    void badNumbersStopTheLoad_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("ks");
        QTest::addColumn<QString>("message");
        QTest::newRow("interval") << u"1.5"_s << u"1"_s << u"'1.5' ist kein gültiger Integerwert"_s;
        QTest::newRow("decimals") << u"1"_s << u"x"_s << u"'x' ist kein gültiger Integerwert"_s;
    }
    void badNumbersStopTheLoad()
    {
        QFETCH(QString, in);
        QFETCH(QString, ks);
        QFETCH(QString, message);
        TWaitFrm wait;
        TReadingsDb data;
        TReadingsDb::TTestRow row;
        row.in = in;
        row.ks = ks;
        data.AddTest(row, Start, {1.0, 2.0});
        TMeasurementDataFrm frm;
        QString error;
        try {
            frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        } catch (const TError& e) {
            error = e.message();
        }
        QCOMPARE(error, message);
        QVERIFY(!wait.isVisible());
    }

    void colourAndBlackAndWhite()
    {
        TReadingsDb data;
        data.AddTest({}, Start, {1.0, 2.0});
        TMeasurementDataFrm frm;
        const QColor initial = frm.Chart->BackgroundColor();
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        QVERIFY(frm.Chart->Gradient());
        QCOMPARE(frm.Chart->BackgroundColor(), initial);
        frm.SW1->trigger();
        QVERIFY(!frm.Chart->Gradient());
        QCOMPARE(frm.Chart->BackgroundColor(), QColor(Qt::white));
        const QImage bw = frm.Chart->ToImage({300, 200});
        QCOMPARE(bw.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(bw.pixel(299, 199), qRgb(255, 255, 255));
        frm.Color1->trigger();
        QVERIFY(frm.Chart->Gradient());
        QCOMPARE(frm.Chart->BackgroundColor(), initial);
        QVERIFY(qGray(frm.Chart->ToImage({300, 200}).pixel(299, 199)) < 200);
    }

    void showCreatesSeriesHideDiscardsIt()
    {
        TReadingsDb data;
        TReadingsDb::TTestRow row;
        row.eh = u"bar"_s;
        data.AddTest(row, Start, {1.0, 2.0});
        TMeasurementDataFrm frm;
        QVERIFY(!frm.Series());
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        QCOMPARE(frm.Chart->Series().size(), 1);
        QCOMPARE(frm.Series()->Color(), QColor(Qt::black));
        frm.hide();
        QVERIFY(!frm.Series());
        QVERIFY(frm.Chart->Series().isEmpty());
        frm.show();
        QCOMPARE(frm.Chart->Series().size(), 1);
        QCOMPARE(frm.Series()->Count(), 0);
        QCOMPARE(frm.Chart->LeftAxisTitle(), u"bar"_s);
    }

    void copyToClipboard()
    {
        TReadingsDb data;
        data.AddTest({}, Start, 30, [](int k) { return std::sin(k / 4.0); });
        TMeasurementDataFrm frm;
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        frm.PageControl->setCurrentWidget(frm.GraphTabSheet);
        QApplication::processEvents();
        frm.CopyToClipboard1->trigger();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), frm.Chart->size());
        QCOMPARE(copied.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 frm.Chart->ToImage(frm.Chart->size(), Qt::white));
    }

    // The dialog proposes MT with the extension of the filter chosen last; the file name is
    // used as chosen.
    void exportTextAndWorksheet()
    {
        TReadingsDb data;
        TReadingsDb::TTestRow row;
        row.ks = u"2"_s;
        data.AddTest(row, Start, {1.5, std::nullopt, 3.25});
        TMeasurementDataFrm frm;
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);

        TScriptedDialogs dialogs;
        const QString txt = m_dir.filePath(u"werte.dat"_s);
        dialogs.ExpectFile(txt, 1);
        frm.ExportBitBtnClick();
        QCOMPARE(dialogs.files.size(), 1);
        QCOMPARE(dialogs.files[0].fileName, u"Gas, Belastungsprüfung.xls"_s);
        QCOMPARE(dialogs.files[0].filter, u"Excel (*.xls);;CSV (*.txt)"_s);
        QCOMPARE(ReadAll(txt), QByteArray("Datum;Uhrzeit;Messwert\r\n01.03.24;23:59:58;1.50\r\n"
                                          "01.03.24;23:59:59;\r\n02.03.24;00:00:00;3.25\r\n"));

        const QString xls = m_dir.filePath(u"werte"_s);
        dialogs.ExpectFile(xls, 0);
        frm.ExportBitBtnClick();
        QCOMPARE(dialogs.files[1].fileName, u"Gas, Belastungsprüfung.txt"_s);
        QCOMPARE(dialogs.files[1].filterIndex, 1);
        QString error;
        const auto cells = ReadXlsWithXlrd(xls, &error);
        QVERIFY2(cells, qPrintable(error));
        QStringList seen;
        for (const TXlsCell& c : *cells)
            seen << u"%1,%2:%3"_s.arg(c.row).arg(c.column).arg(
                c.number ? QString::number(c.value.toDouble()) : u"'"_s + c.value.toString() + u"'"_s);
        QCOMPARE(seen.join(u' '),
                 u"0,0:'Datum' 0,1:'Uhrzeit' 0,2:'Messwert' 1,0:'01.03.24' 1,1:'23:59:58' 1,2:1.5 "
                 u"2,0:'01.03.24' 2,1:'23:59:59' 2,2:'' 3,0:'02.03.24' 3,1:'00:00:00' 3,2:3.25"_s);

        dialogs.ExpectFile(QString(), 0); // cancelled
        frm.ExportBitBtnClick();
        QCOMPARE(dialogs.files[2].fileName, u"Gas, Belastungsprüfung.xls"_s);
        QVERIFY(dialogs.Done());
    }

    void exportIntoUnwritableFolder()
    {
        TReadingsDb data;
        data.AddTest({}, Start, {1.0});
        TMeasurementDataFrm frm;
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        const QString blocker = m_dir.filePath(u"blocker"_s);
        QVERIFY(WriteAll(blocker, "x"));
        for (int filter : {0, 1}) {
            TScriptedDialogs dialogs;
            dialogs.ExpectFile(blocker + u"/out"_s, filter);
            dialogs.ExpectMessage();
            frm.ExportBitBtnClick();
            QCOMPARE(dialogs.messages.size(), 1);
            QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
            QVERIFY2(dialogs.messages[0].text.startsWith(blocker + u"/out: "_s),
                     qPrintable(dialogs.messages[0].text));
        }
    }

    // A worksheet ends at 65,536 rows: a longer table is refused with the limit named and no file,
    // while the text export writes every row.
    void worksheetRowLimit()
    {
        TReadingsDb data;
        data.AddTest({}, Start, 65536, [](int k) { return double(k % 1000); });
        TMeasurementDataFrm frm;
        frm.LoadReadings(data.db.MessdatenTable, data.db.MessungenTable);
        QCOMPARE(frm.Grid()->RowCount(), 65537);

        TScriptedDialogs dialogs;
        const QString xls = m_dir.filePath(u"lang.xls"_s);
        dialogs.ExpectFile(xls, 0);
        dialogs.ExpectMessage();
        frm.ExportBitBtnClick();
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(u"65536"_s), qPrintable(dialogs.messages[0].text));
        QVERIFY(!QFile::exists(xls));

        const QString txt = m_dir.filePath(u"lang.txt"_s);
        dialogs.ExpectFile(txt, 1);
        frm.ExportBitBtnClick();
        const QByteArray text = ReadAll(txt);
        QCOMPARE(text.count("\r\n"), 65537);
        QVERIFY(text.endsWith("02.03.24;18:12:13;535.0\r\n"));
    }
};

TQ5_TEST(TMeasurementDataFrmTest)
#include "tst_MeasurementDataFrm.moc"
