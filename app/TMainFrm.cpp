#include "TMainFrm.h"

#include "Dialogs.h"
#include "ErrorGuard.h"
#include "TDatabase.h"
#include "TDemoDataFrm.h"
#include "TLangResFrm.h"
#include "TLangSettingsFrm.h"
#include "TReportFormRegistry.h"
#include "TReportMasterFrm.h"
#include "TSettingsFrm.h"
#include "uBrowserText.h"
#include "uFormulare.h"
#include "uGlobal.h"
#include "uLanguage.h"
#include "WindowRegistry.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>

using namespace Qt::StringLiterals;

static void InitLogoResources()
{
    Q_INIT_RESOURCE(logos);
}

namespace {

QLabel* MakeLogo(QWidget* parent, const QString& name)
{
    auto* logo = new QLabel(parent);
    logo->setObjectName(name);
    logo->setFixedSize(281, 40);
    logo->setPixmap(QPixmap(u":/logos/TQ5Logo.png"_s));
    return logo;
}

} // namespace

TMainFrm::TMainFrm(QWidget* parent) : TDatabaseFrm(u"MainFrm"_s, parent)
{
    InitLogoResources();
    setWindowTitle(u"TQ5 Report"_s);
    resize(1000, 551);
    setMinimumSize(1000, 500);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    // --- menus ---
    File1 = menuBar()->addMenu(u"&Datei"_s);
    File1->setObjectName(u"File1"_s);
    Quit1 = File1->addAction(u"&Beenden"_s);
    Quit1->setObjectName(u"Quit1"_s);
    Settings1 = menuBar()->addMenu(u"&Einstellungen"_s);
    Settings1->setObjectName(u"Settings1"_s);
    ProgramSettings1 = Settings1->addAction(u"Programm"_s);
    ProgramSettings1->setObjectName(u"ProgramSettings1"_s);
    Language1 = Settings1->addAction(u"&Sprache"_s);
    Language1->setObjectName(u"Language1"_s);
    Tools1 = menuBar()->addMenu(u"Tools"_s);
    Tools1->setObjectName(u"Tools1"_s);
    Demodata1 = Tools1->addAction(u"Demodaten"_s);
    Demodata1->setObjectName(u"Demodata1"_s);
    AlleKundenmarkieren1 = Tools1->addAction(u"&Alle Kunden markieren"_s);
    AlleKundenmarkieren1->setObjectName(u"AlleKundenmarkieren1"_s);
    AlleKundenmarkieren1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    AlleKundenmarkieren1->setShortcutContext(Qt::WindowShortcut);
    // The shortcut works while the Tools menu is hidden, so the window holds the action too.
    addAction(AlleKundenmarkieren1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(u"PopupMenu1"_s);
    AlleauswhlenStrgA1 = PopupMenu1->addAction(u"Alle auswählen Strg-A"_s);
    AlleauswhlenStrgA1->setObjectName(u"AlleauswhlenStrgA1"_s);
    KundenDBGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(KundenDBGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(KundenDBGrid->viewport()->mapToGlobal(pos)); });

    connect(Quit1, &QAction::triggered, this, &TMainFrm::Quit1Click);
    connect(ProgramSettings1, &QAction::triggered, this, &TMainFrm::ProgramSettings1Click);
    connect(Language1, &QAction::triggered, this, &TMainFrm::Language1Click);
    connect(Demodata1, &QAction::triggered, this, &TMainFrm::Demodata1Click);
    connect(AlleKundenmarkieren1, &QAction::triggered, this, &TMainFrm::AlleKundenmarkieren1Click);
    connect(AlleauswhlenStrgA1, &QAction::triggered, this, &TMainFrm::AlleauswhlenStrgA1Click);
    connect(FormShowBitBtn, &QPushButton::clicked, this, &TMainFrm::FormShowBitBtnClick);
    ApplyMenuColor();

    // --- what the main window adds to the browser's pages ---
    PageControl->setStyleSheet(
        u"QTabWidget#PageControl > QTabBar::tab { min-width: 360px; min-height: 60px; }"_s);

    const QString names[] = {u"Name :"_s, u"Straße : "_s, u"PLZ / Ort : "_s, u"Telefon : "_s,
                             u"Sonstiges : "_s};
    QLabel* labels[] = {Label2, Label3, Label4, Label5, Label6};
    for (int i = 0; i < 5; ++i) {
        labels[i]->setText(names[i]);
        QFont bold = labels[i]->font();
        bold.setBold(true);
        labels[i]->setFont(bold);
    }
    LogoImage2 = MakeLogo(CustomerDetailTabSheet, u"LogoImage2"_s);
    if (auto* grid = qobject_cast<QGridLayout*>(CustomerDetailTabSheet->layout()))
        grid->addWidget(LogoImage2, 0, 2, Qt::AlignTop | Qt::AlignRight);

    Label27 = new QLabel(u"Verfügbare Messreihen zu diesem Kunden : "_s, MessungenListeTabSheet);
    Label27->setObjectName(u"Label27"_s);
    Label28 = new QLabel(u" Formulare zur Messreihe : "_s, MessungenListeTabSheet);
    Label28->setObjectName(u"Label28"_s);
    LogoImage1 = MakeLogo(MessungenListeTabSheet, u"LogoImage1"_s);
    if (auto* side = MessungenListeTabSheet->findChild<QVBoxLayout*>(u"MessungenSideLayout"_s)) {
        side->insertWidget(2, Label28);
        side->addWidget(LogoImage1);
    }
    if (auto* row = qobject_cast<QBoxLayout*>(MessungenListeTabSheet->layout())) {
        // The heading above the list: the list's column gets a layout of its own.
        auto* column = new QVBoxLayout;
        row->removeWidget(MessungenDBGrid);
        column->addWidget(Label27);
        column->addWidget(MessungenDBGrid, 1);
        row->insertLayout(0, column, 1);
    }

    Db->OnNeedRepair = [this] { DatabaseNeedRepair(); };
    SetTQ5Database(Db);
}

