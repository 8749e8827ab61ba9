#include "ReportPdfOutput.h"

#include "TLangResFrm.h"
#include "TWaitFrm.h"

using namespace Qt::StringLiterals;

TWaitPdfProgress::TWaitPdfProgress(TWaitFrm* window) : m_window(window) {}

void TWaitPdfProgress::SetTitle(const QString& title)
{
    if (m_window)
        m_window->setWindowTitle(title);
}

void TWaitPdfProgress::SetRange(int minimum, int maximum)
{
    if (m_window)
        m_window->ProgressBar->setRange(minimum, maximum);
}

void TWaitPdfProgress::SetPosition(int position)
{
    if (m_window)
        m_window->Step(position);
}

void TWaitPdfProgress::Show()
{
    if (m_window)
        m_window->show();
}

void TWaitPdfProgress::Hide()
{
    if (m_window)
        m_window->hide();
}

void SaveReportPdf(QWidget* form, const QString& path)
{
    TWaitPdfProgress progress(WaitFrm());
    SaveReportAsPdf(form, path, &progress, Msg(u"Label82"_s));
}
