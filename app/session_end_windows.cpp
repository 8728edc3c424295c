#include <windows.h>

#include "app/frm_main.h"
#include "app/session_end.h"

namespace velmar {

namespace {

// What Windows lists beside the program while it holds the session's end back.
constexpr const wchar_t* kHoldingReason =
    L"Velmar Software Writer is stopping the radio's rewrite after the block in flight.";

}  // namespace

bool SessionEnd::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) {
    if (eventType != "windows_generic_MSG") return false;
    const MSG& msg = *static_cast<const MSG*>(message);
    if (msg.message != WM_QUERYENDSESSION && msg.message != WM_ENDSESSION) return false;
    // Every top-level window gets the messages; asking twice changes nothing.
    if (msg.message == WM_QUERYENDSESSION || msg.wParam != FALSE) window_.closeWithoutAsking();
    if (msg.message == WM_ENDSESSION) {
        // Windows may end the process once this returns; the operation cannot be waited for
        // here, since this may run inside its own wait for a reply.
        *result = 0;
        return true;
    }
    const bool running = window_.operationRunning();
    if (running)
        ::ShutdownBlockReasonCreate(msg.hwnd, kHoldingReason);
    else
        ::ShutdownBlockReasonDestroy(msg.hwnd);
    *result = running ? FALSE : TRUE;
    return true;
}

}  // namespace velmar
