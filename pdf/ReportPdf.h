#pragma once

#include <QString>

class QWidget;
class TPrintPDF;

// Where the rendering shows how far it has got: the program's progress window.
class TPdfProgress
{
public:
    virtual ~TPdfProgress() = default;
    virtual void SetTitle(const QString& title) = 0;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

// The page being drawn (1 for the first) and the offset in pixels added to every control's top:
// 0 on page 1, minus the bottom edge of the page-break marker after the break.
extern int PdfPageNumber;
extern int PdfPageOffset;

// Writes the printable page of a report form (the direct children of its "FrmPanel") as a PDF file
// at path, replacing an existing file. Starts from page 1 at offset 0. The document information
// names the logged-on user as author and the file name without ".pdf" as keywords. A failure while
// drawing still writes what was drawn and is then thrown on (TError); the cursor and the progress
// window are back to normal either way. progress may be null.
void SaveReportAsPdf(QWidget* form, const QString& path, TPdfProgress* progress,
                     const QString& progressTitle);

// The author named in a report's document information: the logged-on user's name, at most 255
// characters, "Unknown" when there is none.
QString ReportAuthor(const QString& userName);

// Draws the form's "FrmPanel" controls into a document that has begun: every control onto page 1,
// and, when the panel holds a page-break marker, every control again onto the next page, shifted up
// by the marker's bottom edge. Labels and edit fields become text (regular or bold only), check
// boxes squares, bevels boxes or rules, pictures and charts images.
void RenderReportPanel(QWidget* form, TPrintPDF& pdf, TPdfProgress* progress, const QString& progressTitle);
