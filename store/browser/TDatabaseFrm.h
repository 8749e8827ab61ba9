#pragma once

#include "TDBGrid.h"
#include "TFieldLink.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

struct TCardHost;
class TDatabase;
class TTable;

// The customer and measurement browser: customers and the tests of the current customer, each
// as a list and as bound details, with editing of customers and of a test's memo, deletion,
// sorting by column title, the customer search, the readings of a test, and the card import and
// customer transfer. Everything comes from the three linked tables of its database: moving in
// the customer list changes the test list, moving in the test list changes the readings.
// The main window is a browser with a few additions; a second instance, "DatabaseFrm", lives
// from start to end and is never shown.
//
// The code that creates a browser window runs FormCreate once the window is built and FormDestroy
// before it deletes it. FormShow runs each time the window is shown, after the window system has
// shown it; FormHide each time it is hidden, which for the main window is when it closes at the
// end of the program.
class TDatabaseFrm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TDatabaseFrm(QWidget* parent = nullptr);
    ~TDatabaseFrm() override;

    // The browser's database; opened when the window is shown, closed when it is hidden.
    TDatabase* Db;
    TTable* KundenTable;
    TTable* MessungenTable;
    TTable* MessdatenTable;

    QTabWidget* PageControl;
    QWidget* CustomerTabSheet;
    QTabWidget* KundenPageControl;
    QWidget* CustomerDetailTabSheet;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLineEdit* DBEdit1;
    QLineEdit* DBEdit2;
    QLineEdit* DBEdit3;
    QLineEdit* DBEdit4;
    QLineEdit* DBEdit5;
    QLineEdit* DBEdit6;
    QPlainTextEdit* DBKundenMemo;
    QPushButton* KdEditBitBtn;
    QPushButton* KdPostBitBtn;
    QPushButton* KdCancelBitBtn;
    QPushButton* KdAppendBitBtn;
    QPushButton* KdDeleteBitBtn;
    QWidget* KundeListeTabSheet;
    TDBGrid* KundenDBGrid;
    QLineEdit* SearchEdit;
    QPushButton* SearchBitBtn;
    QPushButton* KdAppendBitBtn2;
    QPushButton* KdDeleteBitBtn2;
    QPushButton* TransferKdBitBtn;

    QWidget* MeasurementTabSheet;
    QTabWidget* MessungenPageControl;
    QWidget* MeasurementDetailTabSheet;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QLabel* Label13;
    QLabel* Label14;
    QLabel* Label15;
    QLabel* Label16;
    QLabel* Label17;
    QLabel* Label18;
    QLabel* Label19;
    QLabel* Label20;
    QLabel* Label21;
    QLabel* Label22;
    QLabel* Label23;
    QLabel* Label24;
    QLabel* Label25;
    QLabel* Label26;
    QLineEdit* DBEdit7;
    QLineEdit* DBEdit8;
    QLineEdit* DBEdit9;
    QLineEdit* DBEdit10;
    QLineEdit* DBEdit11;
    QLineEdit* DBEdit12;
    QLineEdit* DBEdit13;
    QLineEdit* DBEdit14;
    QLineEdit* DBEdit15;
    QLineEdit* DBEdit16;
    QLineEdit* DBEdit17;
    QLineEdit* DBEdit18;
    QLineEdit* DBEdit19;
    QLineEdit* DBEdit20;
    QLineEdit* DBEdit21;
    QLineEdit* DBEdit22;
    QLineEdit* DBEdit23;
    QLineEdit* DBEdit24;
    QPlainTextEdit* DBMessungMemo;
    QPushButton* DataBitBtn;
    QPushButton* MeEditBitBtn;
    QPushButton* MePostBitBtn;
    QPushButton* MeCancelBitBtn;
    QWidget* MessungenListeTabSheet;
    TDBGrid* MessungenDBGrid;
    QPushButton* LoadMesBitBtn;
    QPushButton* FormShowBitBtn;
    QComboBox* AvailFrmsComboBox;

    QStatusBar* StatusBar;
    QLabel* StatusText; // the one text panel of the status bar

    // The current text of the status bar.
    QString StatusBarText() const;

    // The program registered for an extension ("XLS"); empty when there is none.
    static QString RegisteredProgram(const QString& extension);
    // Starts the program with the file's name as the only parameter in the file's folder.
    static bool OpenWithRegisteredProgram(const QString& program, const QString& path);
    // The same with the text editor; where the system has none of that name, the system's program
    // for the file opens it.
    static bool OpenWithNotepad(const QString& path);

public slots:
    virtual void FormCreate();
    virtual void FormDestroy();
    // Opens (or creates) the database, binds the details, titles the lists from the message
    // catalogue, shows the customer list and cancels pending edits.
    virtual void InitDatabaseView();
    virtual void CloseTables();
    // Time, then "K" row/count of the customers, "M" of the tests, "D" of the readings.
    void UpdateStatusBar();
    void EnableCustomerEdits(bool on);
    void EnableMeasurementMemo(bool on);
    void DeleteSelectedCustomers();
    void DeleteSelectedMeasurements();
    void SetGridColumn(TDBGrid* grid, const QString& fieldName, const QString& title);
    bool ListsOpen();

    void KdEditBitBtnClick();
    void KdPostBitBtnClick();
    void KdCancelBitBtnClick();
    void KdAppendBitBtnClick();
    void KdDeleteBitBtnClick();
    void MeEditBitBtnClick();
    void MePostBitBtnClick();
    void MeCancelBitBtnClick();
    void DataBitBtnClick();
    virtual void SearchBitBtnClick();
    virtual void TransferKdBitBtnClick();
    void LoadMesBitBtnClick();

    void KundenDBGridTitleClick(int column);
    void MessungenDBGridTitleClick(int column);
    void KundenDBGridDblClick();
    void MessungenDBGridDblClick();
    void KundenDBGridKeyDown(int key);
    void MessungenDBGridKeyDown(int key);
    void SearchEditKeyPress();
    void PageControlChange();
    void KundenPageControlChange();
    void MessungenPageControlChange();
    // The current test changed, or a field of it while it is edited.
    virtual void MessungenDataSourceDataChange();

    virtual void FormShow();
    virtual void FormHide();

protected:
    // For the main window: the same browser under another object name.
    TDatabaseFrm(const QString& objectName, QWidget* parent);

    // What the card import and the customer transfer may use of this window.
    TCardHost CardHost();
    // Runs the customer search with the search box's text.
    void RunCustomerSearch();
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BindDetails();
    void SetCustomerBrowseButtons();
    void UpdateCustomerRecord();
    QList<TFieldLink*> m_customerLinks;
    QList<TFieldLink*> m_measurementLinks;
    TFieldLink* m_memoLink = nullptr;
};
