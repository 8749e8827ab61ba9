#include "PdfReaders.h"
#include "Platform.h"
#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "uPDF.h"

#include <functional>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <zlib.h>

using namespace PdfReaders;
using namespace Qt::StringLiterals;

using TDraw = std::function<void(TPrintPDF&)>;
Q_DECLARE_METATYPE(TDraw)

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

QImage Filled(int width, int height, QColor colour = Qt::gray)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray Inflate(const QByteArray& compressed, qsizetype expectedSize)
{
    QByteArray out(expectedSize + 16, '\0');
    uLongf size = uLongf(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                   reinterpret_cast<const Bytef*>(compressed.data()), uLong(compressed.size())) != Z_OK)
        return "not a zlib stream";
    out.resize(qsizetype(size));
    return out;
}

} // namespace

class TPrintPdfTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Platform::TManualClock m_clock; // 15.03.2024 10:30:00
    int m_files = 0;

    QString NextPath() { return m_dir.filePath(QStringLiteral("doc%1.pdf").arg(++m_files)); }

    // Writes a document with the given drawing on page 1; the bytes, after qpdf has accepted the file.
    QByteArray Write(const TDraw& draw, const QString& title = {})
    {
        TPrintPDF pdf;
        pdf.FileName = NextPath();
        pdf.Title = title;
        pdf.BeginDocument();
        draw(pdf);
        pdf.FinishDocument();
        const QString problems = QpdfProblems(pdf.FileName);
        if (!problems.isEmpty())
            qWarning("qpdf: %s", qPrintable(problems));
        return problems.isEmpty() ? ReadAll(pdf.FileName) : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Platform::SetClock(&m_clock);
    }
    void init() { Platform::SetDpi(96, 96); }
    void cleanupTestCase()
    {
        Platform::SetClock(nullptr);
        Platform::SetDpi(0);
    }

    // The golden files were typed out line by line from the document layout and their offsets summed
    // by a short script; they share no code with the writer.
    void documentsAreByteExact_data()
    {
        QTest::addColumn<TDraw>("draw");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("golden");
        QTest::newRow("nothing drawn") << TDraw([](TPrintPDF&) {}) << QString() << u"empty_document.pdf"_s;
        QTest::newRow("two pages") << TDraw([](TPrintPDF& pdf) {
            pdf.PlaceText(1, 38, 10, 20, QStringLiteral("a(b)c\\d"));
            pdf.StrokeLine(0, 0, 10, 0);
            pdf.NewPage();
            pdf.PlaceText(20, 48, 0, 0, QStringLiteral("Prüfung"));
            pdf.StrokeHeavyLine(0, 0, 10, 0);
        }) << u"Probe"_s << u"two_pages.pdf"_s;
    }
    void documentsAreByteExact()
    {
        QFETCH(TDraw, draw);
        QFETCH(QString, title);
        QFETCH(QString, golden);
        const QByteArray expected = ReadAll(QStringLiteral(TQ5_FIXTURES "/") + golden);
        QVERIFY(!expected.isEmpty());
        const QByteArray written = Write(draw, title);
        QVERIFY(!written.isEmpty());
        if (written != expected) {
            const QList<QByteArray> a = Lines(written), b = Lines(expected);
            for (qsizetype i = 0; i < qMin(a.size(), b.size()); ++i)
                QCOMPARE(a[i], b[i]);
            QCOMPARE(a.size(), b.size());
        }
        QCOMPARE(written, expected);
    }

    void contentOperators_data()
    {
        QTest::addColumn<TDraw>("draw");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text, escaped")
            << TDraw([](TPrintPDF& p) { p.PlaceText(1, 38, 10, 20, u"a(b)c\\d"_s); })
            << Crlf({"BT", "/F2 9 Tf", "28 777 Td", "(a\\(b\\)c\\\\d) Tj", "ET"});
        QTest::newRow("bold 12 point label")
            << TDraw([](TPrintPDF& p) { p.PlaceText(1, 58, 14.4, 3.52, u"Titel"_s); })
            << Crlf({"BT", "/F2 14 Tf", "41 818 Td", "(Titel) Tj", "ET"});
        QTest::newRow("font 20 is Courier") << TDraw([](TPrintPDF& p) { p.PlaceText(20, 48, 0, 0, u"x"_s); })
                                            << Crlf({"BT", "/F5 12 Tf", "0 831 Td", "(x) Tj", "ET"});
        QTest::newRow("font -1 is Courier") << TDraw([](TPrintPDF& p) { p.PlaceText(-1, 24, 0, 0, u"x"_s); })
                                            << Crlf({"BT", "/F5 6 Tf", "0 836 Td", "(x) Tj", "ET"});
        QTest::newRow("font 13 is the last") << TDraw([](TPrintPDF& p) { p.PlaceText(13, 24, 0, 0, u"x"_s); })
                                             << Crlf({"BT", "/F14 6 Tf", "0 836 Td", "(x) Tj", "ET"});
        // The page height is not rounded before the baseline is taken off: 841.89 - 1137.01.
        QTest::newRow("text below the page")
            << TDraw([](TPrintPDF& p) { p.PlaceText(0, 48, 5, 400, u"x"_s); })
            << Crlf({"BT", "/F1 12 Tf", "14 -295 Td", "(x) Tj", "ET"});
        QTest::newRow("Windows-1252 bytes")
            << TDraw([](TPrintPDF& p) { p.PlaceText(0, 48, 0, 0, u"Grüße 5 €"_s); })
            << Crlf({"BT", "/F1 12 Tf", "0 831 Td",
                     "(Gr\xFC\xDF"
                     "e 5 \x80) Tj",
                     "ET"});
        QTest::newRow("outside the set is ?") << TDraw([](TPrintPDF& p) {
            p.PlaceText(0, 48, 0, 0, QString::fromUtf8("\xCE\xA9\xF0\x9F\x98\x80x"));
        }) << Crlf({"BT", "/F1 12 Tf", "0 831 Td", "(??x) Tj", "ET"});
        QTest::newRow("line") << TDraw([](TPrintPDF& p) { p.StrokeLine(0, 0, 10, 0); })
                              << Crlf({"0 842 m", "28 842 l", "0 w", "S"});
        QTest::newRow("heavy line") << TDraw([](TPrintPDF& p) { p.StrokeHeavyLine(0, 0, 10, 0); })
                                    << Crlf({"0 842 m", "28 842 l", "1 w", "S"});
        // Across 2.8346 points per millimetre, down 2.8144.
        QTest::newRow("unit factors") << TDraw([](TPrintPDF& p) { p.StrokeLine(100, 100, 100, 200); })
                                      << Crlf({"283 561 m", "283 279 l", "0 w", "S"});
        QTest::newRow("above and left of the page")
            << TDraw([](TPrintPDF& p) { p.StrokeLine(-10, -5, 0, 0); })
            << Crlf({"-28 856 m", "0 842 l", "0 w", "S"});
        QTest::newRow("rectangle") << TDraw([](TPrintPDF& p) { p.StrokeRectangle(0, 0, 10, 20); })
                                   << Crlf({"0 842 m", "0 786 l", "0 w", "S", "0 786 m", "28 786 l", "0 w",
                                            "S", "28 786 m", "28 842 l", "0 w", "S", "28 842 m", "0 842 l",
                                            "0 w", "S"});
        QTest::newRow("image") << TDraw([](TPrintPDF& p) { p.PlaceImage(Filled(129, 50), 163.2, 12.32); })
                               << Crlf({"q", "99 0 0 41 463 766 cm", "/Im1 Do", "Q"});
        QTest::newRow("image at 120 by 144 dpi") << TDraw([](TPrintPDF& p) {
            Platform::SetDpi(120, 144);
            p.PlaceImage(Filled(129, 50), 163.2, 12.32);
        }) << Crlf({"q", "79 0 0 27 463 780 cm", "/Im1 Do", "Q"});
        QTest::newRow("chart image") << TDraw([](TPrintPDF& p) {
            p.PlaceChartImage(Filled(1200, 800), 30, 44);
        }) << Crlf({"q", "255 0 0 132 85 585 cm", "/Im1 Do", "Q"});
        QTest::newRow("images numbered") << TDraw([](TPrintPDF& p) {
            p.PlaceImage(Filled(10, 10), 0, 0);
            p.PlaceChartImage(Filled(40, 40), 0, 0);
        }) << Crlf({"q", "7 0 0 8 0 834 cm", "/Im1 Do", "Q", "q", "8 0 0 6 0 836 cm", "/Im2 Do", "Q"});
        QTest::newRow("empty picture places nothing")
            << TDraw([](TPrintPDF& p) { p.PlaceImage(QImage(), 10, 10); }) << QByteArray();
    }
    void contentOperators()
    {
        QFETCH(TDraw, draw);
        QFETCH(QByteArray, content);
        const QByteArray pdf = Write(draw);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(ContentStream(pdf, 2), content);
        QCOMPARE(Object(pdf, 3), "3 0 obj\r\n" + QByteArray::number(content.size()) + "\r\nendobj");
    }

    void roundsHalfToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("rounded");
        QTest::addColumn<qint64>("truncated");
        QTest::newRow("0.5") << 0.5 << qint64(0) << qint64(0);
        QTest::newRow("1.5") << 1.5 << qint64(2) << qint64(1);
        QTest::newRow("2.5") << 2.5 << qint64(2) << qint64(2);
        QTest::newRow("3.5") << 3.5 << qint64(4) << qint64(3);
        QTest::newRow("-0.5") << -0.5 << qint64(0) << qint64(0);
        QTest::newRow("-1.5") << -1.5 << qint64(-2) << qint64(-1);
        QTest::newRow("-2.5") << -2.5 << qint64(-2) << qint64(-2);
        QTest::newRow("2.4999") << 2.4999 << qint64(2) << qint64(2);
        QTest::newRow("2.5001") << 2.5001 << qint64(3) << qint64(2);
        QTest::newRow("-1.7") << -1.7 << qint64(-2) << qint64(-1);
        QTest::newRow("99.94") << 99.94 << qint64(100) << qint64(99);
    }
    void roundsHalfToEven()
    {
        QFETCH(double, value);
        QFETCH(qint64, rounded);
        QFETCH(qint64, truncated);
        QCOMPARE(PdfText::Round(value), rounded);
        QCOMPARE(PdfText::Trunc(value), truncated);
    }

    void pageSize_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QByteArray>("mediaBox");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("A4") << 2099 << 2970 << QByteArray("/MediaBox [ 0 0 595 842]")
                            << QByteArray("0 842 m");
        QTest::newRow("A5") << 1480 << 2100 << QByteArray("/MediaBox [ 0 0 420 595]")
                            << QByteArray("0 595 m");
        QTest::newRow("letter") << 2159 << 2794 << QByteArray("/MediaBox [ 0 0 612 792]")
                                << QByteArray("0 792 m");
    }
    void pageSize()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QByteArray, mediaBox);
        QFETCH(QByteArray, line);
        const QByteArray pdf = Write([&](TPrintPDF& p) {
            p.PageWidth = width;
            p.PageHeight = height;
            p.StrokeLine(0, 0, 0, 0);
        });
        QVERIFY(Lines(Object(pdf, 21)).contains(mediaBox));
        QVERIFY(ContentStream(pdf, 2).startsWith(line + "\r\n"));
    }

    // Two pages and one image: info 1, contents 2 and 4, lengths 3 and 5, outlines 6, fonts 7..20,
    // pages 21, resources 22, the image 23, the pages 24 and 25, the catalog 26.
    void objectNumbersForTwoPagesAndOneImage()
    {
        const QByteArray pdf = Write([](TPrintPDF& p) {
            p.PlaceImage(Filled(20, 20), 5, 5);
            p.NewPage();
            p.PlaceText(0, 48, 5, 5, u"Seite 2"_s);
        });
        QVERIFY(!pdf.isEmpty());
        QList<int> order;
        for (int n = 1; n <= 26; ++n)
            order.append(n);
        QCOMPARE(ObjectOrder(pdf), order);
        QVERIFY(Object(pdf, 2).contains("<< /Length 3 0 R >>"));
        QVERIFY(Object(pdf, 4).contains("<< /Length 5 0 R >>"));
        QVERIFY(Object(pdf, 6).contains("/Type /Outlines"));
        QVERIFY(Object(pdf, 7).contains("/BaseFont /Helvetica\r\n"));
        QVERIFY(Object(pdf, 20).contains("/Name /F14\r\n/BaseFont /ZapfDingbats"));
        QCOMPARE(Lines(Object(pdf, 21)),
                 QList<QByteArray>({"21 0 obj", "<< /Type /Pages", "/Kids [", "24 0 R", "25 0 R", "]",
                                    "/Count 2", ">>", "endobj"}));
        const QList<QByteArray> resources = Lines(Object(pdf, 22));
        QCOMPARE(resources.mid(0, 5), QList<QByteArray>({"22 0 obj", "<< /ProcSet [ /PDF /Text /ImageC]",
                                                         "/XObject << ", "/Im1 23 0 R", ">>"}));
        QCOMPARE(resources[6], QByteArray("/F1 7 0 R "));
        QCOMPARE(resources[19], QByteArray("/F14 20 0 R "));
        QVERIFY(Object(pdf, 23).contains("/Name /Im1"));
        QVERIFY(Object(pdf, 24).contains("/Contents 2 0 R\r\n/Resources 22 0 R"));
        QVERIFY(Object(pdf, 25).contains("/Contents 4 0 R"));
        QVERIFY(Object(pdf, 26).contains("/Pages 21 0 R\r\n/Outlines 6 0 R"));
        QVERIFY(pdf.contains("trailer\r\n<< /Size 27\r\n/Root 26 0 R\r\n/Info 1 0 R\r\n>>\r\n"));
    }

    // Every cross-reference line is 20 bytes and points at its object; startxref at the table;
    // outside the image data every line ends with CR LF.
    void crossReferenceAndLineEnds_data()
    {
        QTest::addColumn<TDraw>("draw");
        QTest::newRow("empty") << TDraw([](TPrintPDF&) {});
        QTest::newRow("pages, images, text") << TDraw([](TPrintPDF& p) {
            for (int page = 0; page < 3; ++page) {
                if (page > 0)
                    p.NewPage();
                p.PlaceText(0, 48, 10, 10, u"Zeile (mit Klammer"_s);
                p.PlaceImage(Filled(64, 33, Qt::red), 20, 20);
                p.PlaceChartImage(Filled(300, 200, Qt::blue), 20, 60);
                p.StrokeRectangle(5, 5, 200, 290);
            }
        });
    }
    void crossReferenceAndLineEnds()
    {
        QFETCH(TDraw, draw);
        const QByteArray pdf = Write(draw);
        QVERIFY(!pdf.isEmpty());
        QVERIFY(pdf.startsWith("%PDF-1.4\r\n1 0 obj\r\n"));
        QVERIFY(pdf.endsWith("\r\n%%EOF\r\n"));

        const qsizetype xref = pdf.lastIndexOf("\r\nxref\r\n") + 2;
        const qsizetype startxref = pdf.lastIndexOf("startxref\r\n");
        QCOMPARE(pdf.mid(startxref + 11).split('\r').first().toLongLong(), qint64(xref));
        const QList<QByteArray> table = Lines(pdf.mid(xref, pdf.indexOf("trailer", xref) - xref));
        const int size = table[1].mid(2).toInt();
        QCOMPARE(table.size(), size + 2);
        QCOMPARE(table[2], QByteArray("0000000000 65535 f"));
        const qsizetype lineStart = xref + 6 + table[1].size() + 2;
        for (int j = 0; j < size; ++j) {
            const QByteArray entry = pdf.mid(lineStart + 20 * j, 20);
            QVERIFY(entry.endsWith(j == 0 ? " 65535 f\r\n" : " 00000 n\r\n"));
            if (j == 0)
                continue;
            const qint64 offset = entry.left(10).toLongLong();
            QVERIFY2(pdf.mid(offset).startsWith(QByteArray::number(j) + " 0 obj\r\n"), entry.constData());
        }
        QCOMPARE(pdf.mid(lineStart + 20 * size, 9), QByteArray("trailer\r\n"));

        const QByteArray text = WithoutImageData(pdf);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == '\n')
                QVERIFY2(i > 0 && text[i - 1] == '\r', qPrintable(QString::number(i)));
            if (text[i] == '\r')
                QVERIFY2(i + 1 < text.size() && text[i + 1] == '\n', qPrintable(QString::number(i)));
        }
    }

    // The image object holds the bitmap as red-green-blue rows from the top, without row padding,
    // as one zlib stream made at the default level.
    void imagePixels_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QByteArray>("rgb");
        QImage rgb32(3, 2, QImage::Format_RGB32);
        rgb32.setPixel(0, 0, qRgb(255, 0, 0));
        rgb32.setPixel(1, 0, qRgb(0, 255, 0));
        rgb32.setPixel(2, 0, qRgb(0, 0, 255));
        rgb32.setPixel(0, 1, qRgb(1, 2, 3));
        rgb32.setPixel(1, 1, qRgb(255, 255, 255));
        rgb32.setPixel(2, 1, qRgb(0, 0, 0));
        const QByteArray expected("\xFF\0\0\0\xFF\0\0\0\xFF\x01\x02\x03\xFF\xFF\xFF\0\0\0", 18);
        QTest::newRow("32 bits") << rgb32 << expected;
        QTest::newRow("indexed") << rgb32.convertToFormat(QImage::Format_Indexed8) << expected;
        QTest::newRow("24 bits") << rgb32.convertToFormat(QImage::Format_RGB888) << expected;
        QImage grey(2, 1, QImage::Format_Grayscale8);
        grey.setPixel(0, 0, qRgb(17, 17, 17));
        grey.setPixel(1, 0, qRgb(200, 200, 200));
        QTest::newRow("grey") << grey << QByteArray("\x11\x11\x11\xC8\xC8\xC8", 6);
        QImage alpha(2, 1, QImage::Format_ARGB32);
        alpha.setPixel(0, 0, qRgba(0, 0, 0, 0));
        alpha.setPixel(1, 0, qRgba(10, 20, 30, 255));
        QTest::newRow("transparent on white") << alpha << QByteArray("\xFF\xFF\xFF\x0A\x14\x1E", 6);
    }
    void imagePixels()
    {
        QFETCH(QImage, image);
        QFETCH(QByteArray, rgb);
        const QByteArray pdf = Write([&](TPrintPDF& p) { p.PlaceImage(image, 0, 0); });
        QVERIFY(!pdf.isEmpty());
        const QByteArray object = Object(pdf, 21);
        const QByteArray head = QByteArray("21 0 obj\r\n<< /Type /XObject\r\n/Subtype /Image\r\n/Width ") +
                                QByteArray::number(image.width()) + "\r\n/Height " +
                                QByteArray::number(image.height()) +
                                "\r\n/ColorSpace /DeviceRGB\r\n/BitsPerComponent 8\r\n/Length ";
        QVERIFY(object.startsWith(head));
        QByteArray data = ContentStream(pdf, 21);
        QVERIFY(data.endsWith("\r\n"));
        data.chop(2);
        QCOMPARE(object.mid(head.size()).split('\r').first().toLongLong(), qint64(data.size()));
        QVERIFY(object.contains("/Name /Im1\r\n/Filter [/FlateDecode]\r\n>>\r\nstream\r\n"));
        QVERIFY(object.endsWith("\r\nendstream\r\nendobj"));
        QCOMPARE(Inflate(data, rgb.size()), rgb);

        uLongf size = compressBound(uLong(rgb.size()));
        QByteArray deflated(qsizetype(size), '\0');
        compress2(reinterpret_cast<Bytef*>(deflated.data()), &size,
                  reinterpret_cast<const Bytef*>(rgb.data()), uLong(rgb.size()), Z_DEFAULT_COMPRESSION);
        deflated.resize(qsizetype(size));
        QCOMPARE(data, deflated);
    }

    // The information strings are text strings of the reader's PDFDocEncoding: escaped, with the
    // characters that set places elsewhere than Windows-1252 moved to its bytes.
    void informationStrings_data()
    {
        QTest::addColumn<QString>("author");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << u"Kestrom GmbH"_s << QByteArray("/Author (Kestrom GmbH)")
                               << u"Kestrom GmbH"_s;
        QTest::newRow("open bracket") << u"Müller (Büro"_s
                                      << QByteArray("/Author (M\xFCller \\(B\xFC"
                                                    "ro)")
                                      << u"Müller (Büro"_s;
        QTest::newRow("backslashes") << u"C:\\temp\\new"_s << QByteArray("/Author (C:\\\\temp\\\\new)")
                                     << u"C:\\temp\\new"_s;
        QTest::newRow("euro") << u"5 € netto"_s << QByteArray("/Author (5 \xA0 netto)") << u"5 € netto"_s;
        QTest::newRow("paired brackets")
            << u"TQ5 Report ( Kestrom GmbH )"_s << QByteArray("/Author (TQ5 Report ( Kestrom GmbH ))")
            << u"TQ5 Report ( Kestrom GmbH )"_s;
        QTest::newRow("closing first") << u"a)b(c"_s << QByteArray("/Author (a\\)b\\(c)") << u"a)b(c"_s;
        QTest::newRow("one left open") << u"((x)"_s << QByteArray("/Author (\\((x))") << u"((x)"_s;
        QTest::newRow("typographic") << u"„Zitat“ – • ™ Œ š"_s
                                     << QByteArray("/Author (\x8C"
                                                   "Zitat\x8D \x85 \x80 \x92 \x96 \x9D)")
                                     << u"„Zitat“ – • ™ Œ š"_s;
        QTest::newRow("outside the set") << u"Ωmega"_s << QByteArray("/Author (?mega)") << u"?mega"_s;
        QTest::newRow("no-break space") << u"a\u00A0b"_s << QByteArray("/Author (a b)") << u"a b"_s;
    }
    void informationStrings()
    {
        QFETCH(QString, author);
        QFETCH(QByteArray, line);
        QFETCH(QString, shown);
        const QByteArray pdf = Write([&](TPrintPDF&) {}, author);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(Lines(Object(pdf, 1))[8], QByteArray("/Title (") + line.mid(9));
        QCOMPARE(PdfInfo(m_dir.filePath(QStringLiteral("doc%1.pdf").arg(m_files)), u"Title"_s), shown);

        // The other five strings go the same way.
        TPrintPDF pdf2;
        pdf2.FileName = NextPath();
        pdf2.Author = pdf2.Creator = pdf2.Keywords = pdf2.Subject = pdf2.Producer = author;
        pdf2.BeginDocument();
        pdf2.FinishDocument();
        QCOMPARE(QpdfProblems(pdf2.FileName), QString());
        const QList<QByteArray> info = Lines(Object(pdf2.Document(), 1));
        QCOMPARE(info[2], QByteArray("/Producer (") + line.mid(9));
        QCOMPARE(info[3], line);
        QCOMPARE(info[4], QByteArray("/CreationDate (D:20240315103000)"));
        QCOMPARE(info[5], QByteArray("/Creator (") + line.mid(9));
        QCOMPARE(info[6], QByteArray("/Keywords (") + line.mid(9));
        QCOMPARE(info[7], QByteArray("/Subject (") + line.mid(9));
        QCOMPARE(PdfInfo(pdf2.FileName, u"Author"_s), shown);
        QCOMPARE(PdfInfo(pdf2.FileName, u"Keywords"_s), shown);
    }

    // Whatever a text holds, the file stays valid and the reader finds the text.
    void anyTextGivesValidPdf_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("found");
        QString all;
        for (int c = 0x20; c <= 0xFF; ++c) {
            if (c != 0x7F && c != 0xAD && (c < 0x80 || c > 0xA0))
                all += QChar(c);
        }
        QTest::newRow("unbalanced brackets") << u"(((x"_s << u"(((x"_s;
        QTest::newRow("closing brackets") << u"x)))"_s << u"x)))"_s;
        QTest::newRow("trailing backslash") << u"Pfad C:\\"_s << u"Pfad C:\\"_s;
        // In pieces that fit across the page: the reader finds only what lies on it.
        for (qsizetype i = 0; i < all.size(); i += 48) {
            const QString piece = all.mid(i, 48);
            QTest::addRow("characters %d..", int(piece[0].unicode())) << piece << piece.trimmed();
        }
        QTest::newRow("umlauts") << u"Prüfdruck übergeben, Maß"_s << u"Prüfdruck übergeben, Maß"_s;
        QTest::newRow("control characters")
            << (u"a\tb"_s + QChar(1) + u"c"_s + QChar(0) + u"d"_s) << QString();
        QTest::newRow("long") << QString(20000, u'W') << QString(50, u'W');
        QTest::newRow("empty") << QString() << QString();
    }
    void anyTextGivesValidPdf()
    {
        QFETCH(QString, text);
        QFETCH(QString, found);
        const QByteArray pdf = Write([&](TPrintPDF& p) { p.PlaceText(0, 24, 1, 10, text); });
        QVERIFY(!pdf.isEmpty());
        if (!found.isEmpty()) {
            const QString path = m_dir.filePath(QStringLiteral("doc%1.pdf").arg(m_files));
            QVERIFY2(PdfToText(path).contains(found), qPrintable(PdfToText(path).left(300)));
        }
    }

    // The file appears whole or not at all, and the error names it.
    void unwritableFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing folder") << m_dir.filePath(u"fehlt/bericht.pdf"_s);
        QTest::newRow("a folder") << m_dir.path();
        QTest::newRow("no name") << QString();
    }
    void unwritableFile()
    {
        QFETCH(QString, path);
        const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        TPrintPDF pdf;
        pdf.FileName = path;
        pdf.BeginDocument();
        pdf.PlaceText(0, 48, 10, 10, u"x"_s);
        try {
            pdf.FinishDocument();
            QFAIL("no error");
        } catch (const TError& e) {
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(path)), qPrintable(e.message()));
        }
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    }

    void replacesExistingFile()
    {
        const QString path = NextPath();
        QVERIFY(WriteAll(path, QByteArray(10000, 'x')));
        TPrintPDF pdf;
        pdf.FileName = path;
        pdf.BeginDocument();
        pdf.FinishDocument();
        QCOMPARE(ReadAll(path), ReadAll(QStringLiteral(TQ5_FIXTURES "/empty_document.pdf")));
    }

    // BeginDocument starts from nothing: a writer used twice gives what a fresh one gives.
    void secondDocumentStartsAfresh()
    {
        TPrintPDF pdf;
        pdf.FileName = NextPath();
        pdf.BeginDocument();
        pdf.PlaceImage(Filled(30, 30), 0, 0);
        pdf.NewPage();
        pdf.PlaceChartImage(Filled(30, 30), 0, 0);
        pdf.FinishDocument();
        pdf.FileName = NextPath();
        pdf.BeginDocument();
        pdf.FinishDocument();
        QCOMPARE(pdf.PageCount(), 1);
        QCOMPARE(pdf.ObjectOffsets().first(), qint64(10));
        QCOMPARE(ReadAll(pdf.FileName), ReadAll(QStringLiteral(TQ5_FIXTURES "/empty_document.pdf")));
    }

    // Images are staged in memory: nothing is left in, or read from, the temporary folder.
    void leavesTemporaryFolderAlone()
    {
        const QString temp = QDir::tempPath();
        QVERIFY(WriteAll(temp + u"/~tmpim1"_s, "not an image"));
        const QStringList before = QDir(temp).entryList(QDir::AllEntries | QDir::Hidden);
        const QByteArray pdf = Write([](TPrintPDF& p) { p.PlaceImage(Filled(8, 8, Qt::green), 0, 0); });
        QVERIFY(!pdf.isEmpty());
        QVERIFY(!pdf.contains("not an image"));
        QCOMPARE(QDir(temp).entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(ReadAll(temp + u"/~tmpim1"_s), QByteArray("not an image"));
        QFile::remove(temp + u"/~tmpim1"_s);
    }

    void missingTemporaryFolder()
    {
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_dir.filePath(u"kein-temp"_s)));
        const QByteArray pdf = Write([](TPrintPDF& p) { p.PlaceImage(Filled(8, 8, Qt::green), 0, 0); });
        qputenv("TMPDIR", saved);
        QVERIFY(!pdf.isEmpty());
        QVERIFY(pdf.contains("/Im1 Do"));
    }
};

TQ5_TEST(TPrintPdfTest)
#include "tst_PrintPdf.moc"
