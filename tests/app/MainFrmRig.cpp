#include "MainFrmRig.h"

#include "TMainFrm.h"
#include "TTable.h"
#include "uGlobal.h"

#include <QTest>

using namespace Qt::StringLiterals;

TMainFrmRig::TMainFrmRig(const std::function<void(TTestHome&)>& before)
{
    if (before)
        before(home);
    program.Start();
    main = program.MainFrm();
}

TMainFrmRig::~TMainFrmRig()
{
    program.Shutdown();
}

bool TMainFrmRig::Show()
{
    main->show();
    return QTest::qWaitFor(
        [&] { return main->KundenTable->Active() && !main->Tools1->menuAction()->isVisible(); });
}

int TMainFrmRig::AddCustomer(const QString& kn, const QString& k1)
{
    TTable* t = main->KundenTable;
    t->Append();
    t->FieldByName(u"KN"_s).SetAsString(kn);
    t->FieldByName(u"K1"_s).SetAsString(k1);
    t->Post();
    return t->FieldByName(u"KUNDENID"_s).AsInteger();
}

int TMainFrmRig::AddTest(int mtnr, QDate sd, QTime su)
{
    TTable* t = main->MessungenTable;
    t->Append();
    t->FieldByName(u"SD"_s).SetAsDate(sd);
    t->FieldByName(u"SU"_s).SetAsTime(su);
    t->FieldByName(u"MTNR"_s).SetAsInteger(mtnr);
    t->FieldByName(u"MT"_s).SetAsString(u"Typ "_s + QString::number(mtnr));
    t->FieldByName(u"IN"_s).SetAsString(u"1"_s);
    t->FieldByName(u"KS"_s).SetAsString(u"1"_s);
    t->Post();
    return t->FieldByName(u"MESSUNGENID"_s).AsInteger();
}

void TMainFrmRig::AddReadings(int count)
{
    const QDate date = main->MessungenTable->FieldByName(u"SD"_s).AsDate();
    const QTime start = main->MessungenTable->FieldByName(u"SU"_s).AsTime();
    TTable* t = main->MessdatenTable;
    for (int i = 0; i < count; ++i) {
        t->Append();
        t->FieldByName(u"DA"_s).SetAsDate(date);
        t->FieldByName(u"UZ"_s).SetAsTime(start.addSecs(i));
        t->FieldByName(u"MW"_s).SetAsFloat(10 + i);
        t->Post();
    }
}

QString TMainFrmRig::SettingsPath() const
{
    return GetSettingsFileName();
}
