#pragma once

#include "ReportPdf.h"

class TWaitFrm;

// The program's progress window as the progress of a PDF rendering.
class TWaitPdfProgress final : public TPdfProgress
{
public:
    explicit TWaitPdfProgress(TWaitFrm* window);
    void SetTitle(const QString& title) override;
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    void Show() override;
    void Hide() override;

private:
    TWaitFrm* m_window;
};

// Writes a report form's page as a PDF file, with the progress window titled
// "PDF wird generiert..." in the current language. Throws TError when the file cannot be written.
void SaveReportPdf(QWidget* form, const QString& path);
