#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// What the import holds of a card file while it reads it.

// The pending customer: the customer block of a file.
struct TKunde
{
    QString KN, K1, K2, K3, K4, K5;
    void Clear() { *this = TKunde(); }
};

// The pending test: the key lines of one measurement block.
struct TMessung
{
    QString MT; // the test type number as written
    int MTNR = 0;
    QString SD, SU, IN, DS, DE, MD, DM, SZ, ST, ET, EH, KS, LD, RD, LR, LU, NR;
    void Clear() { *this = TMessung(); }
};

// The reading rows of the current block and how they are dated: row i lies at the block's start
// moment (SD and SU) plus i times IN seconds. The rows themselves are not kept here: the import
// hands each one on as it is read.
class TMessdaten
{
public:
    QString SD, SU, IN;
    int MTNR = 0;

    // Works out the start moment and the step from SD, SU and IN. The date is taken character by
    // character ("dd.mm.yy", year 2000 + yy; a part that is not a whole number counts as day 1,
    // month 1, year 2000). Throws TError when SU is not a time, IN is not a number or the date is
    // impossible.
    void Prepare();
    QDate StartDate() const { return m_startDate; }
    QTime StartTime() const { return m_startTime; }
    // The moment of row i (from 0), to the millisecond. Throws TError when it leaves the calendar.
    void MomentOf(qint64 i, QDate* date, QTime* time) const;

private:
    QDate m_startDate;
    QTime m_startTime;
    double m_stepMs = 0;
};

// Whole number as the card writes it: leading blanks and a sign allowed, nothing after the digits.
// Throws TError "'x' ist kein gültiger Integerwert".
int StrToInt(const QString& text);
// The same, with a default instead of the error.
int StrToIntDef(const QString& text, int def);
// A time of day "h:m" or "h:m:s"; throws TError "'x' ist keine gültige Uhrzeit".
QTime StrToTime(const QString& text);
// A decimal number (IsNumber); throws TError "'x' ist kein gültiger Gleitkommawert".
double StrToFloat(const QString& text);
