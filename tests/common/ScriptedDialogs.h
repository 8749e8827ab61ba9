#pragma once

#include "Dialogs.h"

#include <QList>
#include <QQueue>

// Answers the program's message boxes and file dialogs from queues and records each one.
// A box or dialog that was not expected fails the running test (and is answered No/Cancel).
// Installed for its lifetime.
class TScriptedDialogs final : public Dialogs::TResponder
{
public:
    TScriptedDialogs();
    ~TScriptedDialogs() override;

    // The answer of the next message box.
    void ExpectMessage(QMessageBox::StandardButton answer = QMessageBox::Ok);
    // The answer of the next file dialog: a path, or empty for cancel.
    void ExpectFile(const QString& path);
    // The same, with the filter the user chose in a save dialog (from 0).
    void ExpectFile(const QString& path, int chosenFilter);

    QList<Dialogs::TMessage> messages;
    QList<Dialogs::TFileRequest> files;
    // True when every expected answer was used.
    bool Done() const { return m_answers.isEmpty() && m_paths.isEmpty(); }

    QMessageBox::StandardButton Message(QWidget* parent, const Dialogs::TMessage& message) override;
    QString File(QWidget* parent, const Dialogs::TFileRequest& request) override;
    QString FileAndFilter(QWidget* parent, const Dialogs::TFileRequest& request, int* chosenFilter) override;

private:
    QQueue<QMessageBox::StandardButton> m_answers;
    QQueue<QString> m_paths;
    QQueue<int> m_filters; // -1: the filter shown first
    Dialogs::TResponder* m_previous;
};
