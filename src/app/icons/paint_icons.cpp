// Paints the main window's four speed-button icons (16 x 16 and 32 x 32 for high-density
// screens) into the current directory. Not part of the build; rerun after changing a drawing:
//   g++ -std=c++20 -fPIC paint_icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/paint_icons
//   (cd src/app/icons && /tmp/paint_icons)
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {
using Drawing = std::function<void(QPainter&)>;

// Every drawing is made on a 16-unit grid and scaled, so both sizes show the same picture.
void Save(const char* name, const Drawing& draw) {
  for (int scale : {1, 2}) {
    QImage image(16 * scale, 16 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    draw(p);
    p.end();
    image.save(QString::fromLatin1(name) + (scale == 1 ? ".png" : "@2x.png"));
  }
}

void Folder(QPainter& p) {
  const QColor edge(150, 105, 20);
  p.setPen(QPen(edge, 1));
  p.setBrush(QColor(235, 190, 80));
  QPainterPath back;
  back.moveTo(1.5, 13.5);
  back.lineTo(1.5, 3.5);
  back.lineTo(5.5, 3.5);
  back.lineTo(7, 5);
  back.lineTo(12.5, 5);
  back.lineTo(12.5, 13.5);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(QColor(250, 215, 110));
  QPainterPath front;
  front.moveTo(1.5, 13.5);
  front.lineTo(4, 7.5);
  front.lineTo(15, 7.5);
  front.lineTo(12.5, 13.5);
  front.closeSubpath();
  p.drawPath(front);
}

void Floppy(QPainter& p) {
  p.setPen(QPen(QColor(20, 35, 90), 1));
  p.setBrush(QColor(45, 75, 160));
  QPainterPath body;
  body.moveTo(1.5, 1.5);
  body.lineTo(12.5, 1.5);
  body.lineTo(14.5, 3.5);
  body.lineTo(14.5, 14.5);
  body.lineTo(1.5, 14.5);
  body.closeSubpath();
  p.drawPath(body);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4, 2, 8, 5));            // label
  p.setBrush(QColor(190, 195, 205));
  p.drawRect(QRectF(4.5, 10, 7, 4.5));       // shutter
  p.setBrush(QColor(45, 75, 160));
  p.drawRect(QRectF(9, 10.8, 1.6, 3));
  p.setPen(QPen(QColor(150, 160, 180), 0.8));
  p.drawLine(QPointF(5, 3.5), QPointF(11, 3.5));
  p.drawLine(QPointF(5, 5.2), QPointF(11, 5.2));
}

// The controller: a small module with an antenna, drawn in the upper half.
void Module(QPainter& p) {
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(QColor(110, 115, 125));
  p.drawRoundedRect(QRectF(2.5, 3.5, 9, 5), 1, 1);
  p.drawLine(QPointF(10, 3.5), QPointF(10, 0.5));  // antenna
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 220, 0));
  p.drawEllipse(QPointF(5, 6), 1, 1);                // lamp
  p.setBrush(QColor(230, 230, 230));
  p.drawRect(QRectF(7, 5.5, 3, 1));
}

void Arrow(QPainter& p, bool down, const QColor& fill) {
  QPainterPath arrow;
  if (down) {
    arrow.moveTo(10.5, 7);
    arrow.lineTo(13.5, 7);
    arrow.lineTo(13.5, 11);
    arrow.lineTo(15.5, 11);
    arrow.lineTo(12, 15.5);
    arrow.lineTo(8.5, 11);
    arrow.lineTo(10.5, 11);
  } else {
    arrow.moveTo(10.5, 15.5);
    arrow.lineTo(13.5, 15.5);
    arrow.lineTo(13.5, 11.5);
    arrow.lineTo(15.5, 11.5);
    arrow.lineTo(12, 7);
    arrow.lineTo(8.5, 11.5);
    arrow.lineTo(10.5, 11.5);
  }
  arrow.closeSubpath();
  p.setPen(QPen(fill.darker(170), 1));
  p.setBrush(fill);
  p.drawPath(arrow);
}

// The PC side of a transfer: a small screen in the lower left corner.
void Screen(QPainter& p) {
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(QColor(200, 225, 250));
  p.drawRect(QRectF(0.5, 10.5, 7, 4.5));
}
}  // namespace

int main() {
  Save("open", Folder);
  Save("save", Floppy);
  Save("get", [](QPainter& p) {
    Module(p);
    Screen(p);
    Arrow(p, true, QColor(40, 180, 40));
  });
  Save("put", [](QPainter& p) {
    Module(p);
    Screen(p);
    Arrow(p, false, QColor(240, 140, 20));
  });
}
