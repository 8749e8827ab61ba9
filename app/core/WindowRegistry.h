#pragma once

#include <QString>
#include <QWidget>

// The single-instance windows are created once at start-up and found by object name
// ("MainFrm", "WaitFrm", ...) for the whole run.
namespace Windows {

// Registers a window under its objectName(); it unregisters itself when destroyed.
void Register(QWidget* window);
QWidget* Find(const QString& objectName);
// Every registered window in creation order.
QList<QWidget*> All();

template <typename T> T* Get(const QString& objectName)
{
    return qobject_cast<T*>(Find(objectName));
}

} // namespace Windows
