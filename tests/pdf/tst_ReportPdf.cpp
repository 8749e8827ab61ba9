#include "PdfReaders.h"
#include "Platform.h"
#include "ReportPdf.h"
#include "TBevel.h"
#include "TChart.h"
#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "TImage.h"
#include "TPageBreak.h"
#include "uPDF.h"

#include <functional>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <zlib.h>

using namespace PdfReaders;
using namespace Qt::StringLiterals;

using TMake = std::function<QWidget*(QWidget*)>;
Q_DECLARE_METATYPE(TMake)

namespace {

QByteArray Crlf(std::initializer_list<const char*> lines)
{
    QByteArray out;
    for (const char* line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

// A report form as the report pages build it: a top bar, and the page panel "FrmPanel" inside a
// scrolling area; the tests put the page items on the panel.
class TReportForm
{
public:
    TReportForm()
    {
        form.setObjectName(u"FRM_DE_TEST"_s);
        auto* top = new QWidget(&form);
        top->setObjectName(u"TopPanel"_s);
        auto* caption = new QLabel(u"Vorgabe speichern"_s, top);
        caption->setObjectName(u"TopLabel"_s);
        auto* scroll = new QScrollArea(&form);
        scroll->setObjectName(u"FrmScrollBox"_s);
        panel = new QWidget;
        panel->setObjectName(u"FrmPanel"_s);
        panel->resize(763, 1500);
        scroll->setWidget(panel);
    }

    template <class T> T* Add(T* control, const QString& name, int left, int top, int width, int height)
    {
        control->setObjectName(name);
        control->setGeometry(left, top, width, height);
        return control;
    }
    QLabel* Label(const QString& name, int left, int top, const QString& caption, int points = 10,
                  bool bold = false)
    {
        auto* label = Add(new QLabel(caption, panel), name, left, top, 200, 16);
        QFont font(u"Liberation Sans"_s);
        font.setPointSize(points);
        font.setBold(bold);
        label->setFont(font);
        return label;
    }

    QWidget form;
    QWidget* panel;
};

// Records what the rendering tells the progress window; can fail at a given position.
class TProgressLog final : public TPdfProgress
{
public:
    QStringList calls;
    int failAt = -1;
    void SetTitle(const QString& title) override { calls << u"title "_s + title; }
    void SetRange(int minimum, int maximum) override { calls << u"range %1 %2"_s.arg(minimum).arg(maximum); }
    void SetPosition(int position) override
    {
        if (position == failAt)
            throw TError(u"Abbruch bei %1"_s.arg(position));
        calls << u"position %1"_s.arg(position);
    }
    void Show() override { calls << u"show"_s; }
    void Hide() override { calls << u"hide"_s; }
};

QByteArray Inflate(const QByteArray& compressed, qsizetype size)
{
    QByteArray out(size, '\0');
    uLongf outSize = uLongf(size);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize,
                   reinterpret_cast<const Bytef*>(compressed.data()), uLong(compressed.size())) != Z_OK)
        return {};
    return out;
}

int Count(const QByteArray& content, const QByteArray& line)
{
    return int(Lines(content).count(line));
}

} // namespace

class TReportPdfTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Platform::TManualClock m_clock;
    int m_files = 0;
    QString m_lastPath;

    // Saves the form as a PDF, checks it with qpdf and returns its bytes.
    QByteArray Save(TReportForm& page, TPdfProgress* progress = nullptr)
    {
        m_lastPath = m_dir.filePath(u"BERICHT_%1.pdf"_s.arg(++m_files));
        SaveReportAsPdf(&page.form, m_lastPath, progress, u"PDF wird generiert..."_s);
        const QString problems = QpdfProblems(m_lastPath);
        if (!problems.isEmpty()) {
            qWarning("qpdf: %s", qPrintable(problems));
            return {};
        }
        return ReadAll(m_lastPath);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Platform::SetClock(&m_clock);
        Platform::SetDpi(96, 96);
    }
    void cleanupTestCase()
    {
        Platform::SetClock(nullptr);
        Platform::SetDpi(0);
    }

    void boldTwelvePointLabel()
    {
        TReportForm page;
        page.Label(u"Label1"_s, 48, 16, u"Dichtheitsprüfung"_s, 12, true);
        const QByteArray pdf = Save(page);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(ContentStream(pdf, 2), Crlf({"BT", "/F2 14 Tf", "41 818 Td",
                                              "(Dichtheitspr\xFC"
                                              "fung) Tj",
                                              "ET"}));
        QVERIFY(PdfToText(m_lastPath).contains(u"Dichtheitsprüfung"_s));
    }

    // Text items: regular and bold only, the size in points giving the size code; all at 100, 200.
    void textItems_data()
    {
        QTest::addColumn<TMake>("make");
        QTest::addColumn<QByteArray>("content");
        auto label = [](int points, int pixels, bool bold, bool italic, bool underline, bool strike) {
            return TMake([=](QWidget* panel) {
                auto* l = new QLabel(u"Text"_s, panel);
                QFont f(u"Liberation Sans"_s);
                if (pixels > 0)
                    f.setPixelSize(pixels);
                else
                    f.setPointSize(points);
                f.setBold(bold);
                f.setItalic(italic);
                f.setUnderline(underline);
                f.setStrikeOut(strike);
                l->setFont(f);
                return l;
            });
        };
        const QByteArray text = "(Text) Tj";
        QTest::newRow("5 points") << label(5, 0, false, false, false, false)
                                  << Crlf({"BT", "/F1 6 Tf", "85 712 Td", text, "ET"});
        QTest::newRow("8 points") << label(8, 0, false, false, false, false)
                                  << Crlf({"BT", "/F1 9 Tf", "85 710 Td", text, "ET"});
        QTest::newRow("10 points") << label(10, 0, false, false, false, false)
                                   << Crlf({"BT", "/F1 12 Tf", "85 707 Td", text, "ET"});
        QTest::newRow("12 points bold")
            << label(12, 0, true, false, false, false) << Crlf({"BT", "/F2 14 Tf", "85 704 Td", text, "ET"});
        QTest::newRow("16 pixels bold")
            << label(0, 16, true, false, false, false) << Crlf({"BT", "/F2 14 Tf", "85 704 Td", text, "ET"});
        QTest::newRow("7 pixels") << label(0, 7, false, false, false, false)
                                  << Crlf({"BT", "/F1 6 Tf", "85 712 Td", text, "ET"});
        QTest::newRow("italic") << label(10, 0, false, true, false, false) << QByteArray();
        QTest::newRow("bold italic") << label(10, 0, true, true, false, false) << QByteArray();
        QTest::newRow("underline") << label(10, 0, false, false, true, false) << QByteArray();
        QTest::newRow("bold strike-out") << label(10, 0, true, false, false, true) << QByteArray();
        QTest::newRow("edit") << TMake([](QWidget* panel) {
            auto* e = new QLineEdit(u"Kunde (4711)"_s, panel);
            QFont f(u"Liberation Sans"_s);
            f.setPointSize(8);
            e->setFont(f);
            e->setAlignment(Qt::AlignRight);
            return e;
        }) << Crlf({"BT", "/F1 9 Tf", "85 710 Td", "(Kunde \\(4711\\)) Tj", "ET"});
        QTest::newRow("masked edit shows its blanks") << TMake([](QWidget* panel) {
            auto* e = new QLineEdit(panel);
            e->setInputMask(u"99.99.9999;_"_s);
            e->setText(u"1203"_s);
            QFont f(u"Liberation Sans"_s);
            f.setPointSize(10);
            e->setFont(f);
            return e;
        }) << Crlf({"BT", "/F1 12 Tf", "85 707 Td", "(12.03.____) Tj", "ET"});
    }
    void textItems()
    {
        QFETCH(TMake, make);
        QFETCH(QByteArray, content);
        TReportForm page;
        page.Add(make(page.panel), u"Item1"_s, 100, 200, 200, 20);
        const QByteArray pdf = Save(page);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(ContentStream(pdf, 2), content);
    }

    // A check box is a 4 mm square at 100, 200; ticked, with both diagonals in width 1.
    void checkBoxes_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QByteArray>("content");
        const QByteArray square =
            Crlf({"85 718 m", "85 707 l", "0 w", "S", "85 707 m", "96 707 l", "0 w", "S", "96 707 m",
                  "96 718 l", "0 w", "S", "96 718 m", "85 718 l", "0 w", "S"});
        QTest::newRow("unchecked") << false << square;
        QTest::newRow("checked") << true
                                 << square + Crlf({"85 718 m", "96 707 l", "1 w", "S", "96 718 m", "85 707 l",
                                                   "1 w", "S"});
    }
    void checkBoxes()
    {
        QFETCH(bool, checked);
        QFETCH(QByteArray, content);
        TReportForm page;
        auto* box =
            page.Add(new QCheckBox(u"nicht gedruckt"_s, page.panel), u"CheckBox1"_s, 100, 200, 120, 17);
        box->setChecked(checked);
        const QByteArray pdf = Save(page);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(ContentStream(pdf, 2), content);
        QVERIFY(!PdfToText(m_lastPath).contains(u"gedruckt"_s));
    }

    // A bevel of 200 x 100 pixels at 100, 200: 30..90 mm across, 44..66 mm down.
    void bevels_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("box") << int(TBevelShape::bsBox)
                             << Crlf({"85 718 m", "85 656 l", "0 w", "S", "85 656 m", "255 656 l", "0 w", "S",
                                      "255 656 m", "255 718 l", "0 w", "S", "255 718 m", "85 718 l", "0 w",
                                      "S"});
        QTest::newRow("top line") << int(TBevelShape::bsTopLine)
                                  << Crlf({"85 718 m", "255 718 l", "0 w", "S"});
        QTest::newRow("left line") << int(TBevelShape::bsLeftLine)
                                   << Crlf({"85 718 m", "85 656 l", "0 w", "S"});
        QTest::newRow("frame") << int(TBevelShape::bsFrame) << QByteArray();
        QTest::newRow("bottom line") << int(TBevelShape::bsBottomLine) << QByteArray();
        QTest::newRow("right line") << int(TBevelShape::bsRightLine) << QByteArray();
        QTest::newRow("spacer") << int(TBevelShape::bsSpacer) << QByteArray();
    }
    void bevels()
    {
        QFETCH(int, shape);
        QFETCH(QByteArray, content);
        TReportForm page;
        page.Add(new TBevel(page.panel, TBevelShape(shape)), u"Bevel1"_s, 100, 200, 200, 100);
        const QByteArray pdf = Save(page);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(ContentStream(pdf, 2), content);
    }

    // The picture goes in at its bitmap's size, whatever size the control shows it at.
    void pictureAtItsOwnSize()
    {
        TReportForm page;
        QImage logo(129, 50, QImage::Format_RGB32);
        logo.fill(QColor(200, 10, 10));
        auto* image = page.Add(new TImage(page.panel), u"Image1"_s, 544, 56, 160, 80);
        image->SetPicture(logo);
        image->SetStretch(true);
        page.Add(new TImage(page.panel), u"Image2"_s, 40, 1249, 160, 50); // no logo chosen
        const QByteArray pdf = Save(page);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(ContentStream(pdf, 2), Crlf({"q", "99 0 0 41 463 766 cm", "/Im1 Do", "Q"}));
        const QByteArray object = Object(pdf, 21);
        QVERIFY(object.contains("/Width 129\r\n/Height 50\r\n"));
        QVERIFY(Object(pdf, 22).contains("/Type /Page\r\n"));
    }

    // A chart of 300 x 200 pixels is drawn into 1200 x 800 and placed with the chart's factors.
    void chartAtFourTimesItsSize()
    {
        TReportForm page;
        auto* chart = page.Add(new TChart(page.panel), u"Chart1"_s, 100, 200, 300, 200);
        chart->SetBackgroundColor(QColor(255, 255, 0));
        auto* series = chart->AddSeries();
        const QDateTime start(QDate(2024, 3, 15), QTime(10, 0));
        for (int i = 0; i < 30; ++i)
            series->AddXY(start.addSecs(60 * i), 100 + i % 7);
        const QByteArray pdf = Save(page);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(ContentStream(pdf, 2), Crlf({"q", "255 0 0 132 85 585 cm", "/Im1 Do", "Q"}));
        const QByteArray object = Object(pdf, 21);
        QVERIFY(object.contains("/Width 1200\r\n/Height 800\r\n"));

        QByteArray data = ContentStream(pdf, 21);
        data.chop(2);
        const QByteArray rgb = Inflate(data, 1200 * 800 * 3);
        QCOMPARE(rgb.size(), 1200 * 800 * 3);
        QCOMPARE(rgb.left(3), QByteArray("\xFF\xFF\0", 3)); // the chart's own background in the corner
        QImage expected = chart->ToImage(QSize(1200, 800)).convertToFormat(QImage::Format_RGB888);
        for (int row : {0, 400, 799})
            QCOMPARE(rgb.mid(qsizetype(row) * 3600, 3600),
                     QByteArray(reinterpret_cast<const char*>(expected.constScanLine(row)), 3600));
    }

    // Only direct children of FrmPanel are drawn, each once, hidden ones too; nothing else of the
    // form goes into the file.
    void everyKindOnce()
    {
        TReportForm page;
        page.Label(u"Label1"_s, 48, 16, u"Titel"_s, 12, true);
        page.Label(u"Label2"_s, 48, 60, u"Versteckt"_s)->hide();
        page.Add(new QLineEdit(u"Müller"_s, page.panel), u"Edit1"_s, 48, 100, 200, 20);
        auto* masked = page.Add(new QLineEdit(page.panel), u"MaskEdit1"_s, 48, 130, 100, 20);
        masked->setInputMask(u"99:99;_"_s);
        masked->setText(u"1405"_s);
        page.Add(new QCheckBox(page.panel), u"CheckBox1"_s, 48, 160, 17, 17)->setChecked(true);
        page.Add(new TBevel(page.panel, TBevelShape::bsTopLine), u"Bevel1"_s, 48, 190, 600, 2);
        QImage logo(40, 20, QImage::Format_RGB32);
        logo.fill(Qt::darkGreen);
        page.Add(new TImage(page.panel), u"Image1"_s, 500, 20, 40, 20)->SetPicture(logo);
        page.Add(new TChart(page.panel), u"Chart1"_s, 48, 220, 200, 100);
        auto* group = page.Add(new QGroupBox(u"Gruppe"_s, page.panel), u"GroupBox1"_s, 48, 400, 300, 100);
        page.Add(new QLabel(u"In der Gruppe"_s, group), u"Label3"_s, 10, 20, 100, 16);
        auto* inner = page.Add(new QWidget(page.panel), u"Panel1"_s, 48, 520, 300, 100);
        page.Add(new QCheckBox(inner), u"CheckBox2"_s, 10, 10, 17, 17);
        page.Add(new QLabel(u"Neben der Seite"_s, &page.form), u"Label4"_s, 0, 0, 100, 16);

        TProgressLog progress;
        const QByteArray pdf = Save(page, &progress);
        QVERIFY(!pdf.isEmpty());
        QVERIFY(pdf.contains("/Count 1\r\n"));
        const QByteArray content = ContentStream(pdf, 2);
        QCOMPARE(Count(content, "BT"), 4);
        QCOMPARE(Count(content, "(Titel) Tj"), 1);
        QCOMPARE(Count(content, "(Versteckt) Tj"), 1);
        QCOMPARE(Count(content, "(M\xFCller) Tj"), 1);
        QCOMPARE(Count(content, "(14:05) Tj"), 1);
        QCOMPARE(Count(content, "S"), 4 + 2 + 1); // check box, its cross, the rule
        QCOMPARE(Count(content, "/Im1 Do"), 1);
        QCOMPARE(Count(content, "/Im2 Do"), 1);
        QVERIFY(!pdf.contains("/Im3"));
        const QString text = PdfToText(m_lastPath);
        QVERIFY(text.contains(u"Müller"_s));
        QVERIFY(!text.contains(u"Gruppe"_s));
        QVERIFY(!text.contains(u"Neben der Seite"_s));
        QVERIFY(!text.contains(u"Vorgabe"_s));

        const int components = int(page.form.findChildren<QWidget*>().size());
        QCOMPARE(progress.calls.mid(0, 4),
                 QStringList({u"title PDF wird generiert..."_s, u"range 0 %1"_s.arg(components),
                              u"position 0"_s, u"show"_s}));
        QCOMPARE(progress.calls.last(), u"hide"_s);
        QCOMPARE(progress.calls.count(u"hide"_s), 1);
        QVERIFY(progress.calls.contains(u"position %1"_s.arg(components - 1)));
        QVERIFY(!progress.calls.contains(u"position %1"_s.arg(components)));
    }

    // The marker at 1336 with height 22 starts page 2, which shows every item again 1358 pixels
    // (298.76 mm) higher up.
    void pageBreak()
    {
        TReportForm page;
        page.panel->resize(763, 2600);
        page.Label(u"Label1"_s, 100, 100, u"Oben"_s);
        page.Label(u"Label2"_s, 100, 1500, u"Unten"_s);
        QImage logo(40, 20, QImage::Format_RGB32);
        logo.fill(Qt::darkBlue);
        page.Add(new TImage(page.panel), u"Image1"_s, 100, 1400, 40, 20)->SetPicture(logo);
        page.Add(new TPageBreak(page.panel), u"SpeedButton1"_s, 0, 1336, 23, 22);
        const QByteArray pdf = Save(page);
        QVERIFY(!pdf.isEmpty());
        QVERIFY(pdf.contains("/Count 2\r\n"));
        QCOMPARE(PdfPageNumber, 2);
        QCOMPARE(PdfPageOffset, -1358);
        // Page 1: 100 px is 22 mm, 1500 px is 330 mm (below the page), the picture at 308 mm.
        QCOMPARE(ContentStream(pdf, 2),
                 Crlf({"BT", "/F1 12 Tf", "85 769 Td", "(Oben) Tj", "ET", "BT", "/F1 12 Tf", "85 -98 Td",
                       "(Unten) Tj", "ET", "q", "30 0 0 16 85 -41 cm", "/Im1 Do", "Q"}));
        // Page 2: -1258 px is -276.76 mm, 142 px is 31.24 mm, 42 px is 9.24 mm.
        QCOMPARE(ContentStream(pdf, 4),
                 Crlf({"BT", "/F1 12 Tf", "85 1610 Td", "(Oben) Tj", "ET", "BT", "/F1 12 Tf", "85 743 Td",
                       "(Unten) Tj", "ET", "q", "30 0 0 16 85 800 cm", "/Im2 Do", "Q"}));
        const QStringList pages = PdfToText(m_lastPath).split(u'\f');
        QVERIFY(pages.size() >= 2);
        QVERIFY(pages[0].contains(u"Oben"_s) && !pages[0].contains(u"Unten"_s));
        QVERIFY(pages[1].contains(u"Unten"_s) && !pages[1].contains(u"Oben"_s));

        // The next PDF starts again from page 1 at offset 0.
        const QByteArray again = Save(page);
        QCOMPARE(ContentStream(again, 2), ContentStream(pdf, 2));
        QCOMPARE(ContentStream(again, 4), ContentStream(pdf, 4));
    }

    // A second marker only begins another page; the items are drawn again onto the last page with
    // the offset of the first marker.
    void secondMarker()
    {
        TReportForm page;
        page.panel->resize(763, 3000);
        page.Label(u"Label1"_s, 100, 1500, u"Unten"_s);
        page.Add(new TPageBreak(page.panel), u"SpeedButton1"_s, 0, 1336, 23, 22);
        page.Add(new TPageBreak(page.panel), u"SpeedButton2"_s, 0, 2000, 23, 22);
        const QByteArray pdf = Save(page);
        QVERIFY(!pdf.isEmpty());
        QVERIFY(pdf.contains("/Count 3\r\n"));
        QCOMPARE(PdfPageNumber, 3);
        QCOMPARE(PdfPageOffset, -1358);
        QCOMPARE(ContentStream(pdf, 4), QByteArray());
        QCOMPARE(ContentStream(pdf, 6), Crlf({"BT", "/F1 12 Tf", "85 743 Td", "(Unten) Tj", "ET"}));
    }

    // A marker inside a group on the panel is not the page's marker.
    void nestedMarkerIgnored()
    {
        TReportForm page;
        auto* group = page.Add(new QWidget(page.panel), u"Panel1"_s, 0, 1000, 700, 600);
        page.Add(new TPageBreak(group), u"SpeedButton1"_s, 0, 336, 23, 22);
        const QByteArray pdf = Save(page);
        QVERIFY(pdf.contains("/Count 1\r\n"));
        QCOMPARE(PdfPageNumber, 1);
        QCOMPARE(PdfPageOffset, 0);
    }

    void documentInformation()
    {
        TReportForm page;
        const QString path = m_dir.filePath(u"BDTRGI2008_101530.pdf"_s);
        SaveReportAsPdf(&page.form, path, nullptr, u"PDF wird generiert..."_s);
        QCOMPARE(QpdfProblems(path), QString());
        const QList<QByteArray> info = Lines(Object(ReadAll(path), 1));
        QCOMPARE(info[2], QByteArray("/Producer (TQ5 Report ( Kestrom GmbH ))"));
        QCOMPARE(info[3], "/Author (" + PdfText::InfoString(ReportAuthor(Platform::UserName())) + ")");
        QCOMPARE(info[4], QByteArray("/CreationDate (D:20240315103000)"));
        QCOMPARE(info[5], QByteArray("/Creator (Kestrom GmbH)"));
        QCOMPARE(info[6], QByteArray("/Keywords (BDTRGI2008_101530)"));
        QCOMPARE(info[7], QByteArray("/Subject (TQ5 Report)"));
        QCOMPARE(info[8], QByteArray("/Title (TQ5 Report)"));
        QCOMPARE(PdfInfo(path, u"Keywords"_s), u"BDTRGI2008_101530"_s);
        QCOMPARE(PdfInfo(path, u"Author"_s), ReportAuthor(Platform::UserName()));
        QVERIFY(IsA4(path));
    }

    void author_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("author");
        QTest::newRow("name") << u"Müller (Büro"_s << u"Müller (Büro"_s;
        QTest::newRow("none") << QString() << u"Unknown"_s;
        QTest::newRow("too long") << QString(300, u'x') << QString(255, u'x');
    }
    void author()
    {
        QFETCH(QString, user);
        QFETCH(QString, author);
        QCOMPARE(ReportAuthor(user), author);
    }

    // The file cannot be written: the error names it, the progress window is hidden, the cursor
    // back, and no file is left.
    void unwritablePath()
    {
        TReportForm page;
        page.Label(u"Label1"_s, 48, 16, u"Titel"_s);
        TProgressLog progress;
        const QString path = m_dir.filePath(u"fehlt/BDTRGI2008_101530.pdf"_s);
        QVERIFY(!QGuiApplication::overrideCursor());
        try {
            SaveReportAsPdf(&page.form, path, &progress, u"PDF wird generiert..."_s);
            QFAIL("no error");
        } catch (const TError& e) {
            QVERIFY2(e.message().contains(u"fehlt"_s), qPrintable(e.message()));
        }
        QCOMPARE(progress.calls.last(), u"hide"_s);
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!QFile::exists(path));
    }

    // A failure while the page is drawn: what was drawn so far is still written, then the error
    // goes on to the caller; the first error wins over a later one of the file.
    void failureWhileDrawing_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("file written") << true;
        QTest::newRow("file not writable either") << false;
    }
    void failureWhileDrawing()
    {
        QFETCH(bool, writable);
        TReportForm page;
        page.Label(u"Label1"_s, 48, 16, u"Erstes"_s);
        page.Label(u"Label2"_s, 48, 40, u"Zweites"_s);
        const QList<QWidget*> components = page.form.findChildren<QWidget*>();
        TProgressLog progress;
        progress.failAt = int(components.indexOf(page.panel->findChild<QLabel*>(u"Label2"_s)));
        QVERIFY(progress.failAt > 0);
        const QString path =
            writable ? m_dir.filePath(u"abgebrochen.pdf"_s) : m_dir.filePath(u"fehlt/x.pdf"_s);
        try {
            SaveReportAsPdf(&page.form, path, &progress, u"PDF wird generiert..."_s);
            QFAIL("no error");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"Abbruch bei %1"_s.arg(progress.failAt));
        }
        QCOMPARE(progress.calls.last(), u"hide"_s);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(QFile::exists(path), writable);
        if (writable) {
            QCOMPARE(QpdfProblems(path), QString());
            const QString text = PdfToText(path);
            QVERIFY(text.contains(u"Erstes"_s));
            QVERIFY(!text.contains(u"Zweites"_s));
        }
    }

    void pictureThatCannotBeRead()
    {
        const QString path = m_dir.filePath(u"logo.bmp"_s);
        QVERIFY(WriteAll(path, "kein Bild"));
        TImage image;
        try {
            image.LoadFromFile(path);
            QFAIL("no error");
        } catch (const TError& e) {
            QVERIFY2(e.message().contains(u"logo.bmp"_s), qPrintable(e.message()));
        }
        QVERIFY(image.Picture().isNull());
    }

private:
    static bool IsA4(const QString& path) { return PdfInfo(path, u"Page size"_s).startsWith(u"595 x 842"_s); }
};

TQ5_TEST(TReportPdfTest)
#include "tst_ReportPdf.moc"
