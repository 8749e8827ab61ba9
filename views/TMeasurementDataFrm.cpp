#include "TMeasurementDataFrm.h"

#include "ErrorGuard.h"
#include "ImportRecords.h"
#include "MeasurementFile.h"
#include "TChart.h"
#include "TDatabase.h"
#include "TLangResFrm.h"
#include "TReadingsGrid.h"
#include "TTable.h"
#include "TWaitFrm.h"
#include "uXLSExport.h"
#include "Win1252.h"
#include "WindowRegistry.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHideEvent>
#include <QSaveFile>
#include <QShowEvent>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

const QString TMeasurementDataFrm::SaveFilter = u"Excel (*.xls);;CSV (*.txt)"_s;

namespace {

// Test types whose readings are rows of the readings table and are drawn here.
bool IsCurveType(int mtnr)
{
    return (mtnr >= 0 && mtnr <= 11) || mtnr == 13 || mtnr == 14;
}

constexpr int DrinkingWaterWetExtended = 8;

} // namespace

TMeasurementDataFrm::TMeasurementDataFrm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"MeasurementDataFrm"_s);
    setWindowTitle(u"Verlauf"_s);
    setMinimumSize(600, 400);
    resize(700, 500);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(u"PageControl"_s);

    GraphTabSheet = new QWidget(PageControl);
    GraphTabSheet->setObjectName(u"GraphTabSheet"_s);
    Chart = new TChart(GraphTabSheet);
    Chart->setObjectName(u"Chart"_s);
    Chart->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* graphLayout = new QVBoxLayout(GraphTabSheet);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    graphLayout->addWidget(Chart);
    PageControl->addTab(GraphTabSheet, u"YT-Verlauf"_s);

    DataTabSheet = new QWidget(PageControl);
    DataTabSheet->setObjectName(u"DataTabSheet"_s);
    Label1 = new QLabel(u"Messdaten : "_s, DataTabSheet);
    Label1->setObjectName(u"Label1"_s);
    DataStringGrid = new QTableView(DataTabSheet);
    DataStringGrid->setObjectName(u"DataStringGrid"_s);
    m_grid = new TReadingsGrid(this);
    DataStringGrid->setModel(m_grid);
    // No fixed column; the header row is the view's header, rows of 19 pixels.
    DataStringGrid->verticalHeader()->hide();
    DataStringGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DataStringGrid->verticalHeader()->setDefaultSectionSize(19);
    DataStringGrid->horizontalHeader()->setDefaultSectionSize(100);
    DataStringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataStringGrid->setWordWrap(false);
    ExportBitBtn = new QPushButton(u"    Datenexport ..."_s, DataTabSheet);
    ExportBitBtn->setObjectName(u"ExportBitBtn"_s);
    auto* dataLayout = new QVBoxLayout(DataTabSheet);
    dataLayout->addWidget(Label1);
    dataLayout->addWidget(DataStringGrid, 1);
    dataLayout->addWidget(ExportBitBtn, 0, Qt::AlignLeft);
    PageControl->addTab(DataTabSheet, u"Messdaten"_s);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(u"PopupMenu1"_s);
    CopyToClipboard1 = PopupMenu1->addAction(u"Bild in Zwischenablage kopieren"_s);
    CopyToClipboard1->setObjectName(u"CopyToClipboard1"_s);
    Color1 = PopupMenu1->addAction(u"Farbe"_s);
    Color1->setObjectName(u"Color1"_s);
    SW1 = PopupMenu1->addAction(u"SW"_s);
    SW1->setObjectName(u"SW1"_s);

    connect(Chart, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(Chart->mapToGlobal(pos)); });
    connect(CopyToClipboard1, &QAction::triggered, this, &TMeasurementDataFrm::CopyToClipboard1Click);
    connect(Color1, &QAction::triggered, this, &TMeasurementDataFrm::Color1Click);
    connect(SW1, &QAction::triggered, this, &TMeasurementDataFrm::SW1Click);
    connect(ExportBitBtn, &QPushButton::clicked, this, &TMeasurementDataFrm::ExportBitBtnClick);

    m_chartColor = Chart->BackgroundColor();
    Windows::Register(this);
}

TMeasurementDataFrm::~TMeasurementDataFrm() = default;

TTable* TMeasurementDataFrm::Tests() const
{
    if (m_tests)
        return m_tests;
    TDatabase* db = TQ5Database();
    return db ? db->MessungenTable : nullptr;
}

