#pragma once

#include <QDialog>

// Service window that writes measurement files with invented tests onto the memory card.
class TDemoDataFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TDemoDataFrm(QWidget* parent = nullptr);
};
