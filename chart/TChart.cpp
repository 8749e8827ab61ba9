#include "TChart.h"

#include "ChartTicks.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QDate DayZero(1899, 12, 30);
const QColor Silver(192, 192, 192);
constexpr double TickLength = 4;
constexpr double LabelGap = 3;
// Least free space between neighbouring time labels, in chart pixels.
constexpr double LabelSpacing = 8;

QFont LabelFont()
{
    QFont font(u"Arial"_s);
    font.setPixelSize(11);
    return font;
}

QFont TitleFont()
{
    QFont font(u"Arial"_s);
    font.setPixelSize(12);
    font.setBold(true);
    return font;
}

QStringList Lines(const QString& text)
{
    QString t = text;
    t.replace(u"\r\n"_s, u"\n"_s);
    t.replace(u'\r', u'\n');
    return t.split(u'\n');
}

QSizeF TextSize(const QFontMetricsF& fm, const QString& text)
{
    const QStringList lines = Lines(text);
    double w = 0;
    for (const QString& line : lines)
        w = std::max(w, fm.horizontalAdvance(line));
    return {w, fm.height() * lines.size()};
}

void DrawLines(QPainter* p, const QRectF& rect, const QString& text, Qt::Alignment horizontal)
{
    const QStringList lines = Lines(text);
    const double lh = rect.height() / std::max<qsizetype>(1, lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        p->drawText(QRectF(rect.left(), rect.top() + i * lh, rect.width(), lh), horizontal | Qt::AlignVCenter,
                    lines[i]);
}

} // namespace

double DateTimeToDays(const QDateTime& moment)
{
    return double(DayZero.daysTo(moment.date())) + moment.time().msecsSinceStartOfDay() / 86400000.0;
}

