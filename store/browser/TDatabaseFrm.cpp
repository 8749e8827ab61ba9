#include "TDatabaseFrm.h"

#include "CardExchange.h"
#include "Dialogs.h"
#include "ErrorGuard.h"
#include "Platform.h"
#include "TDatabase.h"
#include "TDatabaseImpExpFrm.h"
#include "TLangResFrm.h"
#include "TMeasurementDataFrm.h"
#include "TProtocolFrm.h"
#include "TSearchDlgFrm.h"
#include "TWheelToArrowKeys.h"
#include "uBrowserText.h"
#include "uGlobal.h"
#include "uGlyphs.h"
#include "uXLSExport.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QIcon>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(30);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QWidget* MakePage(QTabWidget* pages, const QString& name, const QString& caption)
{
    auto* page = new QWidget(pages);
    page->setObjectName(name);
    pages->addTab(page, caption);
    return page;
}

bool Editing(const TTable* table)
{
    return table->Active() &&
           (table->State() == TDataSetState::Edit || table->State() == TDataSetState::Insert);
}

} // namespace

TDatabaseFrm::TDatabaseFrm(QWidget* parent) : TDatabaseFrm(u"DatabaseFrm"_s, parent) {}

TDatabaseFrm::TDatabaseFrm(const QString& objectName, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(objectName);
    setWindowTitle(objectName);
    Db = new TDatabase(this);
    KundenTable = Db->KundenTable;
    MessungenTable = Db->MessungenTable;
    MessdatenTable = Db->MessdatenTable;

    auto* central = new QWidget(this);
    central->setObjectName(u"Panel1"_s);
    setCentralWidget(central);
    auto* mainLayout = new QVBoxLayout(central);
    mainLayout->setContentsMargins(4, 4, 4, 4);

    PageControl = new QTabWidget(central);
    PageControl->setObjectName(u"PageControl"_s);
    mainLayout->addWidget(PageControl);

    // --- customers ---
    CustomerTabSheet = MakePage(PageControl, u"CustomerTabSheet"_s, u"Kunden"_s);
    auto* customerLayout = new QVBoxLayout(CustomerTabSheet);
    KundenPageControl = new QTabWidget(CustomerTabSheet);
    KundenPageControl->setObjectName(u"KundenPageControl"_s);
    KundenPageControl->setTabPosition(QTabWidget::South);
    customerLayout->addWidget(KundenPageControl);

    CustomerDetailTabSheet =
        MakePage(KundenPageControl, u"CustomerDetailTabSheet"_s, u"Details zum Kunden"_s);
    {
        auto* grid = new QGridLayout(CustomerDetailTabSheet);
        Label1 = MakeLabel(CustomerDetailTabSheet, u"Label1"_s, u"Kundennummer : "_s);
        Label2 = MakeLabel(CustomerDetailTabSheet, u"Label2"_s, u"Kunde 1 :"_s);
        Label3 = MakeLabel(CustomerDetailTabSheet, u"Label3"_s, u"Kunde 2 : "_s);
        Label4 = MakeLabel(CustomerDetailTabSheet, u"Label4"_s, u"Kunde 3 : "_s);
        Label5 = MakeLabel(CustomerDetailTabSheet, u"Label5"_s, u"Kunde 4 : "_s);
        Label6 = MakeLabel(CustomerDetailTabSheet, u"Label6"_s, u"Kunde 5 : "_s);
        Label7 = MakeLabel(CustomerDetailTabSheet, u"Label7"_s, u"Memo zum Kunden : "_s);
        DBEdit1 = MakeEdit(CustomerDetailTabSheet, u"DBEdit1"_s);
        DBEdit2 = MakeEdit(CustomerDetailTabSheet, u"DBEdit2"_s);
        DBEdit3 = MakeEdit(CustomerDetailTabSheet, u"DBEdit3"_s);
        DBEdit4 = MakeEdit(CustomerDetailTabSheet, u"DBEdit4"_s);
        DBEdit5 = MakeEdit(CustomerDetailTabSheet, u"DBEdit5"_s);
        DBEdit6 = MakeEdit(CustomerDetailTabSheet, u"DBEdit6"_s);
        DBKundenMemo = new QPlainTextEdit(CustomerDetailTabSheet);
        DBKundenMemo->setObjectName(u"DBKundenMemo"_s);
        KdEditBitBtn = MakeButton(CustomerDetailTabSheet, u"KdEditBitBtn"_s, u"Ändern"_s);
        KdPostBitBtn = MakeButton(CustomerDetailTabSheet, u"KdPostBitBtn"_s, u"Speichern"_s);
        KdCancelBitBtn = MakeButton(CustomerDetailTabSheet, u"KdCancelBitBtn"_s, u"Abbrechen"_s);
        KdAppendBitBtn = MakeButton(CustomerDetailTabSheet, u"KdAppendBitBtn"_s, u"Neu"_s);
        KdDeleteBitBtn = MakeButton(CustomerDetailTabSheet, u"KdDeleteBitBtn"_s, u"Löschen"_s);
        QLabel* labels[] = {Label1, Label2, Label3, Label4, Label5, Label6};
        QLineEdit* edits[] = {DBEdit1, DBEdit2, DBEdit3, DBEdit4, DBEdit5, DBEdit6};
        for (int i = 0; i < 6; ++i) {
            grid->addWidget(labels[i], i, 0);
            grid->addWidget(edits[i], i, 1);
        }
        grid->addWidget(Label7, 6, 0, Qt::AlignTop);
        grid->addWidget(DBKundenMemo, 6, 1);
        auto* buttons = new QHBoxLayout;
        for (QPushButton* b : {KdEditBitBtn, KdPostBitBtn, KdCancelBitBtn, KdAppendBitBtn, KdDeleteBitBtn})
            buttons->addWidget(b);
        buttons->addStretch();
        grid->addLayout(buttons, 7, 0, 1, 2);
        grid->setColumnStretch(1, 1);
    }

    KundeListeTabSheet = MakePage(KundenPageControl, u"KundeListeTabSheet"_s, u"Kundenübersicht"_s);
    {
        auto* layout = new QVBoxLayout(KundeListeTabSheet);
        KundenDBGrid = new TDBGrid(KundeListeTabSheet);
        KundenDBGrid->setObjectName(u"KundenDBGrid"_s);
        SearchEdit = new QLineEdit(KundeListeTabSheet);
        SearchEdit->setObjectName(u"SearchEdit"_s);
        SearchBitBtn = MakeButton(KundeListeTabSheet, u"SearchBitBtn"_s, u"Suchen"_s);
        KdAppendBitBtn2 = MakeButton(KundeListeTabSheet, u"KdAppendBitBtn2"_s, u"Neu"_s);
        KdDeleteBitBtn2 = MakeButton(KundeListeTabSheet, u"KdDeleteBitBtn2"_s, u"Löschen"_s);
        TransferKdBitBtn = MakeButton(KundeListeTabSheet, u"TransferKdBitBtn"_s, u"Auf Karte speichern"_s);
        layout->addWidget(KundenDBGrid, 1);
        auto* row = new QHBoxLayout;
        row->addWidget(SearchEdit);
        for (QPushButton* b : {SearchBitBtn, KdAppendBitBtn2, KdDeleteBitBtn2, TransferKdBitBtn})
            row->addWidget(b);
        layout->addLayout(row);
    }

    // --- tests of the current customer ---
    MeasurementTabSheet = MakePage(PageControl, u"MeasurementTabSheet"_s, u"Messungen zum Kunden"_s);
    auto* measurementLayout = new QVBoxLayout(MeasurementTabSheet);
    MessungenPageControl = new QTabWidget(MeasurementTabSheet);
    MessungenPageControl->setObjectName(u"MessungenPageControl"_s);
    MessungenPageControl->setTabPosition(QTabWidget::South);
    measurementLayout->addWidget(MessungenPageControl);

    MeasurementDetailTabSheet =
        MakePage(MessungenPageControl, u"MeasurementDetailTabSheet"_s, u"Details zur Messung"_s);
    {
        auto* grid = new QGridLayout(MeasurementDetailTabSheet);
        const QString captions[] = {u"Messungstyp : "_s,
                                    u"Startdatum : "_s,
                                    u"Startuhrzeit : "_s,
                                    u"Intervall in Sekunden : "_s,
                                    u"Druck Start : "_s,
                                    u"Druck Ende : "_s,
                                    u"Messdauer in Minuten : "_s,
                                    u"Differenzdruck Start Ende : "_s,
                                    u"Stabilisierungszeit in Minuten : "_s,
                                    u"Starttemperatur °C : "_s,
                                    u"Endtemperatur °C : "_s,
                                    u"Einheit : "_s,
                                    u"Anzahl Kommastellen : "_s,
                                    u"Luftdruck in hPa :"_s,
                                    u"Referenzdruck : "_s,
                                    u"Leckrate in l/h, normiert :"_s,
                                    u"Leckrate in l/h, unnormiert :"_s,
                                    u"Gerät : "_s,
                                    u"Memo zur Messung : "_s};
        QLabel** labels[] = {&Label8,  &Label9,  &Label10, &Label11, &Label12, &Label13, &Label14,
                             &Label15, &Label16, &Label17, &Label18, &Label19, &Label20, &Label21,
                             &Label22, &Label23, &Label24, &Label25, &Label26};
        QLineEdit** edits[] = {&DBEdit7,  &DBEdit8,  &DBEdit9,  &DBEdit10, &DBEdit11, &DBEdit12,
                               &DBEdit13, &DBEdit14, &DBEdit15, &DBEdit16, &DBEdit17, &DBEdit18,
                               &DBEdit19, &DBEdit20, &DBEdit21, &DBEdit22, &DBEdit23, &DBEdit24};
        for (int i = 0; i < 19; ++i)
            *labels[i] =
                MakeLabel(MeasurementDetailTabSheet, u"Label"_s + QString::number(8 + i), captions[i]);
        for (int i = 0; i < 18; ++i) {
            *edits[i] = MakeEdit(MeasurementDetailTabSheet, u"DBEdit"_s + QString::number(7 + i));
            (*edits[i])->setMaxLength(50);
            (*edits[i])->setEnabled(false);
            (*edits[i])->setReadOnly(true);
        }
        DBMessungMemo = new QPlainTextEdit(MeasurementDetailTabSheet);
        DBMessungMemo->setObjectName(u"DBMessungMemo"_s);
        DataBitBtn = MakeButton(MeasurementDetailTabSheet, u"DataBitBtn"_s, u" Messreihe ansehen"_s);
        MeEditBitBtn = MakeButton(MeasurementDetailTabSheet, u"MeEditBitBtn"_s, u"Ändern"_s);
        MePostBitBtn = MakeButton(MeasurementDetailTabSheet, u"MePostBitBtn"_s, u"Speichern"_s);
        MeCancelBitBtn = MakeButton(MeasurementDetailTabSheet, u"MeCancelBitBtn"_s, u"Abbrechen"_s);
        // Two columns of label and field; the memo and the buttons below them.
        for (int i = 0; i < 18; ++i) {
            const int row = i % 9;
            const int column = (i / 9) * 2;
            grid->addWidget(*labels[i], row, column);
            grid->addWidget(*edits[i], row, column + 1);
        }
        grid->addWidget(Label26, 9, 0, Qt::AlignTop);
        grid->addWidget(DBMessungMemo, 9, 1, 1, 3);
        auto* buttons = new QHBoxLayout;
        for (QPushButton* b : {DataBitBtn, MeEditBitBtn, MePostBitBtn, MeCancelBitBtn})
            buttons->addWidget(b);
        buttons->addStretch();
        grid->addLayout(buttons, 10, 0, 1, 4);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(3, 1);
    }

    MessungenListeTabSheet =
        MakePage(MessungenPageControl, u"MessungenListeTabSheet"_s, u"Alle Messungen beim Kunden"_s);
    {
        auto* layout = new QHBoxLayout(MessungenListeTabSheet);
        MessungenDBGrid = new TDBGrid(MessungenListeTabSheet);
        MessungenDBGrid->setObjectName(u"MessungenDBGrid"_s);
        LoadMesBitBtn = MakeButton(MessungenListeTabSheet, u"LoadMesBitBtn"_s, u"Von Karte laden"_s);
        FormShowBitBtn = MakeButton(MessungenListeTabSheet, u"FormShowBitBtn"_s, u"Formular anzeigen"_s);
        AvailFrmsComboBox = new QComboBox(MessungenListeTabSheet);
        AvailFrmsComboBox->setObjectName(u"AvailFrmsComboBox"_s);
        AvailFrmsComboBox->setEditable(false);
        AvailFrmsComboBox->setMinimumWidth(281);
        layout->addWidget(MessungenDBGrid, 1);
        auto* side = new QVBoxLayout;
        side->setObjectName(u"MessungenSideLayout"_s);
        side->addWidget(LoadMesBitBtn);
        side->addSpacing(16);
        side->addWidget(AvailFrmsComboBox);
        side->addWidget(FormShowBitBtn);
        side->addStretch();
        layout->addLayout(side);
    }

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(u"StatusBar"_s);
    StatusBar->setSizeGripEnabled(false);
    StatusText = new QLabel(StatusBar);
    // No object name: the status text is the program's own, never a caption of the language files.
    StatusBar->addWidget(StatusText, 1);
    setStatusBar(StatusBar);

    const std::pair<QPushButton*, TGlyph> glyphs[] = {
        {KdEditBitBtn, TGlyph::Edit},      {KdPostBitBtn, TGlyph::Post},
        {KdCancelBitBtn, TGlyph::Cancel},  {KdAppendBitBtn, TGlyph::Append},
        {KdDeleteBitBtn, TGlyph::Delete},  {KdAppendBitBtn2, TGlyph::Append},
        {KdDeleteBitBtn2, TGlyph::Delete}, {MeEditBitBtn, TGlyph::Edit},
        {MePostBitBtn, TGlyph::Post},      {MeCancelBitBtn, TGlyph::Cancel}};
    for (const auto& [button, kind] : glyphs)
        button->setIcon(QIcon(Glyph(kind)));

    KundenDBGrid->SetTable(KundenTable);
    MessungenDBGrid->SetTable(MessungenTable);

    // Bound details.
    for (QLineEdit* e : {DBEdit1, DBEdit2, DBEdit3, DBEdit4, DBEdit5, DBEdit6})
        m_customerLinks << new TFieldLink(e, this);
    m_customerLinks << new TFieldLink(DBKundenMemo, this);
    for (QLineEdit* e :
         {DBEdit7, DBEdit8, DBEdit9, DBEdit10, DBEdit11, DBEdit12, DBEdit13, DBEdit14, DBEdit15, DBEdit16,
          DBEdit17, DBEdit18, DBEdit19, DBEdit20, DBEdit21, DBEdit22, DBEdit23, DBEdit24}) {
        auto* link = new TFieldLink(e, this);
        link->SetWritable(false);
        m_measurementLinks << link;
    }
    m_memoLink = new TFieldLink(DBMessungMemo, this);
    m_measurementLinks << m_memoLink;

    connect(KdEditBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::KdEditBitBtnClick);
    connect(KdPostBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::KdPostBitBtnClick);
    connect(KdCancelBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::KdCancelBitBtnClick);
    connect(KdAppendBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::KdAppendBitBtnClick);
    connect(KdAppendBitBtn2, &QPushButton::clicked, this, &TDatabaseFrm::KdAppendBitBtnClick);
    connect(KdDeleteBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::KdDeleteBitBtnClick);
    connect(KdDeleteBitBtn2, &QPushButton::clicked, this, &TDatabaseFrm::KdDeleteBitBtnClick);
    connect(MeEditBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::MeEditBitBtnClick);
    connect(MePostBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::MePostBitBtnClick);
    connect(MeCancelBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::MeCancelBitBtnClick);
    connect(DataBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::DataBitBtnClick);
    connect(SearchBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::SearchBitBtnClick);
    connect(TransferKdBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::TransferKdBitBtnClick);
    connect(LoadMesBitBtn, &QPushButton::clicked, this, &TDatabaseFrm::LoadMesBitBtnClick);
    connect(SearchEdit, &QLineEdit::returnPressed, this, &TDatabaseFrm::SearchEditKeyPress);
    connect(KundenDBGrid, &TDBGrid::TitleClick, this, &TDatabaseFrm::KundenDBGridTitleClick);
    connect(MessungenDBGrid, &TDBGrid::TitleClick, this, &TDatabaseFrm::MessungenDBGridTitleClick);
    connect(KundenDBGrid, &TDBGrid::DblClick, this, &TDatabaseFrm::KundenDBGridDblClick);
    connect(MessungenDBGrid, &TDBGrid::DblClick, this, &TDatabaseFrm::MessungenDBGridDblClick);
    connect(KundenDBGrid, &TDBGrid::KeyDown, this,
            [this](int key, Qt::KeyboardModifiers) { KundenDBGridKeyDown(key); });
    connect(MessungenDBGrid, &TDBGrid::KeyDown, this,
            [this](int key, Qt::KeyboardModifiers) { MessungenDBGridKeyDown(key); });
    connect(PageControl, &QTabWidget::currentChanged, this, &TDatabaseFrm::PageControlChange);
    connect(KundenPageControl, &QTabWidget::currentChanged, this, &TDatabaseFrm::KundenPageControlChange);
    connect(MessungenPageControl, &QTabWidget::currentChanged, this,
            &TDatabaseFrm::MessungenPageControlChange);

    connect(KundenTable, &TTable::DataChange, this, &TDatabaseFrm::UpdateStatusBar);
    connect(KundenTable, &TTable::RowsChange, this, &TDatabaseFrm::UpdateStatusBar);
    connect(MessungenTable, &TTable::DataChange, this, &TDatabaseFrm::MessungenDataSourceDataChange);
    connect(MessdatenTable, &TTable::DataChange, this, &TDatabaseFrm::UpdateStatusBar);

    TWheelToArrowKeys::Install();
    Windows::Register(this);
}

