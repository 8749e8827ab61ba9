#include "BrowserRig.h"

#include "TDatabase.h"
#include "TTable.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

TBrowserRig::TBrowserRig(bool open)
{
    frm = std::make_unique<TDatabaseFrm>();
    if (open)
        frm->InitDatabaseView();
}

TBrowserRig::~TBrowserRig()
{
    frm.reset();
}

int TBrowserRig::AddCustomer(const QString& kn, const QString& k1, const QString& k2, const QString& k3)
{
    TTable* t = frm->KundenTable;
    t->Append();
    t->FieldByName(u"KN"_s).SetAsString(kn);
    t->FieldByName(u"K1"_s).SetAsString(k1);
    t->FieldByName(u"K2"_s).SetAsString(k2);
    t->FieldByName(u"K3"_s).SetAsString(k3);
    t->Post();
    return t->FieldByName(u"KUNDENID"_s).AsInteger();
}

int TBrowserRig::AddTest(QDate sd, QTime su, int mtnr, const QString& md, const QString& mt)
{
    TTable* t = frm->MessungenTable;
    t->Append();
    t->FieldByName(u"SD"_s).SetAsDate(sd);
    t->FieldByName(u"SU"_s).SetAsTime(su);
    t->FieldByName(u"MTNR"_s).SetAsInteger(mtnr);
    t->FieldByName(u"MT"_s).SetAsString(mt.isEmpty() ? u"Typ "_s + QString::number(mtnr) : mt);
    t->FieldByName(u"MD"_s).SetAsString(md);
    t->FieldByName(u"IN"_s).SetAsString(u"1"_s);
    t->FieldByName(u"KS"_s).SetAsString(u"1"_s);
    t->FieldByName(u"EH"_s).SetAsString(u"mbar"_s);
    t->Post();
    return t->FieldByName(u"MESSUNGENID"_s).AsInteger();
}

void TBrowserRig::AddReadings(int count, double first)
{
    TTable* tests = frm->MessungenTable;
    const QDate date = tests->FieldByName(u"SD"_s).AsDate();
    const QTime start = tests->FieldByName(u"SU"_s).AsTime();
    TTable* t = frm->MessdatenTable;
    for (int i = 0; i < count; ++i) {
        t->Append();
        t->FieldByName(u"DA"_s).SetAsDate(date);
        t->FieldByName(u"UZ"_s).SetAsTime(start.addSecs(i));
        t->FieldByName(u"MW"_s).SetAsFloat(first + i);
        t->Post();
    }
}

qint64 TBrowserRig::Scalar(const QString& sql) const
{
    sqlite3_stmt* stmt = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(frm->Db->Database->Handle(), sql.toUtf8().constData(), -1, &stmt, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        value = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return value;
}

qint64 TBrowserRig::Customers() const
{
    return Scalar(u"SELECT COUNT(*) FROM \"KundenTable\""_s);
}

qint64 TBrowserRig::Tests() const
{
    return Scalar(u"SELECT COUNT(*) FROM \"MessungenTable\""_s);
}

qint64 TBrowserRig::Readings() const
{
    return Scalar(u"SELECT COUNT(*) FROM \"MessdatenTable\""_s);
}

namespace {
QStringList Column(TTable* t, const QString& field)
{
    QStringList values;
    const int index = t->FieldByName(field).Index();
    for (int recNo = 1; recNo <= t->RecordCount(); ++recNo)
        values << t->DisplayTextAt(recNo, index);
    return values;
}
} // namespace

QStringList TBrowserRig::CustomerColumn(const QString& field) const
{
    return Column(frm->KundenTable, field);
}

QStringList TBrowserRig::TestColumn(const QString& field) const
{
    return Column(frm->MessungenTable, field);
}
