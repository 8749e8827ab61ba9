#include "uPDF.h"

#include "Platform.h"
#include "TError.h"
#include "Win1252.h"

#include <cmath>
#include <QDir>
#include <QPainter>
#include <QSaveFile>
#include <zlib.h>

namespace {

constexpr double kPointsPerMmX = 2.834645669;
constexpr double kPointsPerMmY = 2.814371257;
constexpr double kTenthsMmPerPoint = 3.527777778;
constexpr double kChartYFactor = 1.007;

// Resource /F1 .. /F14 in this order; font number n is /F(n+1).
constexpr const char* kBaseFonts[14] = {
    "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Courier",     "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
    "Times-Roman", "Times-Bold",     "Times-Italic",      "Times-BoldItalic",
    "Symbol",      "ZapfDingbats"};

QByteArray Num(qint64 value)
{
    return QByteArray::number(value);
}

// The bytes "(", ")" and "\" get a backslash; everything else stands as it is.
QByteArray Escape(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 8);
    for (char b : bytes) {
        if (b == '\\' || b == '(' || b == ')')
            out += '\\';
        out += b;
    }
    return out;
}

// The PDFDocEncoding byte of a Windows-1252 byte. Both sets agree on ASCII and on 0xA1..0xFF apart
// from the soft hyphen; they place the typographic characters of 0x80..0x9F differently, and 0xA0
// is the euro sign in PDFDocEncoding, where Windows-1252 has the no-break space.
char PdfDocByte(unsigned char b)
{
    switch (b) {
    case 0x80:
        return char(0xA0); // euro sign
    case 0x82:
        return char(0x91); // single low-9 quotation mark
    case 0x83:
        return char(0x86); // florin
    case 0x84:
        return char(0x8C); // double low-9 quotation mark
    case 0x85:
        return char(0x83); // ellipsis
    case 0x86:
        return char(0x81); // dagger
    case 0x87:
        return char(0x82); // double dagger
    case 0x88:
        return char(0x1A); // modifier circumflex
    case 0x89:
        return char(0x8B); // per mille
    case 0x8A:
        return char(0x97); // S caron
    case 0x8B:
        return char(0x88); // single left angle quotation mark
    case 0x8C:
        return char(0x96); // OE
    case 0x8E:
        return char(0x99); // Z caron
    case 0x91:
        return char(0x8F); // left single quotation mark
    case 0x92:
        return char(0x90); // right single quotation mark
    case 0x93:
        return char(0x8D); // left double quotation mark
    case 0x94:
        return char(0x8E); // right double quotation mark
    case 0x95:
        return char(0x80); // bullet
    case 0x96:
        return char(0x85); // en dash
    case 0x97:
        return char(0x84); // em dash
    case 0x98:
        return char(0x1F); // small tilde
    case 0x99:
        return char(0x92); // trade mark
    case 0x9A:
        return char(0x9D); // s caron
    case 0x9B:
        return char(0x89); // single right angle quotation mark
    case 0x9C:
        return char(0x9C); // oe
    case 0x9E:
        return char(0x9E); // z caron
    case 0x9F:
        return char(0x98); // Y diaeresis
    case 0xA0:
        return ' '; // no-break space: PDFDocEncoding has none
    case 0xAD:
        return '-'; // soft hyphen: undefined in PDFDocEncoding
    default:
        return char(b);
    }
}

} // namespace

namespace PdfText {

qint64 Round(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    auto result = qint64(floor);
    if (fraction > 0.5 || (fraction == 0.5 && (result % 2) != 0))
        ++result;
    return result;
}

qint64 Trunc(double value)
{
    return qint64(std::trunc(value));
}

QByteArray ContentString(const QString& text)
{
    return Escape(Win1252::Encode(text));
}

QByteArray InfoString(const QString& text)
{
    QByteArray bytes = Win1252::Encode(text);
    // Brackets that pair up stand as they are, so that a plain text keeps its bytes; a bracket
    // without its partner would end the string early or swallow the rest of the file.
    QList<bool> escape(bytes.size(), false);
    QList<qsizetype> open;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '(') {
            open.append(i);
        } else if (bytes[i] == ')') {
            if (open.isEmpty())
                escape[i] = true;
            else
                open.removeLast();
        }
    }
    for (qsizetype i : open)
        escape[i] = true;

    QByteArray out;
    out.reserve(bytes.size() + 8);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char b = bytes[i];
        if (b == '\\' || escape[i])
            out += '\\';
        out += PdfDocByte(static_cast<unsigned char>(b));
    }
    return out;
}

} // namespace PdfText

