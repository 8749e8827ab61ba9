#include "WindowRegistry.h"

#include <QPointer>

namespace Windows {
namespace {
QList<QPointer<QWidget>>& Registry()
{
    static QList<QPointer<QWidget>> windows;
    return windows;
}
} // namespace

void Register(QWidget* window)
{
    Q_ASSERT(window && !window->objectName().isEmpty());
    Registry().removeAll(nullptr);
    Registry().append(window);
}

QWidget* Find(const QString& objectName)
{
    for (const QPointer<QWidget>& w : Registry())
        if (w && w->objectName() == objectName)
            return w;
    return nullptr;
}

QList<QWidget*> All()
{
    QList<QWidget*> out;
    for (const QPointer<QWidget>& w : Registry())
        if (w)
            out.append(w);
    return out;
}

} // namespace Windows
