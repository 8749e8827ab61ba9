#pragma once

#include <QWidget>

// Holder of the measurement file import. It has no visible window of its own.
class TDatabaseImpExpFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TDatabaseImpExpFrm(QWidget* parent = nullptr);
};
