#include "TMeasurementDataFrm.h"

#include "WindowRegistry.h"

using namespace Qt::StringLiterals;

TMeasurementDataFrm::TMeasurementDataFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"MeasurementDataFrm"_s);
    setWindowTitle(u"Verlauf"_s);
    setMinimumSize(600, 400);
    Windows::Register(this);
}
