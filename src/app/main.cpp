#include <QFont>

#include "application.h"
#include "file_size_signal.h"
#include "program_options.h"
#include "qt_translation.h"
#include "standard_streams.h"
#include "tmain.h"

int main(int argc, char** argv) {
  StandardStreams::Occupy();
  FileSizeSignal::Ignore();
  if (const std::optional<int> status = AnswerProgramOptions(argc, argv)) return *status;
  TApplication app(argc, argv);
  InstallQtTranslation(app, QLocale::system());
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
  TMain window;
  window.show();
  return app.exec();
}
