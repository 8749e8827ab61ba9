#include "uCustomerFile.h"

#include "TDatabaseFile.h"
#include "TError.h"
#include "TTable.h"
#include "Win1252.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

const QString kFields[] = {u"KN"_s, u"K1"_s, u"K2"_s, u"K3"_s, u"K4"_s, u"K5"_s};

// The lines of a text file; CR LF, LF and a lone CR each end a line.
QList<QByteArray> SplitLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

bool IsBlank(const QByteArray& line)
{
    for (char c : line)
        if (static_cast<unsigned char>(c) > 0x20)
            return false;
    return true;
}

// The first byte that is no Windows-1252 text, or -1.
int ForeignByte(const QByteArray& line)
{
    for (char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0x00 || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            return b;
    }
    return -1;
}

} // namespace

QStringList SplitString(const QString& text, QChar delimiter)
{
    QStringList fields;
    QString current;
    for (const QChar c : text) {
        if (c == delimiter) {
            fields.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        fields.append(current);
    return fields;
}

int ExportCustomers(TTable& customers, const QString& fileName)
{
    const TBookmark here = customers.GetBookmark();
    QByteArray bytes;
    int lines = 0;
    customers.First();
    while (!customers.Eof()) {
        QStringList values;
        for (const QString& field : kFields)
            values.append(customers.FieldByName(field).AsString());
        bytes += Win1252::Encode(values.join(u';')) + "\r\n";
        ++lines;
        customers.Next();
    }
    if (here.IsValid() && customers.BookmarkValid(here))
        customers.GotoBookmark(here);

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
        throw TError(u"Cannot write \"%1\": %2"_s.arg(fileName, file.errorString()));
    return lines;
}

int ImportCustomers(TTable& customers, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw TError(u"Cannot open \"%1\": %2"_s.arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TError(u"Cannot read \"%1\": %2"_s.arg(fileName, file.errorString()));
    file.close();

    // Everything up to the first blank line is checked before the first customer is appended.
    QList<QByteArray> lines = SplitLines(bytes);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (IsBlank(lines[i])) {
            lines.resize(i);
            break;
        }
        if (const int b = ForeignByte(lines[i]); b >= 0)
            throw TError(
                u"\"%1\" is no text file: line %2 holds the byte %3, which is no Windows-1252 character"_s
                    .arg(fileName)
                    .arg(i + 1)
                    .arg(QString::asprintf("0x%02X", b)));
    }

    TDatabaseFile* db = customers.Database();
    const bool ownTransaction = db && db->Connected() && !db->InTransaction();
    if (ownTransaction)
        db->StartTransaction();
    int appended = 0;
    try {
        for (const QByteArray& line : lines) {
            const QStringList values = SplitString(Win1252::Decode(line));
            customers.Append();
            for (qsizetype f = 0; f < 6 && f < values.size(); ++f)
                customers.FieldByName(kFields[f]).SetAsString(values[f]);
            customers.Post();
            ++appended;
        }
    } catch (...) {
        if (customers.State() == TDataSetState::Insert)
            customers.Cancel();
        // What was appended before the error stays.
        if (ownTransaction && db->InTransaction())
            db->Commit();
        throw;
    }
    if (ownTransaction)
        db->Commit();
    return appended;
}
