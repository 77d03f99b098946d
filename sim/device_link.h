#pragma once
// The --link of velt-sim: a symbolic link to the simulator's device, and the lock file PATH.lock
// beside it, locked (flock) for as long as the simulator serves. The lock tells a live link from
// one left behind by a simulator that died: a second simulator is refused the first and may take
// over the second.
#include <QByteArray>
#include <QString>

class DeviceLink {
 public:
  DeviceLink() = default;
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;
  ~DeviceLink() { Remove(); }

  // Takes the lock and points path at target, replacing an old symbolic link; false with the
  // reason when another simulator holds the lock or path is something else than a link. Names
  // are bytes, whatever they are; the reason keeps them as native_name.h does.
  bool Make(const QByteArray& path, const QByteArray& target, QString* error);
  // Removes the link (only while it still points at the target) and the lock file.
  void Remove();

 private:
  bool Lock(QString* error);
  void Unlock();

  QByteArray path, target;
  int lockFd = -1;
};
