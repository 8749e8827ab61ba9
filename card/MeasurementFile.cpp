#include "MeasurementFile.h"

#include "TError.h"
#include "Win1252.h"

#include <QFileDevice>
#include <QIODevice>
#include <QVarLengthArray>

#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

char16_t AsciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool IsKey(QStringView key, QStringView line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || eq != key.size())
        return false;
    for (qsizetype i = 0; i < eq; ++i)
        if (AsciiUpper(line[i].unicode()) != AsciiUpper(key[i].unicode()))
            return false;
    return true;
}

QString KeyValue(QStringView line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1).toString();
}

bool IsReadingRow(QStringView line)
{
    // The first character after leading blanks decides; trailing blanks cannot matter.
    for (const QChar c : line) {
        if (c.unicode() <= 0x20)
            continue;
        return c == u'-' || IsDigit(c);
    }
    return false;
}

QString PadRight(const QString& text, int length)
{
    if (text.size() >= length)
        return text;
    return text + QString(length - text.size(), u' ');
}

QString TrimValue(QStringView value)
{
    qsizetype b = 0;
    qsizetype e = value.size();
    while (b < e && value[b].unicode() <= 0x20)
        ++b;
    while (e > b && value[e - 1].unicode() <= 0x20)
        --e;
    return value.mid(b, e - b).toString();
}

QStringView ReadingValueText(QStringView row)
{
    const qsizetype semi = row.indexOf(u';');
    return semi < 0 ? row.left(30) : row.mid(semi + 1, 30);
}

bool IsNumber(QStringView text, double* value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    // The number in ASCII for from_chars, which reads "." whatever the user's locale says;
    // reading values are short, so this rarely leaves the stack.
    QVarLengthArray<char, 64> ascii;
    if (i < n && text[i] == u'-')
        ascii.append('-');
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    int digits = 0;
    bool nonZero = false, beforePoint = true;
    auto digitsFrom = [&](bool mantissa) {
        int count = 0;
        while (i < n && IsDigit(text[i])) {
            if (mantissa && beforePoint && text[i] != u'0')
                nonZero = true;
            ascii.append(char(text[i++].unicode()));
            ++count;
        }
        return count;
    };
    digits += digitsFrom(true);
    if (i < n && text[i] == u'.') {
        ascii.append('.');
        ++i;
        beforePoint = false;
        digits += digitsFrom(true);
    }
    if (digits == 0)
        return false;
    bool exponent = false, smallExponent = false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        exponent = true;
        ascii.append('e');
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            smallExponent = text[i] == u'-';
            ascii.append(char(text[i++].unicode()));
        }
        if (digitsFrom(false) == 0)
            return false;
    }
    if (i != n)
        return false;
    double v = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is no value a reading can have. Without
        // an exponent only a fraction of many zeros is too small.
        const bool tiny = exponent ? smallExponent : !nonZero;
        if (!tiny)
            return false;
        v = ascii[0] == '-' ? -0.0 : 0.0;
    } else if (ec != std::errc() || end != ascii.data() + ascii.size()) {
        return false;
    }
    if (value)
        *value = v;
    return true;
}

QByteArray TextLine(QStringView text)
{
    QByteArray line = Win1252::Encode(text);
    line.append("\r\n");
    return line;
}

QByteArray KeyLine(QStringView key, QStringView value)
{
    QByteArray line = Win1252::Encode(key);
    line.append('=');
    line.append(Win1252::Encode(value));
    line.append("\r\n");
    return line;
}

namespace {
void WriteBytes(QIODevice& file, const QByteArray& bytes)
{
    if (file.write(bytes) != bytes.size()) {
        const auto* named = qobject_cast<QFileDevice*>(&file);
        throw TError(
            u"Error writing %1: %2"_s.arg(named ? named->fileName() : QString(), file.errorString()));
    }
}
} // namespace

void WriteKeyLine(QIODevice& file, QStringView key, QStringView value)
{
    WriteBytes(file, KeyLine(key, value));
}

void WriteTextLine(QIODevice& file, QStringView text)
{
    WriteBytes(file, TextLine(text));
}

TLineReader::TLineReader(QIODevice& device, const QString& fileName) : m_device(device), m_fileName(fileName)
{
}

bool TLineReader::Fill()
{
    if (m_eof)
        return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    constexpr qsizetype chunk = 64 * 1024;
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + chunk);
    const qint64 got = m_device.read(m_buffer.data() + old, chunk);
    if (got < 0) {
        m_buffer.resize(old);
        throw TError(u"Error reading %1: %2"_s.arg(m_fileName, m_device.errorString()));
    }
    m_buffer.resize(old + got);
    m_eof = got == 0;
    return got > 0;
}

bool TLineReader::ReadLine(QString* line)
{
    // The line is decoded straight from the read buffer into the caller's string, whose storage
    // is reused from line to line.
    line->resize(0);
    bool any = false;
    bool truncated = false;
    for (;;) {
        if (m_pos >= m_buffer.size() && !Fill())
            break;
        if (m_skipLf) {
            m_skipLf = false;
            if (m_buffer[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        const char* begin = m_buffer.constData() + m_pos;
        const qsizetype avail = m_buffer.size() - m_pos;
        qsizetype len = 0;
        while (len < avail && begin[len] != '\n' && begin[len] != '\r')
            ++len;
        any = true;
        if (!truncated) {
            const qsizetype old = line->size();
            const qsizetype take = std::min(len, MaxLineBytes - old);
            line->resize(old + take);
            QChar* out = line->data() + old;
            for (qsizetype i = 0; i < take; ++i) {
                const auto b = static_cast<unsigned char>(begin[i]);
                out[i] = b < 0x80 ? QChar(char16_t(b)) : Win1252::DecodeChar(b);
            }
            truncated = len > take;
        }
        m_pos += len;
        if (len < avail) {
            // A line end: CR LF counts once.
            m_skipLf = begin[len] == '\r';
            ++m_pos;
            ++m_lineNumber;
            return true;
        }
    }
    if (!any)
        return false;
    ++m_lineNumber;
    return true;
}
