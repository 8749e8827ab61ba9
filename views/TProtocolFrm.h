#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

// The device data protocol: time-stamped lines about the exchange with the memory card. It opens by
// itself with the first line of a new protocol and stays beside the main window until "OK".
class TProtocolFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TProtocolFrm(QWidget* parent = nullptr);

    QPlainTextEdit* RichEdit;
    QCheckBox* CheckBox1;
    QLabel* Label1;
    QPushButton* OKBtn;

public slots:
    // Appends "dd.mm.yy hh:mm:ss text"; a hidden window is shown and emptied first, so that every
    // protocol starts empty.
    void AppendProtocolLine(const QString& text);
    // Hides the window; its lines stay until the next protocol begins.
    void OKBtnClick();
    // The check box switches the protocol off (and on again) for the rest of the run and after.
    void CheckBox1Click();
};
