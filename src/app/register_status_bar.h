#pragma once
// The register in the window's status bar: the installation the connection's entries belong to,
// the one a download matched with a button that assigns it, and what is still to be sent to a
// shared register. Beside the bar's passing messages, which never hide them; a long installation
// is cut with "…" and whole in its tooltip, and the count is never cut.
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class ElidedLabel;
class QLabel;
class QPushButton;
class QStatusBar;

class RegisterStatusBar : public QObject {
  Q_OBJECT

 public:
  // accept: the user took the offer.
  RegisterStatusBar(QStatusBar* bar, std::function<void()> accept);

  // Texts describing installations ("site (name)"); empty hides the part.
  void ShowAssigned(const QString& installation);
  void ShowOffer(const QString& installation);
  // Nothing hides the count: no shared register.
  void ShowPending(std::optional<qint64> count);

 private:
  ElidedLabel* assigned_;
  ElidedLabel* offer_;
  QPushButton* accept_;
  QLabel* pending_;
};
