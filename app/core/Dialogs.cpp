#include "Dialogs.h"

#include <QApplication>
#include <QFileDialog>

namespace Dialogs {
namespace {

class TRealResponder final : public TResponder
{
public:
    QMessageBox::StandardButton Message(QWidget* parent, const TMessage& m) override
    {
        QMessageBox::Icon icon = QMessageBox::Information;
        switch (m.icon) {
        case Icon::Information:
            icon = QMessageBox::Information;
            break;
        case Icon::Question:
            icon = QMessageBox::Question;
            break;
        case Icon::Warning:
            icon = QMessageBox::Warning;
            break;
        case Icon::Error:
            icon = QMessageBox::Critical;
            break;
        }
        QMessageBox box(icon, m.title, m.text, m.buttons, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QString File(QWidget* parent, const TFileRequest& r) override
    {
        QString start = r.folder;
        if (!r.fileName.isEmpty())
            start = r.folder.isEmpty() ? r.fileName : r.folder + u'/' + r.fileName;
        if (r.save)
            return QFileDialog::getSaveFileName(parent, r.title, start, r.filter);
        return QFileDialog::getOpenFileName(parent, r.title, start, r.filter);
    }

    QString FileAndFilter(QWidget* parent, const TFileRequest& r, int* chosenFilter) override
    {
        if (!r.save)
            return TResponder::FileAndFilter(parent, r, chosenFilter);
        QString start = r.folder;
        if (!r.fileName.isEmpty())
            start = r.folder.isEmpty() ? r.fileName : r.folder + u'/' + r.fileName;
        const QStringList filters = r.filter.split(QStringLiteral(";;"));
        QString selected = filters.value(r.filterIndex);
        const QString path = QFileDialog::getSaveFileName(parent, r.title, start, r.filter, &selected);
        *chosenFilter = std::max(0, int(filters.indexOf(selected)));
        return path;
    }
};

TRealResponder g_real;
TResponder* g_responder = nullptr;

} // namespace

void SetResponder(TResponder* responder)
{
    g_responder = responder;
}
TResponder* Responder()
{
    return g_responder ? g_responder : &g_real;
}

QMessageBox::StandardButton Message(QWidget* parent, const QString& title, const QString& text, Icon icon,
                                    QMessageBox::StandardButtons buttons)
{
    return Responder()->Message(parent, TMessage{title, text, icon, buttons});
}

void Error(QWidget* parent, const QString& text)
{
    Message(parent, QApplication::applicationDisplayName(), text, Icon::Error);
}

QString OpenFile(QWidget* parent, const TFileRequest& request)
{
    TFileRequest r = request;
    r.save = false;
    return Responder()->File(parent, r);
}

QString SaveFile(QWidget* parent, TFileRequest request)
{
    int chosen = 0;
    return SaveFile(parent, request, &chosen);
}

QString SaveFile(QWidget* parent, TFileRequest request, int* chosenFilter)
{
    request.save = true;
    QString path = Responder()->FileAndFilter(parent, request, chosenFilter);
    if (!path.isEmpty() && !request.defaultSuffix.isEmpty() && !path.contains(u'.'))
        path += u'.' + request.defaultSuffix;
    return path;
}

} // namespace Dialogs
