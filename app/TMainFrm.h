#pragma once

#include "TDatabaseFrm.h"

#include <QAction>
#include <QMenu>

// The main window: the customer and measurement browser with the program's menus. Closing it ends
// the program.
class TMainFrm : public TDatabaseFrm
{
    Q_OBJECT
public:
    explicit TMainFrm(QWidget* parent = nullptr);

    QMenu* File1;
    QAction* Quit1;

public slots:
    // Creation step: report form classes, date format, settings, report catalogue.
    void FormCreate() override;
    // Show step: paint, language, database, tools hidden, grey button pictures, date format.
    void FormShow() override;
    // Destruction step: saves the settings.
    void FormDestroy() override;

    void Quit1Click();

signals:
    // The window was closed by the user or by "&Beenden": the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Steps of the sequences that the report forms, the report catalogue, the language files and
    // the browser's buttons bring; each does its work here once that part of the program exists.
    void RegisterReportForms();
    void BuildReportCatalogue();
    void InitLanguageList();
    void HideTools();
    void AddDisabledGlyphs();
};
