#pragma once

#include <QMainWindow>

// The customer and measurement browser window. The main window extends it; a second instance,
// "DatabaseFrm", lives from start to end and is never shown.
//
// The code that creates a browser window runs FormCreate once the window is built and FormDestroy
// before it deletes it (the start-up does so for both instances). FormShow runs each time the
// window is shown, after the window system has shown it; FormHide each time it is hidden, which
// for the main window is when it closes at the end of the program.
class TDatabaseFrm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TDatabaseFrm(QWidget* parent = nullptr);

public slots:
    virtual void FormCreate();
    // The browser's show step.
    virtual void FormShow();
    // The browser's hide step: closes the tables, then deletes the report PDF files.
    virtual void FormHide();
    virtual void FormDestroy();

protected:
    // For the main window: the same browser under another object name.
    TDatabaseFrm(const QString& objectName, QWidget* parent);

    // Opens the database and shows the customer list; the browser's part of the show step.
    virtual void InitDatabaseView();
    virtual void CloseTables();

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};
