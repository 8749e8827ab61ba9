#pragma once

#include <QColor>
#include <QDate>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTabWidget>
#include <QWidget>

#include <vector>

class TChart;
class TLineSeries;
class TReadingsGrid;
class TTable;

// Curve window: the readings of one test as a pressure curve over time and as a table of date,
// time and value, exported as a worksheet or a ";"-separated text file. Modeless; the browser
// fills it anew with every request.
class TMeasurementDataFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TMeasurementDataFrm(QWidget* parent = nullptr);
    ~TMeasurementDataFrm() override;

    QTabWidget* PageControl;
    QWidget* GraphTabSheet;
    TChart* Chart;
    QWidget* DataTabSheet;
    QLabel* Label1;
    QTableView* DataStringGrid;
    QPushButton* ExportBitBtn;
    QMenu* PopupMenu1;
    QAction* CopyToClipboard1;
    QAction* Color1;
    QAction* SW1;

    // The table behind DataStringGrid, header row included.
    TReadingsGrid* Grid() const { return m_grid; }
    // The curve's series while the window is visible, else nullptr.
    TLineSeries* Series() const { return m_series; }
    // The filters of the export's save dialog, and the one chosen last (from 0).
    static const QString SaveFilter;
    int SaveFilterIndex() const { return m_saveFilterIndex; }

    // Shows the window if needed and fills curve and table with the current test of tests and
    // its rows in readings.
    void LoadReadings(TTable* readings, TTable* tests);
    // Fills the curve from the current test's readings.
    void FillCurve();
    // The table as text: every row from the header row on, cells joined by ";", CR LF.
    void ExportText(const QString& path) const;

public slots:
    void FormShow();
    void FormHide();
    void ChartZoom();
    void CopyToClipboard1Click();
    void Color1Click();
    void SW1Click();
    void ExportBitBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct TReadings
    {
        QDate startDate;
        int startMsecs = 0;
        qint64 interval = 0;
        std::vector<float> values; // NaN: no value
    };
    TReadings ReadReadings(bool withProgress);
    void FillCurve(const TReadings& readings);
    TTable* Tests() const;
    TTable* Readings() const;

    TReadingsGrid* m_grid;
    TLineSeries* m_series = nullptr;
    QColor m_chartColor;
    QPointer<TTable> m_readings, m_tests;
    // The value range the last curve fill set; automatic when not fixed.
    bool m_rangeFixed = false;
    double m_rangeMin = 0, m_rangeMax = 0;
    int m_saveFilterIndex = 0;
};
