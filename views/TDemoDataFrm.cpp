#include "TDemoDataFrm.h"

#include "WindowRegistry.h"

using namespace Qt::StringLiterals;

TDemoDataFrm::TDemoDataFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"DemoDataFrm"_s);
    setWindowTitle(u"Demodaten"_s);
    Windows::Register(this);
}
