#pragma once

#include <functional>
#include <QString>
#include <QStringList>

class QWidget;

// The report forms are created by class name only: "T" + the form name of a catalogue row.
// A factory makes a new, hidden form owned by owner.
using TReportFormFactory = std::function<QWidget*(QWidget* owner)>;

// The class names of the 21 report forms: the seven German ones, then the same seven in English
// and in French.
const QStringList& ReportFormClassNames();

// Puts the 21 report form classes into the registry, replacing what it held. A class whose form
// is not part of this build is listed without a factory and cannot be created.
void RegisterReportForms();
// Registers (or replaces) one class; an empty factory unregisters it.
void RegisterReportFormClass(const QString& className, TReportFormFactory factory);
// Whether a form of the class can be created.
bool ReportFormRegistered(const QString& className);
// A new form of the class, or nullptr when the class is not registered.
QWidget* CreateReportForm(const QString& className, QWidget* owner);
