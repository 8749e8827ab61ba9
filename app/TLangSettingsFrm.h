#pragma once

#include <QDialog>

// The language dialog: the choice of the user interface language.
class TLangSettingsFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TLangSettingsFrm(QWidget* parent = nullptr);
};
