#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

class TTable;

// The customer text file: one customer a line, KN;K1;K2;K3;K4;K5, lines ended by CR LF, Windows-1252,
// no header, no quoting. A ";" inside a value is written as it stands.

// The fields of a line. Every delimiter ends the current field, which counts even when empty; what
// follows the last delimiter counts only when it is not empty ("a;;b" gives a, "", b; "a;b;" gives
// a, b; ";a" gives "", a). Double quotes are ordinary characters.
QStringList SplitString(const QString& text, QChar delimiter = u';');

// Writes the customers of the table, first to last in its current order, to the file (created or
// replaced; a file that cannot be written is left as it was). The current customer stays current.
// Returns the number of lines. Throws TError naming the file.
int ExportCustomers(TTable& customers, const QString& fileName);

// Appends one customer per line of the file until its end or its first line that holds only blanks
// and control characters. KN, K1..K5 come from the fields 1 to 6 of the line as far as it has them;
// further fields are ignored, nothing is trimmed, existing customer numbers are not looked at.
// A file that cannot be read, or whose lines hold bytes that are no Windows-1252 text (a NUL, or
// one of the five bytes the set leaves undefined), throws TError naming the file and the line before
// anything is appended. An error of the store ends the import; the customers appended before stay.
// Returns the number of customers appended.
int ImportCustomers(TTable& customers, const QString& fileName);
