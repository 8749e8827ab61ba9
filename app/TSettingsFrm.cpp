#include "TSettingsFrm.h"

#include "Dialogs.h"
#include "ErrorGuard.h"
#include "Platform.h"
#include "TDatabase.h"
#include "TDatabaseFrm.h"
#include "TImage.h"
#include "TIniFile.h"
#include "TLangResFrm.h"
#include "uCustomerFile.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHideEvent>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"FirmenFrm"_s;
const QString kTitle = u"TQ5 Report"_s;

// The hourglass for its lifetime, or until Restore.
class TBusyCursor
{
public:
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { Restore(); }
    void Restore()
    {
        if (m_on)
            QGuiApplication::restoreOverrideCursor();
        m_on = false;
    }

private:
    bool m_on = true;
};

QWidget* WhitePage(QWidget* parent, const QString& name)
{
    auto* page = new QWidget(parent);
    page->setObjectName(name);
    QPalette p = page->palette();
    p.setColor(QPalette::Window, Qt::white);
    page->setPalette(p);
    page->setAutoFillBackground(true);
    return page;
}

template <typename T> T* Named(QWidget* parent, const QString& name, const QString& caption = {})
{
    auto* w = new T(parent);
    w->setObjectName(name);
    if constexpr (requires { w->setText(caption); })
        w->setText(caption);
    return w;
}

// Shows the tables anew in the main window's browser after the dialog changed them.
void RefreshBrowser()
{
    if (auto* browser = Windows::Get<TDatabaseFrm>(u"MainFrm"_s))
        browser->InitDatabaseView();
}

} // namespace

