#include "TLangSettingsFrm.h"

#include "WindowRegistry.h"

using namespace Qt::StringLiterals;

TLangSettingsFrm::TLangSettingsFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"LangSettingsFrm"_s);
    setWindowTitle(u"Sprachauswahl"_s);
    setModal(true);
    Windows::Register(this);
}
