#pragma once
// The end of a Windows session (logoff, shutdown, restart) reaches a program with windows as
// the window messages WM_QUERYENDSESSION and WM_ENDSESSION, never as a console event. The
// window answers as it does SIGTERM on Linux: it stops its operation after the frame in flight,
// which goes into the service log as any stopped rewrite does, and closes. While the operation
// still runs the session's end is held back, with the reason Windows shows the user, so the
// frame in flight is not cut off; once the window has closed the program ends and Windows goes
// on.

#include <QAbstractNativeEventFilter>

namespace velmar {

class frmMain;

class SessionEnd : public QAbstractNativeEventFilter {
  public:
    explicit SessionEnd(frmMain& window) : window_(window) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    frmMain& window_;
};

}  // namespace velmar