TDatabaseFrm::~TDatabaseFrm()
{
    // The tables go while the lists and fields that follow them still exist.
    delete Db;
}

QString TDatabaseFrm::StatusBarText() const
{
    return StatusText->text();
}

// ---------------------------------------------------------------------------------------------
// Preparing, showing, hiding

void TDatabaseFrm::InitDatabaseView()
{
    // Again after the settings dialog has emptied or filled the tables, which stay open.
    if (!KundenTable->Active() || !MessungenTable->Active() || !MessdatenTable->Active())
        Db->OpenOrCreate(TDatabase::DatabasePath());
    StatusText->clear();
    BindDetails();

    SetGridColumn(KundenDBGrid, u"KUNDENID"_s, {});
    SetGridColumn(KundenDBGrid, u"KN"_s, Msg(u"Label33"_s));
    SetGridColumn(KundenDBGrid, u"K1"_s, Msg(u"Label34"_s));
    SetGridColumn(KundenDBGrid, u"K2"_s, Msg(u"Label35"_s));
    SetGridColumn(KundenDBGrid, u"K3"_s, Msg(u"Label36"_s));
    SetGridColumn(KundenDBGrid, u"K4"_s, Msg(u"Label37"_s));
    SetGridColumn(KundenDBGrid, u"K5"_s, Msg(u"Label38"_s));
    SetGridColumn(KundenDBGrid, u"KMEMO"_s, {});

    SetGridColumn(MessungenDBGrid, u"MKUNDENID"_s, {});
    SetGridColumn(MessungenDBGrid, u"MESSUNGENID"_s, {});
    SetGridColumn(MessungenDBGrid, u"MT"_s, Msg(u"Label39"_s));
    SetGridColumn(MessungenDBGrid, u"MTNR"_s, {});
    SetGridColumn(MessungenDBGrid, u"SD"_s, Msg(u"Label40"_s));
    SetGridColumn(MessungenDBGrid, u"SU"_s, Msg(u"Label41"_s));
    for (const QString& field : {u"IN"_s, u"DS"_s, u"DE"_s})
        SetGridColumn(MessungenDBGrid, field, {});
    SetGridColumn(MessungenDBGrid, u"MD"_s, Msg(u"Label42"_s));
    for (const QString& field : {u"DM"_s, u"SZ"_s, u"ST"_s, u"ET"_s, u"EH"_s, u"KS"_s, u"MMEMO"_s})
        SetGridColumn(MessungenDBGrid, field, {});

    PageControl->setCurrentWidget(CustomerTabSheet);
    KundenPageControl->setCurrentWidget(KundeListeTabSheet);
    SearchEdit->setFocus();
    SearchEdit->clear();

    KdCancelBitBtnClick();
    MeCancelBitBtnClick();

    KundenDBGrid->SetCurrentRowSelected(true);
    MessungenDBGrid->SetCurrentRowSelected(true);
    UpdateStatusBar();
}

