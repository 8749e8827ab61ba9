#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

class TImage;

// The program settings dialog: the memory card drive and the protocol switch, the company data
// and logo that head every report, and the database services (repair, compaction, emptying,
// customer import and export, demonstration files onto the card). It lives from start to end and
// holds the company data meanwhile: report pages read Edit1, Edit3 .. Edit7 and the logo of Image1
// from it at any time (see CompanyData.h).
class TSettingsFrm : public QDialog
{
    Q_OBJECT
    // The company logo for the reports: the chosen logo file's picture, or none.
    Q_PROPERTY(QImage CompanyLogo READ CompanyLogo)
public:
    explicit TSettingsFrm(QWidget* parent = nullptr);
    ~TSettingsFrm() override;

    QTabWidget* PageControl1;

    QWidget* SettingsTabSheet;
    QLabel* Label1;
    QComboBox* ComboBox1; // removable drives, choice only
    QCheckBox* CheckBox1; // NoProt
    QLabel* Label2;
    QPushButton* OKButton;

    QWidget* CompanyTabSheet2;
    QLabel* Label3;
    QLineEdit* Edit1; // company name
    QLabel* Label4;
    QLineEdit* Edit3; // street
    QLabel* Label5;
    QLineEdit* Edit4; // postcode and town
    QLabel* Label6;
    QLineEdit* Edit5; // e-mail
    QLabel* Label7;
    QLineEdit* Edit6; // telephone
    QLabel* Label8;
    QLineEdit* Edit7; // fax
    QLineEdit* Edit8; // hidden: full path of the logo file
    TImage* Image1;   // the logo in use
    TImage* Image2;   // hidden: the built-in default logo
    QPushButton* Button2;
    QCheckBox* CheckBox3; // show the maker's logo on the reports
    QPushButton* Button1;

    QWidget* TabSheet1;
    QLabel* Label10;
    QLabel* Label11; // the database file; a click opens the data folder
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button7;
    QPushButton* Button8;
    QLabel* Label12; // status line of Button8

    // The built-in default logo, 160 x 50.
    static QImage DefaultLogo();
    // The default of a company field ("Edit1" .. "Edit7").
    static QString DefaultCompanyText(const QString& key);
    // The chosen logo file's picture; a null image while no logo file is chosen.
    QImage CompanyLogo() const;
    // The entry of the drive list for a drive: "E: CARD (FAT32, 1910 MB free. )", or "E:" alone for
    // a drive that cannot be read.
    static QString DriveEntry(QChar letter, bool accessible, const QString& label, const QString& fileSystem,
                              qint64 freeBytes);

    // Writes the customers to a text file and tells so; reads customers from one and tells so.
    void ExportCustomers(const QString& fileName);
    void ImportCustomers(const QString& fileName);

public slots:
    void FormCreate();
    void FormShow();
    void FormHide();
    void FormDestroy();

    void OKButtonClick();
    void Button1Click();
    void Button2Click();
    void Label11Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillDriveList();
    void ShowLogo();
    // False, after telling the user, while the tables are closed (after a repair or a compaction).
    bool TablesOpen();
    void SetStatus(const QString& text);
};
