#include "ImportRecords.h"

#include "MeasurementFile.h"
#include "TError.h"
#include "uGlobal.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr qint64 kMsPerDay = 86400000;

bool ReadInt(QStringView text, int* value)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i >= text.size())
        return false;
    qint64 v = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c.unicode() - u'0');
        if (v > qint64(INT_MAX) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    *value = int(v);
    return true;
}
} // namespace

int StrToInt(const QString& text)
{
    int v = 0;
    if (!ReadInt(text, &v))
        throw TError(u"'%1' ist kein gültiger Integerwert"_s.arg(text));
    return v;
}

int StrToIntDef(const QString& text, int def)
{
    int v = 0;
    return ReadInt(text, &v) ? v : def;
}

QTime StrToTime(const QString& text)
{
    const QTime t = ParseTime(text);
    if (!t.isValid())
        throw TError(u"'%1' ist keine gültige Uhrzeit"_s.arg(text));
    return t;
}

double StrToFloat(const QString& text)
{
    double v = 0;
    if (!IsNumber(text, &v))
        throw TError(u"'%1' ist kein gültiger Gleitkommawert"_s.arg(text));
    return v;
}

void TMessdaten::Prepare()
{
    const int day = StrToIntDef(SD.mid(0, 2), 1);
    const int month = StrToIntDef(SD.mid(3, 2), 1);
    const int year = 2000 + StrToIntDef(SD.mid(6, 2), 0);
    m_startDate = QDate(year, month, day);
    if (!m_startDate.isValid())
        throw TError(u"'%1' ist kein gültiges Datum"_s.arg(SD));
    m_startTime = StrToTime(SU);
    m_stepMs = StrToFloat(IN) * 1000.0;
}

void TMessdaten::MomentOf(qint64 i, QDate* date, QTime* time) const
{
    const double offset = std::round(double(i) * m_stepMs);
    // Far beyond any instrument's run, but a card may say anything: stay within the calendar.
    constexpr double kLimit = 9.0e15;
    if (!(std::abs(offset) < kLimit))
        throw TError(u"Messwert %1: Zeitpunkt außerhalb des Kalenders (IN=%2)"_s.arg(i + 1).arg(IN));
    qint64 ms = m_startTime.msecsSinceStartOfDay() + qint64(offset);
    qint64 days = ms / kMsPerDay;
    ms %= kMsPerDay;
    if (ms < 0) {
        ms += kMsPerDay;
        --days;
    }
    *date = m_startDate.addDays(days);
    *time = QTime::fromMSecsSinceStartOfDay(int(ms));
    if (!date->isValid() || date->year() < 1 || date->year() > 9999)
        throw TError(u"Messwert %1: Zeitpunkt außerhalb des Kalenders (IN=%2)"_s.arg(i + 1).arg(IN));
}
