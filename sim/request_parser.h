#pragma once
// Cuts request frames out of the bytes the controller receives.
//
// A frame starts at a "G"; bytes ahead of one are skipped. A frame whose checksum does not add
// up is ignored, and the search starts again one byte after its "G", so that a stray "G" in
// front of a real request costs nothing but itself. A frame left incomplete for a while (the
// sender stopped mid-frame) is given up the same way, as a controller's receiver would.
#include <QByteArray>
#include <QList>
#include <optional>

#include "sim_clock.h"

struct Request {
  quint8 command = 0;
  QByteArray payload;
  SimTime at;  // when its last byte was received
};

class RequestParser {
 public:
  static constexpr auto StaleAfter = std::chrono::milliseconds(500);

  // One received byte, complete at the given time; returns the requests it completes.
  QList<Request> Feed(char byte, SimTime at);

  // When the incomplete frame held now is to be given up, if one is held.
  std::optional<SimTime> StaleAt() const;
  // Gives up the incomplete frame; returns requests found in the bytes after its start.
  QList<Request> DropStale();

  int IgnoredFrames() const { return ignored; }

 private:
  QList<Request> Scan();

  QByteArray pending;      // starts with "G" when not empty
  QList<SimTime> times;    // arrival of each pending byte
  int ignored = 0;         // frames with a bad checksum
};
