#pragma once

#include <memory>
#include <QList>
#include <QWidget>
#include <vector>

class TMainFrm;

// The program from start to end: the application title, the thirteen single-instance windows in
// their fixed order, the event loop until the main window closes, and the shutdown.
class TApplicationStart
{
public:
    TApplicationStart();
    // Shuts down when that has not happened yet.
    ~TApplicationStart();
    TApplicationStart(const TApplicationStart&) = delete;
    TApplicationStart& operator=(const TApplicationStart&) = delete;

    // Sets the title and creates the windows; the main window's creation step runs right after it
    // is built, before any other window exists.
    void Start();
    // Shows the main window and runs the event loop until the main window closes, then shuts down.
    // Returns the program's exit status.
    int Run();
    // Destroys the windows, the last created first; the main window's destruction step saves the
    // settings.
    void Shutdown();

    TMainFrm* MainFrm() const { return m_main; }
    // The windows in creation order.
    QList<QWidget*> CreatedWindows() const;

private:
    TMainFrm* m_main = nullptr;
    std::vector<std::unique_ptr<QWidget>> m_windows; // in creation order, the main window first
    bool m_quitOnLastWindowClosed = true;
};

// The whole run in a QApplication that exists: start, event loop, shutdown. Returns the exit status.
int RunProgram();
