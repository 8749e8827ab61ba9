#pragma once

#include <QList>
#include <QString>

// Round axis steps and the texts of axis labels.
namespace ChartTicks {

// The smallest step of the form 1, 2 or 5 × 10^n that is at least minStep (> 0).
double NiceStep(double minStep);
// The next larger step of that form.
double NextNiceStep(double step);

// Time steps in seconds: whole seconds, minutes, hours and days (1, 2, 5, 10, 15, 30 s;
// 1, 2, 5, 10, 15, 30 min; 1, 2, 3, 6, 12 h; 1, 2, 5, 10, 20, 50 … days).
// The smallest that is at least minSeconds, and the one after a given step.
double NiceTimeStep(double minSeconds);
double NextTimeStep(double seconds);

// Every multiple of step from min to max (both included, with a little slack for rounding).
QList<double> Multiples(double min, double max, double step);

// A value label with as many decimals as the step needs ("0.2" steps give one, "5" none).
QString FormatValue(double value, double step);

// A date-time (days since 30.12.1899) in the program's pattern: d dd m mm yy yyyy h hh n nn s ss zzz,
// where m or mm right after an hour means minutes; text in '' or "" as it stands; anything
// else (also CR and LF) is copied.
QString FormatDateTime(double days, const QString& format);

} // namespace ChartTicks
