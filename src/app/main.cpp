#include <QFont>

#include "application.h"
#include "tmain.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
  TMain window;
  window.show();
  return app.exec();
}
