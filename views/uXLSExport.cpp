#include "uXLSExport.h"

#include "TError.h"
#include "Win1252.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// A text record's length word holds 8 + n.
constexpr int MaxTextBytes = 0xFFFF - 8;
constexpr qsizetype MaxRecordBytes = 12 + MaxTextBytes;
// Records are handed to the file whenever this much has gathered.
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

// The number test for every form it accepts; ReadNumber below answers the common ones itself.
bool ReadAnyNumber(QStringView text, double* value);

#if defined(__SSE2__)
// A look at the first eight characters for what no number holds: a character other than blanks,
// signs, digits, points and "e"/"E" (a time shows its ":" at once), or a second point (a date).
// False says nothing.
inline bool SurelyNoNumber(const char16_t* t)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
    // "+" to "9" as one range lets "," and "/" through as well, which only costs the full test.
    const __m128i beyond =
        _mm_subs_epu16(_mm_sub_epi16(v, _mm_set1_epi16(u'+')), _mm_set1_epi16(u'9' - u'+'));
    const __m128i inRange = _mm_cmpeq_epi16(beyond, _mm_setzero_si128());
    const __m128i blank = _mm_cmpeq_epi16(v, _mm_set1_epi16(u' '));
    const __m128i exponent = _mm_cmpeq_epi16(_mm_or_si128(v, _mm_set1_epi16(0x20)), _mm_set1_epi16(u'e'));
    const int allowed = _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(inRange, blank), exponent));
    const int points = _mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_set1_epi16(u'.'))) & 0x5555;
    return allowed != 0xFFFF || (points & (points - 1)) != 0;
}
#endif

// The number test as the cell writers ask it of every cell. Dates, times and most words are
// refused at a glance; the common numbers (an optional "-", up to 15 digits with at most one
// "." among them) are read in one pass; blanks, "+", an exponent, longer numbers and a lone
// point go to ReadAnyNumber.
Q_ALWAYS_INLINE bool ReadNumber(const char16_t* t, qsizetype n, double* value)
{
#if defined(__SSE2__)
    if (n >= 8 && SurelyNoNumber(t))
        return false;
#endif
    const char16_t* const end = t + n;
    const bool negative = n > 0 && *t == u'-';
    const char16_t* const mantissa = t + negative;
    const char16_t* point = nullptr;
    quint64 whole = 0; // wraps past 19 digits, but such numbers go to ReadAnyNumber
    const char16_t* p = mantissa;
    for (; p != end; ++p) {
        const unsigned digit = unsigned(*p) - u'0';
        if (digit <= 9)
            whole = whole * 10 + digit;
        else if (*p == u'.' && !point)
            point = p;
        else
            break;
    }
    if (p != end) {
        if (*p == u'e' || *p == u'E' || (p == t && (*p == u' ' || *p == u'+')))
            return ReadAnyNumber(QStringView(t, n), value);
        return false;
    }
    const qsizetype digits = (end - mantissa) - (point ? 1 : 0);
    if (digits == 0 && !point)
        return false; // "" or "-"
    if (digits == 0 || digits > 15)
        return ReadAnyNumber(QStringView(t, n), value);
    if (value) {
        // The digits as a whole number and one division by a power of ten, both exact in a
        // double, give the correctly rounded value at once.
        static constexpr double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double v = double(whole) / powers[point ? end - point - 1 : 0];
        *value = negative ? -v : v;
    }
    return true;
}

// Copies text into bytes and says whether it was ASCII; when it was not, out holds rubbish.
inline bool NarrowAscii(const char16_t* in, qsizetype n, char* out)
{
#if defined(__SSE2__)
    if (n >= 8) {
        // Eight characters at a time; a tail shorter than eight is done by the last eight again.
        __m128i any = _mm_setzero_si128();
        auto eight = [&](qsizetype i) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            any = _mm_or_si128(any, v);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
        };
        qsizetype i = 0;
        for (; i + 8 <= n; i += 8)
            eight(i);
        if (i < n)
            eight(n - 8);
        const __m128i high = _mm_and_si128(any, _mm_set1_epi16(short(0xFF80)));
        return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
    }