TSettingsFrm::TSettingsFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"SettingsFrm"_s);
    setWindowTitle(u"Programmeinstellungen "_s);
    setModal(true);
    setFixedSize(534, 307);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = Named<QTabWidget>(this, u"PageControl1"_s);
    // The pages are shown as flat buttons.
    PageControl1->setStyleSheet(
        u"QTabBar::tab { height: 30px; padding: 0 6px; border: none; background: #e8e8e8; }"
        u"QTabBar::tab:selected { background: white; }"
        u"QTabWidget::pane { border: none; }"_s);
    layout->addWidget(PageControl1);

    // --- Programm ---
    SettingsTabSheet = WhitePage(PageControl1, u"SettingsTabSheet"_s);
    PageControl1->addTab(SettingsTabSheet, u"   Programm   "_s);
    auto* program = new QGridLayout(SettingsTabSheet);
    Label1 =
        Named<QLabel>(SettingsTabSheet, u"Label1"_s, u"Kartenlaufwerk für Datenaustausch mit dem TQ5 : "_s);
    ComboBox1 = Named<QComboBox>(SettingsTabSheet, u"ComboBox1"_s);
    ComboBox1->setEditable(false);
    ComboBox1->setMinimumWidth(220);
    CheckBox1 = Named<QCheckBox>(SettingsTabSheet, u"CheckBox1"_s, QString());
    Label2 = Named<QLabel>(SettingsTabSheet, u"Label2"_s, u"Import-/Export-Protokolle nicht anzeigen"_s);
    OKButton = Named<QPushButton>(SettingsTabSheet, u"OKButton"_s, u"&Übernehmen"_s);
    program->addWidget(Label1, 0, 0, 1, 2);
    program->addWidget(ComboBox1, 1, 0, 1, 2);
    program->addWidget(CheckBox1, 2, 0);
    program->addWidget(Label2, 2, 1);
    program->setColumnStretch(1, 1);
    program->setRowStretch(3, 1);
    program->addWidget(OKButton, 4, 1, Qt::AlignRight);

    // --- Firmendaten ---
    CompanyTabSheet2 = WhitePage(PageControl1, u"CompanyTabSheet2"_s);
    PageControl1->addTab(CompanyTabSheet2, u"   Firmendaten Ausdruck   "_s);
    auto* company = new QGridLayout(CompanyTabSheet2);
    const struct
    {
        QLabel** label;
        const char16_t* labelName;
        const char16_t* caption;
        QLineEdit** edit;
        const char16_t* editName;
    } rows[] = {{&Label3, u"Label3", u"Firmenname  : ", &Edit1, u"Edit1"},
                {&Label4, u"Label4", u"Anschrift : ", &Edit3, u"Edit3"},
                {&Label5, u"Label5", u"PLZ Ort : ", &Edit4, u"Edit4"},
                {&Label6, u"Label6", u"E-Mail : ", &Edit5, u"Edit5"},
                {&Label7, u"Label7", u"Telefon : ", &Edit6, u"Edit6"},
                {&Label8, u"Label8", u"Fax : ", &Edit7, u"Edit7"}};
    int row = 0;
    for (const auto& r : rows) {
        *r.label = Named<QLabel>(CompanyTabSheet2, QStringView(r.labelName).toString(),
                                 QStringView(r.caption).toString());
        *r.edit = Named<QLineEdit>(CompanyTabSheet2, QStringView(r.editName).toString());
        (*r.edit)->setMaxLength(35);
        company->addWidget(*r.label, row, 0);
        company->addWidget(*r.edit, row, 1);
        ++row;
    }
    Edit8 = Named<QLineEdit>(CompanyTabSheet2, u"Edit8"_s);
    Edit8->hide();
    Image1 = Named<TImage>(CompanyTabSheet2, u"Image1"_s);
    Image1->setFixedSize(160, 50);
    Image1->SetStretch(true);
    Image2 = Named<TImage>(CompanyTabSheet2, u"Image2"_s);
    Image2->setFixedSize(160, 50);
    Image2->SetStretch(true);
    Image2->SetPicture(DefaultLogo());
    Image2->hide();
    Button2 = Named<QPushButton>(CompanyTabSheet2, u"Button2"_s, u"Logodatei wählen..."_s);
    CheckBox3 = Named<QCheckBox>(CompanyTabSheet2, u"CheckBox3"_s, u"Kestrom Logo"_s);
    Button1 = Named<QPushButton>(CompanyTabSheet2, u"Button1"_s, u"Übernehmen"_s);
    company->addWidget(Image1, 0, 2, 3, 1, Qt::AlignTop | Qt::AlignRight);
    company->addWidget(Button2, 3, 2);
    company->addWidget(CheckBox3, 4, 2);
    company->addWidget(Button1, 5, 2);
    company->setColumnStretch(1, 1);

    // --- Datenbank ---
    TabSheet1 = WhitePage(PageControl1, u"TabSheet1"_s);
    PageControl1->addTab(TabSheet1, u"   Datenbank   "_s);
    auto* database = new QVBoxLayout(TabSheet1);
    Label10 = Named<QLabel>(TabSheet1, u"Label10"_s, u"Datenbankdatei : "_s);
    Label11 = Named<QLabel>(TabSheet1, u"Label11"_s, QString());
    Label11->setCursor(Qt::PointingHandCursor);
    Label11->setFixedWidth(393);
    Label11->installEventFilter(this);
    database->addWidget(Label10);
    database->addWidget(Label11);
    auto* buttons = new QGridLayout;
    Button3 = Named<QPushButton>(TabSheet1, u"Button3"_s, u"Datenbank reparieren"_s);
    Button4 = Named<QPushButton>(TabSheet1, u"Button4"_s, u"Datenbank komprimieren"_s);
    Button5 = Named<QPushButton>(TabSheet1, u"Button5"_s, u"Tabellen löschen"_s);
    Button6 = Named<QPushButton>(TabSheet1, u"Button6"_s, u"Kundendaten importieren"_s);
    Button7 = Named<QPushButton>(TabSheet1, u"Button7"_s, u"Kundendaten exportieren"_s);
    Button8 = Named<QPushButton>(TabSheet1, u"Button8"_s, u"Demodaten erzeugen"_s);
    QPushButton* const order[] = {Button3, Button4, Button5, Button6, Button7, Button8};
    for (int i = 0; i < 6; ++i)
        buttons->addWidget(order[i], i / 2, i % 2);
    database->addLayout(buttons);
    Label12 = Named<QLabel>(TabSheet1, u"Label12"_s, QString());
    // A long path in the status line must not widen the fixed dialog.
    Label12->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    database->addWidget(Label12);
    database->addStretch(1);

    connect(OKButton, &QPushButton::clicked, this, &TSettingsFrm::OKButtonClick);
    connect(Button1, &QPushButton::clicked, this, &TSettingsFrm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TSettingsFrm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TSettingsFrm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TSettingsFrm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TSettingsFrm::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TSettingsFrm::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TSettingsFrm::Button7Click);
    connect(Button8, &QPushButton::clicked, this, &TSettingsFrm::Button8Click);

    Windows::Register(this);
    FormCreate();
}

