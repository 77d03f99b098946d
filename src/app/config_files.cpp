// The window's configuration kept in files: saved from the controls, loaded back into them.
#include <QDir>
#include <QFileDialog>

#include "atomic_write.h"
#include "config_file.h"
#include "convert_error.h"
#include "cp1250.h"
#include "file_check_report.h"
#include "message_box.h"
#include "operator_presets.h"
#include "tmain.h"

namespace {
const QString ConfigFilter = QStringLiteral("Plik konfiguracji VELT (*.gcf)");
const QString ConfigSuffix = QStringLiteral("gcf");
}  // namespace

namespace {
QString AskFile(QWidget* parent, const QString& filter, QFileDialog::AcceptMode mode, const QString& suffix,
                const QString& suggested = QString()) {
  QFileDialog dialog(parent, QString(), QDir::homePath(), filter);
  dialog.setAcceptMode(mode);
  dialog.setDefaultSuffix(suffix);
  if (!suggested.isEmpty()) dialog.selectFile(suggested);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
}  // namespace

QString AskFileToOpen(QWidget* parent, const QString& filter) {
  return AskFile(parent, filter, QFileDialog::AcceptOpen, QString());
}

QString AskFileToSave(QWidget* parent, const QString& filter, const QString& suffix, const QString& suggested) {
  return AskFile(parent, filter, QFileDialog::AcceptSave, suffix, suggested);
}

// A transfer reads or writes the controls item by item: a file neither takes them nor gives
// them meanwhile, so that it never holds old and new items together.
bool TMain::RefusedDuringOperation() {
  if (!operationRunning_) return false;
  QApplication::beep();
  return true;
}

void TMain::SaveConfigFile() {
  if (RefusedDuringOperation()) return;
  // The save buttons do not take the focus: the field being edited is corrected first, so that
  // an empty time or limit is not saved as 0.
  Editing->LeaveFocusedField();
  const std::optional<ConfigRecord> record = WindowRecord();
  if (!record) return;
  const QByteArray image = EncodeConfigFile(ConfigFile{PasswordBytes(), *record});
  const QString path = ChooseSaveFile(ConfigFilter, ConfigSuffix);
  if (path.isEmpty()) return;
  QString error;
  if (!WriteFileAtomically(path, image, &error)) ErrorBox(error);
}

QByteArray TMain::PasswordBytes() const {
  return Cp1250::Encode(ui.Edit_haslo->text()).value_or(ui.Edit_haslo->text().toLatin1());
}

std::optional<ConfigRecord> TMain::WindowRecord() {
  try {
    return Binding->EncodeRecord();
  } catch (const EConvertError& error) {
    ErrorBox(QString::fromUtf8(error.what()));  // the field, not the port, is at fault
    return std::nullopt;
  }
}

std::optional<ConfigFile> TMain::ReadConfigFile(const QString& path) {
  const FileCheck::Result checked = FileCheck::ReadAndCheck(path, "gcf");
  if (!ShowFileCheck(checked)) return std::nullopt;
  std::optional<ConfigFile> file = DecodeConfigFile(checked.bytes);
  if (!file) ErrorBox(FileCheck::BadFormatText.toString());
  return file;
}

void TMain::LoadConfigFile() {
  if (RefusedDuringOperation()) return;
  const QString path = ChooseOpenFile(ConfigFilter);
  if (!path.isEmpty()) LoadConfigFrom(path);
}

bool TMain::LoadConfigFrom(const QString& path) {
  if (RefusedDuringOperation()) return false;
  const std::optional<ConfigFile> file = ReadConfigFile(path);
  return file && LoadConfiguration(*file);
}

bool TMain::LoadConfiguration(const ConfigFile& file) {
  if (RefusedDuringOperation()) return false;
  SetFieldText(ui.Edit_haslo, Cp1250::Decode(file.password));
  for (int k = 0; k < Cmd::ItemCount; ++k) {
    Binding->SetItemValue(k, file.record.value(k));
    // The list shows what picking the operator by hand would have, without applying a preset.
    if (k == ItemIndex::SmsCentre)
      ui.Combo_operator->setCurrentIndex(OperatorPresets::EntryOfFileText(file.record.value(k)));
  }
  QApplication::beep();
  InformationBox(QStringLiteral("Odczytano plik konfiguracji"));
  return true;
}