void TDatabaseFrm::BindDetails()
{
    const QString customerFields[] = {u"KN"_s, u"K1"_s, u"K2"_s, u"K3"_s, u"K4"_s, u"K5"_s, u"KMEMO"_s};
    for (int i = 0; i < m_customerLinks.size(); ++i)
        m_customerLinks[i]->Bind(KundenTable, customerFields[i]);
    const QString testFields[] = {u"MT"_s, u"SD"_s, u"SU"_s, u"IN"_s, u"DS"_s,   u"DE"_s, u"MD"_s,
                                  u"DM"_s, u"SZ"_s, u"ST"_s, u"ET"_s, u"EH"_s,   u"KS"_s, u"LD"_s,
                                  u"RD"_s, u"LR"_s, u"LU"_s, u"NR"_s, u"MMEMO"_s};
    for (int i = 0; i < m_measurementLinks.size(); ++i)
        m_measurementLinks[i]->Bind(MessungenTable, testFields[i]);
}

void TDatabaseFrm::FormCreate() {}
void TDatabaseFrm::FormDestroy() {}

void TDatabaseFrm::FormShow()
{
    Guarded(this, [&] { InitDatabaseView(); });
}

void TDatabaseFrm::FormHide()
{
    Guarded(this, [&] {
        CloseTables();
        DeleteReportPdfs();
    });
}

