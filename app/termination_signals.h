#pragma once
// The requests to end the program that leave nobody to ask, as a Qt signal. On Linux SIGTERM
// and SIGHUP: the handler only writes the signal's number into a pipe (all it may safely do); a
// socket notifier reads it on the event loop. On Windows the console's Ctrl-C, Ctrl-Break,
// close, logoff and shutdown (when the program was started from a console): Windows calls the
// handler on a thread of its own, which posts the event to the object's thread. Either way the
// window can stop its operation after the frame in flight and close. (The end of a Windows
// session reaches the window as window messages: see session_end.h.)

#include <QObject>

#ifndef _WIN32
#include <QSocketNotifier>
#include <csignal>
#include <memory>
#endif

namespace velmar {

class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    // Installs the handlers; one instance at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the previous handlers back; on Windows the console handler stays and passes every
    // event on.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  signals:
    // The signal's number; on Windows the console event (CTRL_C_EVENT...).
    void received(int signalNumber);

#ifndef _WIN32
  private:
    void drain();

    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previousTerm_ {};
    struct sigaction previousHangUp_ {};
#endif
};

}  // namespace velmar
