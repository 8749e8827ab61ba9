#pragma once

#include <QProgressBar>
#include <QString>
#include <QWidget>

// The progress window of long operations: a small window without title-bar buttons, always on top,
// holding one progress bar. Its title is the running task's text, set by the caller. The user
// cannot close it; it disappears when the operation hides it.
//
// Pattern: setWindowTitle(Msg(..)); ProgressBar->setRange(..); ProgressBar->setValue(..); show();
// Step(..) as the work proceeds; hide() at the end, also when the work fails. TWaitScope does the
// first and the last part.
class TWaitFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TWaitFrm(QWidget* parent = nullptr);

    QProgressBar* ProgressBar;

    // Moves the bar to a position and lets the pending window events (but no user input) run, at
    // most once every 50 ms of the tick count, so that the window repaints without slowing the work.
    void Step(int position);

public slots:
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    quint32 m_lastRepaint = 0;
    bool m_repainted = false;
};

// The progress window of the program (nullptr before it exists).
TWaitFrm* WaitFrm();

// Shows the progress window with a title and a range for its lifetime and hides it when it goes,
// whether or not the operation failed. Does nothing when there is no progress window.
class TWaitScope
{
public:
    explicit TWaitScope(const QString& title, int minimum = 0, int maximum = 100,
                        TWaitFrm* window = WaitFrm());
    ~TWaitScope();
    TWaitScope(const TWaitScope&) = delete;
    TWaitScope& operator=(const TWaitScope&) = delete;

    void SetRange(int minimum, int maximum);
    void Step(int position);

private:
    TWaitFrm* m_window;
};
