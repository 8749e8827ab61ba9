#pragma once

#include <QString>
#include <QStringList>

// The files that go with the program: the language files and the demonstration measurement files.
// They are built into the program and put into the data folder where they are missing, as an
// installer would; the program never overwrites them, so that a language file the program or the
// user has extended stays as it is.

// Copies every shipped language file that the data folder lacks, and the "Demodata" folder with
// its files when the data folder has no such folder. Returns the paths written. A file that cannot
// be written is left out: the program fills a missing language file itself.
QStringList InstallShippedFiles();

// The built-in copy of a shipped language file ("ENG", "DEU", "FRA"), for comparison.
QString ShippedLanguageFile(const QString& code);
// The built-in demonstration files, as resource paths.
QStringList ShippedDemoFiles();