void TDatabaseFrm::CloseTables()
{
    Db->CloseTables();
}

void TDatabaseFrm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The show step runs once the window is on the screen, so that it can paint before the slow work.
    if (!event->spontaneous())
        QMetaObject::invokeMethod(
            this, [this] { FormShow(); }, Qt::QueuedConnection);
}

void TDatabaseFrm::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

void TDatabaseFrm::UpdateStatusBar()
{
    // The card import writes its own progress there while it runs.
    if (CardExchangeBusy())
        return;
    QString text = FormatTime(Platform::Now().time()) + u' ';
    try {
        if (KundenTable->Active())
            text += u"K"_s + QString::number(KundenTable->RecNo()) + u'/' +
                    QString::number(KundenTable->RecordCount()) + u' ';
        if (MessungenTable->Active())
            text += u"M"_s + QString::number(MessungenTable->RecNo()) + u'/' +
                    QString::number(MessungenTable->RecordCount()) + u' ';
        if (MessdatenTable->Active())
            text += u"D"_s + QString::number(MessdatenTable->RecNo()) + u'/' +
                    QString::number(MessdatenTable->RecordCount());
    } catch (const std::exception&) {
        // A table that cannot count now shows no part.
    }
    StatusText->setText(text);
}

// After a repair or a compaction the lists stay closed until the program is started again; an
// action on them says so rather than doing nothing.
bool TDatabaseFrm::ListsOpen()
{
    if (KundenTable->Active() && MessungenTable->Active() && MessdatenTable->Active())
        return true;
    Dialogs::Information(this, Msg(u"Label8"_s), Msg(u"Label87"_s));
    return false;
}

