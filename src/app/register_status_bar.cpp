#include "register_status_bar.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include "elided_label.h"
#include "polish_plural.h"

namespace {
constexpr int CaptionMinimumChars = 18;  // "Instalacja: KRK-00…" still says which
constexpr int CaptionMaximumChars = 44;  // the rest of the bar is the passing messages'
}

RegisterStatusBar::RegisterStatusBar(QStatusBar* bar, std::function<void()> accept)
    : QObject(bar), assigned_(new ElidedLabel(bar, CaptionMinimumChars)),
      offer_(new ElidedLabel(bar, CaptionMinimumChars)), accept_(new QPushButton(bar)),
      pending_(new QLabel(bar)) {
  assigned_->setObjectName(QStringLiteral("LabelInstalacja"));
  offer_->setObjectName(QStringLiteral("LabelPropozycja"));
  accept_->setObjectName(QStringLiteral("Button_przypisz"));
  pending_->setObjectName(QStringLiteral("LabelDoWyslania"));
  // Alt+R: the menus take P, D and I.
  accept_->setText(QStringLiteral("P&rzypisz"));
  accept_->setToolTip(QStringLiteral("Przypisz wpisy tego połączenia do proponowanej instalacji"));
  accept_->setAutoDefault(false);
  for (ElidedLabel* caption : {assigned_, offer_})
    caption->setMaximumWidth(caption->fontMetrics().averageCharWidth() * CaptionMaximumChars);
  pending_->setToolTip(QStringLiteral("Zapisy rejestru tego komputera (nowe instalacje, zmiany ich danych, konfiguracje), "
                                      "których rejestr wspólny jeszcze nie ma"));
  connect(accept_, &QPushButton::clicked, this, std::move(accept));
  for (QWidget* w : {static_cast<QWidget*>(assigned_), static_cast<QWidget*>(offer_), static_cast<QWidget*>(accept_),
                     static_cast<QWidget*>(pending_)}) {
    bar->addPermanentWidget(w);
    w->hide();
  }
}

void RegisterStatusBar::ShowAssigned(const QString& installation) {
  assigned_->SetFullText(QStringLiteral("Instalacja: %1").arg(installation));
  assigned_->setVisible(!installation.isEmpty());
}

void RegisterStatusBar::ShowOffer(const QString& installation) {
  offer_->SetFullText(QStringLiteral("Pasuje instalacja %1").arg(installation));
  offer_->setVisible(!installation.isEmpty());
  accept_->setVisible(!installation.isEmpty());
}

void RegisterStatusBar::ShowPending(std::optional<qint64> count) {
  pending_->setText(QStringLiteral("Do wysłania: %1").arg(Counted(int(count.value_or(0)), "zmiana", "zmiany", "zmian")));
  pending_->setVisible(count.has_value());
}
