#pragma once

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QPainter;

// Date-times on the chart's time axis are wall-clock moments counted in days from
// 30.12.1899 00:00 (the fraction is the time of day), without any time zone.
double DateTimeToDays(const QDateTime& moment);
QDateTime DaysToDateTime(double days);

// A line drawn point to point through (moment, value) pairs in the order they were added.
class TLineSeries
{
public:
    explicit TLineSeries(QColor color = Qt::black) : m_color(color) {}

    void Clear();
    void AddXY(const QDateTime& moment, double value) { AddXY(DateTimeToDays(moment), value); }
    // x in days as DateTimeToDays gives it. Values that are not finite are not added.
    void AddXY(double days, double value);
    void Reserve(qsizetype count);

    qsizetype Count() const { return qsizetype(m_x.size()); }
    double X(qsizetype i) const { return m_x[size_t(i)]; }
    double Y(qsizetype i) const { return m_y[size_t(i)]; }
    const std::vector<double>& Xs() const { return m_x; }
    const std::vector<double>& Ys() const { return m_y; }
    // Smallest and largest value; false when the series is empty.
    bool MinMaxY(double* min, double* max) const;
    bool MinMaxX(double* min, double* max) const;
    // True when the moments never go back, as readings do.
    bool SortedX() const { return m_sortedX; }

    QColor Color() const { return m_color; }
    void SetColor(QColor color) { m_color = color; }

private:
    QColor m_color;
    std::vector<double> m_x, m_y;
    // Kept up to date as points are added, so a repaint need not look at every point for them.
    double m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
    bool m_sortedX = true; // every x at least the one before
};

// Where the parts of a chart land when it is drawn into a given rectangle; all in the
// coordinates of that rectangle's device.
struct TChartLayout
{
    struct TTick
    {
        double value;  // axis value (days on the time axis)
        double pos;    // device x (time axis) or y (value axis)
        QString label; // may hold a line break
        QRectF labelRect;
    };
    QRectF plot;      // the plot area; series are clipped to it
    QRectF titleRect; // empty when the title is hidden
    QRectF imageRect; // the background picture, centred in the plot area; empty when none
    double leftMin = 0, leftMax = 1;
    double bottomMin = 0, bottomMax = 1;
    bool hasLeftRange = false, hasBottomRange = false;
    QList<TTick> leftTicks, bottomTicks;
    double scale = 1; // device pixels per chart pixel
};

// Line chart of readings over time: a title, a value axis on the left, a time axis at the bottom
// and any number of line series. Two-dimensional, no bevel, no legend, no zoom.
//
// The chart draws itself with Draw onto any painter (screen, bitmap, clipboard picture): the
// picture is laid out at the widget's size and scaled to fill the target rectangle, so ToImage
// at four times the size gives the screen picture at four times the resolution.
//
// Dense series (more points than pixel columns) are drawn reduced to the first, smallest,
// largest and last point of each pixel column, which leaves the picture as it is.
class TChart : public QWidget
{
    Q_OBJECT
public:
    explicit TChart(QWidget* parent = nullptr);
    ~TChart() override;

    // Series belong to the chart.
    TLineSeries* AddSeries(QColor color = Qt::black);
    void RemoveSeries(TLineSeries* series);
    void RemoveAllSeries();
    QList<TLineSeries*> Series() const;
    // Call after changing a series' points so the widget repaints.
    void SeriesChanged() { update(); }

    void SetTitle(const QString& title);
    QString Title() const { return m_title; }
    void SetTitleVisible(bool visible);
    bool TitleVisible() const { return m_titleVisible; }

    // The value axis: fixed to two bounds (exchanged when given the wrong way round) or
    // automatic (from the smallest to the largest value of all series).
    void SetLeftAxisRange(double min, double max);
    void SetLeftAxisAutomatic();
    bool LeftAxisAutomatic() const { return m_leftAutomatic; }
    double LeftAxisMinimum() const { return m_leftMin; }
    double LeftAxisMaximum() const { return m_leftMax; }
    void SetLeftAxisTitle(const QString& title);
    QString LeftAxisTitle() const { return m_leftTitle; }

    // The time axis always spans the points of all series. Its labels use the program's
    // date-time pattern: d dd m mm yy yyyy h hh n nn s ss zzz, where m and mm right after an
    // hour mean minutes; text in quotes as it stands; a CR or LF starts a second line.
    void SetBottomAxisFormat(const QString& format);
    QString BottomAxisFormat() const { return m_bottomFormat; }

    // Space between the chart's edge and its axes, in per cent of the chart's width (left,
    // right) and height (top, bottom).
    void SetMargins(int left, int top, int right, int bottom);
    QMargins Margins() const { return m_margins; }

    void SetBackgroundColor(QColor color);
    QColor BackgroundColor() const { return m_background; }
    // White to silver from the top-left corner, drawn over the background colour.
    void SetGradient(bool on);
    bool Gradient() const { return m_gradient; }
    // A picture shown centred in the plot area, under the series, at its own size.
    void SetBackImage(const QImage& image);
    QImage BackImage() const { return m_backImage; }

    // Tooltip text shown over the chart while hints are on.
    void SetHint(const QString& hint);
    QString Hint() const { return m_hint; }
    void SetHintsEnabled(bool on);

    // Point reduction is on unless switched off (a picture without it is the same, only slower).
    void SetPointReduction(bool on) { m_reduce = on; }

    // Draws the whole chart into target on painter's device (the painter's transform applies).
    void Draw(QPainter* painter, const QRectF& target) const;
    // The chart drawn into a new picture of the given size on the given background.
    QImage ToImage(QSize size, QColor background = Qt::white) const;
    TChartLayout Layout(const QRectF& target) const;
    TChartLayout Layout(const QRectF& target, const QTransform& deviceTransform) const;

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<std::unique_ptr<TLineSeries>> m_series;
    QString m_title;
    bool m_titleVisible = true;
    bool m_leftAutomatic = true;
    double m_leftMin = 0, m_leftMax = 0;
    QString m_leftTitle;
    QString m_bottomFormat;
    QMargins m_margins{3, 4, 3, 4};
    QColor m_background;
    bool m_gradient = false;
    QImage m_backImage;
    QString m_hint;
    bool m_hintsEnabled = true;
    bool m_reduce = true;
    bool m_pressed = false;
};
