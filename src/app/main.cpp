#include <QFont>

#include "application.h"
#include "program_options.h"
#include "tmain.h"

int main(int argc, char** argv) {
  if (const std::optional<int> status = AnswerProgramOptions(argc, argv)) return *status;
  TApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
  TMain window;
  window.show();
  return app.exec();
}
