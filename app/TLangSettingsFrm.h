#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>

// The language dialog: the choice of the user interface language. There is no OK button; a choice
// takes effect at once and the dialog is closed with its close box.
class TLangSettingsFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TLangSettingsFrm(QWidget* parent = nullptr);

    QLabel* Label1;
    // The offered language codes, choice only.
    QComboBox* ComboBox1;

public slots:
    // The user chose a language: it becomes the current one and every language-aware window follows.
    void ComboBox1Change();
};

// Fills the language dialog's list, selects the language in use (the saved one when offered, else
// the user's own, else "ENG"), translates the windows into the saved language, rebuilds the report
// catalogue and titles the main window. Run once, by the main window's show step.
void InitLanguageList();
