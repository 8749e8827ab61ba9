#include "uLanguage.h"

#include "Platform.h"
#include "TError.h"
#include "TIniFile.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

std::function<void()>& CatalogueBuilder()
{
    static std::function<void()> builder;
    return builder;
}

// The tab widget a widget is a page of, or nullptr.
QTabWidget* TabWidgetOfPage(const QObject* object)
{
    auto* page = qobject_cast<const QWidget*>(object);
    if (!page)
        return nullptr;
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    if (!stack)
        return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    if (!tabs || tabs->indexOf(const_cast<QWidget*>(page)) < 0)
        return nullptr;
    return tabs;
}

bool IsTranslatable(const QObject* object)
{
    const QString name = object->objectName();
    // Qt names the helpers it creates itself (scroll bars, clear buttons) with these prefixes.
    if (name.isEmpty() || name.startsWith("qt_"_L1) || name.startsWith("_q_"_L1))
        return false;
    if (auto* label = qobject_cast<const QLabel*>(object))
        return label->pixmap().isNull() && !label->movie();
    if (qobject_cast<const QPushButton*>(object) || qobject_cast<const QCheckBox*>(object))
        return true;
    if (qobject_cast<const QAction*>(object))
        return true;
    // A menu is a menu item of the bar or menu it hangs in; a context menu has no caption.
    if (auto* menu = qobject_cast<const QMenu*>(object))
        return !menu->menuAction()->associatedObjects().isEmpty();
    return TabWidgetOfPage(object) != nullptr;
}

// A parent's children in component order. The pages of a page control come in page order: the
// control raises the page it shows, which moves it to the end of its parent's children.
QObjectList Components(QObject* parent)
{
    QObjectList children = parent->children();
    if (auto* stack = qobject_cast<QStackedWidget*>(parent)) {
        QObjectList pages;
        for (int i = 0; i < stack->count(); ++i)
            pages.append(stack->widget(i));
        for (QObject* child : children)
            if (!pages.contains(child))
                pages.append(child);
        children = pages;
    }
    return children;
}

void Collect(QObject* parent, QList<TCaption>& out)
{
    for (QObject* child : Components(parent)) {
        auto* widget = qobject_cast<QWidget*>(child);
        // Another window the window owns (a dialog, a report form) keeps its own captions;
        // a menu pops up as a window of its own but belongs to the window's menu bar.
        if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget))
            continue;
        // The status bar's texts are the program's running state, not captions.
        if (qobject_cast<QStatusBar*>(child))
            continue;
        if (IsTranslatable(child))
            out.append({child->objectName(), child});
        Collect(child, out);
    }
}

} // namespace

QStringList OfferedLanguages()
{
    return {u"ENG"_s, u"DEU"_s, u"FRA"_s};
}

QStringList LanguageAwareWindows()
{
    return {u"MainFrm"_s,     u"LangResFrm"_s,      u"LangSettingsFrm"_s, u"MeasurementDataFrm"_s,
            u"ProtocolFrm"_s, u"ReportMasterFrm"_s, u"SearchDlgFrm"_s,    u"SettingsFrm"_s,
            u"WaitFrm"_s};
}

QString LanguageFileName(const QString& code)
{
    return GetDataFolder() + "/Language."_L1 + code;
}

QList<TCaption> TranslatableControls(QWidget* window)
{
    QList<TCaption> out;
    if (window)
        Collect(window, out);
    return out;
}

QString CaptionOf(const QObject* control)
{
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* action = qobject_cast<const QAction*>(control))
        return action->text();
    if (auto* menu = qobject_cast<const QMenu*>(control))
        return menu->title();
    if (QTabWidget* tabs = TabWidgetOfPage(control))
        return tabs->tabText(tabs->indexOf(const_cast<QWidget*>(qobject_cast<const QWidget*>(control))));
    return {};
}

void SetCaptionOf(QObject* control, const QString& caption)
{
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(caption);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setText(caption);
    else if (auto* menu = qobject_cast<QMenu*>(control))
        menu->setTitle(caption);
    else if (QTabWidget* tabs = TabWidgetOfPage(control))
        tabs->setTabText(tabs->indexOf(qobject_cast<QWidget*>(control)), caption);
}

void TranslateForm(QWidget* window, const QString& code)
{
    if (!window)
        return;
    TIniFile file(LanguageFileName(code));
    const QString section = window->objectName();
    // Once a write has failed (read-only file or folder) the rest of the window is only read.
    bool writable = true;
    auto write = [&](const QString& key, const QString& value) {
        if (!writable)
            return;
        try {
            file.WriteString(section, key, value);
        } catch (const TError&) {
            writable = false;
        }
    };

    const QString titleKey = section + "Caption"_L1;
    const QString title = file.ReadString(section, titleKey, section);
    write(titleKey, title);
    window->setWindowTitle(title);

    QSet<QString> present;
    for (const QString& key : file.ReadSection(section))
        present.insert(key.trimmed().toUpper());

    for (const TCaption& item : TranslatableControls(window)) {
        const QString shown = CaptionOf(item.control);
        const QString text = file.ReadString(section, item.key, shown);
        if (!present.contains(item.key.toUpper())) {
            write(item.key, text);
            present.insert(item.key.toUpper());
        }
        SetCaptionOf(item.control, text);
    }
}

void ApplyLanguage(const QString& code)
{
    for (const QString& name : LanguageAwareWindows())
        TranslateForm(Windows::Find(name), code);
    if (CatalogueBuilder())
        CatalogueBuilder()();
    if (QWidget* main = Windows::Find(u"MainFrm"_s))
        main->setWindowTitle(MainWindowTitle());
}

void SetReportCatalogueBuilder(std::function<void()> builder)
{
    CatalogueBuilder() = std::move(builder);
}

QString MainWindowTitle()
{
    return u"TQ5 Report 1.075"_s;
}

QString GetUserLanguageAbbreviation()
{
    return Platform::UserLanguageAbbreviation();
}
