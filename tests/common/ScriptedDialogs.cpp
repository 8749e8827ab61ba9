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
    ExpectFile(path, -1);
}
void TScriptedDialogs::ExpectFile(const QString& path, int chosenFilter)
{
    m_paths.enqueue(path);
    m_filters.enqueue(chosenFilter);
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
    m_filters.dequeue();
    return m_paths.dequeue();
}

QString TScriptedDialogs::FileAndFilter(QWidget* parent, const Dialogs::TFileRequest& request,
                                        int* chosenFilter)
{
    const int filter = m_filters.isEmpty() ? -1 : m_filters.head();
    const QString path = File(parent, request);
    *chosenFilter = filter < 0 ? request.filterIndex : filter;
    return path;
}
