#pragma once

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QTimer>

namespace tintcast::platform::session {

// Any client on the display can ask the program for its selections. Qt 6.4 answers a
// request for several targets at once (MULTIPLE) by copying the requestor's list of
// atom pairs into an array of whole pairs, past its end when the list holds an odd
// number of atoms: a heap overflow. Under X11 this looks at such a request first,
// with the server grabbed so that the list cannot change before Qt reads it, and
// refuses one whose list is not whole pairs; Qt answers the rest, clipboard
// managers saving the copy among them.
class MultipleGuard final : public QAbstractNativeEventFilter {
public:
    MultipleGuard();
    ~MultipleGuard() override;
    MultipleGuard(const MultipleGuard&) = delete;
    MultipleGuard& operator=(const MultipleGuard&) = delete;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    // Lets the server go once Qt has answered.
    void Release();

    xcb_connection_t* connection_ = nullptr;
    xcb_atom_t multiple_ = XCB_ATOM_NONE;
    bool grabbed_ = false;
    QTimer release_;
};

}  // namespace tintcast::platform::session
