#include "TWaitFrm.h"

#include "Platform.h"
#include "WindowRegistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TWaitFrm::TWaitFrm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(u"WaitFrm"_s);
    setWindowTitle(u"WaitFrm"_s);
    setFixedSize(398, 42);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(u"ProgressBar"_s);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(ProgressBar);

    Windows::Register(this);
}

void TWaitFrm::Step(int position)
{
    ProgressBar->setValue(position);
    const quint32 now = Platform::TickCount();
    if (m_repainted && now - m_lastRepaint < 50)
        return;
    m_repainted = true;
    m_lastRepaint = now;
    // Paint and timers, but no clicks or keys: the operation that drives the bar must not be
    // started a second time from inside itself.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TWaitFrm::FormShow()
{
    // Centred over the main window, or over the screen when there is none to be seen.
    QRect over;
    if (QWidget* main = Windows::Find(u"MainFrm"_s); main && main->isVisible())
        over = main->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isValid())
        move(over.center() - rect().center());
    m_repainted = false;
}

void TWaitFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TWaitFrm::closeEvent(QCloseEvent* event)
{
    // While it is up a task runs, and only the task hides it. Hidden, it must not stand in the way
    // of the windows closing at the end of the program.
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

TWaitFrm* WaitFrm()
{
    return Windows::Get<TWaitFrm>(u"WaitFrm"_s);
}

TWaitScope::TWaitScope(const QString& title, int minimum, int maximum, TWaitFrm* window) : m_window(window)
{
    if (!m_window)
        return;
    m_window->setWindowTitle(title);
    m_window->ProgressBar->setRange(minimum, maximum);
    m_window->ProgressBar->setValue(minimum);
    m_window->show();
    m_window->Step(minimum);
}

TWaitScope::~TWaitScope()
{
    if (m_window)
        m_window->hide();
}

void TWaitScope::SetRange(int minimum, int maximum)
{
    if (m_window)
        m_window->ProgressBar->setRange(minimum, maximum);
}

void TWaitScope::Step(int position)
{
    if (m_window)
        m_window->Step(position);
}