#endif
    char16_t any = 0;
    for (qsizetype i = 0; i < n; ++i) {
        any |= in[i];
        out[i] = char(in[i]);
    }
    return any < 0x80;
}

// Records built in memory, the buffer growing as needed. The callers have checked row and
// column against the limits.
class TRecordBuffer
{
public:
    explicit TRecordBuffer(qsizetype capacity) { Grow(capacity); }

    void Bof()
    {
        static const char bof[] = {0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
        Put(bof, sizeof bof);
    }

    void Eof()
    {
        static const char eof[] = {0x0A, 0x00, 0x00, 0x00};
        Put(eof, sizeof eof);
    }

    // A number record or a text record.
    Q_ALWAYS_INLINE void Cell(int row, int column, QStringView text)
    {
        const char16_t* in = text.utf16();
        const qsizetype n = text.size();
        double value;
        if (ReadNumber(in, n, &value)) {
            char* p = Room(18);
            PutHeader(p, 0x0203, 14, row, column);
            qToLittleEndian(std::bit_cast<quint64>(value), p + 10);
            m_size += 18;
            return;
        }
        // Plain ASCII (dates, times, most texts) goes straight in; anything else through the codec.
        if (n <= MaxTextBytes) {
            char* p = Room(12 + n);
            if (NarrowAscii(in, n, p + 12)) {
                PutTextHeader(p, row, column, n);
                return;
            }
        }
        EncodedText(row, column, text);
    }

    const char* Data() const { return m_data.get(); }
    qsizetype Size() const { return m_size; }
    void Clear() { m_size = 0; }

private:
    Q_NEVER_INLINE void EncodedText(int row, int column, QStringView text)
    {
        const QByteArray encoded = Win1252::Encode(text);
        const qsizetype bytes = encoded.size();
        if (bytes > MaxTextBytes)
            throw TError(u"Ein Text in Zeile %1, Spalte %2 ist länger als %3 Zeichen; das Arbeitsblatt "
                         u"kann ihn nicht aufnehmen."_s.arg(row + 1)
                             .arg(column + 1)
                             .arg(MaxTextBytes));
        char* p = Room(12 + bytes);
        std::memcpy(p + 12, encoded.constData(), size_t(bytes));
        PutTextHeader(p, row, column, bytes);
    }

    // The header of a text record whose bytes are in place behind it.
    void PutTextHeader(char* p, int row, int column, qsizetype bytes)
    {
        PutHeader(p, 0x0204, quint16(8 + bytes), row, column);
        qToLittleEndian(quint16(bytes), p + 10);
        m_size += 12 + bytes;
    }

    // Record type, length, row, column and a zero format index: five little-endian words.
    static void PutHeader(char* p, quint16 type, quint16 length, int row, int column)
    {
        const quint64 words = quint64(type) | quint64(length) << 16 | quint64(quint16(row)) << 32 |
                              quint64(quint16(column)) << 48;
        qToLittleEndian(words, p);
        qToLittleEndian(quint16(0), p + 8);
    }

    // Room for the next record at the end of the buffer.
    char* Room(qsizetype size)
    {
        if (size > m_capacity - m_size)
            Grow(size);
        return m_data.get() + m_size;
    }

    Q_NEVER_INLINE void Grow(qsizetype size)
    {
        const qsizetype capacity = std::max(m_size + size, 2 * m_capacity);
        auto data = std::make_unique_for_overwrite<char[]>(size_t(capacity));
        if (m_size > 0)
            std::memcpy(data.get(), m_data.get(), size_t(m_size));
        m_data = std::move(data);
        m_capacity = capacity;
    }

    void Put(const char* bytes, qsizetype size)
    {
        std::memcpy(Room(size), bytes, size_t(size));
        m_size += size;
    }

    std::unique_ptr<char[]> m_data;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
};

// Hands the records to the file and empties the buffer.
void WriteRecords(QIODevice& device, const QString& path, TRecordBuffer& records)
{
    if (records.Size() > 0 && device.write(records.Data(), records.Size()) != records.Size())
        throw TError(FileError(path, device.errorString()));
    records.Clear();
}

// Asks for memory that is about to be read.
inline void Prefetch(const void* p)
{
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    Q_UNUSED(p);
#endif
}

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

namespace {
bool ReadAnyNumber(QStringView text, double* value)
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
    quint64 whole = 0; // wraps past 19 digits, but numbers of more than 15 go to from_chars below
    int digits = 0, fraction = 0;
    while (digit(i)) {
        whole = whole * 10 + (t[i] - u'0');
        ++i;
        ++digits;
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
} // namespace

bool IsCellNumber(QStringView text, double* value)
{
    return ReadNumber(text.utf16(), text.size(), value);
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
// The file is replaced only once every record is written. records holds the BOF record when
// cells(records, file) is called; what it leaves there is written after it, then the EOF record.
template <typename F> void WriteWorksheet(const QString& path, F&& cells)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TError(FileError(path, file.errorString()));
    TRecordBuffer records(FlushSize + MaxRecordBytes);
    records.Bof();
    cells(records, file);
    records.Eof();
    WriteRecords(file, path, records);
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

    WriteWorksheet(path, [&](TRecordBuffer& records, QIODevice& file) {
        for (int c = 0; c < columnCount; ++c)
            for (int r = 0; r < rowCount; ++r) {
                records.Cell(r, c, cell(c, r));
                if (records.Size() >= FlushSize)
                    WriteRecords(file, path, records);
            }
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

    // The file holds the cells column by column, but a row's strings lie together in memory, and
    // reading the table a column at a time fetches every row once per column. So the table is
    // read row by row, a band of columns at a time: the band's first column goes on to the file
    // as it comes, the others gather their records in buffers of their own, written after it.
    constexpr int BandColumns = 16;
    const int rowCount = int(rows.size());
    WriteWorksheet(path, [&](TRecordBuffer& records, QIODevice& file) {
        std::vector<TRecordBuffer> later;
        for (int first = 0; first < columns; first += BandColumns) {
            const int width = std::min(BandColumns, columns - first);
            // Room for short records at the start; long texts grow a buffer.
            while (int(later.size()) < width - 1)
                later.emplace_back(qsizetype(rowCount) * 24);
            for (int r = 0; r < rowCount; ++r) {
                // Each row's list lies somewhere else; asking for it a few rows ahead hides the wait.
                if (r + 8 < rowCount)
                    Prefetch(rows[r + 8].constData());
                const QStringList& row = rows[r];
                const QString* cells = row.constData();
                const int present = std::clamp(int(row.size()) - first, 0, width);
                records.Cell(r, first, present > 0 ? QStringView(cells[first]) : QStringView());
                if (records.Size() >= FlushSize)
                    WriteRecords(file, path, records);
                for (int k = 1; k < width; ++k)
                    later[size_t(k - 1)].Cell(r, first + k,
                                              k < present ? QStringView(cells[first + k]) : QStringView());
            }
            WriteRecords(file, path, records);
            for (int k = 1; k < width; ++k)
                WriteRecords(file, path, later[size_t(k - 1)]);
        }
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
    TRecordBuffer records(FlushSize + MaxRecordBytes);
    records.Bof();
    WriteRecords(out, outPath, records);

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
            if (fields.size() > XlsMaxColumns)
                throw TError(ColumnLimitError());
            for (int c = 0; c < fields.size(); ++c)
                records.Cell(row, c, TrimmedField(fields[c]));
            if (records.Size() >= FlushSize)
                WriteRecords(out, outPath, records);
            ++row;
        }
        records.Eof();
        WriteRecords(out, outPath, records);
    } catch (const TError&) {
        // A worksheet that stops half way (or would wrap its row numbers) is worse than none.
        out.close();
        out.remove();
        throw;
    }
    return outPath;
}
