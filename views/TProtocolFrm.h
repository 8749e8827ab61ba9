#pragma once

#include <QWidget>

// The device data protocol: time-stamped lines about the exchange with the memory card.
class TProtocolFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TProtocolFrm(QWidget* parent = nullptr);
};
