#include "TDatabaseImpExpFrm.h"

#include "WindowRegistry.h"

TDatabaseImpExpFrm::TDatabaseImpExpFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DatabaseImpExpFrm"));
    Windows::Register(this);
}
