#pragma once

#include <QByteArray>
#include <QString>

// Single-byte text on disk (INI and language files, card files, CSV, PDF strings, worksheets)
// is Windows-1252. A character outside the set becomes "?".
namespace Win1252 {
QByteArray Encode(QStringView text);
QString Decode(QByteArrayView bytes);
// The byte of one character, or '?' when the set has none.
char EncodeChar(QChar c);
QChar DecodeChar(unsigned char b);
} // namespace Win1252
