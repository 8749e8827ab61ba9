#include "CardExchange.h"

#include "Dialogs.h"
#include "MeasurementFile.h"
#include "Platform.h"
#include "TDatabase.h"
#include "TDatabaseImpExpFrm.h"
#include "TError.h"
#include "TLangResFrm.h"
#include "TWaitFrm.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

bool g_busy = false;

// Clicks, keys and closing of windows are held back while a run goes on, so that the user cannot
// start a second import or change the tables from inside the first; the windows named by the
// caller (the protocol window) and modal message boxes still take them.
class TInputBlock final : public QObject
{
public:
    explicit TInputBlock(QList<QWidget*> allowed) : m_allowed(std::move(allowed))
    {
        if (qApp)
            qApp->installEventFilter(this);
    }
    ~TInputBlock() override
    {
        if (qApp)
            qApp->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::Drop:
        case QEvent::Close:
            break;
        case QEvent::Shortcut:
            // Menu and button shortcuts of the blocked windows.
            return true;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        QWidget* top = widget->window();
        if (QWidget* modal = QApplication::activeModalWidget(); modal && top == modal)
            return false;
        for (QWidget* w : m_allowed)
            if (w && top == w->window())
                return false;
        event->ignore();
        return true;
    }

private:
    QList<QWidget*> m_allowed;
};

// One import or transfer: busy flag, held-back input, and the hourglass, all undone on leaving.
class TCardRun
{
public:
    TCardRun(const TCardHost& host, bool hourglass) : m_block(host.inputWindows), m_hourglass(hourglass)
    {
        g_busy = true;
        if (m_hourglass && qobject_cast<QApplication*>(QCoreApplication::instance()))
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            m_hourglass = false;
    }
    ~TCardRun()
    {
        if (m_hourglass)
            QApplication::restoreOverrideCursor();
        g_busy = false;
    }
    TCardRun(const TCardRun&) = delete;
    TCardRun& operator=(const TCardRun&) = delete;

private:
    TInputBlock m_block;
    bool m_hourglass;
};

// Hides the lists for its lifetime.
class THiddenLists
{
public:
    explicit THiddenLists(const TCardHost& host) : m_host(host)
    {
        if (m_host.showLists)
            m_host.showLists(false);
    }
    ~THiddenLists()
    {
        if (m_host.showLists)
            m_host.showLists(true);
    }

private:
    const TCardHost& m_host;
};

// Clears the status text when it goes.
class TStatusClear
{
public:
    explicit TStatusClear(const TCardHost& host) : m_host(host) {}
    ~TStatusClear() { SetStatus(m_host, QString()); }
    static void SetStatus(const TCardHost& host, const QString& text)
    {
        if (host.setStatus)
            host.setStatus(text);
    }

private:
    const TCardHost& m_host;
};

TWaitFrm* WaitOf(const TCardHost& host)
{
    return host.waitFrm ? host.waitFrm : WaitFrm();
}

QString Letter(QChar letter)
{
    return letter.isNull() ? u" "_s : QString(letter);
}

QString CardRoot()
{
    const QString root = Platform::DriveRoot(DataDrive);
    if (root.isEmpty())
        throw TError(u"Laufwerk %1: nicht gefunden"_s.arg(Letter(DataDrive)));
    return root;
}

QString AppTitle()
{
    return QGuiApplication::applicationDisplayName();
}

// The importer of the host, or the program's, or one for this run.
class TImporter
{
public:
    explicit TImporter(const TCardHost& host)
    {
        m_importer = host.importer ? host.importer : Windows::Get<TDatabaseImpExpFrm>(u"DatabaseImpExpFrm"_s);
        if (!m_importer) {
            m_own = std::make_unique<TDatabaseImpExpFrm>();
            m_importer = m_own.get();
        }
        m_previous = m_importer->Protocol;
        m_importer->Protocol = host.protocol;
    }
    ~TImporter()
    {
        if (m_importer)
            m_importer->Protocol = m_previous;
    }
    TDatabaseImpExpFrm* operator->() const { return m_importer; }

private:
    TDatabaseImpExpFrm* m_importer = nullptr;
    std::unique_ptr<TDatabaseImpExpFrm> m_own;
    std::function<void(const QString&)> m_previous;
};

} // namespace

bool CardExchangeBusy()
{
    return g_busy;
}

void ListCardFiles(const QString& root, QStringList& list)
{
    if (root.isEmpty())
        return;
    const QDir dir(root);
    const QFileInfoList entries =
        dir.entryInfoList({u"*.DAT"_s}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QFileInfo& info : entries)
        list.append(info.filePath());
}

