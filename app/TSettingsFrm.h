#pragma once

#include <QDialog>

// The program settings dialog: memory card drive, company data for the reports, database service.
class TSettingsFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TSettingsFrm(QWidget* parent = nullptr);
};
