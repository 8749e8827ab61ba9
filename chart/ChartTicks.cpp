#include "ChartTicks.h"

#include <QDate>
#include <QTime>

#include <cmath>

using namespace Qt::StringLiterals;

namespace ChartTicks {

double NiceStep(double minStep)
{
    if (!(minStep > 0) || !std::isfinite(minStep))
        return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(minStep)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        // A hair of slack so that 0.3 / 3 does not become 0.2 because of rounding.
        if (m * decade >= minStep * (1 - 1e-9))
            return m * decade;
    }
    return 10 * decade;
}

double NextNiceStep(double step)
{
    return NiceStep(step * 1.000001);
}

namespace {
const double TimeSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                            600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
}

double NiceTimeStep(double minSeconds)
{
    for (double s : TimeSteps)
        if (s >= minSeconds * (1 - 1e-9))
            return s;
    // Whole days beyond one: 1, 2, 5 × 10^n days.
    return NiceStep(minSeconds / 86400) * 86400;
}

double NextTimeStep(double seconds)
{
    return NiceTimeStep(seconds * 1.000001);
}

QList<double> Multiples(double min, double max, double step)
{
    QList<double> out;
    if (!(step > 0) || !(max >= min))
        return out;
    // Room for rounding only: a millionth of a step, or what a double can tell apart at this size.
    const double slack = std::max(step * 1e-6, 1e-13 * std::max(std::abs(min), std::abs(max)));
    const double first = std::ceil((min - slack) / step);
    const double last = std::floor((max + slack) / step);
    if (last - first > 100000)
        return out;
    for (double k = first; k <= last; ++k) {
        double v = k * step;
        if (std::abs(v) < step * 1e-9)
            v = 0;
        out.append(v);
    }
    return out;
}

QString FormatValue(double value, double step)
{
    int decimals = 0;
    if (step > 0 && step < 1)
        decimals = int(std::ceil(-std::log10(step) - 1e-9));
    if (std::abs(value) < step * 1e-9)
        value = 0;
    return QString::number(value, 'f', decimals);
}

QString FormatDateTime(double days, const QString& format)
{
    double whole = std::floor(days);
    qint64 msecs = qint64(std::llround((days - whole) * 86400000.0));
    if (msecs >= 86400000) {
        whole += 1;
        msecs -= 86400000;
    }
    const QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(msecs));

    QString out;
    const qsizetype n = format.size();
    bool afterHour = false;
    auto run = [&](qsizetype i) {
        const QChar c = format[i].toLower();
        qsizetype k = i;
        while (k < n && format[k].toLower() == c)
            ++k;
        return k - i;
    };
    auto two = [](int v) { return QString::number(v).rightJustified(2, u'0'); };
    for (qsizetype i = 0; i < n;) {
        const QChar c = format[i].toLower();
        if (c == u'\'' || c == u'"') {
            const qsizetype close = format.indexOf(format[i], i + 1);
            const qsizetype end = close < 0 ? n : close;
            out += format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        const qsizetype len = run(i);
        if (c == u'y') {
            out += len >= 3 ? QString::number(date.year()).rightJustified(4, u'0') : two(date.year() % 100);
            afterHour = false;
        } else if (c == u'd') {
            out += len >= 2 ? two(date.day()) : QString::number(date.day());
            afterHour = false;
        } else if (c == u'm') {
            const int v = afterHour ? time.minute() : date.month();
            out += len >= 2 ? two(v) : QString::number(v);
            afterHour = false;
        } else if (c == u'h') {
            out += len >= 2 ? two(time.hour()) : QString::number(time.hour());
            afterHour = true;
        } else if (c == u'n') {
            out += len >= 2 ? two(time.minute()) : QString::number(time.minute());
            afterHour = false;
        } else if (c == u's') {
            out += len >= 2 ? two(time.second()) : QString::number(time.second());
            afterHour = false;
        } else if (c == u'z') {
            out += len >= 3 ? QString::number(time.msec()).rightJustified(3, u'0')
                            : QString::number(time.msec());
            afterHour = false;
        } else {
            out += format.mid(i, len);
        }
        i += len;
    }
    return out;
}

} // namespace ChartTicks
