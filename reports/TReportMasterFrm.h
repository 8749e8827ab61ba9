#pragma once

#include <QWidget>

// The report base window. Every report form derives from it; its one own instance,
// "ReportMasterFrm", lives from start to end, is never shown and carries the translated captions
// that the main window copies into each report form it opens.
class TReportMasterFrm : public QWidget
{
    Q_OBJECT
public:
    // The program's base instance "ReportMasterFrm".
    explicit TReportMasterFrm(QWidget* parent = nullptr);

protected:
    // A report form: its object name and title are the form name ("FRM_DE_BDTRGI2008"). Report
    // forms are not single-instance windows and are not registered.
    TReportMasterFrm(const QString& formName, QWidget* parent);
};
