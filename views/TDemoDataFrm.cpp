#include "TDemoDataFrm.h"

#include "ErrorGuard.h"
#include "ImportRecords.h"
#include "MeasurementFile.h"
#include "Platform.h"
#include "TChart.h"
#include "TLangResFrm.h"
#include "uGlobal.h"
#include "uRandom.h"
#include "uXLSExport.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QSaveFile>
#include <QShowEvent>
#include <QStackedLayout>

#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;
using ProgramRandom::Random;

namespace {

// The instrument holds this many value pairs per test.
constexpr int PairsPerTest = 512;

QString AppTitle()
{
    return QApplication::applicationDisplayName();
}

QString CardRoot()
{
    const QString root = Platform::DriveRoot(DataDrive);
    if (root.isEmpty())
        throw TError(
            u"Laufwerk %1: nicht gefunden"_s.arg(DataDrive == u' ' ? QString() : QString(DataDrive)));
    return root;
}

QString Number(int n)
{
    return QString::number(n);
}

} // namespace

TDemoDataFrm::TDemoDataFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"DemoDataFrm"_s);
    setWindowTitle(u"Demodaten"_s);
    resize(640, 480);

    auto* grid = new QGridLayout(this);
    auto field = [&](QLabel*& label, QLineEdit*& edit, const QString& labelName, const QString& name,
                     const QString& caption, int row) {
        label = new QLabel(caption, this);
        label->setObjectName(labelName);
        edit = new QLineEdit(this);
        edit->setObjectName(name);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
    };
    field(Label2, Edit5, u"Label2"_s, u"Edit5"_s, u"Startnummer : "_s, 0);
    field(Label3, Edit1, u"Label3"_s, u"Edit1"_s, u"Anzahl Kunden :"_s, 1);
    field(Label4, Edit2, u"Label4"_s, u"Edit2"_s, u"Anzahl Messungen pro Kunde : "_s, 2);
    field(Label5, Edit3, u"Label5"_s, u"Edit3"_s, u"Anzahl Messpunkte pro Messung : "_s, 3);
    field(Label6, Edit4, u"Label6"_s, u"Edit4"_s, u"Messungstyp bis :"_s, 4);

    // The text area covers the customer table.
    auto* stack = new QStackedLayout;
    stack->setStackingMode(QStackedLayout::StackAll);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(u"Memo1"_s);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    StringGrid1 = new QTableWidget(this);
    StringGrid1->setObjectName(u"StringGrid1"_s);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stack->addWidget(StringGrid1);
    stack->addWidget(Memo1);
    stack->setCurrentWidget(Memo1);
    grid->addLayout(stack, 5, 0, 1, 3);

    Label1 = new QLabel(u"0"_s, this);
    Label1->setObjectName(u"Label1"_s);
    grid->addWidget(Label1, 6, 0);
    Button2 = new QPushButton(u"Testdaten auf Karte  erzeugen"_s, this);
    Button2->setObjectName(u"Button2"_s);
    Button1 = new QPushButton(u"Testdaten von Karte löschen"_s, this);
    Button1->setObjectName(u"Button1"_s);
    Button4 = new QPushButton(u"Verzeichnis  Datenbank anzeigen"_s, this);
    Button4->setObjectName(u"Button4"_s);
    Button5 = new QPushButton(u"Verzeichnis  Kartenlaufwerk anzeigen"_s, this);
    Button5->setObjectName(u"Button5"_s);
    grid->addWidget(Button2, 0, 2);
    grid->addWidget(Button1, 1, 2);
    grid->addWidget(Button4, 2, 2);
    grid->addWidget(Button5, 3, 2);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(u"StatusBar1"_s);
    StatusBar1->setSizeGripEnabled(false);
    grid->addWidget(StatusBar1, 7, 0, 1, 3);

    connect(Button2, &QPushButton::clicked, this, &TDemoDataFrm::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TDemoDataFrm::Button1Click);
    connect(Button4, &QPushButton::clicked, this, &TDemoDataFrm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TDemoDataFrm::Button5Click);

    Windows::Register(this);
}

void TDemoDataFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

