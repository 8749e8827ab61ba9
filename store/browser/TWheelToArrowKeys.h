#pragma once

#include <QObject>

// Turns the mouse wheel into arrow keys for the whole program: a notch away from the user is a
// press of Up, a notch towards the user a press of Down, given to the widget under the mouse (for
// a list's viewport, the list itself), so that a list moves its current row by one row per notch.
// Report forms keep the wheel to scroll their page.
class TWheelToArrowKeys : public QObject
{
    Q_OBJECT
public:
    // Installs the one filter of the application; further calls do nothing.
    static void Install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TWheelToArrowKeys(QObject* parent) : QObject(parent) {}
    int m_pending = 0; // part of a notch from high-resolution wheels
};
