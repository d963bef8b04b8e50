// Only one copy of the client runs per user. The first copy holds a per-user lock and
// listens on a per-user local socket; a later copy finds the lock held, asks the running
// copy over the socket to come to the front, and ends.
#pragma once

#include <QObject>
#include <QString>

namespace lorvex {

class SingleInstanceGuard : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // True when another copy of the program is already running for this user.
    virtual bool OtherCopyRunning() = 0;
    // Asks the running copy to bring its window to the front. Returns whether it answered.
    virtual bool BringRunningCopyToFront() = 0;

  signals:
    // Raised in the running copy when a later copy asks it to come to the front.
    void activationRequested();
};

}  // namespace lorvex