QStringList TDemoDataFrm::MemoLines() const
{
    QString text = Memo1->toPlainText();
    if (text.isEmpty())
        return {};
    text.replace(u"\r\n"_s, u"\n"_s);
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

void TDemoDataFrm::BuildCustomerTable()
{
    const QStringList lines = MemoLines();
    m_cells.clear();
    for (const QString& line : lines)
        m_cells.append(SplitFields(line, u';'));

    StringGrid1->clear();
    StringGrid1->setRowCount(int(lines.size()));
    StringGrid1->setColumnCount(lines.isEmpty() ? 0 : int(m_cells.last().size()));
    for (int r = 0; r < m_cells.size(); ++r)
        for (int c = 0; c < std::min<int>(int(m_cells[r].size()), StringGrid1->columnCount()); ++c)
            StringGrid1->setItem(r, c, new QTableWidgetItem(m_cells[r][c]));
    const QFontMetrics fm(StringGrid1->font());
    for (int c = 0; c < StringGrid1->columnCount(); ++c) {
        int widest = 0;
        for (int r = 0; r < m_cells.size(); ++r)
            widest = std::max(widest, fm.horizontalAdvance(Cell(c, r)));
        StringGrid1->setColumnWidth(c, widest + 5);
    }
}

QString TDemoDataFrm::Cell(int column, int row) const
{
    if (row < 0 || row >= m_cells.size())
        return {};
    return m_cells[row].value(column);
}

void TDemoDataFrm::FormShow()
{
    Edit5->setText(u"1"_s);
    Edit1->setText(u"5"_s);
    Edit2->setText(u"2"_s);
    Edit3->setText(u"10"_s);
    Edit4->setText(u"9"_s);
    BuildCustomerTable();
    Label1->setText(Number(int(MemoLines().size())));
}

void TDemoDataFrm::WriteTestBlock(QIODevice& file, int type, int rows)
{
    const int pairs = std::max(PairsPerTest, rows);
    std::vector<int> a(static_cast<size_t>(pairs)), b(static_cast<size_t>(pairs));
    for (int k = 0; k < pairs; ++k) {
        a[size_t(k)] = Random(100);
        b[size_t(k)] = Random(1500);
    }
    const QDateTime start = DaysToDateTime(m_start);
    WriteKeyLine(file, u"MT", Number(type));
    WriteKeyLine(file, u"SD", FormatDate(start.date()));
    WriteKeyLine(file, u"SU", FormatTime(start.time()));
    WriteKeyLine(file, u"IN", u"1");
    WriteKeyLine(file, u"MD", u"3");
    WriteKeyLine(file, u"DS", Number(b[0]));
    WriteKeyLine(file, u"DE", u"0");
    WriteKeyLine(file, u"DM", Number(b[0])); // DS - DE
    WriteKeyLine(file, u"SZ", u"2");
    WriteKeyLine(file, u"ST", Number(a[0]));
    WriteKeyLine(file, u"ET", u"0");
    WriteKeyLine(file, u"EH", u"mbar");
    WriteKeyLine(file, u"KS", u"1");
    WriteKeyLine(file, u"SM", u"");
    for (int k = 0; k < rows; ++k)
        WriteTextLine(file, Number(a[size_t(k)]) + u';' + Number(b[size_t(k)]));
    WriteKeyLine(file, u"EM", u"");
}

void TDemoDataFrm::Button2Click()
{
    Guarded(this, [&] {
        m_start = DateTimeToDays(Platform::Now()) - 100;
        const int first = StrToInt(Edit5->text());
        const int customers = StrToInt(Edit1->text());
        const int tests = StrToInt(Edit2->text());
        const int rows = StrToInt(Edit3->text());
        const int types = StrToInt(Edit4->text());
        const QStringList lines = MemoLines();
        if (lines.size() < customers) {
            Dialogs::Information(this, AppTitle(), MsgF(u"Label64"_s, {Number(int(lines.size()))}));
            return;
        }
        // The table follows the text as it is now, also when lines were pasted after showing.
        BuildCustomerTable();
        const QString root = CardRoot();
        for (int p = first; p <= first + customers - 1; ++p) {
            const QString path = root + u"TQ5_"_s + Number(p).rightJustified(4, u'0') + u".DAT"_s;
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                throw TError(u"%1: %2"_s.arg(QDir::toNativeSeparators(path), file.errorString()));
            WriteKeyLine(file, u"KN", PadRight(Cell(0, p)));
            WriteKeyLine(file, u"K1", PadRight(Cell(1, p)));
            WriteKeyLine(file, u"K2", PadRight(Cell(6, p)));
            WriteKeyLine(file, u"K3", PadRight(Cell(5, p) + u' ' + Cell(4, p)));
            WriteKeyLine(file, u"K4", PadRight(Cell(3, p)));
            WriteKeyLine(file, u"K5", PadRight(Cell(2, p)));
            StatusBar1->showMessage(MsgF(u"Label65"_s, {Number(p), Edit1->text()}));
            for (int t = 0; t < tests; ++t) {
                const int type = 1 + Random(types - 1);
                WriteTestBlock(file, type, rows);
                m_start += 0.5 + Random(1000) / 1000.0;
            }
            Label1->setText(Number(p));
            Label1->repaint();
            if (!file.commit())
                throw TError(u"%1: %2"_s.arg(QDir::toNativeSeparators(path), file.errorString()));
        }
        StatusBar1->showMessage(Msg(u"Label63"_s));
    });
}

void TDemoDataFrm::Button1Click()
{
    Guarded(this, [&] {
        const QString root = CardRoot();
        const QFileInfoList entries = QDir(root).entryInfoList(
            QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        const int n = int(entries.size());
        for (int i = 1; i <= n; ++i) {
            StatusBar1->showMessage(MsgF(u"Label61"_s, {Number(i), Number(n)}));
            const QString path = entries[i - 1].absoluteFilePath();
            // Read-only files go as well.
            QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner |
                                            QFileDevice::WriteUser);
            if (!QFile::remove(path))
                Dialogs::Information(this, AppTitle(), Msg(u"Label62"_s));
        }
        StatusBar1->showMessage(Msg(u"Label63"_s));
    });
}

void TDemoDataFrm::Button4Click()
{
    Guarded(this, [&] { Platform::ShellOpen(GetDataFolder() + u"/"_s); });
}

void TDemoDataFrm::Button5Click()
{
    Guarded(this, [&] {
        const QString root = Platform::DriveRoot(DataDrive);
        Platform::ShellOpen(root.isEmpty() ? QString(DataDrive) + u":/"_s : root);
    });
}
