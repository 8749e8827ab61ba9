#include "ChartTicks.h"
#include "TChart.h"
#include "TestMain.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QColor Red(255, 0, 0);
const QDateTime T0(QDate(2024, 3, 1), QTime(10, 15, 0));

// The series' colour, also where smoothing mixes it half with the background.
bool IsRedish(QRgb c)
{
    return qRed(c) - std::max(qGreen(c), qBlue(c)) > 80;
}

// Red pixels within radius r of (x, y).
bool RedNear(const QImage& img, double x, double y, int r)
{
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const int px = int(std::floor(x)) + dx, py = int(std::floor(y)) + dy;
            if (img.valid(px, py) && IsRedish(img.pixel(px, py)))
                return true;
        }
    return false;
}

double MapX(const TChartLayout& L, double days)
{
    return L.plot.left() + (days - L.bottomMin) / (L.bottomMax - L.bottomMin) * L.plot.width();
}

double MapY(const TChartLayout& L, double value)
{
    return L.plot.bottom() - (value - L.leftMin) / (L.leftMax - L.leftMin) * L.plot.height();
}

struct TChartFixture
{
    TChart chart;
    TLineSeries* series;
    explicit TChartFixture(QSize size = {300, 200})
    {
        chart.resize(size);
        chart.SetMargins(8, 1, 8, 8);
        chart.SetBackgroundColor(Qt::white);
        series = chart.AddSeries(Red);
    }
};

// The share of a's dark and of its red pixels that have no like pixel within one pixel in b.
double Unmatched(const QImage& a, const QImage& b)
{
    auto dark = [](QRgb c) { return qGray(c) < 100 && !IsRedish(c); };
    int count = 0, unmatched = 0;
    for (int y = 1; y < a.height() - 1; ++y)
        for (int x = 1; x < a.width() - 1; ++x) {
            const QRgb c = a.pixel(x, y);
            const bool isDark = dark(c), isRed = qRed(c) - std::max(qGreen(c), qBlue(c)) > 160;
            if (!isDark && !isRed)
                continue;
            ++count;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const QRgb o = b.pixel(x + dx, y + dy);
                    found = isRed ? IsRedish(o) : qGray(o) < 170;
                }
            unmatched += !found;
        }
    return count ? double(unmatched) / count : 1.0;
}

bool IsNiceStep(double step)
{
    const double decade = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const double m = step / decade;
    return std::abs(m - 1) < 1e-6 || std::abs(m - 2) < 1e-6 || std::abs(m - 5) < 1e-6;
}

bool IsWholeTimeStep(double seconds)
{
    for (double s : {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200})
        if (std::abs(seconds - s) < 1e-3)
            return true;
    const double days = seconds / 86400;
    return std::abs(days - std::round(days)) < 1e-6 && IsNiceStep(days);
}

} // namespace

class TChartTest : public QObject
{
    Q_OBJECT
private slots:
    void curveLiesWhereItsPointsMap_data()
    {
        QTest::addColumn<int>("factor");
        QTest::newRow("screen size") << 1;
        QTest::newRow("four times") << 4;
    }
    void curveLiesWhereItsPointsMap()
    {
        QFETCH(int, factor);
        TChartFixture f;
        f.chart.SetLeftAxisRange(0, 100);
        const double values[] = {20, 80, 50, 10};
        for (int i = 0; i < 4; ++i)
            f.series->AddXY(T0.addSecs(60 * i), values[i]);
        const QSize size(300 * factor, 200 * factor);
        const QImage img = f.chart.ToImage(size);
        const TChartLayout L = f.chart.Layout(QRectF(QPointF(), QSizeF(size)));
        QCOMPARE(L.leftMin, 0.0);
        QCOMPARE(L.leftMax, 100.0);
        QCOMPARE(L.bottomMin, DateTimeToDays(T0));
        QCOMPARE(L.bottomMax, DateTimeToDays(T0.addSecs(180)));
        for (int i = 0; i < 4; ++i) {
            const double x = MapX(L, DateTimeToDays(T0.addSecs(60 * i))), y = MapY(L, values[i]);
            QVERIFY2(RedNear(img, x, y, factor), qPrintable(u"point %1 at %2,%3"_s.arg(i).arg(x).arg(y)));
            if (i > 0) {
                // Point to point: the middle of each segment is on the line too.
                const double xm = (x + MapX(L, DateTimeToDays(T0.addSecs(60 * (i - 1))))) / 2;
                const double ym = (y + MapY(L, values[i - 1])) / 2;
                QVERIFY2(RedNear(img, xm, ym, factor), qPrintable(u"segment %1"_s.arg(i)));
            }
        }
        // Well away from the line (the middle of the plot's top band, where no value reaches) nothing is red.
        QVERIFY(!RedNear(img, L.plot.center().x(), MapY(L, 95), 2 * factor));
    }

