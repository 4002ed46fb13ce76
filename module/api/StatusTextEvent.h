#pragma once

#include <QEvent>

namespace veltra {

// What the module sends, synchronously, to the host view it got from SetWindow
// to show an opened file in the host's status bar: pane 0 for the ROM file,
// pane 1 for the parameter file. The text belongs to the sender and lives only
// during the call; the receiver copies it.
class StatusTextEvent : public QEvent {
public:
    // The host and the module are separate shared objects and the module
    // exports nothing but its entry points, so each would keep its own copy of
    // an id handed out lazily by registerEventType(). The id is therefore a
    // fixed number that the host reserves in Qt's registry at start-up.
    static constexpr QEvent::Type TypeId = static_cast<QEvent::Type>(QEvent::User + 0x405);

    StatusTextEvent(int pane, const char* text) : QEvent(TypeId), pane_(pane), text_(text) {}

    int Pane() const { return pane_; }
    const char* Text() const { return text_; }

    // Keeps registerEventType() from handing the same number to anyone else
    // in this process; the host calls it once before the module is loaded.
    static void Reserve()
    {
        static const int reserved = QEvent::registerEventType(TypeId);
        static_cast<void>(reserved);
    }

private:
    int pane_;
    const char* text_;
};

}  // namespace veltra
