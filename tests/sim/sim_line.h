#pragma once
// The configurator's end of the simulated line, in plain POSIX calls: the device opened raw,
// bytes written, replies read with deadlines (poll, never a busy loop).
#include <QByteArray>
#include <QString>
#include <optional>

class SimLine {
 public:
  explicit SimLine(const QString& path);
  ~SimLine();
  SimLine(const SimLine&) = delete;
  SimLine& operator=(const SimLine&) = delete;

  bool IsOpen() const { return fd >= 0; }
  QString Error() const { return error; }
  void Close();

  bool Write(const QByteArray& bytes);
  bool Send(quint8 command, const QByteArray& payload);  // as a request frame

  // Reads until a whole reply frame ("g", command, length, payload, checksum) has arrived and
  // returns it, the checksum unchecked; bytes ahead of the "g" go to skipped. Empty on time-out.
  QByteArray ReadFrame(int timeoutMs = 2000, QByteArray* skipped = nullptr);
  // Reads until count bytes have arrived or the time runs out.
  QByteArray ReadBytes(int count, int timeoutMs = 2000);
  // Everything that arrives within ms (to show that nothing does).
  QByteArray ReadFor(int ms);
  // Whether the far end has gone (the simulator closed the line).
  bool HungUp(int timeoutMs);

  // A request and its reply frame.
  QByteArray Ask(quint8 command, const QByteArray& payload, int timeoutMs = 2000);

 private:
  // Waits until bytes can be read before the deadline (monotonic ms); appends them to pending.
  bool Fill(qint64 deadline);

  int fd = -1;
  QString error;
  QByteArray pending;  // read but not yet returned
  bool ended = false;  // read saw the end of the line
};

// Bytes from a hexadecimal text such as "47 04 01 47 93".
inline QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text)); }