TSettingsFrm::~TSettingsFrm()
{
    FormDestroy();
}

QImage TSettingsFrm::DefaultLogo()
{
    QImage logo(160, 50, QImage::Format_RGB32);
    logo.fill(Qt::white);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    // A pressure gauge: dial, scale and needle.
    const QColor blue(0, 84, 159);
    p.setPen(QPen(blue, 3));
    p.drawEllipse(QRectF(5, 5, 40, 40));
    p.setPen(QPen(blue, 1.5));
    for (int i = 0; i <= 8; ++i) {
        p.save();
        p.translate(25, 25);
        p.rotate(-135 + i * 33.75);
        p.drawLine(QPointF(0, -16), QPointF(0, -12));
        p.restore();
    }
    p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(25, 25), QPointF(35, 15));
    p.setBrush(blue);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(25, 25), 3, 3);
    QFont font(u"Liberation Sans"_s);
    font.setPixelSize(19);
    font.setBold(true);
    p.setFont(font);
    p.setPen(blue);
    p.drawText(QRectF(52, 4, 106, 28), Qt::AlignLeft | Qt::AlignVCenter, u"KESTROM"_s);
    font.setPixelSize(10);
    font.setBold(false);
    p.setFont(font);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(53, 30, 106, 14), Qt::AlignLeft | Qt::AlignVCenter, u"Druckprüftechnik"_s);
    return logo;
}

QString TSettingsFrm::DefaultCompanyText(const QString& key)
{
    static const QHash<QString, QString> defaults{
        {u"Edit1"_s, u"Kestrom GmbH"_s},        {u"Edit3"_s, u"Musterstraße 1"_s},
        {u"Edit4"_s, u"12345 Musterstadt"_s},   {u"Edit5"_s, u"info@example.com"_s},
        {u"Edit6"_s, u"Telefon 0123 456789"_s}, {u"Edit7"_s, u"Telefax 0123 456788"_s}};
    return defaults.value(key);
}

QImage TSettingsFrm::CompanyLogo() const
{
    return Edit8->text().isEmpty() ? QImage() : Image1->Picture();
}

QString TSettingsFrm::DriveEntry(QChar letter, bool accessible, const QString& label,
                                 const QString& fileSystem, qint64 freeBytes)
{
    const QString text = QString(letter).toUpper() + u':';
    if (!accessible)
        return text;
    return text + u' ' + label + u" ("_s + fileSystem + u", "_s + QString::number(freeBytes / 1024 / 1024) +
           u" MB free. "_s + u')';
}

void TSettingsFrm::FormCreate()
{
    Guarded(this, [&] {
        const TIniFile file(GetSettingsFileName());
        for (QLineEdit* edit : {Edit1, Edit3, Edit4, Edit5, Edit6, Edit7})
            edit->setText(
                file.ReadString(kSection, edit->objectName(), DefaultCompanyText(edit->objectName())));
        Edit8->setText(file.ReadString(kSection, u"Edit8"_s, QString()));
        CheckBox3->setChecked(file.ReadBool(kSection, u"CheckBox3"_s, true));
        ShowLogo();
    });
}

void TSettingsFrm::ShowLogo()
{
    if (!Edit8->text().isEmpty() && QFileInfo(Edit8->text()).isFile()) {
        try {
            Image1->LoadFromFile(Edit8->text());
            return;
        } catch (const TError&) {
            // A logo file that can no longer be read counts as gone.
        }
    }
    Edit8->clear();
    Image1->SetPicture(Image2->Picture());
}

void TSettingsFrm::FormShow()
{
    Guarded(this, [&] {
        SetStatus(QString());
        PageControl1->setCurrentWidget(SettingsTabSheet);
        FillDriveList();
        CheckBox1->setChecked(NoProt);
        ShowLogo();
        const QString path = QDir::toNativeSeparators(TDatabase::DatabasePath());
        Label11->setText(Label11->fontMetrics().elidedText(path, Qt::ElideMiddle, 393));
        Label11->setToolTip(path);
    });
}

