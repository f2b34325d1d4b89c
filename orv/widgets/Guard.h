#pragma once

#include <QChar>

#include <functional>

class QKeyEvent;

namespace orv {

// Handler types of the components, named as the screens know them.
using TNotifyEvent = std::function<void()>;
// The typed character; setting it to QChar() discards the key, another character replaces it.
// Enter arrives as '\r', Backspace as '\b' and Esc as '\x1b'.
using TKeyPressEvent = std::function<void(QChar& key)>;

// Runs a handler entered from a Qt signal or event. Nothing may propagate into Qt's event loop:
// an abort (EAbort, thrown after its message was shown) ends the handler quietly; any other
// exception has its text shown through the host. Returns true when the handler completed.
bool Guard(const std::function<void()>& handler) noexcept;

// The character a key press types, as a KeyPress handler sees it: Enter '\r', Backspace '\b',
// Esc '\x1b', a printable character as typed; null for other keys.
QChar KeyCharOf(const QKeyEvent* event);

// Guard for an optional handler: an empty one counts as completed.
inline bool Fire(const TNotifyEvent& handler) noexcept { return !handler || Guard(handler); }

// Shows the text of an exception caught outside Guard (a focus move that was cancelled).
void ReportException(const std::exception& error) noexcept;

}  // namespace orv
