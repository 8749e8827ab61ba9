#include "TDebugFrm.h"

#include "WindowRegistry.h"

#include <QShowEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TDebugFrm::TDebugFrm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"DebugFrm"_s);
    setWindowTitle(u"Debug Output"_s);
    resize(471, 315);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(u"ListBox1"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListBox1);
    Windows::Register(this);
}

void TDebugFrm::FormShow()
{
    ListBox1->clear();
}

void TDebugFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}
