#pragma once

#include <QWidget>

// Curve window: the readings of one test as a pressure curve and as a table.
class TMeasurementDataFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TMeasurementDataFrm(QWidget* parent = nullptr);
};
