// Repaint time of a chart with a million-point series at 800 x 400, with and without the
// reduction of dense series to the extremes of each pixel column, and the four-times bitmap
// that goes into a PDF.
#include "TChart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double MedianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    constexpr int Points = 1000000;
    TChart chart;
    chart.resize(800, 400);
    chart.SetMargins(8, 1, 8, 8);
    chart.SetTitle(QStringLiteral("Gas, Belastungsprüfung"));
    chart.SetLeftAxisTitle(QStringLiteral("mbar"));
    chart.SetGradient(true);
    TLineSeries* series = chart.AddSeries(Qt::black);
    series->Reserve(Points);
    QRandomGenerator random(1);
    const double start = DateTimeToDays(QDateTime(QDate(2024, 3, 1), QTime(8, 0)));
    double v = 1000;
    for (int i = 0; i < Points; ++i) {
        v += random.bounded(2.0) - 1;
        series->AddXY(start + i / 86400.0, v);
    }

    QImage screen(800, 400, QImage::Format_ARGB32_Premultiplied);
    auto paint = [&] {
        QPainter p(&screen);
        chart.Draw(&p, QRectF(0, 0, 800, 400));
    };
    paint(); // warm-up: fonts, caches

    chart.SetPointReduction(true);
    const double reduced = MedianMs(21, paint);
    chart.SetPointReduction(false);
    const double full = MedianMs(3, paint);
    chart.SetPointReduction(true);

    const double bitmap4 = MedianMs(5, [&] { chart.ToImage(QSize(3200, 1600)); });

    // The empty chart: what the axes, labels and background cost alone.
    TChart empty;
    empty.resize(800, 400);
    empty.SetMargins(8, 1, 8, 8);
    empty.SetGradient(true);
    empty.SetLeftAxisRange(0, 2000);
    const double frame = MedianMs(21, [&] {
        QPainter p(&screen);
        empty.Draw(&p, QRectF(0, 0, 800, 400));
    });

    std::printf("points: %d\n", Points);
    std::printf("repaint_1m_800x400: %.2f ms\n", reduced);
    std::printf("repaint_1m_800x400_unreduced: %.2f ms\n", full);
    std::printf("repaint_empty_800x400: %.2f ms\n", frame);
    std::printf("bitmap_1m_3200x1600: %.2f ms\n", bitmap4);
    std::printf("ratio_unreduced_to_reduced: %.1f\n", full / reduced);
    return 0;
}
