#include "Platform.h"
#include "TError.h"
#include "TestMain.h"
#include "uGlobal.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TDateFormatTest : public QObject
{
    Q_OBJECT

    Platform::TManualClock m_clock;

private slots:
    void init()
    {
        m_clock.now = QDateTime(QDate(2025, 6, 1), QTime(12, 0));
        Platform::SetClock(&m_clock);
        SetDateFormat();
    }
    void cleanup() { Platform::SetClock(nullptr); }

    void formatsWhateverTheLocaleSays()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(ShortDateFormat(), u"dd.mm.yy"_s);
        QCOMPARE(DateSeparator(), QChar(u'.'));
        QCOMPARE(FormatDate(QDate(2024, 3, 5)), u"05.03.24"_s);
        QCOMPARE(FormatDate(QDate(1999, 12, 31)), u"31.12.99"_s);
        QCOMPARE(FormatTime(QTime(7, 5, 9)), u"07:05:09"_s);
        QCOMPARE(FormatTime(QTime(23, 59, 59, 999)), u"23:59:59"_s);
        QLocale::setDefault(previous);
    }

    void parsesDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date"); // invalid: not a date
        QTest::newRow("as written") << u"05.03.24"_s << QDate(2024, 3, 5);
        QTest::newRow("one digit each") << u"5.3.24"_s << QDate(2024, 3, 5);
        QTest::newRow("four-digit year") << u"05.03.1998"_s << QDate(1998, 3, 5);
        QTest::newRow("blanks around") << u" 05.03.24 "_s << QDate(2024, 3, 5);
        QTest::newRow("year 74 is 2074") << u"01.01.74"_s << QDate(2074, 1, 1);
        QTest::newRow("year 75 is 1975") << u"01.01.75"_s << QDate(1975, 1, 1);
        QTest::newRow("year 00") << u"29.02.00"_s << QDate(2000, 2, 29);
        QTest::newRow("without year") << u"24.12"_s << QDate(2025, 12, 24);
        QTest::newRow("29 February of a common year") << u"29.02.23"_s << QDate();
        QTest::newRow("month 13") << u"01.13.24"_s << QDate();
        QTest::newRow("other separator") << u"05/03/24"_s << QDate();
        QTest::newRow("ISO") << u"2024-03-05"_s << QDate();
        QTest::newRow("letters") << u"05.Mrz.24"_s << QDate();
        QTest::newRow("three-digit day") << u"005.03.24"_s << QDate();
        QTest::newRow("signed") << u"+5.03.24"_s << QDate();
        QTest::newRow("empty part") << u"05..24"_s << QDate();
        QTest::newRow("four parts") << u"05.03.24.1"_s << QDate();
        QTest::newRow("empty") << QString() << QDate();
    }
    void parsesDates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(ParseDate(text), date);
        if (date.isValid()) {
            QCOMPARE(StrToDate(text), date);
            return;
        }
        try {
            StrToDate(text);
            QFAIL("no error");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"'%1' ist kein gültiges Datum"_s.arg(text));
        }
    }

    // The century of two-digit years moves with the current year.
    void centuryWindowFollowsTheClock()
    {
        m_clock.now = QDateTime(QDate(2060, 1, 1), QTime(0, 0));
        QCOMPARE(ParseDate(u"01.01.10"_s), QDate(2010, 1, 1));
        QCOMPARE(ParseDate(u"01.01.09"_s), QDate(2109, 1, 1));
    }

    void parsesTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("time");
        QTest::newRow("long") << u"07:05:09"_s << QTime(7, 5, 9);
        QTest::newRow("short digits") << u"7:5:9"_s << QTime(7, 5, 9);
        QTest::newRow("without seconds") << u"23:59"_s << QTime(23, 59);
        QTest::newRow("hour 24") << u"24:00:00"_s << QTime();
        QTest::newRow("minute 60") << u"10:60"_s << QTime();
        QTest::newRow("dot") << u"10.30"_s << QTime();
        QTest::newRow("empty") << QString() << QTime();
    }
    void parsesTimes()
    {
        QFETCH(QString, text);
        QFETCH(QTime, time);
        QCOMPARE(ParseTime(text), time);
    }
};

TQ5_TEST(TDateFormatTest)
#include "tst_DateFormat.moc"
