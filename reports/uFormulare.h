#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

// One row of the report catalogue: the title offered for a test in the current language, the
// report form's object name (its class is "T" + FormName) and the test type numbers the row
// serves, each enclosed in ";" (";1;2;").
struct TFormularRecord
{
    QString Title;
    QString FormName;
    QString MTNRList;
};

inline constexpr int FormularCount = 7;

// Row 1 to 7 of the catalogue. The texts are empty until the catalogue is first filled.
const TFormularRecord& Formular(int row);

// Sets the seven rows for a language code. For "DEU", "ENG" and "FRA" (exact) the titles and
// form names are replaced; with any other code they stay as they were. The test type lists are
// set in any case.
void FillReportCatalogue(const QString& language);

// Fills the catalogue for the current Language and lists all seven titles in the main window's
// report choice list ("AvailFrmsComboBox"), keeping the selected position.
void BuildReportCatalogue();
// The listing step alone: all seven titles, empty ones included, selected position kept.
void ListReportTitles(QComboBox* list);

// A row serves a test type when its list holds ";" + number + ";".
bool FormularFits(const TFormularRecord& row, int mtnr);
// Titles of the rows that serve a test type, in row order. Rows without a title (a language
// the catalogue does not know) offer nothing.
QStringList FittingReportTitles(int mtnr);
// Form names of the rows whose title is exactly title, in row order; none for an empty title.
QStringList FormNamesForTitle(const QString& title);
