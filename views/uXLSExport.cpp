#include "uXLSExport.h"

#include "TError.h"
#include "Win1252.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <charconv>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// A text record's length word holds 8 + n.
constexpr int MaxTextBytes = 0xFFFF - 8;
constexpr qsizetype FlushSize = 1 << 20;

void PutWord(QByteArray& out, quint32 w)
{
    out.append(char(w & 0xFF));
    out.append(char((w >> 8) & 0xFF));
}

QString FileError(const QString& path, const QString& message)
{
    return u"%1: %2"_s.arg(QDir::toNativeSeparators(path), message);
}

QString RowLimitError()
{
    return u"Ein Arbeitsblatt fasst höchstens %1 Zeilen."_s.arg(XlsMaxRows);
}

QString ColumnLimitError()
{
    return u"Ein Arbeitsblatt fasst höchstens %1 Spalten."_s.arg(XlsMaxColumns);
}

// Builds the records in memory and hands them to the device in large pieces.
class TRecordWriter
{
public:
    TRecordWriter(QIODevice& device, const QString& path) : m_device(device), m_path(path)
    {
        m_buffer.reserve(FlushSize + 4096);
    }

    void Bof()
    {
        static const char bof[] = {0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
        m_buffer.append(bof, sizeof bof);
    }

    void Eof()
    {
        static const char eof[] = {0x0A, 0x00, 0x00, 0x00};
        m_buffer.append(eof, sizeof eof);
        Flush();
    }

    void Cell(int row, int column, QStringView text)
    {
        if (row >= XlsMaxRows)
            throw TError(RowLimitError());
        if (column >= XlsMaxColumns)
            throw TError(ColumnLimitError());
        double value = 0;
        if (IsCellNumber(text, &value)) {
            PutWord(m_buffer, 0x0203);
            PutWord(m_buffer, 14);
            PutWord(m_buffer, quint32(row));
            PutWord(m_buffer, quint32(column));
            PutWord(m_buffer, 0);
            quint64 bits;
            std::memcpy(&bits, &value, sizeof bits);
            for (int i = 0; i < 8; ++i)
                m_buffer.append(char((bits >> (8 * i)) & 0xFF));
        } else {
            const QByteArray bytes = Win1252::Encode(text);
            if (bytes.size() > MaxTextBytes)
                throw TError(u"Ein Text in Zeile %1, Spalte %2 ist länger als %3 Zeichen; das Arbeitsblatt "
                             u"kann ihn nicht aufnehmen."_s.arg(row + 1)
                                 .arg(column + 1)
                                 .arg(MaxTextBytes));
            PutWord(m_buffer, 0x0204);
            PutWord(m_buffer, quint32(8 + bytes.size()));
            PutWord(m_buffer, quint32(row));
            PutWord(m_buffer, quint32(column));
            PutWord(m_buffer, 0);
            PutWord(m_buffer, quint32(bytes.size()));
            m_buffer.append(bytes);
        }
        if (m_buffer.size() >= FlushSize)
            Flush();
    }

    void Flush()
    {
        if (m_buffer.isEmpty())
            return;
        if (m_device.write(m_buffer) != m_buffer.size())
            throw TError(FileError(m_path, m_device.errorString()));
        m_buffer.clear();
    }

private:
    QIODevice& m_device;
    QString m_path;
    QByteArray m_buffer;
};

bool IsControlOrBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

QStringView TrimmedField(QStringView field)
{
    qsizetype begin = 0, end = field.size();
    while (begin < end && IsControlOrBlank(field[begin]))
        ++begin;
    while (end > begin && IsControlOrBlank(field[end - 1]))
        --end;
    return field.sliced(begin, end - begin);
}

} // namespace