    // Values outside the fixed range are cut off at the plot area's edge.
    void nothingOutsideThePlot()
    {
        TChartFixture f;
        f.chart.SetLeftAxisRange(0, 100);
        for (int i = 0; i < 40; ++i)
            f.series->AddXY(T0.addSecs(i), i % 2 ? 1e9 : -250.0);
        const QImage img = f.chart.ToImage({300, 200});
        const QRectF plot = f.chart.Layout(QRectF(0, 0, 300, 200)).plot;
        int inside = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (IsRedish(img.pixel(x, y))) {
                    QVERIFY2(plot.adjusted(-0.5, -0.5, 0.5, 0.5).contains(QPointF(x + 0.5, y + 0.5)),
                             qPrintable(u"red at %1,%2"_s.arg(x).arg(y)));
                    ++inside;
                }
        QVERIFY(inside > 100);
    }

    void valueAxisRange()
    {
        TChartFixture f;
        f.series->AddXY(T0, 2.0);
        f.series->AddXY(T0.addSecs(1), 5.0);
        TChartLayout L = f.chart.Layout(QRectF(0, 0, 300, 200));
        QVERIFY(f.chart.LeftAxisAutomatic());
        QCOMPARE(L.leftMin, 2.0);
        QCOMPARE(L.leftMax, 5.0);

        f.chart.SetLeftAxisRange(6.0, 1.6); // given the wrong way round
        L = f.chart.Layout(QRectF(0, 0, 300, 200));
        QCOMPARE(L.leftMin, 1.6);
        QCOMPARE(L.leftMax, 6.0);
        QCOMPARE(f.chart.LeftAxisMinimum(), 1.6);

        f.chart.SetLeftAxisAutomatic();
        QCOMPARE(f.chart.Layout(QRectF(0, 0, 300, 200)).leftMax, 5.0);
    }

