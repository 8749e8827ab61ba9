#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// The font the next text is set in: a number into the writer's table of the 14 standard fonts and a
// size in points.
struct TPDFFont
{
    quint8 FontNumber = 4;
    int FontSize = 12;
};

// Writes a PDF 1.4 document of a fixed, simple shape: one page size, text in the standard Type 1
// fonts with WinAnsi encoding, stroked lines and Flate-compressed RGB images. Positions are given
// in millimetres from the top-left corner of the page.
//
// Use: create, set the settings, BeginDocument, draw and NewPage, FinishDocument, destroy. The whole
// file is composed in memory and written in one piece by FinishDocument; nothing reaches the disk
// before, and the images are staged in memory, so two documents made at once never meet.
class TPrintPDF
{
public:
    TPrintPDF() = default;

    // Settings; the six information strings are written by BeginDocument.
    QString FileName;
    int PageWidth = 2099;  // tenths of a millimetre
    int PageHeight = 2970; // tenths of a millimetre
    QString Title;
    QString Author = QStringLiteral("Kestrom GmbH");
    QString Creator = QStringLiteral("Kestrom GmbH");
    QString Keywords = QStringLiteral("TQ 5 Report");
    QString Subject = QStringLiteral("TQ 5 Report");
    QString Producer = QStringLiteral("Kestrom GmbH");
    int LineWidth = 0; // width of StrokeLine: the thinnest line the device draws

    TPDFFont CurrentFont;

    // Starts a new document (everything is reset) with page 1 open. The creation date is the local
    // time now (Platform::Now).
    void BeginDocument();
    // Closes the current page's content and opens the next page.
    void NewPage();
    // One line of text; fontNumber 0..13 (other numbers give Courier), sizeCode gives the point size
    // (sizeCode div 4) and the baseline (sizeCode div 10 mm below y).
    void PlaceText(int fontNumber, int sizeCode, double x, double y, const QString& text);
    void StrokeLine(double x1, double y1, double x2, double y2);
    // The same line with width 1.
    void StrokeHeavyLine(double x1, double y1, double x2, double y2);
    // Four StrokeLine calls around the rectangle with corners (x1, y1) and (x2, y2).
    void StrokeRectangle(double x1, double y1, double x2, double y2);
    // The bitmap with its top-left corner at (x, y), scaled for the screen resolution
    // (Platform::ScreenDpiX/Y). An empty picture places nothing.
    void PlaceImage(const QImage& picture, double x, double y);
    // A chart drawn into a bitmap at four times its size on screen, scaled back.
    void PlaceChartImage(const QImage& picture, double x, double y);
    // Writes the rest of the document and saves it to FileName, replacing the file. The file
    // appears complete or not at all; an error throws TError naming the file.
    void FinishDocument();

    int PageCount() const { return m_pageCount; }
    int ImageCount() const { return int(m_images.size()); }
    // The whole document once FinishDocument has run.
    const QByteArray& Document() const { return m_output; }
    // Entry j is the offset of object j + 1; the last entry is the offset of the "xref" line.
    const QList<qint64>& ObjectOffsets() const { return m_objectOffsets; }

private:
    void Line(const QByteArray& text);
    void AddObject();
    int NextObject() { return ++m_lastObject; }
    void OpenContentStream();
    void CloseContentStream();
    void WriteStroke(double x1, double y1, double x2, double y2, int width);
    void WriteImage(const QImage& picture, double x, double y, double yFactor, double scaleX, double scaleY);
    void StageImage(int number, const QImage& picture);
    int PageWidthPoints() const;
    int PageHeightPoints() const;

    int m_lastObject = 0;
    int m_pageCount = 1;
    int m_fontCount = 0;
    qint64 m_offset = 0;
    QList<qint64> m_objectOffsets;
    QList<int> m_contentObjects;
    QList<int> m_fontObjects;
    int m_pagesObject = 0;
    int m_resourcesObject = 0;
    int m_outlinesObject = 0;
    int m_catalogObject = 0;
    qsizetype m_streamStart = 0;

    QByteArray m_output;
    QByteArray m_object;
    QByteArray m_pixels;
    // Each staged image object from "<< /Type /XObject" through its compressed data.
    QList<QByteArray> m_images;
};

namespace PdfText {
// Nearest integer, ties to the even one (2.5 gives 2, 3.5 gives 4).
qint64 Round(double value);
// Integer part, the fraction dropped towards zero.
qint64 Trunc(double value);
// The bytes of a literal string in a content stream (inside the brackets): Windows-1252, one byte
// per character ("?" for a character outside the set), with "\", "(" and ")" escaped.
QByteArray ContentString(const QString& text);
// The bytes of a document information string (inside the brackets): readers take these as
// PDFDocEncoding, so each character is written in its byte of that set (the euro sign as 0xA0,
// the bullet as 0x80, ...), characters outside Windows-1252 as "?". Every backslash and every bracket
// without its partner is escaped; plain ASCII with paired brackets comes out unchanged.
QByteArray InfoString(const QString& text);
} // namespace PdfText
