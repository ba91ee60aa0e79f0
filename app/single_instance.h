#pragma once
// One running copy per executable name and user. A second copy finds the
// first through a local socket, asks it to come to the front and ends before
// it touches any file.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace telvane {

class SingleInstanceGuard : public QObject {
  Q_OBJECT
public:
  // `key` names the instance: see InstanceKey().
  explicit SingleInstanceGuard(const QString& key, QObject* parent = nullptr);

  // True when another copy was running; it has been asked to come forward.
  bool anotherInstanceRuns() const { return anotherInstance_; }

  // "telvane-<executable name>-<user id>".
  static QString InstanceKey();

signals:
  // Another copy started and asked this one to come to the front.
  void activationRequested();

private:
  void acceptConnection();

  QLocalServer server_;
  bool anotherInstance_ = false;
};

}  // namespace telvane