TTable* TMeasurementDataFrm::Readings() const
{
    if (m_readings)
        return m_readings;
    TDatabase* db = TQ5Database();
    return db ? db->MessdatenTable : nullptr;
}

void TMeasurementDataFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Guarded(this, [&] { FormShow(); });
}

void TMeasurementDataFrm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

void TMeasurementDataFrm::FormShow()
{
    if (TTable* tests = Tests(); tests && tests->Active() && !tests->IsEmpty())
        Chart->SetLeftAxisTitle(tests->FieldByName(u"EH"_s).AsString());
    if (m_series)
        Chart->RemoveSeries(m_series);
    m_series = Chart->AddSeries(Qt::black);
}

void TMeasurementDataFrm::FormHide()
{
    if (m_series)
        Chart->RemoveSeries(m_series);
    m_series = nullptr;
}

TMeasurementDataFrm::TReadings TMeasurementDataFrm::ReadReadings(bool withProgress)
{
    TTable* tests = Tests();
    TTable* readings = Readings();
    if (!tests || !readings)
        throw TError(u"Keine Datenbank geöffnet."_s);
    TReadings r;
    r.interval = StrToInt(tests->FieldByName(u"IN"_s).AsString());

    const int count = readings->RecordCount();
    std::optional<TWaitScope> progress;
    if (withProgress)
        progress.emplace(Msg(u"Label76"_s), 0, count);
    readings->First();
    if (readings->Eof())
        return r;
    TField& da = readings->FieldByName(u"DA"_s);
    TField& uz = readings->FieldByName(u"UZ"_s);
    r.startDate = da.AsDate();
    if (!r.startDate.isValid())
        throw TError(u"'%1' ist kein gültiges Datum"_s.arg(da.AsString()));
    const QTime startTime = uz.AsTime();
    if (!startTime.isValid())
        throw TError(u"'%1' ist keine gültige Uhrzeit"_s.arg(uz.AsString()));
    r.startMsecs = startTime.msecsSinceStartOfDay();

    // The values in one pass over the value column alone; the cursor stays on the first row.
    r.values.reserve(size_t(std::max(0, count)));
    const float none = std::numeric_limits<float>::quiet_NaN();
    int k = 0;
    readings->ForEachRow({u"MW"_s}, [&](const TRowValues& row) {
        if (++k % 100 == 0 && progress)
            progress->Step(k);
        float value = none;
        const QVariant v = row.Value(0);
        if (v.typeId() == QMetaType::Double) {
            value = float(v.toDouble());
        } else if (!v.isNull()) {
            double d = 0;
            if (IsNumber(v.toString(), &d))
                value = float(d);
        }
        r.values.push_back(value);
        return true;
    });
    return r;
}

void TMeasurementDataFrm::FillCurve()
{
    FillCurve(ReadReadings(false));
}

void TMeasurementDataFrm::FillCurve(const TReadings& readings)
{
    TTable* tests = Tests();
    if (!m_series)
        m_series = Chart->AddSeries(Qt::black);
    if (readings.values.empty()) {
        // No readings: no curve, rather than the previous test's.
        m_series->Clear();
        Chart->SeriesChanged();
        return;
    }
    const QString title = tests->FieldByName(u"MT"_s).AsString();
    setWindowTitle(title);
    Chart->SetTitle(title);
    Chart->SetTitleVisible(true);
    Chart->SetLeftAxisTitle(tests->FieldByName(u"EH"_s).AsString());
    Chart->SetBottomAxisFormat(u"dd.mm.yy\rhh:mm:ss"_s);
    Chart->SetMargins(8, 1, 8, 8);
    m_chartColor = Chart->BackgroundColor();

    m_series->Clear();
    m_series->Reserve(qsizetype(readings.values.size()));
    const double start =
        DateTimeToDays(QDateTime(readings.startDate, QTime(0, 0))) + readings.startMsecs / 86400000.0;
    const double step = double(readings.interval) / 86400;
    double lo = 0, hi = 0;
    bool any = false;
    for (size_t i = 0; i < readings.values.size(); ++i) {
        const float v = readings.values[i];
        if (std::isnan(v))
            continue;
        m_series->AddXY(start + double(i) * step, double(v));
        lo = any ? std::min(lo, double(v)) : double(v);
        hi = any ? std::max(hi, double(v)) : double(v);
        any = true;
    }

    if (tests->FieldByName(u"MTNR"_s).AsInteger() == DrinkingWaterWetExtended) {
        m_rangeFixed = false;
        Chart->SetLeftAxisAutomatic();
    } else {
        double low, high;
        if (lo == 0 && hi == 0) {
            // All values 0 (or none): -1 and 1 with a fifth added, -0.8 to 1.2.
            low = -1 + 1.0 / 5;
            high = 1 + 1.0 / 5;
        } else {
            // A fifth of each bound's size further out; for negative values this widens the range
            // downwards, so the lowest points are not cut off.
            low = lo - std::abs(lo) / 5;
            high = hi + std::abs(hi) / 5;
        }
        m_rangeFixed = true;
        m_rangeMin = std::min(low, high);
        m_rangeMax = std::max(low, high);
        Chart->SetLeftAxisRange(m_rangeMin, m_rangeMax);
    }
    Chart->SeriesChanged();
}