using PdfText::Round;
using PdfText::Trunc;

void TPrintPDF::Line(const QByteArray& text)
{
    m_object += text;
    m_object += "\r\n";
}

void TPrintPDF::AddObject()
{
    m_offset += m_object.size();
    m_objectOffsets.append(m_offset);
    m_output += m_object;
}

int TPrintPDF::PageWidthPoints() const
{
    return int(Round(PageWidth / kTenthsMmPerPoint));
}

int TPrintPDF::PageHeightPoints() const
{
    return int(Round(PageHeight / kTenthsMmPerPoint));
}

void TPrintPDF::BeginDocument()
{
    m_pageCount = 1;
    m_fontCount = 0;
    m_lastObject = 0;
    m_offset = 0;
    m_objectOffsets.clear();
    m_contentObjects.clear();
    m_fontObjects.clear();
    m_pagesObject = m_resourcesObject = m_outlinesObject = m_catalogObject = 0;
    m_output.clear();
    m_object.clear();
    m_pixels.clear();
    m_images.clear();

    m_object.clear();
    Line("%PDF-1.4");
    m_offset = m_object.size();
    m_objectOffsets.append(m_offset);
    m_output = m_object;

    const QByteArray date = Platform::Now().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    m_object.clear();
    Line(Num(NextObject()) + " 0 obj");
    Line("<<");
    Line("/Producer (" + PdfText::InfoString(Producer) + ")");
    Line("/Author (" + PdfText::InfoString(Author) + ")");
    Line("/CreationDate (D:" + date + ")");
    Line("/Creator (" + PdfText::InfoString(Creator) + ")");
    Line("/Keywords (" + PdfText::InfoString(Keywords) + ")");
    Line("/Subject (" + PdfText::InfoString(Subject) + ")");
    Line("/Title (" + PdfText::InfoString(Title) + ")");
    Line("/ModDate ()");
    Line(">>");
    Line("endobj");
    AddObject();

    OpenContentStream();
}

void TPrintPDF::OpenContentStream()
{
    const int n = NextObject();
    m_object.clear();
    Line(Num(n) + " 0 obj");
    Line("<< /Length " + Num(n + 1) + " 0 R >>");
    m_streamStart = m_object.size();
    Line("stream");
}

void TPrintPDF::CloseContentStream()
{
    Line("endstream");
    Line("endobj");
    AddObject();
    // "stream", "endstream" and "endobj" with their line ends are 27 bytes.
    const qint64 length = m_object.size() - m_streamStart - 27;
    m_object.clear();
    Line(Num(NextObject()) + " 0 obj");
    Line(Num(length));
    Line("endobj");
    AddObject();
}

void TPrintPDF::NewPage()
{
    ++m_pageCount;
    CloseContentStream();
    OpenContentStream();
}

void TPrintPDF::PlaceText(int fontNumber, int sizeCode, double x, double y, const QString& text)
{
    const QByteArray escaped = PdfText::ContentString(text);
    const qint64 px = Round(x * kPointsPerMmX);
    const int baseline = sizeCode / 10;
    const qint64 py = Round(PageHeight / kTenthsMmPerPoint - (baseline + y) * kPointsPerMmY);
    CurrentFont.FontSize = sizeCode / 4;
    CurrentFont.FontNumber = quint8(fontNumber >= 0 && fontNumber <= 13 ? fontNumber : 4);

    Line("BT");
    Line("/F" + Num(CurrentFont.FontNumber + 1) + " " + Num(CurrentFont.FontSize) + " Tf");
    Line(Num(px) + " " + Num(py) + " Td");
    Line("(" + escaped + ") Tj");
    Line("ET");
}

void TPrintPDF::WriteStroke(double x1, double y1, double x2, double y2, int width)
{
    const qint64 ph = PageHeightPoints();
    Line(Num(Round(x1 * kPointsPerMmX)) + " " + Num(ph - Round(y1 * kPointsPerMmY)) + " m");
    Line(Num(Round(x2 * kPointsPerMmX)) + " " + Num(ph - Round(y2 * kPointsPerMmY)) + " l");
    Line(Num(width) + " w");
    Line("S");
}

