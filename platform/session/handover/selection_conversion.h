#pragma once

#include <optional>
#include <string>

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>

namespace tintcast::platform::session {

// Asks a selection's owner to convert it to a target, into a property of a window of
// our own, and catches the answer before Qt sees it. The caller runs the event loop
// meanwhile, so that the program can answer requests the owner makes in turn.
class SelectionConversion final : public QAbstractNativeEventFilter {
public:
    enum class State { Waiting, Done, Refused };

    SelectionConversion(xcb_connection_t* connection, xcb_atom_t selection, xcb_atom_t target);
    ~SelectionConversion() override;
    SelectionConversion(const SelectionConversion&) = delete;
    SelectionConversion& operator=(const SelectionConversion&) = delete;

    // An owner that has gone away refuses.
    State state() const;
    // The value the owner stored, once done; nothing if it is not there.
    std::optional<std::string> value() const;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    xcb_connection_t* connection_;
    xcb_atom_t selection_;
    xcb_atom_t property_;
    xcb_window_t requestor_ = XCB_WINDOW_NONE;
    State state_ = State::Waiting;
};

}  // namespace tintcast::platform::session
