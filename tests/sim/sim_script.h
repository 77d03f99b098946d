#pragma once
// Exchanges with the simulator written as readable steps, "REQUEST > EXPECTED", for tables.
//
// REQUEST: hexadecimal frame bytes, or a name: login (password 7315), login:DIGITS, status,
//   readK / writeK:TEXT (item K), reset (counters), restart, blockN (block N of 64 bytes N),
//   end (of firmware).
// EXPECTED: hexadecimal reply frame; reply (a good frame of the request's command); rejected
//   (a login reply without "T"); corrupt (a frame of that command with a wrong checksum);
//   noise:N (N bytes, none of them "g", then a good frame); ack (the single byte "!" alone);
//   none (the request arrived and nothing came back).
#include <QStringList>

class Simulator;
class SimLine;

// Runs the steps; returns an empty string or what went wrong at which step.
QString RunScript(Simulator& sim, SimLine& line, const QStringList& steps);
