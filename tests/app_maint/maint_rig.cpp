#include "maint_rig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStringEncoder>

const QStringList FileTextFields{
    "Edit_haslo", "Edit_pin",  "Edit_operator", "Edit_Tel1", "Edit_Tel2",    "Edit_Tel3",    "Edit_Tel4",    "Edit_IN1N",
    "Edit_IN2N",  "Edit_IN3N", "Edit_IN4N",     "Edit_IN5N", "Edit_IN1A",    "Edit_IN2A",    "Edit_IN3A",    "Edit_IN4A",
    "Edit_IN5A",  "Edit_Out1zal", "Edit_Out2zal", "Edit_Out3zal", "Edit_Out1wyl", "Edit_Out2wyl", "Edit_Out3wyl"};
const QStringList FileNumberFields{"Out1Czas", "Out2Czas", "Out3Czas", "Edit_LimitSMS", "Edit_LimitVoice"};

namespace {
// Configuration controls other than edit fields, in a fixed order.
QStringList BoxNames() {
  QStringList names;
  for (const char* kind : {"T", "S"})
    for (int in = 1; in <= 5; ++in)
      for (int tel = 1; tel <= 4; ++tel) names << QStringLiteral("BoxIN%1%2%3").arg(in).arg(kind).arg(tel);
  names << "BoxOut1NC" << "BoxOut2NC" << "BoxOUT3NC" << "BoxOut1Mono" << "BoxOut2Mono" << "BoxOut3Mono"
        << "BoxPotw" << "BoxAutotest" << "BoxIN1blok" << "BoxOut1sygn";
  return names;
}

QStringList EditNames() { return FileTextFields + FileNumberFields + QStringList{"EditPotw"}; }

class ItemReader {
 public:
  explicit ItemReader(const QByteArray& items) : items(items) {}
  bool Text(QByteArray* text) {
    if (at >= items.size() || quint8(items[at]) > items.size() - at - 1) return false;
    *text = items.mid(at + 1, quint8(items[at]));
    at += 1 + text->size();
    return true;
  }
  bool Byte(quint8* byte) {
    if (at >= items.size()) return false;
    *byte = quint8(items[at++]);
    return true;
  }
  bool AtEnd() const { return at == items.size(); }

 private:
  QByteArray items;
  qsizetype at = 3;
};
}  // namespace

quint8 Xor(const QByteArray& bytes) {
  quint8 x = 0;
  for (char c : bytes) x ^= quint8(c);
  return x;
}

QByteArray WithCheck(QByteArray bytes) { return bytes.append(char(Xor(bytes))); }

std::optional<FileView> ViewConfigFile(const QByteArray& file) {
  if (file.size() < 4 || Xor(file) != 0) return std::nullopt;
  ItemReader reader(file.chopped(1));
  FileView view;
  for (int i = 0; i < FileTextFields.size(); ++i) {
    QByteArray text;
    if (!reader.Text(&text)) return std::nullopt;
    view.texts << text;
  }
  if (!reader.Text(&view.matrix)) return std::nullopt;
  for (int i = 0; i < FileNumberFields.size(); ++i) {
    quint8 n = 0;
    if (!reader.Byte(&n)) return std::nullopt;
    view.numbers.append(char(n));
  }
  if (!reader.Byte(&view.outputs) || !reader.Text(&view.confirm) || !reader.Byte(&view.options) || !reader.AtEnd())
    return std::nullopt;
  return view;
}

QByteArray ReadWhole(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteWhole(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray Cp1250Bytes(const QString& text) {
  QStringEncoder encoder("windows-1250");
  return encoder.encode(text);
}

QStringList WindowValues(const TMain& window) {
  QStringList values;
  for (const QString& name : EditNames()) {
    const auto* field = window.findChild<QLineEdit*>(name);
    values << (field ? name + '=' + field->text() + (field->isEnabled() ? "" : " (off)") : name + " missing");
  }
  for (const QString& name : BoxNames()) {
    const auto* box = window.findChild<QCheckBox*>(name);
    values << (box ? name + '=' + (box->isChecked() ? '1' : '0') + (box->isEnabled() ? "" : " (off)") : name + " missing");
  }
  values << "Combo_operator=" + window.ui.Combo_operator->currentText();
  return values;
}

QStringList WindowColours(const TMain& window) {
  QStringList colours;
  for (const QString& name : EditNames() + BoxNames()) {
    const auto* control = window.findChild<QWidget*>(name);
    if (!control) {
      colours << name + " missing";
      continue;
    }
    const QPalette::ColorRole role = qobject_cast<const QLineEdit*>(control) ? QPalette::Base : QPalette::Window;
    // The active group: enabling a control is no change of its colour.
    colours << name + ' ' + ColourName(control->palette().color(QPalette::Active, role));
  }
  colours << "Combo_operator " + ColourName(window.ui.Combo_operator->palette().color(QPalette::Active, QPalette::Button));
  return colours;
}

void SetControls(TMain& window, const QStringList& entries) {
  for (const QString& entry : entries) {
    const QString name = entry.section('=', 0, 0);
    const QString value = entry.section('=', 1);
    if (auto* field = window.findChild<QLineEdit*>(name)) {
      field->setText(value);
    } else if (auto* box = window.findChild<QCheckBox*>(name)) {
      box->setChecked(value == "1");
    } else if (name == "Combo_operator") {
      window.ui.Combo_operator->setCurrentIndex(window.ui.Combo_operator->findText(value));
    } else {
      qFatal("no control %s", qPrintable(name));
    }
  }
}

void DropFocus(TMain& window) {
  if (QWidget* focused = window.focusWidget()) focused->clearFocus();
}

void SaveShot(QWidget* widget, const QString& name) {
  QDir().mkpath(QStringLiteral("/tmp/shots"));
  widget->grab().save(QStringLiteral("/tmp/shots/") + name);
}

QByteArray FirmwareImageBytes(int size) {
  QByteArray image;
  for (int i = 0; i < size; ++i) image.append(char((i * 37 + 11) % 251));
  return image;
}

QByteArray FirmwareFile(const QByteArray& image) { return WithCheck("gfr" + image); }
