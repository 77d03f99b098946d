#include "window_status_bar.h"

#include <QPainter>
#include <QSizeGrip>
#include <QStyleOption>

#include "elided_label.h"

namespace {
constexpr int MessageMinimumChars = 12;
}

WindowStatusBar::WindowStatusBar(QWidget* parent) : QStatusBar(parent), message_(new ElidedLabel(this, MessageMinimumChars)) {
  message_->setObjectName(QStringLiteral("LabelKomunikat"));
  // A lasting part that takes the room the others leave; passing messages never hide it.
  addPermanentWidget(message_, 1);
  connect(this, &QStatusBar::messageChanged, this, [this](const QString& text) { message_->SetFullText(text); });
}

// As the bar paints itself, less its message, which the label shows.
void WindowStatusBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOption panel;
  panel.initFrom(this);
  style()->drawPrimitive(QStyle::PE_PanelStatusBar, &panel, &painter, this);
  for (QWidget* part : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!part->isVisible() || qobject_cast<QSizeGrip*>(part)) continue;
    QStyleOption frame;
    frame.rect = part->geometry().adjusted(-2, -1, 2, 1);
    frame.palette = palette();
    frame.state = QStyle::State_None;
    style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &frame, &painter, part);
  }
}
