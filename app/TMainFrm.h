#pragma once

#include "TDatabaseFrm.h"

#include <QAction>
#include <QImage>
#include <QList>
#include <QMenu>
#include <QPointer>

class QAbstractButton;

// The main window: the customer and measurement browser with the program's menus, a hidden
// Tools menu and status bar that a reserved search word unlocks, the report choice for the
// current test, a guard in front of the transfer to the card, the selection of all customers and
// grey pictures for disabled buttons. Closing it ends the program.
class TMainFrm : public TDatabaseFrm
{
    Q_OBJECT
public:
    explicit TMainFrm(QWidget* parent = nullptr);
    ~TMainFrm() override;

    QMenu* File1;
    QAction* Quit1;
    QMenu* Settings1;
    QAction* ProgramSettings1;
    QAction* Language1;
    QMenu* Tools1;
    QAction* Demodata1;
    QAction* AlleKundenmarkieren1;
    QMenu* PopupMenu1;
    QAction* AlleauswhlenStrgA1;

    QLabel* LogoImage2;
    QLabel* Label27;
    QLabel* Label28;
    QLabel* LogoImage1;

    // The menu bar's background colour.
    static QColor MenuColor() { return QColor(114, 255, 220); }
    // The search word that unlocks the Tools menu and the status bar.
    static QString ToolsKeyword() { return QStringLiteral("KALVORNDEST"); }

    bool ToolsUnlocked() const { return m_toolsUnlocked; }
    // The report form opened last; it stays current (perhaps hidden) until the next one replaces it.
    QWidget* CurrentReportForm() const { return m_reportForm; }

    // The picture of a disabled button: each pixel (R, G, B) becomes the grey
    // ((R + G + B) / 3) / 2 + 96, in whole numbers.
    static QImage DisabledGlyph(const QImage& picture);
    // Gives each button in turn a grey picture for its disabled state. A button whose picture is
    // not square stops the run; it and the buttons after it keep their one picture.
    static void AddDisabledGlyphs(const QList<QAbstractButton*>& buttons);

public slots:
    // Creation step: report form classes, date format, settings, report catalogue.
    void FormCreate() override;
    // Show step: paint, language, database, tools hidden, grey button pictures, date format.
    void FormShow() override;
    // Destruction step: saves the settings.
    void FormDestroy() override;

    void SearchBitBtnClick() override;
    void TransferKdBitBtnClick() override;
    void MessungenDataSourceDataChange() override;
    void FormShowBitBtnClick();
    // Creates the report form "T" + formName in place of the current one and shows it on top.
    void OpenReportForm(const QString& formName);
    void DatabaseNeedRepair();

    void Quit1Click();
    void ProgramSettings1Click();
    void Language1Click();
    void Demodata1Click();
    void AlleKundenmarkieren1Click();
    void AlleauswhlenStrgA1Click();

    // Menu bar colour; set again whenever the menus change (after a translation, say).
    void ApplyMenuColor();

signals:
    // The window was closed by the user or by "&Beenden": the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void RefreshReportChoice();
    void InitLanguageList();
    void SetToolsVisible(bool visible);

    bool m_toolsUnlocked = false;
    QPointer<QWidget> m_reportForm;
};
