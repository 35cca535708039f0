#pragma once

#include "shell/core/Error.h"

#include <functional>
#include <new>

namespace lettora {

// Shows the error box: caption = application title, the text with the full-stop rule, error icon, OK.
void reportError(const QString &text);

// Shows an information box: caption "Information", information icon, OK, centred on the screen.
void showInformation(const QString &text);

// Tests replace the boxes with a recorder: (caption, text as shown).
using MessageHook = std::function<void(const QString &caption, const QString &text)>;
void setMessageHook(MessageHook hook);

// Runs one handler that the event loop calls. An error unwinds the handler, is reported, and the
// program goes on with the next event.
template<typename Handler>
void guard(Handler &&handler) noexcept
{
    try {
        handler();
    } catch (const Error &e) {
        reportError(e.text());
    } catch (const std::bad_alloc &) {
        reportError(QString::fromLatin1(messages::OutOfMemory));
    } catch (const std::exception &e) {
        reportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(QStringLiteral("Unknown error"));
    }
}

} // namespace lettora
