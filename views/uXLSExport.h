#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QAbstractItemModel;

// Minimal worksheet files (".xls", the old BIFF record format): a BOF record, one number or
// text record per cell and an EOF record; no formats, fonts or column widths.
//
// Row and column numbers are 16-bit words in this format, so a worksheet holds at most
// XlsMaxRows rows and XlsMaxColumns columns. Asking for more throws a TError naming the
// limit instead of writing a file whose row numbers wrap round onto the header.

inline constexpr int XlsMaxRows = 65536;
inline constexpr int XlsMaxColumns = 65536;

// Whether a cell's text goes into the worksheet as a number: leading blanks, an optional sign,
// digits with an optional "." and further digits (either run may be empty, so a lone "." is 0),
// an optional exponent, and nothing after it. "." is the decimal point whatever the locale.
// On success *value (if given) holds the number.
bool IsCellNumber(QStringView text, double* value = nullptr);

// The fields of a line between separators; consecutive separators give empty fields, text after
// the last separator is a field only when it is not empty, an empty line gives no field.
QStringList SplitFields(QStringView line, QChar separator);

// Writes the cells column by column (for each column every row), each as a number or a text.
// cell(column, row) gives the cell's text. The file is replaced only when the whole worksheet
// has been written; errors throw TError with the file system's message.
void ExportCellsToXls(int columnCount, int rowCount, const std::function<QString(int, int)>& cell,
                      const QString& path);
// Every cell of the model (display texts, header row included if the model holds it as row 0).
void ExportGridToXls(const QAbstractItemModel& table, const QString& path);
// A table of strings given row by row; rows may differ in length (missing cells are empty).
void ExportGridToXls(const QList<QStringList>& rows, const QString& path);

// Converts a ";"-separated text file into a worksheet beside it (extension replaced by ".xls")
// and returns the worksheet's path. Line i becomes row i, its trimmed fields the columns.
// The worksheet is created before the text file is opened: a text file that cannot be read
// leaves a worksheet holding only the BOF record, and the error is thrown.
QString ConvertCsvToXls(const QString& path);
