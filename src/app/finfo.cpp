#include "finfo.h"

#include "jpeg_image.h"
#include "ui_finfo.h"
#include "version.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

QString TFInfo::InstalledReadme() {
  const QFileInfo readme(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/doc/velt/README.md")));
  return readme.isFile() ? readme.canonicalFilePath() : QString();
}

TFInfo::TFInfo(QWidget* parent, const QString& readme)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TFInfo>()), readme_(readme) {
  ui->setupUi(this);
  ui->Label1->setText(ProgramTitle());
  ui->Label3->setText(readme_);
  ui->Label3->setToolTip(QStringLiteral("Otwórz opis programu"));
  ui->Label3->setVisible(!readme_.isEmpty());
  ui->Label3->installEventFilter(this);
  connect(ui->Button1, &QPushButton::clicked, this, &QDialog::accept);

  // A picture that cannot be read leaves an empty frame; the window works without it.
  QFile picture(QStringLiteral(":/about/velt.jpg"));
  if (picture.open(QIODevice::ReadOnly)) {
    const QImage image = DecodeJpeg(picture.readAll());
    if (!image.isNull()) ui->Image1->setPixmap(QPixmap::fromImage(image));
  }
}

TFInfo::~TFInfo() = default;

bool TFInfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui->Label3 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Label3Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFInfo::Label3Click() { QDesktopServices::openUrl(QUrl::fromLocalFile(readme_)); }