void ImportCardFiles(const TCardHost& host)
{
    if (CardExchangeBusy())
        return;
    TCardRun run(host, true);
    THiddenLists lists(host);
    TStatusClear status(host);
    QStringList files;
    ListCardFiles(Platform::DriveRoot(DataDrive), files);
    if (files.isEmpty()) {
        Dialogs::Information(host.window, AppTitle(), Msg(u"Label43"_s));
        return;
    }
    TImporter importer(host);
    TDatabase& db = *host.database;
    const int count = int(files.size());
    TWaitScope wait(Msg(u"Label44"_s), 0, count - 1, WaitOf(host));
    TStatusClear::SetStatus(host, QString());
    for (int n = 1; n <= count; ++n) {
        wait.Step(n);
        TStatusClear::SetStatus(host, MsgF(u"Label45"_s, {QString::number(n), QString::number(count)}));
        importer->ImportFile(db.KundenTable, db.MessungenTable, db.MessdatenTable, files[n - 1]);
    }
}

void LoadMesFromCard(const TCardHost& host)
{
    if (CardExchangeBusy())
        return;
    if (!DriveAccessible(DataDrive)) {
        Dialogs::Information(host.window, AppTitle(), Msg(u"Label58"_s) + u' ' + Letter(DataDrive));
        return;
    }
    const quint32 start = Platform::TickCount();
    ImportCardFiles(host);
    // The duration is reported one second longer than it took.
    const quint32 elapsed = Platform::TickCount() + 1000u - start;
    if (!NoProt && host.protocol)
        host.protocol(Msg(u"Label59"_s) + u" : "_s + TDatabaseImpExpFrm::ElapsedText(elapsed));
}

bool ClearCard(const QString& root, TWaitFrm* waitFrm)
{
    QCursor previous;
    if (waitFrm) {
        previous = waitFrm->cursor();
        waitFrm->setCursor(Qt::WaitCursor);
    }
    bool failed = false;
    {
        const QFileInfoList entries =
            QDir(root).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
        const int count = int(entries.size());
        TWaitScope wait(Msg(u"Label32"_s), 0, count == 0 ? 10 : count, waitFrm);
        for (int k = 0; k < count; ++k) {
            if (!QFile::remove(entries[k].filePath()))
                failed = true;
            wait.Step(k);
        }
    }
    if (waitFrm)
        waitFrm->setCursor(previous);
    return !failed;
}

QByteArray CustomerFileBytes(const QString& kn, const QString& k1, const QString& k2, const QString& k3,
                             const QString& k4, const QString& k5)
{
    return KeyLine(u"KN", PadRight(kn)) + KeyLine(u"K1", PadRight(k1)) + KeyLine(u"K2", PadRight(k2)) +
           KeyLine(u"K3", PadRight(k3)) + KeyLine(u"K4", PadRight(k4)) + KeyLine(u"K5", PadRight(k5));
}

void TransferCustomersToCard(const TCardHost& host, const QList<TBookmark>& selection)
{
    if (CardExchangeBusy())
        return;
    // The limit comes before the card is emptied: a refused transfer must not cost the card's tests.
    if (selection.size() > 500) {
        Dialogs::Information(host.window, Msg(u"Label57"_s), Msg(u"Label103"_s));
        return;
    }
    const QString question = Compose({Msg(u"Label52"_s), MsgF(u"Label53"_s, {Letter(DataDrive)})});
    if (Dialogs::Message(host.window, Msg(u"Label48"_s), question, Dialogs::Icon::Question,
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) != QMessageBox::Yes)
        return;
    {
        TCardRun run(host, false);
        const QString root = CardRoot();
        ClearCard(root, WaitOf(host));

        TTable& kunden = *host.database->KundenTable;
        const int count = int(selection.size());
        TWaitScope wait(Msg(u"Label54"_s), 0, count, WaitOf(host));
        for (int n = 1; n <= count; ++n) {
            wait.Step(n);
            kunden.GotoBookmark(selection[n - 1]);
            auto text = [&](const char16_t* field) {
                return kunden.FieldByName(QString::fromUtf16(field)).AsString();
            };
            const QByteArray bytes = CustomerFileBytes(text(u"KN"), text(u"K1"), text(u"K2"), text(u"K3"),
                                                       text(u"K4"), text(u"K5"));
            const QString path = root + u"TQ5_"_s + QString::number(n) + u".DAT"_s;
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
                throw TError(u"%1: %2"_s.arg(QDir::toNativeSeparators(path), file.errorString()));
        }
    }
    Dialogs::Information(host.window, Msg(u"Label57"_s), Compose({Msg(u"Label55"_s), Msg(u"Label56"_s)}));
}
