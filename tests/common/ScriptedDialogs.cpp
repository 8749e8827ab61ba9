#include "ScriptedDialogs.h"

#include <QTest>

TScriptedDialogs::TScriptedDialogs() : m_previous(Dialogs::Responder())
{
    Dialogs::SetResponder(this);
}

TScriptedDialogs::~TScriptedDialogs()
{
    Dialogs::SetResponder(m_previous);
}

void TScriptedDialogs::ExpectMessage(QMessageBox::StandardButton answer)
{
    m_answers.enqueue(answer);
}
void TScriptedDialogs::ExpectFile(const QString& path)
{
    m_paths.enqueue(path);
}

QMessageBox::StandardButton TScriptedDialogs::Message(QWidget*, const Dialogs::TMessage& message)
{
    messages.append(message);
    if (m_answers.isEmpty()) {
        const QByteArray what =
            "Unexpected message box: " + message.title.toUtf8() + " / " + message.text.toUtf8();
        QTest::qFail(what.constData(), __FILE__, __LINE__);
        return message.buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Cancel;
    }
    return m_answers.dequeue();
}

QString TScriptedDialogs::File(QWidget*, const Dialogs::TFileRequest& request)
{
    files.append(request);
    if (m_paths.isEmpty()) {
        const QByteArray what = "Unexpected file dialog: " + request.title.toUtf8();
        QTest::qFail(what.constData(), __FILE__, __LINE__);
        return {};
    }
    return m_paths.dequeue();
}
