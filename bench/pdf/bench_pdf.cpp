// A typical report page written as PDF: three charts of 209 x 193 pixels, two logos, 150 texts,
// rules and check boxes. Prints the time of the whole SaveReportAsPdf beside zlib compressing the
// same pixel buffers alone, and the parts in between.
#include "ReportPdf.h"
#include "TBevel.h"
#include "TChart.h"
#include "TImage.h"
#include "uPDF.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <vector>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

double MedianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QImage Logo(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(20 + seed * 40, 60, 160));
    painter.drawEllipse(4, 4, height - 8, height - 8);
    painter.setFont(QFont(u"Liberation Sans"_s, 14, QFont::Bold));
    painter.drawText(QRect(height, 0, width - height, height), Qt::AlignVCenter, u"Kestrom"_s);
    return image;
}

struct TPage
{
    QWidget form;
    QWidget* panel = nullptr;
    QList<TChart*> charts;
    QList<TImage*> images;

    TPage()
    {
        form.setObjectName(u"FRM_DE_BDTRGI2008"_s);
        panel = new QWidget(&form);
        panel->setObjectName(u"FrmPanel"_s);
        panel->resize(763, 1500);
        QFont regular(u"Liberation Sans"_s, 8);
        QFont bold(u"Liberation Sans"_s, 10, QFont::Bold);
        for (int i = 0; i < 150; ++i) {
            QWidget* item;
            if (i % 5 == 4) {
                auto* edit = new QLineEdit(u"Eintrag %1 Müller-Lüdenscheidt"_s.arg(i), panel);
                item = edit;
            } else {
                item = new QLabel(u"Prüfdruck (Leitung %1): 150 mbar über 10 min"_s.arg(i), panel);
            }
            item->setFont(i % 7 == 0 ? bold : regular);
            item->setGeometry(40 + (i % 2) * 340, 180 + (i / 2) * 14, 300, 14);
        }
        for (int i = 0; i < 20; ++i) {
            auto* box = new QCheckBox(panel);
            box->setGeometry(700, 180 + i * 40, 17, 17);
            box->setChecked(i % 3 == 0);
        }
        for (int i = 0; i < 12; ++i) {
            auto* bevel = new TBevel(panel, i % 2 ? TBevelShape::bsTopLine : TBevelShape::bsBox);
            bevel->setGeometry(30, 170 + i * 90, 700, 80);
        }
        const QDateTime start(QDate(2024, 3, 15), QTime(9, 0));
        for (int c = 0; c < 3; ++c) {
            auto* chart = new TChart(panel);
            chart->setObjectName(u"Chart%1"_s.arg(c + 1));
            chart->setGeometry(40 + c * 230, 900, 209, 193);
            chart->SetBackgroundColor(QColor(255, 255, 225));
            chart->SetBottomAxisFormat(u"dd.mm.yy\rhh:nn:ss"_s);
            chart->SetMargins(8, 1, 8, 8);
            TLineSeries* series = chart->AddSeries(Qt::black);
            for (int i = 0; i < 600; ++i)
                series->AddXY(start.addSecs(i * 10), 150.0 - i * 0.01 * (c + 1) + (i % 13) * 0.05);
            chart->SetLeftAxisRange(140, 160);
            charts.append(chart);
        }
        auto* maker = new TImage(panel);
        maker->setGeometry(544, 56, 129, 49);
        maker->SetPicture(Logo(129, 50, 0));
        auto* company = new TImage(panel);
        company->setGeometry(40, 1249, 160, 50);
        company->SetPicture(Logo(160, 50, 1));
        images = {maker, company};
    }
};

// The pixel buffers the writer compresses: each chart at four times its size, and the logos,
// as rows of red, green and blue.
std::vector<QByteArray> PixelBuffers(const TPage& page)
{
    std::vector<QByteArray> buffers;
    auto add = [&](const QImage& image) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        QByteArray bytes;
        for (int row = 0; row < rgb.height(); ++row)
            bytes.append(reinterpret_cast<const char*>(rgb.constScanLine(row)), rgb.width() * 3);
        buffers.push_back(bytes);
    };
    for (const QImage& logo : {page.images[0]->Picture(), page.images[1]->Picture()})
        add(logo);
    for (TChart* chart : page.charts) {
        QImage picture(chart->width() * 4, chart->height() * 4, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        chart->Draw(&painter, QRectF(0, 0, picture.width(), picture.height()));
        painter.end();
        add(picture);
    }
    return buffers;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"BDTRGI2008_101530.pdf"_s);
    const int runs = 15;

    TPage page;
    const std::vector<QByteArray> buffers = PixelBuffers(page);
    qint64 pixelBytes = 0;
    for (const QByteArray& b : buffers)
        pixelBytes += b.size();

    // Warm up fonts, caches and the allocator.
    SaveReportAsPdf(&page.form, path, nullptr, u"PDF wird generiert..."_s);

    const double saveMs = MedianMs(runs, [&] { SaveReportAsPdf(&page.form, path, nullptr, u"PDF"_s); });
    const double zlibMs = MedianMs(runs, [&] {
        for (const QByteArray& b : buffers) {
            uLongf size = compressBound(uLong(b.size()));
            QByteArray out(qsizetype(size), Qt::Uninitialized);
            compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                      reinterpret_cast<const Bytef*>(b.constData()), uLong(b.size()), Z_DEFAULT_COMPRESSION);
        }
    });
    const double chartsMs = MedianMs(runs, [&] { PixelBuffers(page); });
    const double textMs = MedianMs(runs, [&] {
        TPrintPDF pdf;
        pdf.FileName = dir.filePath(u"text.pdf"_s);
        pdf.BeginDocument();
        for (int i = 0; i < 150; ++i)
            pdf.PlaceText(i % 2, 38, 12 + (i % 2) * 100, 40 + i,
                          u"Prüfdruck (Leitung): 150 mbar über 10 min"_s);
        for (int i = 0; i < 100; ++i)
            pdf.StrokeRectangle(10, 10 + i, 200, 12 + i);
        pdf.FinishDocument();
    });

    std::printf("pdf_save: %.2f ms\n", saveMs);
    std::printf("pdf_zlib_alone: %.2f ms\n", zlibMs);
    std::printf("pdf_chart_drawing: %.2f ms\n", chartsMs);
    std::printf("pdf_text_and_lines_page: %.3f ms\n", textMs);
    std::printf("pdf_pixel_bytes: %lld bytes\n", static_cast<long long>(pixelBytes));
    std::printf("pdf_file_size: %lld bytes\n", static_cast<long long>(QFile(path).size()));
    std::printf("ratio_pdf: %.2f\n", saveMs / zlibMs);
    return 0;
}
