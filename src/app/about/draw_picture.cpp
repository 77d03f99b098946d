// Draws the about window's picture, velt.jpg: a small grey controller module with an antenna,
// three LEDs and a terminal strip. Not part of the build; run it when the picture should change:
//   g++ -std=c++20 -fPIC draw_picture.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/draw_picture
//   QT_QPA_PLATFORM=offscreen /tmp/draw_picture velt.jpg
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

static void Led(QPainter& p, QPointF centre, QColor colour, bool lit) {
  if (lit) {
    QRadialGradient glow(centre, 9);
    QColor halo = colour;
    halo.setAlpha(110);
    glow.setColorAt(0, halo);
    glow.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, 9, 9);
  }
  QRadialGradient body(centre - QPointF(1.2, 1.2), 4.5);
  body.setColorAt(0, lit ? colour.lighter(170) : colour.darker(160));
  body.setColorAt(1, lit ? colour : colour.darker(260));
  p.setPen(QPen(QColor(60, 60, 60), 0.8));
  p.setBrush(body);
  p.drawEllipse(centre, 3.6, 3.6);
}

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("velt.jpg");

  QImage image(160, 120, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, 120);
  sky.setColorAt(0, QColor(226, 236, 246));
  sky.setColorAt(1, QColor(178, 196, 216));
  p.fillRect(image.rect(), sky);

  // Antenna: a whip on a small hub at the module's top right.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 40, 44));
  p.drawRoundedRect(QRectF(111, 14, 5, 28), 2.5, 2.5);
  p.drawRoundedRect(QRectF(107, 36, 13, 8), 2, 2);
  p.setBrush(QColor(90, 90, 96));
  p.drawRect(QRectF(112, 16, 1.2, 24));

  // Shadow, then the case.
  p.setBrush(QColor(60, 70, 90, 70));
  p.drawRoundedRect(QRectF(27, 47, 112, 62), 9, 9);
  const QRectF box(22, 42, 112, 62);
  QLinearGradient metal(box.topLeft(), box.bottomLeft());
  metal.setColorAt(0, QColor(200, 202, 206));
  metal.setColorAt(0.5, QColor(168, 171, 176));
  metal.setColorAt(1, QColor(132, 135, 141));
  p.setPen(QPen(QColor(88, 90, 96), 1.4));
  p.setBrush(metal);
  p.drawRoundedRect(box, 8, 8);
  p.setPen(QPen(QColor(236, 238, 240, 160), 1));
  p.drawLine(QPointF(31, 44), QPointF(125, 44));

  // Name plate.
  const QRectF plate(32, 52, 58, 20);
  p.setPen(QPen(QColor(70, 72, 78), 1));
  p.setBrush(QColor(52, 56, 66));
  p.drawRoundedRect(plate, 3, 3);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(232, 236, 240));
  p.drawText(plate, Qt::AlignCenter, QStringLiteral("VELT"));

  Led(p, QPointF(102, 56), QColor(230, 40, 30), true);
  Led(p, QPointF(113, 56), QColor(240, 190, 20), false);
  Led(p, QPointF(124, 56), QColor(40, 200, 60), true);

  // Terminal strip with screws.
  const QRectF strip(32, 82, 92, 15);
  p.setPen(QPen(QColor(20, 90, 40), 1));
  p.setBrush(QColor(46, 150, 74));
  p.drawRoundedRect(strip, 2, 2);
  for (int i = 0; i < 8; ++i) {
    const QPointF c(38.5 + i * 11.3, 89.5);
    QRadialGradient screw(c - QPointF(1, 1), 4);
    screw.setColorAt(0, QColor(245, 245, 245));
    screw.setColorAt(1, QColor(150, 152, 156));
    p.setPen(QPen(QColor(80, 80, 84), 0.7));
    p.setBrush(screw);
    p.drawEllipse(c, 3.6, 3.6);
    p.setPen(QPen(QColor(70, 70, 74), 1));
    p.drawLine(c + QPointF(-2.2, 2.2), c + QPointF(2.2, -2.2));
  }
  p.end();
  return image.save(out, "JPG", 90) ? 0 : 1;
}
