#pragma once

#include <QListWidget>
#include <QWidget>

// A list window for debug output. Nothing in the program shows it or writes to it; it is kept
// so that a developer can.
class TDebugFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TDebugFrm(QWidget* parent = nullptr);

    QListWidget* ListBox1;

public slots:
    // On show the list is emptied.
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
};
