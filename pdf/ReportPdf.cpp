#include "ReportPdf.h"

#include "Platform.h"
#include "TBevel.h"
#include "TChart.h"
#include "TError.h"
#include "TImage.h"
#include "TPageBreak.h"
#include "uPDF.h"

#include <exception>
#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QWidget>

int PdfPageNumber = 1;
int PdfPageOffset = 0;

namespace {

// The report page is laid out at 96 dots per inch; one pixel is this much of the A4 page.
constexpr double kMmPerPixelX = 0.3;
constexpr double kMmPerPixelY = 0.22;

const QString kPanelName = QStringLiteral("FrmPanel");

// The font size in points as the layout states it; a size given in pixels is taken at 96 dots per
// inch and rounded to whole points, as a pixel height always named a whole point size on screen.
double FontPoints(const QFont& font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    const int px = font.pixelSize();
    return double((px * 72 + 48) / 96);
}

void PlaceTextItem(TPrintPDF& pdf, const QWidget* control, const QString& text, double x, double y)
{
    const QFont font = control->font();
    const int sizeCode = int(PdfText::Round(FontPoints(font) * 4.8));
    if (font.italic() || font.underline() || font.strikeOut())
        return;
    pdf.PlaceText(font.bold() ? 1 : 0, sizeCode, x, y, text);
}

void RenderControl(TPrintPDF& pdf, QWidget* control)
{
    const double x = control->x() * kMmPerPixelX;
    const double y = (control->y() + PdfPageOffset) * kMmPerPixelY;
    const double w = control->width() * kMmPerPixelX;
    const double h = control->height() * kMmPerPixelY;

    if (auto* label = qobject_cast<QLabel*>(control)) {
        PlaceTextItem(pdf, control, label->text(), x, y);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        // A masked field shows its blanks and literals; a plain field its text.
        PlaceTextItem(pdf, control, edit->inputMask().isEmpty() ? edit->text() : edit->displayText(), x, y);
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        pdf.StrokeRectangle(x, y, x + 4, y + 4);
        if (check->isChecked()) {
            pdf.StrokeHeavyLine(x, y, x + 4, y + 4);
            pdf.StrokeHeavyLine(x + 4, y, x, y + 4);
        }
    } else if (auto* bevel = qobject_cast<TBevel*>(control)) {
        switch (bevel->Shape()) {
        case TBevelShape::bsBox:
            pdf.StrokeRectangle(x, y, x + w, y + h);
            break;
        case TBevelShape::bsTopLine:
            pdf.StrokeLine(x, y, x + w, y);
            break;
        case TBevelShape::bsLeftLine:
            pdf.StrokeLine(x, y, x, y + h);
            break;
        case TBevelShape::bsFrame:
        case TBevelShape::bsBottomLine:
        case TBevelShape::bsRightLine:
        case TBevelShape::bsSpacer:
            break;
        }
    } else if (auto* image = qobject_cast<TImage*>(control)) {
        pdf.PlaceImage(image->Picture(), x, y);
    } else if (auto* chart = qobject_cast<TChart*>(control)) {
        // Drawn at four times its size on screen, so that the page shows it sharper than the screen.
        const int width = control->width() * 4;
        const int height = control->height() * 4;
        if (width <= 0 || height <= 0)
            return;
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(Qt::white);
        {
            QPainter painter(&picture);
            chart->Draw(&painter, QRectF(0, 0, width, height));
        }
        pdf.PlaceChartImage(picture, x, y);
    }
}

bool OnPanel(const QWidget* control)
{
    const QWidget* parent = control->parentWidget();
    return parent && parent->objectName() == kPanelName;
}

// Shows the progress window for its lifetime and hides it when it goes, also after an error.
class TProgressScope
{
public:
    TProgressScope(TPdfProgress* progress, const QString& title, int maximum) : m_progress(progress)
    {
        if (!m_progress)
            return;
        m_progress->SetTitle(title);
        m_progress->SetRange(0, maximum);
        m_progress->SetPosition(0);
        m_progress->Show();
    }
    ~TProgressScope()
    {
        if (m_progress)
            m_progress->Hide();
    }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

    void Position(int index)
    {
        if (m_progress)
            m_progress->SetPosition(index);
    }

private:
    TPdfProgress* m_progress;
};

// The hourglass for its lifetime; the cursor shown before comes back when it goes.
class TWaitCursor
{
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

void RenderReportPanel(QWidget* form, TPrintPDF& pdf, TPdfProgress* progress, const QString& progressTitle)
{
    // The form's components in their order: depth first, each parent's children in creation order,
    // so the page's items come in the order the page was built.
    const QList<QWidget*> components = form->findChildren<QWidget*>();
    TProgressScope scope(progress, progressTitle, int(components.size()));

    auto drawPass = [&] {
        for (int i = 0; i < components.size(); ++i) {
            scope.Position(i);
            if (OnPanel(components[i]))
                RenderControl(pdf, components[i]);
        }
    };

    drawPass();

    bool newPage = false;
    for (int i = 0; i < components.size(); ++i) {
        scope.Position(i);
        auto* marker = qobject_cast<TPageBreak*>(components[i]);
        if (!marker || !OnPanel(marker))
            continue;
        pdf.NewPage();
        newPage = true;
        ++PdfPageNumber;
        if (PdfPageNumber == 2)
            PdfPageOffset = -(marker->y() + marker->height());
    }

    if (newPage)
        drawPass();
}

QString ReportAuthor(const QString& userName)
{
    return userName.isEmpty() ? QStringLiteral("Unknown") : userName.left(255);
}

void SaveReportAsPdf(QWidget* form, const QString& path, TPdfProgress* progress, const QString& progressTitle)
{
    TWaitCursor cursor;
    PdfPageNumber = 1;
    PdfPageOffset = 0;

    const QString fileName = QFileInfo(path).fileName();

    TPrintPDF pdf;
    pdf.Title = QStringLiteral("TQ5 Report");
    pdf.Author = ReportAuthor(Platform::UserName());
    pdf.Keywords = fileName.left(fileName.size() - 4);
    pdf.Subject = QStringLiteral("TQ5 Report");
    pdf.Producer = QStringLiteral("TQ5 Report ( Kestrom GmbH )");
    pdf.PageWidth = 2099;
    pdf.PageHeight = 2970;
    pdf.FileName = path;

    // What was drawn before a failure is still written; the first error is the one passed on.
    std::exception_ptr failure;
    bool begun = false;
    try {
        pdf.BeginDocument();
        begun = true;
        RenderReportPanel(form, pdf, progress, progressTitle);
    } catch (...) {
        failure = std::current_exception();
    }
    if (begun) {
        try {
            pdf.FinishDocument();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}
