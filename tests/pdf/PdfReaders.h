#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What real readers make of a PDF file, and small look-ups into its bytes.
namespace PdfReaders {

// Empty when "qpdf --check" accepts the file without errors and warnings, else what qpdf said.
QString QpdfProblems(const QString& path);
// The text pdftotext finds (UTF-8 decoded), pages separated by form feeds.
QString PdfToText(const QString& path);
// pdfinfo's value of one field ("Author", "Keywords", ...), decoded.
QString PdfInfo(const QString& path, const QString& field);

// The bytes of object n as the file holds them, from "n 0 obj" through "endobj", found by
// scanning the file (not through the cross-reference table). Empty when absent.
QByteArray Object(const QByteArray& pdf, int number);
// The data of the stream in object n, between the line end after "stream" and "endstream"
// (the stream's own length taken from the text, not from /Length).
QByteArray ContentStream(const QByteArray& pdf, int number);
// The numbers of the objects in the order in which they stand in the file.
QList<int> ObjectOrder(const QByteArray& pdf);
// The lines of bytes (without CR LF) of a piece of the file that holds no binary data.
QList<QByteArray> Lines(const QByteArray& bytes);
// The image objects' data replaced by nothing, so that the rest can be checked line by line.
QByteArray WithoutImageData(const QByteArray& pdf);

} // namespace PdfReaders
