#pragma once
// SIGTERM and SIGHUP as a Qt signal. The handler only writes the signal's number into a pipe
// (all it may safely do); a socket notifier reads it on the event loop, where the window can
// stop its operation after the frame in flight and close.

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <memory>

namespace velmar {

class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    // Installs the handlers; one instance at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the previous handlers back.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  signals:
    void received(int signalNumber);

  private:
    void drain();

    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previousTerm_ {};
    struct sigaction previousHangUp_ {};
};

}  // namespace velmar