    // Ticks at round values, labels that keep apart; checked over ranges from seconds to weeks.
    void ticksAreRoundAndLabelsApart_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("timeLabels"); // at least
        QTest::newRow("9 s, small") << 300 << qint64(9) << -0.8 << 1.2 << 2;
        QTest::newRow("10 min") << 600 << qint64(600) << 1.6 << 6.0 << 4;
        QTest::newRow("6 h") << 400 << qint64(6 * 3600) << 0.0 << 1499.0 << 3;
        QTest::newRow("11 days") << 800 << qint64(1000000) << -3.0 << 1e-3 << 4;
        QTest::newRow("narrow, 30 h") << 150 << qint64(30 * 3600 + 17) << 12.0 << 12.5 << 1;
        QTest::newRow("a year") << 500 << qint64(365 * 86400) << -1e6 << 1e6 << 3;
    }
    void ticksAreRoundAndLabelsApart()
    {
        QFETCH(int, width);
        QFETCH(qint64, seconds);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, timeLabels);
        TChartFixture f({width, width * 2 / 3});
        const QDateTime start = T0.addSecs(7); // not on a round moment
        f.series->AddXY(start, low);
        f.series->AddXY(start.addSecs(seconds), high);
        const TChartLayout L = f.chart.Layout(QRectF(0, 0, width, width * 2 / 3));

        QVERIFY(L.leftTicks.size() >= 2);
        const double ystep = L.leftTicks[1].value - L.leftTicks[0].value;
        QVERIFY2(IsNiceStep(ystep), qPrintable(QString::number(ystep)));
        for (qsizetype i = 0; i < L.leftTicks.size(); ++i) {
            const auto& t = L.leftTicks[i];
            QVERIFY(t.value >= L.leftMin - 1e-9 && t.value <= L.leftMax + 1e-9);
            QVERIFY2(std::abs(t.value / ystep - std::round(t.value / ystep)) < 1e-6, qPrintable(t.label));
            QCOMPARE(t.label.toDouble(), t.value);
            if (i > 0)
                QVERIFY2(!t.labelRect.intersects(L.leftTicks[i - 1].labelRect), qPrintable(t.label));
        }

        QVERIFY(L.bottomTicks.size() >= timeLabels);
        const double xstep =
            L.bottomTicks.size() < 2
                ? 1
                : std::round((L.bottomTicks[1].value - L.bottomTicks[0].value) * 86400 * 1000) / 1000;
        QVERIFY2(IsWholeTimeStep(xstep), qPrintable(QString::number(xstep)));
        for (qsizetype i = 0; i < L.bottomTicks.size(); ++i) {
            const auto& t = L.bottomTicks[i];
            QVERIFY2(t.value >= L.bottomMin - 1e-9 && t.value <= L.bottomMax + 1e-9, qPrintable(t.label));
            QVERIFY(t.pos >= L.plot.left() - 0.01 && t.pos <= L.plot.right() + 0.01);
            const double sec = t.value * 86400;
            QVERIFY2(std::abs(sec / xstep - std::round(sec / xstep)) < 1e-4, qPrintable(t.label));
            QCOMPARE(t.label, ChartTicks::FormatDateTime(t.value, u"dd.mm.yy\rhh:mm:ss"_s));
            QVERIFY(t.labelRect.left() >= 0 && t.labelRect.right() <= width);
            if (i > 0)
                QVERIFY2(!t.labelRect.intersects(L.bottomTicks[i - 1].labelRect), qPrintable(t.label));
            for (const auto& v : L.leftTicks)
                QVERIFY(!t.labelRect.intersects(v.labelRect));
        }
    }

    void niceSteps_data()
    {
        QTest::addColumn<double>("atLeast");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("timeStep");
        QTest::newRow("0.3") << 0.3 << 0.5 << 1.0;
        QTest::newRow("1") << 1.0 << 1.0 << 1.0;
        QTest::newRow("1.01") << 1.01 << 2.0 << 2.0;
        QTest::newRow("7") << 7.0 << 10.0 << 10.0;
        QTest::newRow("11") << 11.0 << 20.0 << 15.0;
        QTest::newRow("45") << 45.0 << 50.0 << 60.0;
        QTest::newRow("0.0003") << 0.0003 << 0.0005 << 1.0;
        QTest::newRow("2 h and a bit") << 7300.0 << 10000.0 << 10800.0;
        QTest::newRow("13 h") << 46800.0 << 50000.0 << 86400.0;
        QTest::newRow("1.5 days") << 129600.0 << 200000.0 << 172800.0;
        QTest::newRow("3 days") << 259200.0 << 500000.0 << 432000.0;
    }
    void niceSteps()
    {
        QFETCH(double, atLeast);
        QFETCH(double, step);
        QFETCH(double, timeStep);
        QCOMPARE(ChartTicks::NiceStep(atLeast), step);
        QCOMPARE(ChartTicks::NiceTimeStep(atLeast), timeStep);
    }

    // Moments are large numbers of seconds; the multiples must still stay within the range.
    void multiplesStayInRange_data()
    {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("step");
        QTest::addColumn<QList<double>>("multiples");
        const double day = 3918450000; // about 2024 in seconds since 30.12.1899
        QTest::newRow("seconds of 2024")
            << day + 3 << day + 16 << 5.0 << QList<double>{day + 5, day + 10, day + 15};
        QTest::newRow("ends on multiples") << day << day + 10 << 5.0 << QList<double>{day, day + 5, day + 10};
        QTest::newRow("small values")
            << -0.8 << 1.2 << 0.2 << QList<double>{-0.8, -0.6, -0.4, -0.2, 0, 0.2, 0.4, 0.6, 0.8, 1.0, 1.2};
        QTest::newRow("none inside") << 1.1 << 1.9 << 1.0 << QList<double>{};
    }
    void multiplesStayInRange()
    {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, step);
        QFETCH(QList<double>, multiples);
        const QList<double> got = ChartTicks::Multiples(min, max, step);
        QCOMPARE(got.size(), multiples.size());
        for (qsizetype i = 0; i < got.size(); ++i)
            QVERIFY2(std::abs(got[i] - multiples[i]) < 1e-6 * std::max(1.0, step),
                     qPrintable(QString::number(got[i])));
    }

    void dateTimeFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("two lines") << u"dd.mm.yy\rhh:mm:ss"_s << u"05.03.24\r09:07:03"_s;
        QTest::newRow("minutes as n") << u"h:nn"_s << u"9:07"_s;
        QTest::newRow("month after day") << u"d.m.yyyy"_s << u"5.3.2024"_s;
        QTest::newRow("quoted text") << u"'Tag' d"_s << u"Tag 5"_s;
        QTest::newRow("milliseconds") << u"ss.zzz"_s << u"03.250"_s;
    }
    void dateTimeFormat()
    {
        QFETCH(QString, format);
        QFETCH(QString, text);
        const QDateTime moment(QDate(2024, 3, 5), QTime(9, 7, 3, 250));
        QCOMPARE(ChartTicks::FormatDateTime(DateTimeToDays(moment), format), text);
        QCOMPARE(DaysToDateTime(DateTimeToDays(moment)), moment);
    }

    void backgroundPictureCentredInPlot_data()
    {
        QTest::addColumn<int>("factor");
        QTest::newRow("screen size") << 1;
        QTest::newRow("four times") << 4;
    }
    void backgroundPictureCentredInPlot()
    {
        QFETCH(int, factor);
        TChart chart;
        chart.resize(300, 200);
        chart.SetMargins(8, 1, 8, 8);
        chart.SetTitleVisible(false);
        chart.SetBackgroundColor(QColor(255, 255, 225));
        QImage picture(200, 50, QImage::Format_ARGB32);
        picture.fill(QColor(0, 0, 255));
        chart.SetBackImage(picture);
        const QSize size(300 * factor, 200 * factor);
        const QImage img = chart.ToImage(size);
        const TChartLayout L = chart.Layout(QRectF(QPointF(), QSizeF(size)));
        QCOMPARE(L.imageRect.center(), L.plot.center());
        QCOMPARE(L.imageRect.size(), QSizeF(200 * factor, 50 * factor));
        // The blue block covers exactly the picture's rectangle.
        QRect blue;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == qRgb(0, 0, 255))
                    blue |= QRect(x, y, 1, 1);
        QVERIFY(std::abs(blue.left() - L.imageRect.left()) <= 1);
        QVERIFY(std::abs(blue.right() + 1 - L.imageRect.right()) <= 1);
        QVERIFY(std::abs(blue.top() - L.imageRect.top()) <= 1);
        QVERIFY(std::abs(blue.bottom() + 1 - L.imageRect.bottom()) <= 1);
        QCOMPARE(img.pixel(2, 2), qRgb(255, 255, 225));
    }

    // A bitmap four times the size is the screen picture scaled: the same layout times four, and
    // shrunk back it matches the screen picture but for the smoothing of edges and letters.
    void largeBitmapIsScreenPictureScaled()
    {
        TChartFixture f;
        f.chart.SetTitle(u"Gas, Belastungsprüfung"_s);
        f.chart.SetLeftAxisTitle(u"mbar"_s);
        f.chart.SetGradient(true);
        for (int i = 0; i < 30; ++i)
            f.series->AddXY(T0.addSecs(i * 10), 100 + 30 * std::sin(i / 5.0));
        const QImage screen = f.chart.ToImage({300, 200});
        const QImage big = f.chart.ToImage({1200, 800});
        QCOMPARE(big.size(), QSize(1200, 800));

        const TChartLayout l1 = f.chart.Layout(QRectF(0, 0, 300, 200));
        const TChartLayout l4 = f.chart.Layout(QRectF(0, 0, 1200, 800));
        QCOMPARE(l4.plot, QRectF(l1.plot.topLeft() * 4, l1.plot.size() * 4));
        QCOMPARE(l4.bottomTicks.size(), l1.bottomTicks.size());
        QCOMPARE(l4.leftTicks.size(), l1.leftTicks.size());
        for (qsizetype i = 0; i < l1.bottomTicks.size(); ++i)
            QCOMPARE(l4.bottomTicks[i].label, l1.bottomTicks[i].label);

        const QImage shrunk = big.scaled(300, 200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                  .convertToFormat(screen.format());
        QCOMPARE(Unmatched(screen, shrunk), 0.0);
        QCOMPARE(Unmatched(shrunk, screen), 0.0);
        for (const QPoint p : {QPoint(1, 1), QPoint(298, 198), QPoint(150, 100)})
            QVERIFY(std::abs(qGray(screen.pixel(p)) - qGray(shrunk.pixel(p))) <= 4);

        // The measure sees another curve.
        f.series->Clear();
        for (int i = 0; i < 30; ++i)
            f.series->AddXY(T0.addSecs(i * 10), 100 - 30 * std::sin(i / 5.0));
        QVERIFY(Unmatched(f.chart.ToImage({300, 200}), shrunk) > 0.05);
    }

    void widgetShowsTheSamePicture()
    {
        TChartFixture f;
        f.chart.SetTitle(u"Verlauf"_s);
        for (int i = 0; i < 10; ++i)
            f.series->AddXY(T0.addSecs(i), i * i);
        const QImage shown = f.chart.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(shown, f.chart.ToImage({300, 200}));
    }

    // A dense series reduced to the extremes of each pixel column draws exactly the same pixels.
    void reductionKeepsThePicture_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("factor");
        QTest::newRow("20000 points") << 20000 << 1;
        QTest::newRow("20000 points, four times") << 20000 << 4;
        QTest::newRow("just over one a column") << 700 << 1;
        QTest::newRow("spikes") << 5000 << 2;
        QTest::newRow("moments going back") << 9000 << 1;
    }
    void reductionKeepsThePicture()
    {
        QFETCH(int, points);
        QFETCH(int, factor);
        TChartFixture f({400, 250});
        QRandomGenerator random(42);
        double v = 0;
        for (int i = 0; i < points; ++i) {
            v += random.bounded(2.0) - 1;
            const double value = (points == 5000 && i % 97 == 0) ? v + 40 : v;
            const int second = (points == 9000 && i % 10 == 0) ? i - 25 : i;
            f.series->AddXY(DateTimeToDays(T0) + second / 86400.0, value);
        }
        const QSize size(400 * factor, 250 * factor);
        f.chart.SetPointReduction(true);
        const QImage reduced = f.chart.ToImage(size);
        f.chart.SetPointReduction(false);
        const QImage full = f.chart.ToImage(size);
        int red = 0, differing = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                red += IsRedish(full.pixel(x, y));
                differing += full.pixel(x, y) != reduced.pixel(x, y);
            }
        QVERIFY(red > 1000);
        QCOMPARE(differing, 0);
    }

    void emptiedAndRefilled()
    {
        TChartFixture f;
        f.chart.SetLeftAxisRange(0, 10);
        f.series->AddXY(T0, 9);
        f.series->AddXY(T0.addSecs(10), 9);
        QImage img = f.chart.ToImage({300, 200});
        TChartLayout L = f.chart.Layout(QRectF(0, 0, 300, 200));
        QVERIFY(RedNear(img, L.plot.center().x(), MapY(L, 9), 1));
        f.series->Clear();
        QCOMPARE(f.series->Count(), 0);
        f.series->AddXY(T0, 1);
        f.series->AddXY(T0.addSecs(10), 1);
        img = f.chart.ToImage({300, 200});
        L = f.chart.Layout(QRectF(0, 0, 300, 200));
        QVERIFY(!RedNear(img, L.plot.center().x(), MapY(L, 9), 2));
        QVERIFY(RedNear(img, L.plot.center().x(), MapY(L, 1), 1));
        f.chart.RemoveAllSeries();
        QVERIFY(f.chart.Series().isEmpty());
        img = f.chart.ToImage({300, 200});
        QVERIFY(!RedNear(img, L.plot.center().x(), MapY(L, 1), 2));
    }

    void titleShownOrHidden()
    {
        TChartFixture f;
        f.chart.SetTitle(u"Abwasser"_s);
        const TChartLayout shown = f.chart.Layout(QRectF(0, 0, 300, 200));
        QVERIFY(!shown.titleRect.isEmpty());
        QVERIFY(shown.plot.top() >= shown.titleRect.bottom());
        auto darkIn = [](const QImage& img, const QRectF& r) {
            for (int y = int(r.top()); y < int(r.bottom()); ++y)
                for (int x = int(r.left()); x < int(r.right()); ++x)
                    if (qGray(img.pixel(x, y)) < 100)
                        return true;
            return false;
        };
        QVERIFY(darkIn(f.chart.ToImage({300, 200}), shown.titleRect));
        f.chart.SetTitleVisible(false);
        const TChartLayout hidden = f.chart.Layout(QRectF(0, 0, 300, 200));
        QVERIFY(hidden.titleRect.isNull());
        QVERIFY(hidden.plot.top() < shown.plot.top());
        QVERIFY(!darkIn(f.chart.ToImage({300, 200}),
                        QRectF(hidden.plot.left() + 2, 0, 200, hidden.plot.top() - 1)));
    }

    void gradientOrPlainBackground()
    {
        TChartFixture f;
        f.chart.SetBackgroundColor(QColor(10, 200, 30));
        f.chart.SetGradient(true);
        QImage img = f.chart.ToImage({300, 200});
        QCOMPARE(img.pixel(0, 0), qRgb(255, 255, 255));
        QVERIFY(std::abs(qGray(img.pixel(299, 199)) - 192) <= 2);
        QVERIFY(qGray(img.pixel(150, 2)) < 255 && qGray(img.pixel(150, 2)) > 192);
        f.chart.SetGradient(false);
        img = f.chart.ToImage({300, 200});
        QCOMPARE(img.pixel(0, 0), qRgb(10, 200, 30));
        QCOMPARE(img.pixel(299, 199), qRgb(10, 200, 30));
    }

    void clickAndHint()
    {
        TChartFixture f;
        QSignalSpy clicked(&f.chart, &TChart::Clicked);
        f.chart.show();
        QTest::mouseClick(&f.chart, Qt::LeftButton, {}, QPoint(150, 100));
        QCOMPARE(clicked.count(), 1);
        QTest::mouseClick(&f.chart, Qt::RightButton, {}, QPoint(150, 100));
        QCOMPARE(clicked.count(), 1);
        f.chart.SetHint(u"Klicken um aktuelle Messung zu übernehmen"_s);
        QCOMPARE(f.chart.toolTip(), u"Klicken um aktuelle Messung zu übernehmen"_s);
        f.chart.SetHintsEnabled(false);
        QVERIFY(f.chart.toolTip().isEmpty());
    }
};

TQ5_TEST(TChartTest)
#include "tst_Chart.moc"
