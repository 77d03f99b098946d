#include "box_watcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>

#include "simulator.h"

BoxWatcher::BoxWatcher() { qApp->installEventFilter(this); }

BoxWatcher::~BoxWatcher() { qApp->removeEventFilter(this); }

QStringList BoxWatcher::Summaries() const {
  QStringList summaries;
  for (const Box& box : boxes) summaries << box.summary;
  return summaries;
}

bool BoxWatcher::eventFilter(QObject* watched, QEvent* event) {
  // A modal window becomes the active modal widget when it is shown; it is read once its own
  // event loop runs, which is where the queued call lands.
  if (event->type() == QEvent::Show && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->isWindow()) {
    const qint64 shownMs = Simulator::NowMs();
    QMetaObject::invokeMethod(this, [this, shownMs] { CloseActiveModal(shownMs); },
                              Qt::QueuedConnection);
  }
  return false;
}

void BoxWatcher::AddHandler(Handler handler) { handlers.prepend(std::move(handler)); }

void BoxWatcher::ClearHandlers() { handlers.clear(); }

void BoxWatcher::CloseActiveModal(qint64 shownMs) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return;
  // A copy: a handler may add or clear handlers, and may run a whole dialog's life.
  const QList<Handler> offered = handlers;
  for (const Handler& handler : offered)
    if (handler(modal)) return;
  Box box{{}, shownMs, 0};
  if (auto* message = qobject_cast<QMessageBox*>(modal)) {
    box.summary = message->windowTitle() + ": " + message->text();
    const QList<QAbstractButton*> buttons = message->buttons();
    if (buttons.size() != 1 || message->standardButton(buttons.first()) != QMessageBox::Ok)
      box.summary += QStringLiteral(" (%1 buttons, not a single OK)").arg(buttons.size());
    box.closedMs = Simulator::NowMs();
    boxes << box;
    if (QAbstractButton* chosen = answer != QMessageBox::NoButton ? message->button(answer) : nullptr)
      chosen->click();
    else if (!buttons.isEmpty())
      buttons.first()->click();
    else
      message->reject();
    return;
  }
  box.summary = QStringLiteral("modal %1 \"%2\"").arg(modal->metaObject()->className(), modal->windowTitle());
  box.closedMs = Simulator::NowMs();
  boxes << box;
  if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  else modal->close();
}
