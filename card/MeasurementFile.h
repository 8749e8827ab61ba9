#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class QIODevice;

// The measurement files of the memory card: plain Windows-1252 text, one item a line, CR LF.
// A line is a key line ("KN=4711"), a reading row ("12;3.5") or ignored.

// True when the text in front of the line's first "=" equals key, both compared in upper case.
// A line without "=" matches no key; a blank before the key or before the "=" spoils the match.
bool IsKey(QStringView key, QStringView line);
// The text after the line's first "=" (further "=" included); empty when there is none.
QString KeyValue(QStringView line);
// True when the line, trimmed of blanks, is not empty and begins with "-" or a digit.
bool IsReadingRow(QStringView line);

// Appends blanks until text is length characters long; longer text stays whole.
QString PadRight(const QString& text, int length = 30);

// Leading and trailing blanks and control characters removed: how customer values are read.
QString TrimValue(QStringView value);

// The value of a reading row of the pressure test types: at most 30 characters after the
// first ";", or the first 30 characters of a row without ";". A view into row.
QStringView ReadingValueText(QStringView row);

// True when the whole text is a decimal number with "." as decimal point: leading blanks, a sign
// and an exponent are allowed, nothing may follow. The number goes to *value when given.
bool IsNumber(QStringView text, double* value = nullptr);

// One line for the card: text in Windows-1252 followed by CR LF.
QByteArray TextLine(QStringView text);
// One key line: key, "=", value, CR LF.
QByteArray KeyLine(QStringView key, QStringView value);
// Writes one key line; throws TError naming the file when the write fails.
void WriteKeyLine(QIODevice& file, QStringView key, QStringView value);
// Writes one line of text (a reading row, for example); throws TError when the write fails.
void WriteTextLine(QIODevice& file, QStringView text);

// Reads a card file line by line. A line ends with CR LF, LF or a lone CR; the last line may
// end without. Lines longer than MaxLineBytes keep their first MaxLineBytes bytes (the rest up to
// the line end is skipped) so that a file without line ends cannot fill the memory.
class TLineReader
{
public:
    static constexpr qsizetype MaxLineBytes = 1 << 20;

    // fileName names the file in error texts.
    TLineReader(QIODevice& device, const QString& fileName);
    // The next line, decoded from Windows-1252. False at the end of the file; throws TError
    // when the device cannot be read.
    bool ReadLine(QString* line);
    // 1-based number of the line returned last.
    qint64 LineNumber() const { return m_lineNumber; }

private:
    bool Fill();

    QIODevice& m_device;
    QString m_fileName;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_lineNumber = 0;
    bool m_eof = false;
    bool m_skipLf = false;
};