TMainFrm::~TMainFrm()
{
    delete m_reportForm;
    if (TQ5Database() == Db)
        SetTQ5Database(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Creation, show and destruction steps

void TMainFrm::FormCreate()
{
    Guarded(this, [&] {
        RegisterReportForms();
        SetDateFormat();
        LoadSettings();
        SetReportCatalogueBuilder(&BuildReportCatalogue);
        BuildReportCatalogue();
    });
}

void TMainFrm::FormShow()
{
    Guarded(this, [&] {
        // Let the window paint before the language files and the database are opened.
        QCoreApplication::processEvents();
        InitLanguageList();
        TDatabaseFrm::FormShow();
        SetToolsVisible(false);
        AddDisabledGlyphs({KdEditBitBtn, KdPostBitBtn, KdCancelBitBtn, KdAppendBitBtn, KdDeleteBitBtn,
                           MeEditBitBtn, MeCancelBitBtn, MePostBitBtn});
        SetDateFormat();
    });
}

void TMainFrm::FormDestroy()
{
    Guarded(this, [&] { SaveSettings(); });
}

void TMainFrm::InitLanguageList()
{
    ::InitLanguageList();
    ApplyMenuColor();
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    const bool wasOpen = isVisible();
    TDatabaseFrm::closeEvent(event);
    if (event->isAccepted() && wasOpen)
        emit Closed();
}

bool TMainFrm::event(QEvent* event)
{
    // Translated captions change the menus; their colour goes with them.
    if (event->type() == QEvent::LanguageChange)
        ApplyMenuColor();
    return TDatabaseFrm::event(event);
}

void TMainFrm::ApplyMenuColor()
{
    const QColor c = MenuColor();
    menuBar()->setStyleSheet(
        u"QMenuBar { background-color: rgb(%1, %2, %3); }"_s.arg(c.red()).arg(c.green()).arg(c.blue()));
}

void TMainFrm::SetToolsVisible(bool visible)
{
    Tools1->menuAction()->setVisible(visible);
    StatusBar->setVisible(visible);
}

// ---------------------------------------------------------------------------------------------
// Search word, transfer guard

void TMainFrm::SearchBitBtnClick()
{
    if (TrimBlanks(UpperAZ(SearchEdit->text())) == ToolsKeyword()) {
        SearchEdit->clear();
        m_toolsUnlocked = true;
        SetToolsVisible(true);
        return;
    }
    TDatabaseFrm::SearchBitBtnClick();
}

void TMainFrm::TransferKdBitBtnClick()
{
    const QString title = Msg(u"Label3"_s);
    if (DataDrive.isNull() || DataDrive == u' ') {
        Dialogs::Information(this, title, Compose({Msg(u"Label1"_s), Msg(u"Label2"_s)}));
        return;
    }
    if (DriveAccessible(DataDrive)) {
        TDatabaseFrm::TransferKdBitBtnClick();
        return;
    }
    Dialogs::Information(this, title, Compose({MsgF(u"Label4"_s, {QString(DataDrive)}), Msg(u"Label5"_s)}));
}

// ---------------------------------------------------------------------------------------------
// Report choice and report forms

void TMainFrm::MessungenDataSourceDataChange()
{
    TDatabaseFrm::MessungenDataSourceDataChange();
    RefreshReportChoice();
}

void TMainFrm::RefreshReportChoice()
{
    int mtnr = 0;
    if (MessungenTable->Active() && !MessungenTable->IsEmpty())
        mtnr = MessungenTable->FieldByName(u"MTNR"_s).AsInteger();
    AvailFrmsComboBox->clear();
    AvailFrmsComboBox->addItems(FittingReportTitles(mtnr));
    AvailFrmsComboBox->setCurrentIndex(AvailFrmsComboBox->count() > 0 ? 0 : -1);
}

void TMainFrm::FormShowBitBtnClick()
{
    Guarded(this, [&] {
        if (!ListsOpen() || AvailFrmsComboBox->currentIndex() < 0)
            return;
        const QString title = AvailFrmsComboBox->currentText();
        for (const QString& formName : FormNamesForTitle(title))
            OpenReportForm(formName);
        RefreshReportChoice();
    });
}

void TMainFrm::OpenReportForm(const QString& formName)
{
    const QString className = u"T"_s + formName;
    // A form this build does not carry leaves the current one as it is.
    if (!ReportFormRegistered(className))
        throw TError(Compose({Msg(u"Label78"_s), className}));
    if (m_reportForm) {
        m_reportForm->hide();
        delete m_reportForm;
    }
    QWidget* form = CreateReportForm(className, this);
    if (!form)
        throw TError(Compose({Msg(u"Label78"_s), className}));
    form->setWindowFlag(Qt::Window, true);
    m_reportForm = form;
    if (auto* master = Windows::Find(u"ReportMasterFrm"_s))
        for (const QString& name : {u"PDFFrmBitBtn"_s, u"VorgabeSpeichernCheckBox"_s}) {
            auto* from = master->findChild<QAbstractButton*>(name);
            auto* to = form->findChild<QAbstractButton*>(name);
            if (from && to)
                to->setText(from->text());
        }
    form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    form->show();
}

void TMainFrm::DatabaseNeedRepair()
{
    Dialogs::Information(this, Msg(u"Label8"_s), Compose({Msg(u"Label6"_s), Msg(u"Label7"_s)}));
}

// ---------------------------------------------------------------------------------------------
// Grey pictures

QImage TMainFrm::DisabledGlyph(const QImage& picture)
{
    QImage grey = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb px = line[x];
            const int g = ((qRed(px) + qGreen(px) + qBlue(px)) / 3) / 2 + 96;
            line[x] = qRgba(g, g, g, qAlpha(px));
        }
    }
    return grey;
}

