#include "tfboot.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QThread>

#include "file_check_report.h"
#include "message_box.h"
#include "ui_tfboot.h"

namespace {
constexpr int CloseAfterMs = 1000;
const QString StopQuestion = QStringLiteral(
    "Aktualizacja trwa. Przerwać ją?\nSterownik pozostanie w bootloaderze do następnej aktualizacji.");
}  // namespace

TFboot::TFboot(MaintenanceHost& host, QWidget* parent)
    : QDialog(parent), host_(host), ui(std::make_unique<Ui::TFboot>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  FormCreate();
}

TFboot::~TFboot() = default;

template <typename F>
void TFboot::Guarded(F f) {
  try {
    f();
  } catch (const std::exception& error) {
    host_.HandleError(error);
  }
}

void TFboot::FormCreate() {
  ui->LabelNazwaPliku->clear();
  ui->BarBoot->hide();
  ui->ButtonStart->setEnabled(false);
  host_.ClearStatusDisplayOn();
  host_.StartTimer();
  connect(ui->Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
  connect(ui->ButtonStart, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonStartClick(); }); });
}

void TFboot::Button1Click() {
  if (Transferring()) return;
  const QString path = host_.ChooseFileToOpen(QStringLiteral("VELT firmware (*.gfr)"));
  if (path.isEmpty()) return;
  // Nothing is held while the new choice is checked: START never sends a file that failed.
  image_.reset();
  ui->ButtonStart->setEnabled(false);
  ui->LabelNazwaPliku->setText(path);
  const FileCheck::Result file = FileCheck::ReadAndCheck(path, "gfr");
  if (!ShowFileCheck(file)) return;
  QString refusal;
  image_ = FirmwareImage::FromFile(file.bytes, &refusal);
  if (!image_) {
    ErrorBox(refusal);
    return;
  }
  ui->ButtonStart->setEnabled(true);
}

void TFboot::ButtonStartClick() {
  if (Transferring() || !image_) return;
  ui->Button1->setEnabled(false);
  ui->ButtonStart->setEnabled(false);
  host_.BeforeFirmware();
  host_.ShowLoggedOut();
  host_.StartTimer();
  QApplication::beep();
  WarningBox(QStringLiteral("NIE WYŁĄCZAJ STEROWNIKA VELT Z ZASILANIA"));
  ui->BarBoot->setValue(0);
  ui->BarBoot->show();
  FirmwareUpdate update(host_.HostLink(), host_.HostPort(), *image_, *this);
  update_ = &update;
  struct Done {
    FirmwareUpdate*& update;
    ~Done() { update = nullptr; }
  } done{update_};
  try {
    update.Run();
  } catch (const std::exception& error) {
    // The line failed under the transfer (a write to a port that has gone): told like any
    // other error, and the dialog still closes as after every ending.
    update_ = nullptr;
    host_.HandleError(error);
  }
  QThread::msleep(CloseAfterMs);
  accept();
}

void TFboot::ShowProgress(int percent) { ui->BarBoot->setValue(percent); }

void TFboot::ReportNoAcknowledgement() {
  QApplication::beep();
  ErrorBox(QStringLiteral("Brak odpowiedzi z VELT, aktualizacja nieudana"));
}

void TFboot::ReportCompleted() { InformationBox(QStringLiteral("Aktualizacja zakonczona")); }

bool TFboot::AskToStop() {
  if (!update_) return true;
  const auto answer = QMessageBox::question(this, QStringLiteral("Warning"), StopQuestion,
                                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer != QMessageBox::Yes || !update_) return false;
  update_->Stop();
  return true;
}

// While a transfer runs, the dialog closes only once the transfer has stopped.
void TFboot::closeEvent(QCloseEvent* event) {
  if (Transferring()) {
    AskToStop();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TFboot::reject() {
  if (Transferring()) {
    AskToStop();
    return;
  }
  QDialog::reject();
}

void TFboot::done(int result) {
  QDialog::done(result);
  host_.ShowStatusOn();
}
