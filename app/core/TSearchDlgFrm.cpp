#include "TSearchDlgFrm.h"

#include "WindowRegistry.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
TSearchDlgFrm::TResponder g_responder;
}

TSearchDlgFrm::TSearchDlgFrm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"SearchDlgFrm"_s);
    setWindowTitle(u"Suchen"_s);
    setModal(true);
    setFixedSize(264, 102);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    InfoLabel = new QLabel(this);
    InfoLabel->setObjectName(u"InfoLabel"_s);
    InfoLabel->setAlignment(Qt::AlignCenter);
    OKBtn = new QPushButton(u"Weiter suchen"_s, this);
    OKBtn->setObjectName(u"OKBtn"_s);
    OKBtn->setAutoDefault(false);
    CancelBtn = new QPushButton(u"Suche abbrechen"_s, this);
    CancelBtn->setObjectName(u"CancelBtn"_s);
    CancelBtn->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel, 1);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &TSearchDlgFrm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TSearchDlgFrm::CancelBtnClick);

    Windows::Register(this);
}

bool TSearchDlgFrm::AskContinue(const QString& found)
{
    InfoLabel->setText(found);
    if (g_responder)
        return g_responder(*this);
    return exec() == QDialog::Accepted;
}

void TSearchDlgFrm::SetResponder(TResponder responder)
{
    g_responder = std::move(responder);
}

void TSearchDlgFrm::FormShow()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // Enter stops the search.
    CancelBtn->setFocus(Qt::OtherFocusReason);
}

void TSearchDlgFrm::OKBtnClick()
{
    accept();
}

void TSearchDlgFrm::CancelBtnClick()
{
    reject();
}

void TSearchDlgFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}