void TDatabaseFrm::SetGridColumn(TDBGrid* grid, const QString& fieldName, const QString& title)
{
    grid->SetGridColumn(fieldName, title);
}

// ---------------------------------------------------------------------------------------------
// Customers

void TDatabaseFrm::EnableCustomerEdits(bool on)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{DBEdit1, DBEdit2, DBEdit3, DBEdit4, DBEdit5, DBEdit6, DBKundenMemo})
        w->setEnabled(on);
    const bool any = KundenTable->Active() && !KundenTable->IsEmpty();
    KdEditBitBtn->setEnabled(any);
    KdDeleteBitBtn->setEnabled(any);
    KdDeleteBitBtn2->setEnabled(any);
}

void TDatabaseFrm::SetCustomerBrowseButtons()
{
    KdPostBitBtn->setEnabled(false);
    KdCancelBitBtn->setEnabled(false);
    KdAppendBitBtn->setEnabled(true);
    KdAppendBitBtn2->setEnabled(true);
    EnableCustomerEdits(false);
}

void TDatabaseFrm::UpdateCustomerRecord()
{
    for (TFieldLink* link : m_customerLinks)
        link->UpdateRecord();
}

void TDatabaseFrm::KdEditBitBtnClick()
{
    Guarded(this, [&] {
        if (CardExchangeBusy() || !ListsOpen() || KundenTable->IsEmpty())
            return;
        KundenTable->Edit();
        EnableCustomerEdits(true);
        KdEditBitBtn->setEnabled(false);
        KdPostBitBtn->setEnabled(true);
        KdCancelBitBtn->setEnabled(true);
        KdAppendBitBtn->setEnabled(false);
        KdAppendBitBtn2->setEnabled(false);
        KdDeleteBitBtn->setEnabled(false);
        KdDeleteBitBtn2->setEnabled(false);
        DBEdit1->setFocus();
    });
}

