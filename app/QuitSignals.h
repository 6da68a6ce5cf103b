#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

namespace vantrel {

// Turns SIGTERM and SIGINT (logout, Ctrl+C in a terminal) into quitRequested() on the event
// loop, so the application quits in order and saves first. The handler only writes the signal
// number into a pipe; everything else happens on the main thread. One instance at a time; the
// previous handlers come back when it goes.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void quitRequested(int signal);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previousTerm {};
    struct sigaction m_previousInt {};
};

} // namespace vantrel