void TSettingsFrm::FillDriveList()
{
    ComboBox1->clear();
    for (const Platform::TDriveInfo& drive : Platform::Drives()) {
        if (drive.type != Platform::TDriveType::Removable)
            continue;
        ComboBox1->addItem(DriveEntry(drive.letter, DriveAccessible(drive.letter), drive.label,
                                      drive.fileSystem, drive.free));
    }
    if (ComboBox1->count() > 0)
        ComboBox1->setCurrentIndex(0);
    for (int i = 0; i < ComboBox1->count(); ++i)
        if (ComboBox1->itemText(i).at(0) == DataDrive)
            ComboBox1->setCurrentIndex(i);
}

void TSettingsFrm::FormHide()
{
    // The report pages read the logo switch from the settings file, so it goes there at once.
    Guarded(this, [&] {
        TIniFile file(GetSettingsFileName());
        file.WriteString(kSection, u"Edit8"_s, Edit8->text());
        file.WriteBool(kSection, u"CheckBox3"_s, CheckBox3->isChecked());
    });
}

void TSettingsFrm::FormDestroy()
{
    Guarded(nullptr, [&] {
        TIniFile file(GetSettingsFileName());
        for (QLineEdit* edit : {Edit1, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8})
            file.WriteString(kSection, edit->objectName(), edit->text());
        file.WriteBool(kSection, u"CheckBox3"_s, CheckBox3->isChecked());
    });
}

void TSettingsFrm::OKButtonClick()
{
    if (ComboBox1->currentIndex() >= 0 && !ComboBox1->currentText().isEmpty())
        DataDrive = ComboBox1->currentText().at(0);
    NoProt = CheckBox1->isChecked();
    close();
}

void TSettingsFrm::Button1Click()
{
    // The company data are in effect as they are typed; the button only reassures.
}

void TSettingsFrm::Button2Click()
{
    Guarded(this, [&] {
        Dialogs::TFileRequest request;
        request.filter = u"Bitmaps (*.bmp *.BMP)"_s;
        request.folder = QFileInfo(Edit8->text()).absolutePath();
        const QString path = Dialogs::OpenFile(this, request);
        if (path.isEmpty())
            return;
        Image1->LoadFromFile(path);
        Edit8->setText(path);
    });
}

void TSettingsFrm::Label11Click()
{
    Guarded(this, [&] { Platform::ShellOpen(GetDataFolder() + u'/'); });
}

bool TSettingsFrm::TablesOpen()
{
    TDatabase* db = TQ5Database();
    if (db && db->KundenTable->Active())
        return true;
    Dialogs::Information(this, Msg(u"Label8"_s), Msg(u"Label87"_s));
    return false;
}

void TSettingsFrm::Button3Click()
{
    Guarded(this, [&] {
        if (!Dialogs::Ask(this, Msg(u"Label85"_s), Compose({Msg(u"Label83"_s), Msg(u"Label84"_s)})))
            return;
        TDatabase* db = TQ5Database();
        if (!db)
            throw TError(u"Die Datenbank ist nicht geöffnet."_s);
        TBusyCursor busy;
        db->RepairDatabase();
        busy.Restore();
        Dialogs::Information(this, Msg(u"Label85"_s), Compose({Msg(u"Label86"_s), Msg(u"Label87"_s)}));
    });
}

void TSettingsFrm::Button4Click()
{
    Guarded(this, [&] {
        if (!Dialogs::Ask(this, Msg(u"Label89"_s), Compose({Msg(u"Label88"_s), Msg(u"Label84"_s)})))
            return;
        TDatabase* db = TQ5Database();
        if (!db)
            throw TError(u"Die Datenbank ist nicht geöffnet."_s);
        TBusyCursor busy;
        db->CompactDatabase();
        busy.Restore();
        Dialogs::Information(this, Msg(u"Label89"_s), Compose({Msg(u"Label90"_s), Msg(u"Label87"_s)}));
    });
}

void TSettingsFrm::Button5Click()
{
    Guarded(this, [&] {
        if (!Dialogs::Ask(this, Msg(u"Label92"_s), Compose({Msg(u"Label91"_s), Msg(u"Label84"_s)})))
            return;
        TDatabase* db = TQ5Database();
        if (!db)
            throw TError(u"Die Datenbank ist nicht geöffnet."_s);
        db->EmptyTables();
        RefreshBrowser();
        Dialogs::Information(this, Msg(u"Label92"_s), Msg(u"Label93"_s));
    });
}