void TPrintPDF::StrokeLine(double x1, double y1, double x2, double y2)
{
    WriteStroke(x1, y1, x2, y2, LineWidth);
}

void TPrintPDF::StrokeHeavyLine(double x1, double y1, double x2, double y2)
{
    WriteStroke(x1, y1, x2, y2, 1);
}

void TPrintPDF::StrokeRectangle(double x1, double y1, double x2, double y2)
{
    StrokeLine(x1, y1, x1, y2);
    StrokeLine(x1, y2, x2, y2);
    StrokeLine(x2, y2, x2, y1);
    StrokeLine(x2, y1, x1, y1);
}

void TPrintPDF::WriteImage(const QImage& picture, double x, double y, double yFactor, double scaleX,
                           double scaleY)
{
    // An empty picture (no logo chosen) would make an image of no pixels, which readers refuse.
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return;
    const qint64 ph = PageHeightPoints();
    const qint64 px = Round(x * kPointsPerMmX);
    const qint64 py = Round(y * kPointsPerMmY * yFactor);
    const int number = int(m_images.size()) + 1;
    const qint64 w = Trunc(picture.width() * scaleX);
    const qint64 h = Trunc(picture.height() * scaleY);

    Line("q");
    Line(Num(w) + " 0 0 " + Num(h) + " " + Num(px) + " " + Num(ph - py - h) + " cm");
    Line("/Im" + Num(number) + " Do");
    Line("Q");
    StageImage(number, picture);
}

void TPrintPDF::PlaceImage(const QImage& picture, double x, double y)
{
    const double pw = PageWidthPoints();
    const double ph = PageHeightPoints();
    WriteImage(picture, x, y, 1.0, pw / (Platform::ScreenDpiX() * 8.0),
               ph / (Platform::ScreenDpiY() * 10.625));
}

void TPrintPDF::PlaceChartImage(const QImage& picture, double x, double y)
{
    const double pw = PageWidthPoints();
    const double ph = PageHeightPoints();
    WriteImage(picture, x, y, kChartYFactor, pw / (Platform::ScreenDpiX() * 8.0) * 1.1 / 4,
               ph / (Platform::ScreenDpiY() * 10.625) * 0.8 / 4);
}

void TPrintPDF::StageImage(int number, const QImage& picture)
{
    // 24 bits per pixel, red-green-blue, rows from the top without padding. Transparent parts of a
    // picture lie on white paper.
    QImage rgb;
    if (picture.hasAlphaChannel()) {
        rgb = QImage(picture.size(), QImage::Format_RGB888);
        rgb.fill(Qt::white);
        QPainter painter(&rgb);
        painter.drawImage(0, 0, picture);
    } else {
        rgb = picture.convertToFormat(QImage::Format_RGB888);
    }
    const int width = rgb.width();
    const int height = rgb.height();
    const qsizetype rowBytes = qsizetype(width) * 3;
    m_pixels.resize(rowBytes * height);
    char* out = m_pixels.data();
    for (int row = 0; row < height; ++row) {
        memcpy(out, rgb.constScanLine(row), size_t(rowBytes));
        out += rowBytes;
    }

    uLongf compressedSize = compressBound(uLong(m_pixels.size()));
    QByteArray compressed(qsizetype(compressedSize), Qt::Uninitialized);
    const int rc = compress2(reinterpret_cast<Bytef*>(compressed.data()), &compressedSize,
                             reinterpret_cast<const Bytef*>(m_pixels.constData()), uLong(m_pixels.size()),
                             Z_DEFAULT_COMPRESSION);
    if (rc != Z_OK)
        throw TError(
            QStringLiteral("Bild %1 kann nicht komprimiert werden (zlib-Fehler %2).").arg(number).arg(rc));
    compressed.resize(qsizetype(compressedSize));

    QByteArray staged;
    staged.reserve(compressed.size() + 200);
    auto line = [&staged](const QByteArray& text) {
        staged += text;
        staged += "\r\n";
    };
    line("<< /Type /XObject");
    line("/Subtype /Image");
    line("/Width " + Num(width));
    line("/Height " + Num(height));
    line("/ColorSpace /DeviceRGB");
    line("/BitsPerComponent 8");
    line("/Length " + Num(compressed.size()));
    line("/Name /Im" + Num(number));
    line("/Filter [/FlateDecode]");
    line(">>");
    line("stream");
    staged += compressed;
    m_images.append(staged);
}

