#pragma once

#include <functional>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Every message box and file dialog of the program goes through here, so that tests can
// answer them from a script instead of blocking in a modal loop.
namespace Dialogs {

enum class Icon
{
    Information,
    Question,
    Warning,
    Error
};

struct TMessage
{
    QString title;
    QString text;
    Icon icon = Icon::Information;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

struct TFileRequest
{
    bool save = false;
    QString title;
    QString folder;   // initial folder
    QString fileName; // proposed file name
    QString filter;   // "Text (*.txt);;All (*.*)"
    QString defaultSuffix;
    int filterIndex = 0; // the filter shown first, from 0
};

// What answers the boxes: the real modal boxes by default, a script in tests.
class TResponder
{
public:
    virtual ~TResponder() = default;
    virtual QMessageBox::StandardButton Message(QWidget* parent, const TMessage& message) = 0;
    // The chosen path, or an empty text when the user cancelled.
    virtual QString File(QWidget* parent, const TFileRequest& request) = 0;
    // As File, also giving the filter the user chose (from 0); by default the one shown first.
    virtual QString FileAndFilter(QWidget* parent, const TFileRequest& request, int* chosenFilter)
    {
        *chosenFilter = request.filterIndex;
        return File(parent, request);
    }
};

// Installs a responder (nullptr restores the real boxes). The caller keeps ownership.
void SetResponder(TResponder* responder);
TResponder* Responder();

QMessageBox::StandardButton Message(QWidget* parent, const QString& title, const QString& text, Icon icon,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
inline void Information(QWidget* parent, const QString& title, const QString& text)
{
    Message(parent, title, text, Icon::Information);
}
// Yes/No question; true only for Yes.
inline bool Ask(QWidget* parent, const QString& title, const QString& text)
{
    return Message(parent, title, text, Icon::Question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}
// The error box of the window system, with the error's own text.
void Error(QWidget* parent, const QString& text);

QString OpenFile(QWidget* parent, const TFileRequest& request);
QString SaveFile(QWidget* parent, TFileRequest request);
// The same, giving the filter the user chose (from 0) in *chosenFilter.
QString SaveFile(QWidget* parent, TFileRequest request, int* chosenFilter);

} // namespace Dialogs
