#include "TWheelToArrowKeys.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>

void TWheelToArrowKeys::Install()
{
    static QPointer<TWheelToArrowKeys> installed;
    if (installed || !qApp)
        return;
    installed = new TWheelToArrowKeys(qApp);
    qApp->installEventFilter(installed);
}

bool TWheelToArrowKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    // The report forms scroll their page with the wheel.
    if (widget->window()->inherits("TReportMasterFrm"))
        return false;
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    if (delta == 0)
        return false;

    QWidget* target = widget;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget->parentWidget()))
        if (area->viewport() == widget)
            target = area;

    m_pending += delta;
    int notches = m_pending / QWheelEvent::DefaultDeltasPerStep;
    m_pending -= notches * QWheelEvent::DefaultDeltasPerStep;
    const int key = notches > 0 ? Qt::Key_Up : Qt::Key_Down;
    QPointer<QWidget> guard = target;
    for (int i = 0; i < qAbs(notches) && guard; ++i) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(guard, &press);
        if (!guard)
            break;
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(guard, &release);
    }
    return true;
}
