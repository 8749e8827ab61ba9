#pragma once

#include "Dialogs.h"
#include "TError.h"

#include <exception>
#include <utility>

// Runs one handler. An error it does not handle ends the handler and is shown in the error box
// in its own words; nothing escapes into the event loop. Returns false when an error ended it.
template <typename F> bool Guarded(QWidget* parent, F&& handler)
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const std::exception& e) {
        Dialogs::Error(parent, ErrorText(e));
    } catch (...) {
        Dialogs::Error(parent, QStringLiteral("Unknown error"));
    }
    return false;
}