void TMainFrm::AddDisabledGlyphs(const QList<QAbstractButton*>& buttons)
{
    for (QAbstractButton* button : buttons) {
        const QIcon icon = button->icon();
        const QList<QSize> sizes = icon.availableSizes(QIcon::Normal);
        const QImage picture = icon.pixmap(sizes.isEmpty() ? button->iconSize() : sizes.first()).toImage();
        if (picture.isNull() || picture.width() != picture.height())
            return;
        const int c = picture.width();
        // Enabled picture at the left, its grey copy at c.
        QImage pair(2 * c, c, QImage::Format_ARGB32);
        pair.fill(Qt::transparent);
        QPainter painter(&pair);
        painter.drawImage(0, 0, picture);
        painter.drawImage(c, 0, DisabledGlyph(picture));
        painter.end();
        QIcon twoPart;
        twoPart.addPixmap(QPixmap::fromImage(pair.copy(0, 0, c, c)), QIcon::Normal);
        twoPart.addPixmap(QPixmap::fromImage(pair.copy(c, 0, c, c)), QIcon::Disabled);
        button->setIcon(twoPart);
    }
}

// ---------------------------------------------------------------------------------------------
// Menu entries

void TMainFrm::Quit1Click()
{
    close();
}

void TMainFrm::ProgramSettings1Click()
{
    if (auto* dialog = Windows::Get<TSettingsFrm>(u"SettingsFrm"_s))
        dialog->exec();
}

void TMainFrm::Language1Click()
{
    if (auto* dialog = Windows::Get<TLangSettingsFrm>(u"LangSettingsFrm"_s))
        dialog->exec();
    ApplyMenuColor();
}

void TMainFrm::Demodata1Click()
{
    if (auto* dialog = Windows::Get<TDemoDataFrm>(u"DemoDataFrm"_s))
        dialog->exec();
}

void TMainFrm::AlleKundenmarkieren1Click()
{
    Guarded(this, [&] {
        if (!ListsOpen() || KundenTable->IsEmpty())
            return;
        KundenDBGrid->setUpdatesEnabled(false);
        KundenTable->Last();
        TGridModel* model = KundenDBGrid->Model();
        const QItemSelection all(model->index(0, 0),
                                 model->index(model->rowCount() - 1, model->columnCount() - 1));
        KundenDBGrid->selectionModel()->select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        KundenDBGrid->setUpdatesEnabled(true);
    });
}

void TMainFrm::AlleauswhlenStrgA1Click()
{
    AlleKundenmarkieren1Click();
}
