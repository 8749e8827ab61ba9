#include "Win1252.h"

namespace {
// 0x80..0x9F; 0 marks the five bytes the set leaves undefined (decoded as the C1 control).
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

namespace Win1252 {

QChar DecodeChar(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
        return QChar(kHigh[b - 0x80]);
    return QChar(char16_t(b));
}

char EncodeChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return char(0x80 + i);
    return '?';
}

QByteArray Encode(QStringView text)
{
    QByteArray out;
    out.resize(text.size());
    char* p = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A surrogate pair is one character outside the set: one "?".
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            *p++ = '?';
            continue;
        }
        *p++ = EncodeChar(c);
    }
    out.resize(p - out.data());
    return out;
}

QString Decode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* p = out.data();
    for (char b : bytes)
        *p++ = DecodeChar(static_cast<unsigned char>(b));
    return out;
}

} // namespace Win1252