void TDatabaseFrm::KdAppendBitBtnClick()
{
    Guarded(this, [&] {
        if (CardExchangeBusy() || !ListsOpen())
            return;
        PageControl->setCurrentWidget(CustomerTabSheet);
        KundenPageControl->setCurrentWidget(CustomerDetailTabSheet);
        KundenTable->Append();
        EnableCustomerEdits(true);
        KdEditBitBtn->setEnabled(false);
        KdPostBitBtn->setEnabled(true);
        KdCancelBitBtn->setEnabled(true);
        KdAppendBitBtn->setEnabled(false);
        KdAppendBitBtn2->setEnabled(false);
        KdDeleteBitBtn->setEnabled(false);
        KdDeleteBitBtn2->setEnabled(false);
        DBEdit1->setFocus();
    });
}

void TDatabaseFrm::KdPostBitBtnClick()
{
    Guarded(this, [&] {
        if (!ListsOpen())
            return;
        if (Editing(KundenTable)) {
            // A value the store refuses keeps the row in edit mode, buttons as they are.
            UpdateCustomerRecord();
            KundenTable->Post();
        }
        SetCustomerBrowseButtons();
        KundenDBGrid->ClearSelection();
        KundenDBGrid->SetCurrentRowSelected(true);
    });
}

void TDatabaseFrm::KdCancelBitBtnClick()
{
    Guarded(this, [&] {
        if (KundenTable->Active() && Editing(KundenTable))
            KundenTable->Cancel();
        SetCustomerBrowseButtons();
    });
}

void TDatabaseFrm::KdDeleteBitBtnClick()
{
    DeleteSelectedCustomers();
    Guarded(this, [&] { SetCustomerBrowseButtons(); });
}

void TDatabaseFrm::DeleteSelectedCustomers()
{
    Guarded(this, [&] {
        if (CardExchangeBusy() || !ListsOpen())
            return;
        if (Editing(KundenTable))
            KundenTable->Cancel();
        const QList<TBookmark> selected = KundenDBGrid->SelectedBookmarks();
        const QString title = Msg(u"Label48"_s);
        if (selected.size() == 1) {
            if (!Dialogs::Ask(this, title, Compose({Msg(u"Label46"_s), Msg(u"Label47"_s)})))
                return;
            // The one marked row, which is the current one unless the user moved away from it.
            KundenTable->GotoBookmark(selected.first());
            Db->DeleteCurrentCustomer();
        } else {
            if (!Dialogs::Ask(this, title, Compose({Msg(u"Label49"_s), Msg(u"Label47"_s)})))
                return;
            for (const TBookmark& mark : selected) {
                if (!KundenTable->BookmarkValid(mark))
                    continue;
                KundenTable->GotoBookmark(mark);
                Db->DeleteCurrentCustomer();
            }
        }
        KundenDBGrid->ClearSelection();
        if (!KundenTable->IsEmpty())
            KundenDBGrid->SetCurrentRowSelected(true);
    });
}

// ---------------------------------------------------------------------------------------------
// Tests

void TDatabaseFrm::EnableMeasurementMemo(bool on)
{
    DBMessungMemo->setEnabled(on);
    m_memoLink->SetWritable(on);
}

void TDatabaseFrm::MeEditBitBtnClick()
{
    Guarded(this, [&] {
        // Editing an empty list would add an empty test.
        if (CardExchangeBusy() || !ListsOpen() || MessungenTable->IsEmpty())
            return;
        MessungenTable->Edit();
        MePostBitBtn->setEnabled(true);
        MeCancelBitBtn->setEnabled(true);
        MeEditBitBtn->setEnabled(false);
        EnableMeasurementMemo(true);
        DBMessungMemo->setFocus();
    });
}

