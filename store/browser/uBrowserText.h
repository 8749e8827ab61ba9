#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Text rules of the customer search and the reading export.

// Upper case for the letters a to z only; every other character stays ("müller" -> "MüLLER").
QString UpperAZ(const QString& text);
// Blanks and control characters removed at both ends.
QString TrimBlanks(const QString& text);
// The search term of the customer search: a to z upper-cased, blanks removed at both ends.
QString SearchTerm(const QString& text);

// Name of the logger export file of a test starting at date and time: "YYYYMMDDHHMMSS.CSV".
QString LoggerExportFileName(QDate date, QTime time);