QDateTime DaysToDateTime(double days)
{
    double whole = std::floor(days);
    qint64 msecs = std::llround((days - whole) * 86400000.0);
    if (msecs >= 86400000) {
        whole += 1;
        msecs -= 86400000;
    }
    return QDateTime(DayZero.addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

// ---- series

void TLineSeries::Clear()
{
    m_x.clear();
    m_y.clear();
    m_sortedX = true;
}

void TLineSeries::AddXY(double days, double value)
{
    if (!std::isfinite(days) || !std::isfinite(value))
        return;
    if (m_x.empty()) {
        m_minX = m_maxX = days;
        m_minY = m_maxY = value;
    } else {
        m_sortedX = m_sortedX && days >= m_x.back();
        m_minX = std::min(m_minX, days);
        m_maxX = std::max(m_maxX, days);
        m_minY = std::min(m_minY, value);
        m_maxY = std::max(m_maxY, value);
    }
    m_x.push_back(days);
    m_y.push_back(value);
}

void TLineSeries::Reserve(qsizetype count)
{
    m_x.reserve(size_t(count));
    m_y.reserve(size_t(count));
}

bool TLineSeries::MinMaxY(double* min, double* max) const
{
    if (m_y.empty())
        return false;
    *min = m_minY;
    *max = m_maxY;
    return true;
}

bool TLineSeries::MinMaxX(double* min, double* max) const
{
    if (m_x.empty())
        return false;
    *min = m_minX;
    *max = m_maxX;
    return true;
}

// ---- chart

TChart::TChart(QWidget* parent) : QWidget(parent)
{
    m_bottomFormat = u"dd.mm.yy\rhh:mm:ss"_s;
    m_background = palette().color(QPalette::Window);
}

TChart::~TChart() = default;

TLineSeries* TChart::AddSeries(QColor color)
{
    m_series.push_back(std::make_unique<TLineSeries>(color));
    update();
    return m_series.back().get();
}

void TChart::RemoveSeries(TLineSeries* series)
{
    std::erase_if(m_series, [&](const std::unique_ptr<TLineSeries>& s) { return s.get() == series; });
    update();
}

void TChart::RemoveAllSeries()
{
    m_series.clear();
    update();
}

QList<TLineSeries*> TChart::Series() const
{
    QList<TLineSeries*> out;
    for (const auto& s : m_series)
        out.append(s.get());
    return out;
}

void TChart::SetTitle(const QString& title)
{
    m_title = title;
    update();
}

void TChart::SetTitleVisible(bool visible)
{
    m_titleVisible = visible;
    update();
}

void TChart::SetLeftAxisRange(double min, double max)
{
    if (min > max)
        std::swap(min, max);
    m_leftMin = min;
    m_leftMax = max;
    m_leftAutomatic = false;
    update();
}

void TChart::SetLeftAxisAutomatic()
{
    m_leftAutomatic = true;
    update();
}

void TChart::SetLeftAxisTitle(const QString& title)
{
    m_leftTitle = title;
    update();
}

void TChart::SetBottomAxisFormat(const QString& format)
{
    m_bottomFormat = format;
    update();
}

void TChart::SetMargins(int left, int top, int right, int bottom)
{
    m_margins = QMargins(left, top, right, bottom);
    update();
}

void TChart::SetBackgroundColor(QColor color)
{
    m_background = color;
    update();
}

void TChart::SetGradient(bool on)
{
    m_gradient = on;
    update();
}

void TChart::SetBackImage(const QImage& image)
{
    m_backImage = image;
    update();
}

void TChart::SetHint(const QString& hint)
{
    m_hint = hint;
    setToolTip(m_hintsEnabled ? m_hint : QString());
}

void TChart::SetHintsEnabled(bool on)
{
    m_hintsEnabled = on;
    setToolTip(m_hintsEnabled ? m_hint : QString());
}

TChartLayout TChart::Layout(const QRectF& target) const
{
    const double w = std::max(1, width()), h = std::max(1, height());
    QTransform t;
    t.translate(target.x(), target.y());
    t.scale(target.width() / w, target.height() / h);
    return Layout(target, t);
}

// Lays the chart out at the widget's size, then maps the result with deviceTransform.
TChartLayout TChart::Layout(const QRectF&, const QTransform& deviceTransform) const
{
    TChartLayout L;
    const double w = std::max(1, width()), h = std::max(1, height());
    const QFontMetricsF fm(LabelFont());
    const double lh = fm.height();

    QRectF outer(0, 0, w, h);
    outer.adjust(w * m_margins.left() / 100.0, h * m_margins.top() / 100.0, -w * m_margins.right() / 100.0,
                 -h * m_margins.bottom() / 100.0);

    double top = outer.top();
    if (m_titleVisible && !m_title.isEmpty()) {
        const double th = QFontMetricsF(TitleFont()).height() + 4;
        L.titleRect = QRectF(outer.left(), top, outer.width(), th);
        top += th;
    }
    top += lh / 2; // room for the top value label

    const int bottomLines = int(Lines(m_bottomFormat).size());
    const double bottomTop = lh / 2 + LabelGap; // below the lowest value label
    const double plotBottom = std::max(top + 1, outer.bottom() - bottomTop - bottomLines * lh - 2);

    // Value axis range.
    bool haveY = false;
    double ymin = 0, ymax = 0;
    for (const auto& s : m_series) {
        double lo, hi;
        if (s->MinMaxY(&lo, &hi)) {
            ymin = haveY ? std::min(ymin, lo) : lo;
            ymax = haveY ? std::max(ymax, hi) : hi;
            haveY = true;
        }
    }
    if (!m_leftAutomatic) {
        L.leftMin = m_leftMin;
        L.leftMax = m_leftMax;
        L.hasLeftRange = true;
    } else if (haveY) {
        L.leftMin = ymin;
        L.leftMax = ymax;
        L.hasLeftRange = true;
    }
    if (L.hasLeftRange && !(L.leftMax > L.leftMin)) {
        const double pad = L.leftMin == 0 ? 1 : std::abs(L.leftMin) / 10;
        L.leftMin -= pad;
        L.leftMax += pad;
    }

    const double plotH = plotBottom - top;
    double leftLabelW = 0;
    QList<double> yTicks;
    double yStep = 1;
    if (L.hasLeftRange) {
        const double range = L.leftMax - L.leftMin;
        yStep = ChartTicks::NiceStep(range * lh * 1.5 / plotH);
        yTicks = ChartTicks::Multiples(L.leftMin, L.leftMax, yStep);
        for (double v : yTicks)
            leftLabelW = std::max(leftLabelW, fm.horizontalAdvance(ChartTicks::FormatValue(v, yStep)));
        leftLabelW += TickLength + LabelGap;
    }
    const double leftTitleW = m_leftTitle.isEmpty() ? 0 : lh + 4;
    const double plotLeft = std::min(outer.left() + leftTitleW + leftLabelW, outer.right() - 1);
    const QRectF plot(QPointF(plotLeft, top), QPointF(std::max(plotLeft + 1, outer.right()), plotBottom));

    for (double v : yTicks) {
        TChartLayout::TTick tick;
        tick.value = v;
        tick.pos = plot.bottom() - (v - L.leftMin) / (L.leftMax - L.leftMin) * plot.height();
        tick.label = ChartTicks::FormatValue(v, yStep);
        const double lw = fm.horizontalAdvance(tick.label);
        tick.labelRect = QRectF(plot.left() - TickLength - LabelGap - lw, tick.pos - lh / 2, lw, lh);
        L.leftTicks.append(tick);
    }

    // Time axis: spans the points.
    bool haveX = false;
    double xmin = 0, xmax = 0;
    for (const auto& s : m_series) {
        double lo, hi;
        if (s->MinMaxX(&lo, &hi)) {
            xmin = haveX ? std::min(xmin, lo) : lo;
            xmax = haveX ? std::max(xmax, hi) : hi;
            haveX = true;
        }
    }
    if (haveX) {
        if (!(xmax > xmin)) {
            xmin -= 1 / 86400.0;
            xmax += 1 / 86400.0;
        }
        L.bottomMin = xmin;
        L.bottomMax = xmax;
        L.hasBottomRange = true;
        const double seconds = (xmax - xmin) * 86400;
        const double labelTop = plot.bottom() + bottomTop;
        double step = ChartTicks::NiceTimeStep(seconds * 10 / plot.width());
        for (int attempt = 0; attempt < 64; ++attempt) {
            const QList<double> ticks = ChartTicks::Multiples(xmin * 86400, xmax * 86400, step);
            double widest = 0;
            QList<TChartLayout::TTick> made;
            for (double sec : ticks) {
                TChartLayout::TTick tick;
                tick.value = sec / 86400;
                tick.pos = plot.left() + (tick.value - xmin) / (xmax - xmin) * plot.width();
                tick.label = ChartTicks::FormatDateTime(tick.value, m_bottomFormat);
                const QSizeF size = TextSize(fm, tick.label);
                widest = std::max(widest, size.width());
                tick.labelRect = QRectF(tick.pos - size.width() / 2, labelTop, size.width(), size.height());
                made.append(tick);
            }
            const double spacing = step / seconds * plot.width();
            if (spacing >= widest + LabelSpacing || ticks.size() <= 1) {
                // Labels that would stick out of the chart are left off.
                for (const auto& tick : made)
                    if (tick.labelRect.left() >= 0 && tick.labelRect.right() <= w)
                        L.bottomTicks.append(tick);
                break;
            }
            step = ChartTicks::NextTimeStep(step);
        }
    }

    if (!m_backImage.isNull()) {
        const QSizeF size = m_backImage.size();
        L.imageRect = QRectF(plot.center() - QPointF(size.width() / 2, size.height() / 2), size);
    }

    // Into device coordinates.
    const QTransform& t = deviceTransform;
    L.scale = std::sqrt(std::abs(t.determinant()));
    L.plot = t.mapRect(plot);
    L.titleRect = L.titleRect.isNull() ? QRectF() : t.mapRect(L.titleRect);
    L.imageRect = L.imageRect.isNull() ? QRectF() : t.mapRect(L.imageRect);
    for (auto& tick : L.leftTicks) {
        tick.pos = t.map(QPointF(0, tick.pos)).y();
        tick.labelRect = t.mapRect(tick.labelRect);
    }
    for (auto& tick : L.bottomTicks) {
        tick.pos = t.map(QPointF(tick.pos, 0)).x();
        tick.labelRect = t.mapRect(tick.labelRect);
    }
    return L;
}

void TChart::Draw(QPainter* p, const QRectF& target) const
{
    const double w = std::max(1, width()), h = std::max(1, height());
    p->save();
    p->translate(target.x(), target.y());
    p->scale(target.width() / w, target.height() / h);
    const QTransform device = p->worldTransform();
    const QTransform logical = device.inverted();
    const TChartLayout L = Layout(target, device);
    const QRectF plot = logical.mapRect(L.plot);

    // Panel.
    const QRectF all(0, 0, w, h);
    if (m_background.isValid())
        p->fillRect(all, m_background);
    if (m_gradient) {
        QLinearGradient g(all.topLeft(), all.bottomRight());
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, Silver);
        p->fillRect(all, g);
    }
    if (!m_backImage.isNull())
        p->drawImage(logical.mapRect(L.imageRect), m_backImage);

    p->setRenderHint(QPainter::Antialiasing, false);
    p->setRenderHint(QPainter::TextAntialiasing, true);
    p->setFont(LabelFont());

    // Grid, ticks and labels.
    QPen grid(QColor(160, 160, 160), 0, Qt::DotLine);
    grid.setCosmetic(true);
    const QPen axis(Qt::black, 1);
    for (const auto& tick : L.leftTicks) {
        const double y = logical.map(QPointF(0, tick.pos)).y();
        p->setPen(grid);
        p->drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p->setPen(axis);
        p->drawLine(QPointF(plot.left() - TickLength, y), QPointF(plot.left(), y));
        DrawLines(p, logical.mapRect(tick.labelRect), tick.label, Qt::AlignRight);
    }
    for (const auto& tick : L.bottomTicks) {
        const double x = logical.map(QPointF(tick.pos, 0)).x();
        p->setPen(grid);
        p->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p->setPen(axis);
        p->drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + TickLength));
        DrawLines(p, logical.mapRect(tick.labelRect), tick.label, Qt::AlignHCenter);
    }
    p->setPen(axis);
    p->setBrush(Qt::NoBrush);
    p->drawRect(plot);

    if (!m_leftTitle.isEmpty()) {
        const QFontMetricsF fm(LabelFont());
        const double outerLeft = w * m_margins.left() / 100.0;
        p->save();
        p->translate(outerLeft + fm.ascent(), plot.center().y());
        p->rotate(-90);
        p->drawText(QRectF(-plot.height(), -fm.ascent(), 2 * plot.height(), fm.height()), Qt::AlignCenter,
                    m_leftTitle);
        p->restore();
    }
    if (!L.titleRect.isNull()) {
        p->setFont(TitleFont());
        p->drawText(logical.mapRect(L.titleRect), Qt::AlignCenter, m_title);
    }

    // Series, in device pixels so that dense series can be reduced per pixel column.
    p->setWorldTransform(QTransform());
    p->setClipRect(L.plot);
    if (L.hasBottomRange && L.hasLeftRange) {
        const double ax = L.plot.width() / (L.bottomMax - L.bottomMin);
        const double bx = L.plot.left() - L.bottomMin * ax;
        const double ay = -L.plot.height() / (L.leftMax - L.leftMin);
        const double by = L.plot.bottom() - L.leftMin * ay;
        // Far-away points are pulled in so the rasteriser never sees huge coordinates.
        const double far = 16 * std::max(L.plot.width(), L.plot.height()) + 1000;
        const double yLo = L.plot.top() - far, yHi = L.plot.bottom() + far;
        const double columns = std::max(1.0, L.plot.width());
        for (const auto& s : m_series) {
            const qsizetype n = s->Count();
            if (n == 0)
                continue;
            QPen pen(s->Color(), std::max(1.0, L.scale));
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            p->setPen(pen);
            const double* xs = s->Xs().data();
            const double* ys = s->Ys().data();
            auto py = [&](qsizetype i) { return std::clamp(ay * ys[i] + by, yLo, yHi); };
            QList<QPointF> points;
            const bool dense = double(n) > columns;
            if (!dense) {
                // Sparse: every point where it maps, smoothed.
                p->setRenderHint(QPainter::Antialiasing, true);
                points.reserve(n);
                for (qsizetype i = 0; i < n; ++i)
                    points.append(QPointF(ax * xs[i] + bx, py(i)));
            } else {
                // Dense: each point in the middle of its pixel column, drawn crisp. Within a column
                // the line only runs up and down, so its first, lowest, highest and last point
                // cover exactly the pixels all of its points cover.
                p->setRenderHint(QPainter::Antialiasing, false);
                // A pen of one pixel would take the rasteriser's thin-line path, whose segment
                // end rules differ from segment to segment; the outline path fills the union of
                // the segments, the same for all points as for the reduced ones.
                pen.setWidthF(std::max(1.001, L.scale));
                // Square ends: a column's segments then cover exactly the bar from its lowest to its
                // highest point, however many points lie between, and need no curves.
                pen.setCapStyle(Qt::SquareCap);
                pen.setJoinStyle(Qt::MiterJoin);
                p->setPen(pen);
                auto column = [&](qsizetype i) { return std::floor(ax * xs[i] + bx); };
                if (!m_reduce) {
                    points.reserve(n);
                    for (qsizetype i = 0; i < n; ++i)
                        points.append(QPointF(column(i) + 0.5, py(i)));
                } else {
                    points.reserve(qsizetype(columns) * 4 + 8);
                    qsizetype i = 0;
                    const bool sorted = s->SortedX();
                    while (i < n) {
                        const double col = column(i);
                        const qsizetype first = i;
                        // The column's points: found by halving when the moments only go forward.
                        qsizetype end = i + 1;
                        if (sorted)
                            end = std::partition_point(
                                      xs + i + 1, xs + n,
                                      [&](const double& x) { return std::floor(ax * x + bx) == col; }) -
                                  xs;
                        else
                            while (end < n && column(end) == col)
                                ++end;
                        qsizetype lo = i, hi = i;
                        double ylo = ys[i], yhi = ys[i];
                        for (++i; i < end; ++i) {
                            if (ys[i] < ylo) {
                                ylo = ys[i];
                                lo = i;
                            }
                            if (ys[i] > yhi) {
                                yhi = ys[i];
                                hi = i;
                            }
                        }
                        const qsizetype last = end - 1;
                        qsizetype picks[4] = {first, std::min(lo, hi), std::max(lo, hi), last};
                        qsizetype previous = -1;
                        for (qsizetype k : picks) {
                            if (k == previous)
                                continue;
                            points.append(QPointF(col + 0.5, py(k)));
                            previous = k;
                        }
                    }
                }
            }
            if (points.size() == 1) {
                p->drawPoint(points.front());
            } else if (!dense) {
                p->drawPolyline(points.constData(), int(points.size()));
            } else {
                // Segment by segment: the union of round-capped segments is the stroked line, and
                // stroking one long path that runs up and down over itself is many times slower.
                for (qsizetype i = 1; i < points.size(); ++i)
                    p->drawLine(points[i - 1], points[i]);
            }
        }
    }
    p->restore();
}

QImage TChart::ToImage(QSize size, QColor background) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter p(&image);
    Draw(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
    return image;
}

void TChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Draw(&p, QRectF(rect()));
}

void TChart::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void TChart::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit Clicked();
}