void TMeasurementDataFrm::LoadReadings(TTable* readings, TTable* tests)
{
    m_readings = readings;
    m_tests = tests;
    if (!isVisible())
        show();
    PageControl->setCurrentWidget(DataTabSheet);
    setWindowTitle(tests->FieldByName(u"MT"_s).AsString());

    const int mtnr = tests->FieldByName(u"MTNR"_s).AsInteger();
    const bool curve = IsCurveType(mtnr);
    TReadings r = ReadReadings(true);
    if (curve) {
        Chart->setVisible(true);
        FillCurve(r);
        m_grid->SetHeader({Msg(u"Label40"_s), Msg(u"Label41"_s), Msg(u"Label68"_s)});
    }
    const int decimals = std::clamp(StrToInt(tests->FieldByName(u"KS"_s).AsString()), 0, 17);
    m_grid->Reset(r.startDate, r.startMsecs, r.interval, decimals, curve);
    m_grid->SetValues(std::move(r.values));
    Color1Click();
}

void TMeasurementDataFrm::ChartZoom()
{
    // The chart has no zoom of its own; this puts back the range of the last fill.
    if (m_rangeFixed)
        Chart->SetLeftAxisRange(m_rangeMin, m_rangeMax);
    else
        Chart->SetLeftAxisAutomatic();
}

void TMeasurementDataFrm::CopyToClipboard1Click()
{
    QGuiApplication::clipboard()->setImage(Chart->ToImage(Chart->size(), Qt::white));
}

void TMeasurementDataFrm::Color1Click()
{
    Chart->SetGradient(true);
    Chart->SetBackgroundColor(m_chartColor);
}

void TMeasurementDataFrm::SW1Click()
{
    Chart->SetGradient(false);
    Chart->SetBackgroundColor(Qt::white);
}

void TMeasurementDataFrm::ExportText(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TError(u"%1: %2"_s.arg(path, file.errorString()));
    QByteArray chunk;
    const int rows = m_grid->RowCount(), cols = m_grid->ColCount();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            if (c > 0)
                chunk.append(';');
            chunk.append(Win1252::Encode(m_grid->Cells(c, r)));
        }
        chunk.append("\r\n");
        if (chunk.size() > (1 << 20)) {
            if (file.write(chunk) != chunk.size())
                throw TError(u"%1: %2"_s.arg(path, file.errorString()));
            chunk.clear();
        }
    }
    if (file.write(chunk) != chunk.size() || !file.commit())
        throw TError(u"%1: %2"_s.arg(path, file.errorString()));
}

void TMeasurementDataFrm::ExportBitBtnClick()
{
    Guarded(this, [&] {
        const QString mt = Tests() ? Tests()->FieldByName(u"MT"_s).AsString() : QString();
        Dialogs::TFileRequest request;
        request.filter = SaveFilter;
        request.filterIndex = m_saveFilterIndex;
        request.fileName = mt + (m_saveFilterIndex == 0 ? u".xls"_s : u".txt"_s);
        int chosen = m_saveFilterIndex;
        const QString path = Dialogs::SaveFile(this, request, &chosen);
        if (path.isEmpty())
            return;
        m_saveFilterIndex = chosen;
        if (chosen == 0)
            ExportCellsToXls(
                m_grid->ColCount(), m_grid->RowCount(), [this](int c, int r) { return m_grid->Cells(c, r); },
                path);
        else
            ExportText(path);
    });
}
