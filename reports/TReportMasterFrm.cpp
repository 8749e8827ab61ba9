#include "TReportMasterFrm.h"

#include "WindowRegistry.h"

using namespace Qt::StringLiterals;

TReportMasterFrm::TReportMasterFrm(QWidget* parent) : TReportMasterFrm(u"ReportMasterFrm"_s, parent)
{
    Windows::Register(this);
}

TReportMasterFrm::TReportMasterFrm(const QString& formName, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(formName);
    setWindowTitle(formName);
}