bool IsCellNumber(QStringView text, double* value)
{
    // Checked by hand rather than through a locale: "." is the only decimal separator, and the
    // text must be nothing but the number.
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == u' ')
        ++i;
    const qsizetype signPos = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype mantissa = i;
    auto digit = [&](qsizetype k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };
    qsizetype digits = 0;
    while (digit(i)) {
        ++i;
        ++digits;
    }
    bool point = false;
    if (i < n && text[i] == u'.') {
        point = true;
        ++i;
        while (digit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 && !point)
        return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (!digit(i))
            return false;
        while (digit(i))
            ++i;
    }
    if (i != n)
        return false;
    if (!value)
        return true;

    if (digits == 0) {
        // A lone point (with or without exponent) is the number 0.
        *value = (signPos < mantissa && text[signPos] == u'-') ? -0.0 : 0.0;
        return true;
    }
    // Every character is ASCII here; from_chars wants no "+" and no leading blanks.
    QByteArray ascii;
    ascii.reserve(n - signPos);
    for (qsizetype k = signPos; k < n; ++k) {
        if (k == signPos && text[k] == u'+')
            continue;
        ascii.append(char(text[k].unicode()));
    }
    double result = 0;
    const auto [ptr, ec] = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), result);
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: infinity or zero with the number's sign, as a
        // spreadsheet would read it.
        const bool negative = ascii.startsWith('-');
        qsizetype e = ascii.indexOf('e');
        if (e < 0)
            e = ascii.indexOf('E');
        const bool tiny = e >= 0 && ascii.at(e + 1) == '-';
        result = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        if (negative)
            result = -result;
    }
    *value = result;
    return true;
}

QStringList SplitFields(QStringView line, QChar separator)
{
    QStringList fields;
    qsizetype start = 0;
    for (;;) {
        const qsizetype sep = line.indexOf(separator, start);
        if (sep < 0) {
            if (start < line.size())
                fields.append(line.sliced(start).toString());
            break;
        }
        fields.append(line.sliced(start, sep - start).toString());
        start = sep + 1;
    }
    return fields;
}

void ExportCellsToXls(int columnCount, int rowCount, const std::function<QString(int, int)>& cell,
                      const QString& path)
{
    // Refuse before touching the file, so an existing worksheet stays as it was.
    if (rowCount > XlsMaxRows)
        throw TError(RowLimitError());
    if (columnCount > XlsMaxColumns)
        throw TError(ColumnLimitError());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TError(FileError(path, file.errorString()));
    TRecordWriter writer(file, path);
    writer.Bof();
    for (int c = 0; c < columnCount; ++c)
        for (int r = 0; r < rowCount; ++r)
            writer.Cell(r, c, cell(c, r));
    writer.Eof();
    if (!file.commit())
        throw TError(FileError(path, file.errorString()));
}

void ExportGridToXls(const QAbstractItemModel& table, const QString& path)
{
    ExportCellsToXls(
        table.columnCount(), table.rowCount(),
        [&](int c, int r) { return table.data(table.index(r, c), Qt::DisplayRole).toString(); }, path);
}

void ExportGridToXls(const QList<QStringList>& rows, const QString& path)
{
    int columns = 0;
    for (const QStringList& row : rows)
        columns = std::max(columns, int(row.size()));
    ExportCellsToXls(
        columns, int(rows.size()), [&](int c, int r) { return c < rows[r].size() ? rows[r][c] : QString(); },
        path);
}

QString ConvertCsvToXls(const QString& path)
{
    // The extension is what follows the last "." of the file name; a name without one gets ".xls".
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString outPath = (dot > slash ? path.left(dot) : path) + u".xls"_s;

    QFile out(outPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw TError(FileError(outPath, out.errorString()));
    TRecordWriter writer(out, outPath);
    writer.Bof();
    writer.Flush();

    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw TError(FileError(path, in.errorString()));

    try {
        int row = 0;
        while (!in.atEnd()) {
            QByteArray raw = in.readLine();
            if (raw.isEmpty() && in.error() != QFileDevice::NoError)
                throw TError(FileError(path, in.errorString()));
            if (raw.endsWith('\n'))
                raw.chop(1);
            if (raw.endsWith('\r'))
                raw.chop(1);
            if (row >= XlsMaxRows)
                throw TError(RowLimitError());
            const QString line = Win1252::Decode(raw);
            const QStringList fields = SplitFields(line, u';');
            for (int c = 0; c < fields.size(); ++c)
                writer.Cell(row, c, TrimmedField(fields[c]));
            ++row;
        }
        writer.Eof();
    } catch (const TError&) {
        // A worksheet that stops half way (or would wrap its row numbers) is worse than none.
        out.close();
        out.remove();
        throw;
    }
    return outPath;
}
