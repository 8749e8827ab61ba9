#pragma once

#include "TTableDefs.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVariant>

class TTable;

// One field of an open table. Getters read the current row (or the row being edited); setters
// change the row being edited and throw TError when the table is not in edit or insert mode or the
// value cannot be converted. A null field reads as "", 0, 0.0, false, an invalid date or time.
class TField
{
public:
    const QString& FieldName() const { return m_def.name; }
    TFieldType DataType() const { return m_def.type; }
    int Size() const { return m_def.size; }
    const TFieldDef& Def() const { return m_def; }
    // Position in the table's field list, from 0.
    int Index() const { return m_index; }
    TTable* Table() const { return m_table; }

    bool IsNull() const;
    void Clear();

    // Text conversion: dates and times in the store's text formats (SetDateConversion), floats
    // with "." as decimal separator, booleans as "True"/"False". Setting "" makes the field null.
    QString AsString() const;
    void SetAsString(const QString& value);
    int AsInteger() const;
    void SetAsInteger(int value);
    double AsFloat() const;
    void SetAsFloat(double value);
    QDate AsDate() const;
    void SetAsDate(QDate value);
    QTime AsTime() const;
    void SetAsTime(QTime value);
    QDateTime AsDateTime() const;
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    // The value as kept: null, qint64, double, QString, QDate, QTime or bool.
    QVariant Value() const;
    void SetValue(const QVariant& value);

    // Format of DisplayText for dates and times, in the program's notation ("dd.mm.yy",
    // "hh:mm:ss"; "m" right after "h" means minutes, as "n" does). Empty: AsString.
    const QString& DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString& format) { m_displayFormat = format; }
    // The text a grid or a bound edit shows.
    QString DisplayText() const;

private:
    friend class TTable;
    TField(TTable* table, int index, const TFieldDef& def) : m_table(table), m_index(index), m_def(def) {}

    TTable* m_table;
    int m_index;
    TFieldDef m_def;
    QString m_displayFormat;
};

namespace TableStore {
// How AsString and SetAsString of date and time fields read and write text. The defaults are the
// program's: "dd.mm.yy" (two-digit years within 50 years before and 49 after the current year,
// four-digit years accepted) and "hh:mm:ss" ("h:m" accepted). A parser returns an invalid value
// for a text it cannot read.
struct TTextConversion
{
    QString (*formatDate)(QDate) = nullptr;
    QDate (*parseDate)(const QString&) = nullptr;
    QString (*formatTime)(QTime) = nullptr;
    QTime (*parseTime)(const QString&) = nullptr;
};
void SetTextConversion(const TTextConversion& conversion);
const TTextConversion& TextConversion();

// The text a grid or a bound control shows for a value of the field (of the field's own type).
QString DisplayText(const TField& field, const QVariant& value);

// Formats a date or time with a format in the program's notation ("dd.mm.yy", "hh:mm:ss").
QString FormatDateTime(const QString& format, QDate date, QTime time);
} // namespace TableStore
