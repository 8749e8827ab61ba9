#pragma once

#include <QChar>
#include <QDate>
#include <QString>
#include <QTime>

// Settings and folders of the program, and the program-wide date format.

// The three global settings, loaded once at start-up and saved once at the end of the run.
// DataDrive: upper-case drive letter of the memory card, or a blank when none was chosen
// (the settings file may hold a lower-case one, which is then kept as it is).
extern QChar DataDrive;
// NoProt: do not show the protocol window during the card import.
extern bool NoProt;
// Language: the current language code, "ENG", "DEU", "FRA" (or whatever the file said).
extern QString Language;

// The system's numbers of the two special folders GetSpecialFolder is used with.
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;

// The running program's file name without folder and extension ("TQ5Report").
QString ProgramBaseName();
// The same rule for a given file name: on Windows the last four characters (".exe") go, elsewhere
// the extension and its dot, if there is one.
QString ProgramBaseNameOf(const QString& programFileName);

// machine-wide data folder + "/Kestrom GmbH/" + program base name, without a trailing "/".
// Created with its parents when missing; when that fails the path is returned all the same and the
// file operation that follows fails with the system's message.
QString GetDataFolder();
// user's documents folder + "/" + program base name, created like the data folder.
QString GetDocumentsFolder();
// data folder + "/TQ5Report.INI"
QString GetSettingsFileName();
// Path of a shell special folder (CSIDL_PERSONAL, CSIDL_COMMON_APPDATA); empty text on failure.
QString GetSpecialFolder(int folderNumber);

// Reads DataDrive, NoProt and Language from the settings file; missing or unreadable file: defaults.
void LoadSettings();
// Writes the three settings; throws TError when the settings file cannot be written.
void SaveSettings();

// True when the drive of the letter (either case) can be read: its total size is known. A blank,
// a missing drive and a drive without medium give false; no system error box appears.
bool DriveAccessible(QChar letter);

// Date separator "." and short date format "dd.mm.yy" for the whole program, whatever the
// regional settings say. FormatDate and ParseDate follow it (it is also their initial state).
void SetDateFormat();
// The short date format in the program's notation ("dd.mm.yy") and the date separator.
QString ShortDateFormat();
QChar DateSeparator();

// A date in the short date format: "15.03.24".
QString FormatDate(QDate date);
// A date in the short date format; day, month and year may have one or two digits (the year also
// four). Two-digit years lie within the 50 years before and the 49 years after the current year;
// without a year the date lies in the current one.
// An invalid QDate when the text is not a date.
QDate ParseDate(const QString& text);
// As ParseDate, but throws TError("'<text>' ist kein gültiges Datum") when the text is not a date.
QDate StrToDate(const QString& text);
// The long time format "hh:mm:ss".
QString FormatTime(QTime time);
// "h:m" or "h:m:s" with one or two digits each; an invalid QTime when the text is not a time.
QTime ParseTime(const QString& text);

// Deletes every "*.pdf" file in the data folder; one that cannot be deleted is left, silently.
void DeleteReportPdfs();