void TDatabaseFrm::MePostBitBtnClick()
{
    Guarded(this, [&] {
        if (!ListsOpen())
            return;
        if (Editing(MessungenTable)) {
            m_memoLink->UpdateRecord();
            MessungenTable->Post();
        }
        MeEditBitBtn->setEnabled(true);
        MePostBitBtn->setEnabled(false);
        MeCancelBitBtn->setEnabled(false);
        EnableMeasurementMemo(false);
    });
}

void TDatabaseFrm::MeCancelBitBtnClick()
{
    Guarded(this, [&] {
        if (MessungenTable->Active() && Editing(MessungenTable))
            MessungenTable->Cancel();
        MeEditBitBtn->setEnabled(true);
        MePostBitBtn->setEnabled(false);
        MeCancelBitBtn->setEnabled(false);
        EnableMeasurementMemo(false);
    });
}

void TDatabaseFrm::DeleteSelectedMeasurements()
{
    Guarded(this, [&] {
        if (CardExchangeBusy() || !ListsOpen())
            return;
        if (Editing(MessungenTable))
            MessungenTable->Cancel();
        const QList<TBookmark> selected = MessungenDBGrid->SelectedBookmarks();
        const QString title = Msg(u"Label48"_s);
        if (selected.size() == 1) {
            if (!Dialogs::Ask(this, title, Msg(u"Label50"_s)))
                return;
            MessungenTable->GotoBookmark(selected.first());
            Db->DeleteCurrentMeasurement();
        } else {
            if (!Dialogs::Ask(this, title, Msg(u"Label51"_s)))
                return;
            for (const TBookmark& mark : selected) {
                if (!MessungenTable->BookmarkValid(mark))
                    continue;
                MessungenTable->GotoBookmark(mark);
                Db->DeleteCurrentMeasurement();
            }
        }
        MessungenDBGrid->ClearSelection();
        MessungenDBGrid->SetCurrentRowSelected(!MessungenTable->IsEmpty());
    });
}

void TDatabaseFrm::MessungenDataSourceDataChange()
{
    UpdateStatusBar();
}

// ---------------------------------------------------------------------------------------------
// Readings

QString TDatabaseFrm::RegisteredProgram(const QString& extension)
{
    return Platform::AssociatedProgram(extension);
}

bool TDatabaseFrm::OpenWithRegisteredProgram(const QString& program, const QString& path)
{
    const QFileInfo file(path);
    return Platform::ShellRun(program, file.fileName(), file.absolutePath());
}

bool TDatabaseFrm::OpenWithNotepad(const QString& path)
{
    const QFileInfo file(path);
    if (Platform::ShellRun(u"NOTEPAD.EXE"_s, file.fileName(), file.absolutePath()))
        return true;
    return Platform::ShellOpen(file.absoluteFilePath());
}

void TDatabaseFrm::DataBitBtnClick()
{
    Guarded(this, [&] {
        if (!ListsOpen() || MessungenTable->IsEmpty())
            return;
        const int mtnr = MessungenTable->FieldByName(u"MTNR"_s).AsInteger();
        if (mtnr != 0 && mtnr != 12) {
            if (auto* curve = Windows::Get<TMeasurementDataFrm>(u"MeasurementDataFrm"_s))
                curve->LoadReadings(MessdatenTable, MessungenTable);
            return;
        }
        // Logger tests keep their readings in a CSV file named by their start moment.
        const QDate date = MessungenTable->FieldByName(u"SD"_s).AsDate();
        const QTime time = MessungenTable->FieldByName(u"SU"_s).AsTime();
        const QString csv = GetDataFolder() + u'/' + LoggerExportFileName(date, time);
        const QString xls = ConvertCsvToXls(csv);
        const QString program = RegisteredProgram(u"XLS"_s);
        if (!program.isEmpty() && QFileInfo::exists(program))
            OpenWithRegisteredProgram(program, xls);
        else
            OpenWithNotepad(csv);
    });
}

// ---------------------------------------------------------------------------------------------
// Lists: sorting, double clicks, keys

void TDatabaseFrm::KundenDBGridTitleClick(int column)
{
    Guarded(this, [&] {
        if (CardExchangeBusy() || !ListsOpen())
            return;
        const QString field = KundenDBGrid->ColumnField(column);
        if (field.isEmpty())
            return;
        // The customer indexes are named after their fields.
        KundenTable->SetIndexName(field);
        KundenDBGrid->Model()->SetBoldField(field);
        KundenDBGrid->SetCurrentRowSelected(true);
    });
}

void TDatabaseFrm::MessungenDBGridTitleClick(int column)
{
    Guarded(this, [&] {
        if (CardExchangeBusy() || !ListsOpen())
            return;
        const QString field = MessungenDBGrid->ColumnField(column);
        if (field.isEmpty())
            return;
        // "I" + field: IMT, ISD (newest first), ISU, IMD; other columns have no index.
        MessungenTable->SetIndexName(u"I"_s + field);
        MessungenDBGrid->Model()->SetBoldField(field);
        MessungenDBGrid->SetCurrentRowSelected(true);
    });
}

void TDatabaseFrm::KundenDBGridDblClick()
{
    KundenPageControl->setCurrentWidget(CustomerDetailTabSheet);
}

