#include "TField.h"

#include "TError.h"
#include "TTable.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString Pad(int value, int width)
{
    return QString::number(value).rightJustified(width, u'0');
}

QString DefaultFormatDate(QDate date)
{
    return TableStore::FormatDateTime(u"dd.mm.yy"_s, date, {});
}

QDate DefaultParseDate(const QString& text)
{
    const QString t = text.trimmed();
    QList<QString> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= t.size(); ++i) {
        if (i == t.size() || t[i] == u'.' || t[i] == u'/' || t[i] == u'-') {
            parts.append(t.mid(start, i - start));
            start = i + 1;
        }
    }
    if (parts.size() != 3)
        return {};
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 4)
            return {};
        for (QChar c : p)
            if (c < u'0' || c > u'9')
                return {};
    }
    int y, m, d;
    int yearDigits;
    if (parts[0].size() == 4) { // YYYY-MM-DD
        y = parts[0].toInt();
        m = parts[1].toInt();
        d = parts[2].toInt();
        yearDigits = 4;
    } else {
        d = parts[0].toInt();
        m = parts[1].toInt();
        y = parts[2].toInt();
        yearDigits = int(parts[2].size());
    }
    if (yearDigits <= 2) {
        const int now = QDate::currentDate().year();
        y += now / 100 * 100;
        if (y > now + 49)
            y -= 100;
        else if (y < now - 50)
            y += 100;
    }
    return QDate(y, m, d);
}

QString DefaultFormatTime(QTime time)
{
    return TableStore::FormatDateTime(u"hh:mm:ss"_s, {}, time);
}

QTime DefaultParseTime(const QString& text)
{
    const QStringList parts = text.trimmed().split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        return {};
    int v[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].isEmpty() || parts[i].size() > 2)
            return {};
        for (QChar c : parts[i])
            if (c < u'0' || c > u'9')
                return {};
        v[i] = parts[i].toInt();
    }
    return QTime(v[0], v[1], v[2]);
}

TableStore::TTextConversion& Conversion()
{
    static TableStore::TTextConversion c{DefaultFormatDate, DefaultParseDate, DefaultFormatTime,
                                         DefaultParseTime};
    return c;
}

// Days since 30.12.1899 with the time of day as fraction, the usual date-time number.
constexpr qint64 DayZero = 2415019; // Julian day of 30.12.1899

} // namespace

namespace TableStore {

void SetTextConversion(const TTextConversion& conversion)
{
    TTextConversion& c = Conversion();
    c.formatDate = conversion.formatDate ? conversion.formatDate : DefaultFormatDate;
    c.parseDate = conversion.parseDate ? conversion.parseDate : DefaultParseDate;
    c.formatTime = conversion.formatTime ? conversion.formatTime : DefaultFormatTime;
    c.parseTime = conversion.parseTime ? conversion.parseTime : DefaultParseTime;
}

const TTextConversion& TextConversion()
{
    return Conversion();
}

QString FormatDateTime(const QString& format, QDate date, QTime time)
{
    QString out;
    bool afterHour = false; // "m" right after an hour means minutes
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype end = format.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            out += format.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        const QChar l = c.toLower();
        qsizetype n = 1;
        while (i + n < format.size() && format[i + n].toLower() == l)
            ++n;
        if (l == u'y') {
            out += n >= 3 ? Pad(date.year(), 4) : Pad(date.year() % 100, 2);
            afterHour = false;
        } else if (l == u'm') {
            if (afterHour)
                out += n >= 2 ? Pad(time.minute(), 2) : QString::number(time.minute());
            else
                out += n >= 2 ? Pad(date.month(), 2) : QString::number(date.month());
            afterHour = false;
        } else if (l == u'd') {
            out += n >= 2 ? Pad(date.day(), 2) : QString::number(date.day());
            afterHour = false;
        } else if (l == u'h') {
            out += n >= 2 ? Pad(time.hour(), 2) : QString::number(time.hour());
            afterHour = true;
        } else if (l == u'n') {
            out += n >= 2 ? Pad(time.minute(), 2) : QString::number(time.minute());
            afterHour = false;
        } else if (l == u's') {
            out += n >= 2 ? Pad(time.second(), 2) : QString::number(time.second());
            afterHour = false;
        } else {
            out += format.mid(i, n);
        }
        i += n;
    }
    return out;
}

