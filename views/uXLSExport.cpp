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

// Builds the records in a buffer of its own and hands them to the device in large pieces.
class TRecordWriter
{
public:
    TRecordWriter(QIODevice& device, const QString& path) : m_device(device), m_path(path)
    {
        m_buffer.resize(FlushSize + 64);
    }

    void Bof()
    {
        static const char bof[] = {0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
        Put(bof, sizeof bof);
    }

    void Eof()
    {
        static const char eof[] = {0x0A, 0x00, 0x00, 0x00};
        Put(eof, sizeof eof);
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
            char* p = Room(18);
            PutHeader(p, 0x0203, 14, row, column);
            quint64 bits;
            std::memcpy(&bits, &value, sizeof bits);
            for (int i = 0; i < 8; ++i)
                p[10 + i] = char((bits >> (8 * i)) & 0xFF);
            m_used += 18;
            return;
        }
        // Plain ASCII (dates, times, most texts) goes straight in; anything else through the codec.
        const qsizetype n = text.size();
        if (n <= MaxTextBytes) {
            char* p = Room(12 + n);
            const char16_t* in = text.utf16();
            char16_t any = 0;
            for (qsizetype i = 0; i < n; ++i) {
                any |= in[i];
                p[12 + i] = char(in[i]);
            }
            if (any < 0x80) {
                PutHeader(p, 0x0204, quint32(8 + n), row, column);
                p[10] = char(n & 0xFF);
                p[11] = char((n >> 8) & 0xFF);
                m_used += 12 + n;
                return;
            }
        }
        const QByteArray encoded = Win1252::Encode(text);
        const qsizetype bytes = encoded.size();
        if (bytes > MaxTextBytes)
            throw TError(u"Ein Text in Zeile %1, Spalte %2 ist länger als %3 Zeichen; das Arbeitsblatt "
                         u"kann ihn nicht aufnehmen."_s.arg(row + 1)
                             .arg(column + 1)
                             .arg(MaxTextBytes));
        char* p = Room(12 + bytes);
        PutHeader(p, 0x0204, quint32(8 + bytes), row, column);
        p[10] = char(bytes & 0xFF);
        p[11] = char((bytes >> 8) & 0xFF);
        std::memcpy(p + 12, encoded.constData(), size_t(bytes));
        m_used += 12 + bytes;
    }

    void Flush()
    {
        if (m_used == 0)
            return;
        if (m_device.write(m_buffer.constData(), m_used) != m_used)
            throw TError(FileError(m_path, m_device.errorString()));
        m_used = 0;
    }

private:
    // Room for the next record; long texts may need more than the buffer holds.
    char* Room(qsizetype size)
    {
        if (m_used + size > m_buffer.size())
            Flush();
        if (size > m_buffer.size())
            m_buffer.resize(size);
        return m_buffer.data() + m_used;
    }

    void Put(const char* bytes, qsizetype size)
    {
        std::memcpy(Room(size), bytes, size_t(size));
        m_used += size;
    }

    static void PutHeader(char* p, quint32 type, quint32 length, int row, int column)
    {
        const quint32 words[5] = {type, length, quint32(row), quint32(column), 0};
        for (int i = 0; i < 5; ++i) {
            p[2 * i] = char(words[i] & 0xFF);
            p[2 * i + 1] = char((words[i] >> 8) & 0xFF);
        }
    }

    QIODevice& m_device;
    QString m_path;
    QByteArray m_buffer;
    qsizetype m_used = 0;
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
    // text must be nothing but the number. The digits are gathered on the way for the common
    // case of a short decimal without exponent.
    const char16_t* t = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && t[i] == u' ')
        ++i;
    const qsizetype signPos = i;
    if (i < n && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    const qsizetype mantissa = i;
    auto digit = [&](qsizetype k) { return k < n && t[k] >= u'0' && t[k] <= u'9'; };
    qint64 whole = 0;
    int digits = 0, fraction = 0;
    while (digit(i)) {
        whole = whole * 10 + (t[i] - u'0');
        ++i;
        ++digits;
        if (digits > 18)
            whole = 0; // too long for the quick way; from_chars below reads it
    }
    bool point = false;
    if (i < n && t[i] == u'.') {
        point = true;
        ++i;
        while (digit(i)) {
            whole = whole * 10 + (t[i] - u'0');
            ++i;
            ++digits;
            ++fraction;
            if (digits > 18)
                whole = 0;
        }
    }
    if (digits == 0 && !point)
        return false;
    const bool exponent = i < n && (t[i] == u'e' || t[i] == u'E');
    if (exponent) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-'))
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

    const bool negative = signPos < mantissa && t[signPos] == u'-';
    if (digits == 0) {
        // A lone point (with or without exponent) is the number 0.
        *value = negative ? -0.0 : 0.0;
        return true;
    }
    if (!exponent && digits <= 15) {
        // Up to 15 digits: the digits as a whole number and one division by a power of ten, both
        // exact in a double, give the correctly rounded value at once.
        static const double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double v = double(whole) / powers[fraction];
        *value = negative ? -v : v;
        return true;
    }
    // Every character is ASCII here; from_chars wants no "+" and no leading blanks.
    char small[64];
    QByteArray large;
    char* ascii = small;
    if (n - signPos > qsizetype(sizeof small)) {
        large.resize(n - signPos);
        ascii = large.data();
    }
    qsizetype length = 0;
    for (qsizetype k = signPos; k < n; ++k) {
        if (k == signPos && text[k] == u'+')
            continue;
        ascii[length++] = char(text[k].unicode());
    }
    const QByteArrayView number(ascii, length);
    double result = 0;
    const auto [ptr, ec] = std::from_chars(ascii, ascii + length, result);
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: infinity or zero with the number's sign, as a
        // spreadsheet would read it.
        qsizetype e = number.indexOf('e');
        if (e < 0)
            e = number.indexOf('E');
        const bool tiny = e >= 0 && number.at(e + 1) == '-';
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

namespace {
// The file is replaced only once every record is written.
template <typename F> void WriteWorksheet(const QString& path, F&& cells)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TError(FileError(path, file.errorString()));
    TRecordWriter writer(file, path);
    writer.Bof();
    cells(writer);
    writer.Eof();
    if (!file.commit())
        throw TError(FileError(path, file.errorString()));
}
} // namespace

void ExportCellsToXls(int columnCount, int rowCount, const std::function<QString(int, int)>& cell,
                      const QString& path)
{
    // Refuse before touching the file, so an existing worksheet stays as it was.
    if (rowCount > XlsMaxRows)
        throw TError(RowLimitError());
    if (columnCount > XlsMaxColumns)
        throw TError(ColumnLimitError());

    WriteWorksheet(path, [&](TRecordWriter& writer) {
        for (int c = 0; c < columnCount; ++c)
            for (int r = 0; r < rowCount; ++r)
                writer.Cell(r, c, cell(c, r));
    });
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
    if (rows.size() > XlsMaxRows)
        throw TError(RowLimitError());
    if (columns > XlsMaxColumns)
        throw TError(ColumnLimitError());
    WriteWorksheet(path, [&](TRecordWriter& writer) {
        for (int c = 0; c < columns; ++c)
            for (int r = 0; r < int(rows.size()); ++r)
                writer.Cell(r, c, c < rows[r].size() ? QStringView(rows[r][c]) : QStringView());
    });
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