void TDatabaseFrm::MessungenDBGridDblClick()
{
    MessungenPageControl->setCurrentWidget(MeasurementDetailTabSheet);
}

void TDatabaseFrm::KundenDBGridKeyDown(int key)
{
    if (key == Qt::Key_Delete) {
        DeleteSelectedCustomers();
        Guarded(this, [&] { SetCustomerBrowseButtons(); });
    } else if (key == Qt::Key_Insert) {
        KundenPageControl->setCurrentWidget(CustomerDetailTabSheet);
        KdAppendBitBtnClick();
        KundenDBGrid->ClearSelection();
        DBEdit1->setFocus();
    }
}

void TDatabaseFrm::MessungenDBGridKeyDown(int key)
{
    if (key == Qt::Key_Delete)
        DeleteSelectedMeasurements();
}

void TDatabaseFrm::SearchEditKeyPress()
{
    SearchBitBtn->click();
}

void TDatabaseFrm::PageControlChange()
{
    UpdateStatusBar();
    KdCancelBitBtnClick();
    MeCancelBitBtnClick();
}

void TDatabaseFrm::KundenPageControlChange()
{
    KdCancelBitBtnClick();
}

void TDatabaseFrm::MessungenPageControlChange()
{
    MeCancelBitBtnClick();
}

// ---------------------------------------------------------------------------------------------
// Search

void TDatabaseFrm::SearchBitBtnClick()
{
    RunCustomerSearch();
}

void TDatabaseFrm::RunCustomerSearch()
{
    Guarded(this, [&] {
        if (CardExchangeBusy() || !ListsOpen())
            return;
        KundenDBGrid->ClearSelection();
        const QString term = SearchTerm(SearchEdit->text());
        const int count = KundenTable->RecordCount();
        TGridModel* model = KundenDBGrid->Model();
        QList<int> fields;
        for (int column = 0; column < model->columnCount(); ++column)
            if (TField* f = KundenTable->FindField(model->FieldName(column)))
                fields << f->Index();

        auto* box = Windows::Get<TSearchDlgFrm>(u"SearchDlgFrm"_s);
        std::unique_ptr<TSearchDlgFrm> ownBox;
        if (!box) {
            ownBox = std::make_unique<TSearchDlgFrm>(this);
            box = ownBox.get();
        }

        bool found = false;
        for (int recNo = 1; recNo <= count; ++recNo) {
            for (int field : fields) {
                const QString text = UpperAZ(KundenTable->DisplayTextAt(recNo, field));
                if (term.isEmpty() || !text.contains(term))
                    continue;
                found = true;
                KundenTable->SetRecNo(recNo);
                KundenDBGrid->SetRowSelected(recNo, true);
                KundenDBGrid->scrollTo(model->index(recNo - 1, 0));
                if (!box->AskContinue(text)) {
                    SearchEdit->clear();
                    return;
                }
                KundenDBGrid->SetRowSelected(recNo, false);
            }
        }
        // The search ends on the last customer, as a walk through the list does.
        if (count > 0)
            KundenTable->SetRecNo(count);
        if (!found)
            Dialogs::Information(this, QApplication::applicationDisplayName(), Msg(u"Label60"_s));
    });
}

// ---------------------------------------------------------------------------------------------
// Card

TCardHost TDatabaseFrm::CardHost()
{
    TCardHost host;
    host.database = Db;
    host.window = this;
    host.setStatus = [this](const QString& text) { StatusText->setText(text); };
    host.showLists = [this](bool visible) {
        KundenDBGrid->setVisible(visible);
        MessungenDBGrid->setVisible(visible);
    };
    if (auto* protocol = Windows::Get<TProtocolFrm>(u"ProtocolFrm"_s)) {
        QPointer<TProtocolFrm> guard = protocol;
        host.protocol = [guard](const QString& line) {
            if (guard)
                guard->AppendProtocolLine(line);
        };
        host.inputWindows << protocol;
    }
    host.importer = Windows::Get<TDatabaseImpExpFrm>(u"DatabaseImpExpFrm"_s);
    return host;
}

void TDatabaseFrm::LoadMesBitBtnClick()
{
    if (CardExchangeBusy() || !ListsOpen())
        return;
    Guarded(this, [&] { LoadMesFromCard(CardHost()); });
    Guarded(this, [&] {
        if (!KundenTable->Active())
            return;
        EnableCustomerEdits(!KundenTable->IsEmpty());
        KundenDBGrid->ClearSelection();
        KundenDBGrid->SetCurrentRowSelected(true);
        MessungenDBGrid->ClearSelection();
        MessungenDBGrid->SetCurrentRowSelected(true);
        UpdateStatusBar();
    });
}

void TDatabaseFrm::TransferKdBitBtnClick()
{
    Guarded(this, [&] {
        if (CardExchangeBusy() || !ListsOpen())
            return;
        TransferCustomersToCard(CardHost(), KundenDBGrid->SelectedBookmarks());
    });
}