QString DisplayText(const TField& field, const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (field.DataType()) {
    case TFieldType::Date:
        if (!field.DisplayFormat().isEmpty())
            return FormatDateTime(field.DisplayFormat(), value.toDate(), {});
        return TextConversion().formatDate(value.toDate());
    case TFieldType::Time:
        if (!field.DisplayFormat().isEmpty())
            return FormatDateTime(field.DisplayFormat(), {}, value.toTime());
        return TextConversion().formatTime(value.toTime());
    case TFieldType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case TFieldType::Boolean:
        return value.toBool() ? u"True"_s : u"False"_s;
    default:
        return value.toString();
    }
}

} // namespace TableStore

QString TField::AsString() const
{
    const QVariant v = Value();
    if (v.isNull())
        return {};
    switch (m_def.type) {
    case TFieldType::Date:
        return TableStore::TextConversion().formatDate(v.toDate());
    case TFieldType::Time:
        return TableStore::TextConversion().formatTime(v.toTime());
    case TFieldType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    case TFieldType::Boolean:
        return v.toBool() ? u"True"_s : u"False"_s;
    default:
        return v.toString();
    }
}

int TField::AsInteger() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    switch (m_def.type) {
    case TFieldType::String:
    case TFieldType::Memo: {
        bool ok = false;
        const int n = v.toString().trimmed().toInt(&ok);
        if (!ok)
            throw TError(u"'%1' is not a valid integer value"_s.arg(v.toString()));
        return n;
    }
    case TFieldType::Float:
        return int(std::llround(v.toDouble()));
    case TFieldType::Date:
    case TFieldType::Time:
        return int(std::floor(AsFloat()));
    default:
        return int(v.toLongLong());
    }
}

double TField::AsFloat() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    switch (m_def.type) {
    case TFieldType::String:
    case TFieldType::Memo: {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (!ok)
            throw TError(u"'%1' is not a valid floating point value"_s.arg(v.toString()));
        return d;
    }
    case TFieldType::Date:
        return v.toDate().isValid() ? double(v.toDate().toJulianDay() - DayZero) : 0.0;
    case TFieldType::Time:
        return v.toTime().isValid() ? v.toTime().msecsSinceStartOfDay() / 86400000.0 : 0.0;
    case TFieldType::Boolean:
        return v.toBool() ? 1 : 0;
    default:
        return v.toDouble();
    }
}

QDate TField::AsDate() const
{
    const QVariant v = Value();
    if (v.isNull())
        return {};
    switch (m_def.type) {
    case TFieldType::Date:
        return v.toDate();
    case TFieldType::String:
    case TFieldType::Memo: {
        const QDate d = TableStore::TextConversion().parseDate(v.toString());
        if (!d.isValid())
            throw TError(u"'%1' is not a valid date"_s.arg(v.toString()));
        return d;
    }
    default:
        return {};
    }
}

QTime TField::AsTime() const
{
    const QVariant v = Value();
    if (v.isNull())
        return {};
    switch (m_def.type) {
    case TFieldType::Time:
        return v.toTime();
    case TFieldType::String:
    case TFieldType::Memo: {
        const QTime t = TableStore::TextConversion().parseTime(v.toString());
        if (!t.isValid())
            throw TError(u"'%1' is not a valid time"_s.arg(v.toString()));
        return t;
    }
    default:
        return {};
    }
}

QDateTime TField::AsDateTime() const
{
    switch (m_def.type) {
    case TFieldType::Date:
        return IsNull() ? QDateTime() : QDateTime(AsDate(), QTime(0, 0));
    case TFieldType::Time:
        return IsNull() ? QDateTime() : QDateTime(QDate(1899, 12, 30), AsTime());
    default:
        return {};
    }
}

bool TField::AsBoolean() const
{
    const QVariant v = Value();
    if (v.isNull())
        return false;
    if (m_def.type == TFieldType::String || m_def.type == TFieldType::Memo) {
        const QString s = v.toString().trimmed();
        if (s.compare(u"true"_s, Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(u"false"_s, Qt::CaseInsensitive) == 0)
            return false;
        throw TError(u"'%1' is not a valid boolean value"_s.arg(s));
    }
    if (m_def.type == TFieldType::Float)
        return v.toDouble() != 0;
    return v.toLongLong() != 0;
}

QString TField::DisplayText() const
{
    return TableStore::DisplayText(*this, Value());
}
