#pragma once

#include <functional>
#include <QList>
#include <QString>
#include <QStringList>

class QObject;
class QWidget;

// Language files: one INI file per language in the data folder ("Language.ENG", "Language.DEU",
// "Language.FRA"). Each language-aware window has a section named after its object name; its title
// sits under object name + "Caption" and every label, push button, menu item, tab page and check
// box under its own object name. Keys the file lacks are filled in with the text shown at that
// moment, so running the program once and translating the file makes a new language.

// The language codes the language dialog offers, in this order: "ENG", "DEU", "FRA".
QStringList OfferedLanguages();
// The object names of the language-aware windows, in the order ApplyLanguage translates them.
QStringList LanguageAwareWindows();
// data folder + "/Language." + code; a code the program does not offer is used unchanged.
QString LanguageFileName(const QString& code);

// One translatable control of a window: its object name (the key) and its caption.
struct TCaption
{
    QString key;
    QObject* control = nullptr;
};
// The translatable controls of a window in its component order: labels (not pictures), push
// buttons, check boxes, menu items and tab pages that have an object name. Windows of their own
// that a window happens to own are not part of it (menus are).
QList<TCaption> TranslatableControls(QWidget* window);
QString CaptionOf(const QObject* control);
void SetCaptionOf(QObject* control, const QString& caption);

// Translates one window from the language file of the code. The title comes from the key
// object name + "Caption" (default: the object name) and is always written back; every control key
// comes from the file with the control's current caption as default and is written only when the
// file lacks it. A file that cannot be written still gives what it holds.
void TranslateForm(QWidget* window, const QString& code);

// Translates the language-aware windows that exist, rebuilds the report catalogue and gives the
// main window its title "TQ5 Report 1.075".
void ApplyLanguage(const QString& code);
// The step of ApplyLanguage that rebuilds the report catalogue; the application installs it
// (the catalogue lives above this library). An empty function removes it.
void SetReportCatalogueBuilder(std::function<void()> builder);

// The main window's title once a language is applied.
QString MainWindowTitle();

// The three-letter abbreviation of the user's default language as Windows names it (DEU, FRA,
// ENG, ENU, ...); on other systems taken from the user's locale.
QString GetUserLanguageAbbreviation();
