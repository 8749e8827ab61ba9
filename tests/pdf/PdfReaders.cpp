#include "PdfReaders.h"

#include <QProcess>
#include <QRegularExpression>

namespace PdfReaders {

namespace {
QByteArray Run(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(60000)) {
        if (exitCode)
            *exitCode = -1;
        return "did not finish: " + process.errorString().toUtf8();
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAll();
}
} // namespace

QString QpdfProblems(const QString& path)
{
    int code = 0;
    const QByteArray out = Run(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &code);
    if (code != 0 || out.contains("WARNING") || !out.contains("No syntax or stream encoding errors"))
        return QString::fromUtf8(out).isEmpty() ? QStringLiteral("qpdf failed") : QString::fromUtf8(out);
    return {};
}

QString PdfToText(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString PdfInfo(const QString& path, const QString& field)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path});
    process.waitForFinished(60000);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString& line : out.split(u'\n')) {
        if (line.startsWith(field + u':'))
            return line.mid(field.size() + 1).trimmed();
    }
    return {};
}

QByteArray Object(const QByteArray& pdf, int number)
{
    const QByteArray head = "\r\n" + QByteArray::number(number) + " 0 obj\r\n";
    const qsizetype start = pdf.indexOf(head);
    if (start < 0)
        return {};
    qsizetype end = pdf.indexOf("\r\nendobj\r\n", start + head.size());
    if (end < 0)
        return {};
    return pdf.mid(start + 2, end + 8 - (start + 2));
}

QByteArray ContentStream(const QByteArray& pdf, int number)
{
    const QByteArray object = Object(pdf, number);
    const qsizetype start = object.indexOf("\r\nstream\r\n");
    const qsizetype end = object.lastIndexOf("endstream\r\n");
    if (start < 0 || end < start)
        return {};
    return object.mid(start + 10, end - (start + 10));
}

QList<int> ObjectOrder(const QByteArray& pdf)
{
    QList<int> order;
    const QByteArray stripped = WithoutImageData(pdf);
    static const QRegularExpression head(QStringLiteral("^(\\d+) 0 obj$"));
    for (const QByteArray& line : Lines(stripped)) {
        const auto m = head.match(QString::fromLatin1(line));
        if (m.hasMatch())
            order.append(m.captured(1).toInt());
    }
    return order;
}

QList<QByteArray> Lines(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

QByteArray WithoutImageData(const QByteArray& pdf)
{
    QByteArray out;
    qsizetype pos = 0;
    while (true) {
        const qsizetype image = pdf.indexOf("<< /Type /XObject\r\n", pos);
        if (image < 0)
            break;
        const qsizetype data = pdf.indexOf("\r\nstream\r\n", image);
        const qsizetype end = pdf.indexOf("\r\nendstream\r\nendobj\r\n", data + 10);
        if (data < 0 || end < 0)
            break;
        out += pdf.mid(pos, data + 10 - pos);
        pos = end + 2;
    }
    out += pdf.mid(pos);
    return out;
}

} // namespace PdfReaders
