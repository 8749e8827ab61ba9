#include "ErrorGuard.h"
#include "ScriptedDialogs.h"
#include "TestMain.h"

#include <QTest>

class TDialogsTest : public QObject
{
    Q_OBJECT
private slots:
    void guardShowsErrorInItsOwnWords()
    {
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        const bool ok = Guarded(nullptr, [] { throw TError(QStringLiteral("Datei nicht gefunden: X.DAT")); });
        QVERIFY(!ok);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("Datei nicht gefunden: X.DAT"));
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
    }

    void guardPassesQuietHandlers()
    {
        TScriptedDialogs dialogs;
        int runs = 0;
        QVERIFY(Guarded(nullptr, [&] { ++runs; }));
        QCOMPARE(runs, 1);
        QVERIFY(dialogs.messages.isEmpty());
    }

    void askIsTrueOnlyForYes_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("proceeds");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("no") << int(QMessageBox::No) << false;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false;
    }
    void askIsTrueOnlyForYes()
    {
        QFETCH(int, answer);
        QFETCH(bool, proceeds);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::StandardButton(answer));
        QCOMPARE(Dialogs::Ask(nullptr, QStringLiteral("Sicherheitsabfrage"), QStringLiteral("?")), proceeds);
    }
};

TQ5_TEST(TDialogsTest)
#include "tst_Dialogs.moc"
