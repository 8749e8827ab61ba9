#pragma once

#include <QImage>
#include <QString>

// The company data that head every report. The settings dialog holds them while the program runs:
// what the user types there is in effect at once, so a report reads them at the moment it needs them.
struct TCompanyData
{
    QString name;   // "Edit1"
    QString street; // "Edit3"
    QString town;   // "Edit4": postcode and town
    QString email;  // "Edit5"
    QString phone;  // "Edit6"
    QString fax;    // "Edit7"
    QImage logo;    // the chosen logo file's picture; null while none is chosen
};

// The company data of the settings dialog as they stand now; empty texts and no logo before the
// dialog exists.
TCompanyData CompanyData();
