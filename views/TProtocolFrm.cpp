#include "TProtocolFrm.h"

#include "WindowRegistry.h"

TProtocolFrm::TProtocolFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProtocolFrm"));
    setWindowTitle(QStringLiteral("Protokoll Gerätedaten"));
    Windows::Register(this);
}