void TSettingsFrm::Button6Click()
{
    Guarded(this, [&] {
        if (!TablesOpen())
            return;
        const QString text = Compose({Msg(u"Label94"_s), Msg(u"Label95"_s), Msg(u"Label96"_s), QString(),
                                      Msg(u"Label97"_s), QString(), Msg(u"Label84"_s)});
        if (Dialogs::Message(this, Msg(u"Label84"_s), text, Dialogs::Icon::Question,
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) != QMessageBox::Yes)
            return;
        Dialogs::TFileRequest request;
        request.filter = u"CSV (*.csv *.CSV);;TXT (*.txt *.TXT);;All files (*)"_s;
        const QString path = Dialogs::OpenFile(this, request);
        if (path.isEmpty())
            return;
        ImportCustomers(path);
        RefreshBrowser();
    });
}

void TSettingsFrm::Button7Click()
{
    Guarded(this, [&] {
        if (!TablesOpen())
            return;
        Dialogs::TFileRequest request;
        request.save = true;
        request.folder = GetDocumentsFolder();
        request.fileName = u"Customers_"_s + FormatTime(Platform::Now().time()).remove(u':') + u".csv"_s;
        request.filter = u"CSV (*.csv);;TXT (*.txt)"_s;
        request.defaultSuffix = u"CSV"_s;
        const QString path = Dialogs::SaveFile(this, request);
        if (path.isEmpty())
            return;
        ExportCustomers(path);
    });
}

void TSettingsFrm::ExportCustomers(const QString& fileName)
{
    ::ExportCustomers(*TQ5Database()->KundenTable, fileName);
    Dialogs::Information(this, kTitle, Msg(u"Label9"_s));
}

void TSettingsFrm::ImportCustomers(const QString& fileName)
{
    ::ImportCustomers(*TQ5Database()->KundenTable, fileName);
    Dialogs::Information(this, kTitle, Msg(u"Label10"_s));
}

void TSettingsFrm::SetStatus(const QString& text)
{
    Label12->setText(text);
    Label12->repaint();
}

void TSettingsFrm::Button8Click()
{
    Guarded(this, [&] {
        if (Dialogs::Message(this, Msg(u"Label101"_s), Compose({Msg(u"Label99"_s), Msg(u"Label100"_s)}),
                             Dialogs::Icon::Question,
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) != QMessageBox::Yes)
            return;
        TBusyCursor busy;
        auto finish = [&] {
            busy.Restore();
            SetStatus(QString());
            Dialogs::Information(this, kTitle, u"Fertig !"_s);
        };
        // Without a drive (none chosen, or gone) there is nothing to list and nowhere to copy to.
        const QString card = Platform::DriveRoot(DataDrive);
        if (!card.isEmpty()) {
            const QFileInfoList present =
                QDir(card).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
            for (const QFileInfo& entry : present) {
                const QString path = QDir::toNativeSeparators(entry.absoluteFilePath());
                SetStatus(u"DELETE "_s + path);
                QFile::remove(entry.absoluteFilePath());
                if (QFileInfo::exists(entry.absoluteFilePath())) {
                    busy.Restore();
                    Dialogs::Information(this, kTitle, u"ERROR DELETE : "_s + path);
                    finish();
                    return;
                }
            }
            const QDir demo(GetDataFolder() + u"/Demodata"_s);
            for (const QFileInfo& file :
                 demo.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
                const QString target = card + file.fileName();
                QFile::remove(target);
                QFile::copy(file.absoluteFilePath(), target);
                SetStatus(u"CREATE "_s + QDir::toNativeSeparators(target));
            }
        }
        finish();
    });
}

void TSettingsFrm::showEvent(QShowEvent* event)
{
    if (QWidget* main = Windows::Find(u"MainFrm"_s); main && main->isVisible() && !event->spontaneous())
        move(main->frameGeometry().center() - rect().center());
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSettingsFrm::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

bool TSettingsFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label11 && event->type() == QEvent::MouseButtonRelease)
        Label11Click();
    return QDialog::eventFilter(watched, event);
}
