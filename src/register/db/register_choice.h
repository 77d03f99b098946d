#pragma once
// Which register velt uses: this computer's own (always written first) alone, or with a team's
// shared server besides it. Chosen by `register use`, kept in velt.conf, overridden by the
// VELT_REGISTER variable. A password is never part of it: the server's own client library takes
// it from ~/.pgpass, PGPASSWORD or a service file.
#include <QString>
#include <optional>

// A shared register: postgresql://USER@HOST[:PORT]/DATABASE[?sslmode=MODE].
struct SharedTarget {
  QString user;  // empty: the client library's default (the login name)
  QString host;
  int port = 5432;
  QString database;
  QString sslmode;  // empty: the client library's default

  // The URL as typed back: what velt.conf keeps and the window shows.
  QString Url() const;
  // The server and database, not the user nor the TLS mode: what was sent there is sent.
  QString Place() const;
  // The TLS mode asked of the server: the one chosen, else "require" for any host but the
  // loopback or a Unix socket, so that PINs and passwords never cross a network in clear.
  // Empty: the client library's own.
  QString TlsMode() const;

  bool operator==(const SharedTarget&) const = default;
};

namespace RegisterChoice {

// What `register use` takes for this computer's register alone.
inline constexpr char Local[] = "local";
inline constexpr char Variable[] = "VELT_REGISTER";

// Nullopt with *error (Polish) for text that is no such URL, or that carries a password.
std::optional<SharedTarget> Parse(const QString& text, QString* error);

struct Choice {
  std::optional<SharedTarget> shared;  // none: this computer's register alone
  QString problem;  // a kept or given choice that could not be read; the local register is used
};
// VELT_REGISTER when set, else velt.conf.
Choice Current();

// Keeps "local" or a URL in velt.conf; false with *error for anything else.
bool Use(const QString& text, QString* error);

}  // namespace RegisterChoice