void TPrintPDF::FinishDocument()
{
    CloseContentStream();

    const int pages = m_pageCount;
    const int images = int(m_images.size());

    m_outlinesObject = NextObject();
    m_object.clear();
    Line(Num(m_outlinesObject) + " 0 obj");
    Line("<< /Type /Outlines");
    Line("/Count 0");
    Line(">>");
    Line("endobj");
    AddObject();

    for (const char* baseFont : kBaseFonts) {
        ++m_fontCount;
        const int n = NextObject();
        m_fontObjects.append(n);
        m_object.clear();
        Line(Num(n) + " 0 obj");
        Line("<< /Type /Font");
        Line("/Subtype /Type1");
        Line("/Name /F" + Num(m_fontCount));
        Line("/BaseFont /" + QByteArray(baseFont));
        Line("/Encoding /WinAnsiEncoding");
        Line(">>");
        Line("endobj");
        AddObject();
    }

    m_pagesObject = NextObject();
    m_object.clear();
    Line(Num(m_pagesObject) + " 0 obj");
    Line("<< /Type /Pages");
    Line("/Kids [");
    for (int p = 1; p <= pages; ++p) {
        Line(Num(m_pagesObject + p + images + 1) + " 0 R");
        m_contentObjects.append(2 * p);
    }
    Line("]");
    Line("/Count " + Num(pages));
    Line(">>");
    Line("endobj");
    AddObject();

    m_resourcesObject = NextObject();
    m_object.clear();
    Line(Num(m_resourcesObject) + " 0 obj");
    Line("<< /ProcSet [ /PDF /Text /ImageC]");
    Line("/XObject << ");
    for (int i = 1; i <= images; ++i)
        Line("/Im" + Num(i) + " " + Num(m_resourcesObject + i) + " 0 R");
    Line(">>");
    Line("/Font << ");
    for (int i = 1; i <= m_fontObjects.size(); ++i)
        Line("/F" + Num(i) + " " + Num(m_fontObjects[i - 1]) + " 0 R ");
    Line(">>");
    Line(">>");
    Line("endobj");
    AddObject();

    for (const QByteArray& staged : m_images) {
        m_object.clear();
        Line(Num(NextObject()) + " 0 obj");
        m_object += staged;
        Line("\r\nendstream");
        Line("endobj");
        AddObject();
    }
    m_images.clear();

    const qint64 pw = PageWidthPoints();
    const qint64 ph = PageHeightPoints();
    for (int p = 1; p <= pages; ++p) {
        m_object.clear();
        Line(Num(NextObject()) + " 0 obj");
        Line("<< /Type /Page");
        Line("/Parent " + Num(m_pagesObject) + " 0 R");
        Line("/MediaBox [ 0 0 " + Num(pw) + " " + Num(ph) + "]");
        Line("/Contents " + Num(m_contentObjects[p - 1]) + " 0 R");
        Line("/Resources " + Num(m_resourcesObject) + " 0 R");
        Line(">>");
        Line("endobj");
        AddObject();
    }

    m_catalogObject = NextObject();
    m_object.clear();
    Line(Num(m_catalogObject) + " 0 obj");
    Line("<< /Type /Catalog");
    Line("/Pages " + Num(m_pagesObject) + " 0 R");
    Line("/Outlines " + Num(m_outlinesObject) + " 0 R");
    Line(">>");
    Line("endobj");
    AddObject();

    const int size = m_catalogObject + 1;
    m_object.clear();
    Line("xref");
    Line("0 " + Num(size));
    Line("0000000000 65535 f");
    for (int j = 1; j <= m_catalogObject; ++j)
        Line(Num(m_objectOffsets[j - 1]).rightJustified(10, '0') + " 00000 n");
    Line("trailer");
    Line("<< /Size " + Num(size));
    Line("/Root " + Num(m_catalogObject) + " 0 R");
    Line("/Info 1 0 R");
    Line(">>");
    Line("startxref");
    Line(Num(m_objectOffsets[m_catalogObject]));
    m_output += m_object;
    m_output += "%%EOF\r\n";
    m_object.clear();
    m_pixels.clear();

    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_output) != m_output.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw TError(QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2")
                         .arg(QDir::toNativeSeparators(FileName), reason));
    }
}
