#include "TSettingsFrm.h"

#include "WindowRegistry.h"

using namespace Qt::StringLiterals;

TSettingsFrm::TSettingsFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"SettingsFrm"_s);
    setWindowTitle(u"Programmeinstellungen "_s);
    setModal(true);
    Windows::Register(this);
}
