#pragma once

#include "TApplicationStart.h"
#include "TestEnv.h"

#include <functional>
#include <QDate>
#include <QTime>

class TMainFrm;

// The whole program in this process (all its windows) in a fresh home, with the main window
// shown and its show step done.
class TMainFrmRig
{
public:
    // before runs once the home exists and before the program starts (settings file, card...).
    explicit TMainFrmRig(const std::function<void(TTestHome&)>& before = {});
    ~TMainFrmRig();

    TTestHome home;
    TApplicationStart program;
    TMainFrm* main = nullptr;

    // Shows the main window and waits for its show step; false when it did not come.
    bool Show();

    int AddCustomer(const QString& kn, const QString& k1 = {});
    int AddTest(int mtnr, QDate sd = QDate(2020, 1, 1), QTime su = QTime(8, 0, 0));
    void AddReadings(int count);
    // data folder + "/TQ5Report.INI"
    QString SettingsPath() const;
};
