#include "config_file.h"

#include <array>

#include "packings.h"

namespace {

using namespace ConfigFileFormat;

// The record's texts in the order the file stores them, after the password.
constexpr std::array<int, TextItemCount - 1> FileTextItems{
    ItemIndex::Pin,         ItemIndex::SmsCentre,   ItemIndex::Phone1,      ItemIndex::Phone1 + 1,
    ItemIndex::Phone1 + 2,  ItemIndex::Phone1 + 3,  ItemIndex::In1OffText,  ItemIndex::In1OffText + 1,
    ItemIndex::In1OffText + 2, ItemIndex::In1OffText + 3, ItemIndex::In1OffText + 4,
    ItemIndex::In1OnText,   ItemIndex::In1OnText + 1, ItemIndex::In1OnText + 2,
    ItemIndex::In1OnText + 3, ItemIndex::In1OnText + 4, ItemIndex::Out1OnWord, ItemIndex::Out2OnWord,
    ItemIndex::Out3OnWord,  ItemIndex::Out1OffWord, ItemIndex::Out2OffWord, ItemIndex::Out3OffWord,
};

void AppendText(QByteArray& image, QByteArrayView value) {
  const QByteArray text = TextOfValue(value).left(255);
  image.append(char(quint8(text.size())));
  image.append(text);
}

quint8 FirstByte(const QByteArray& value) { return value.isEmpty() ? 0 : quint8(value.front()); }

// Walks the items from the signature on, refusing to step past the end of the file. The
// checksum byte is not set apart: a file whose items reach into it still loads, that byte read
// as part of them.
class Reader {
 public:
  explicit Reader(QByteArrayView items) : Items(items) {}

  bool Text(QByteArray* text) {
    if (At >= Items.size()) return false;
    const qsizetype length = quint8(Items[At]);
    if (length > Items.size() - At - 1) return false;
    *text = Items.sliced(At + 1, length).toByteArray();
    At += 1 + length;
    return true;
  }
  bool Byte(quint8* byte) {
    if (At >= Items.size()) return false;
    *byte = quint8(Items[At++]);
    return true;
  }

 private:
  QByteArrayView Items;
  qsizetype At = SignatureSize;
};

std::optional<ConfigFile> Refuse(QString* reason, const QString& why) {
  if (reason) *reason = why;
  return std::nullopt;
}

}  // namespace

quint8 XorChecksum(QByteArrayView bytes) {
  quint8 sum = 0;
  for (char byte : bytes) sum ^= quint8(byte);
  return sum;
}

QByteArray EncodeConfigFile(const ConfigFile& file) {
  const ConfigRecord& record = file.record;
  QByteArray image(ConfigSignature);
  AppendText(image, file.password);
  for (int k : FileTextItems) AppendText(image, record.value(k));
  image.append(char(MatrixSize));
  image.append(PackInputMatrix(UnpackInputMatrix(record.value(ItemIndex::InputMatrix))));
  image.append(PackOutputTimes(UnpackOutputTimes(record.value(ItemIndex::OutputTimes))));
  image.append(char(FirstByte(record.value(ItemIndex::LimitSms))));
  image.append(char(FirstByte(record.value(ItemIndex::LimitVoice))));
  const FileFlagBytes flags = PackFileFlags(UnpackOutputFlags(QByteArrayView(record.value(ItemIndex::OutputFlags))),
                                            UnpackOptionFlags(QByteArrayView(record.value(ItemIndex::Options))));
  image.append(char(flags.outputs));
  AppendText(image, record.value(ItemIndex::ConfirmText));
  image.append(char(flags.options));
  image.append(char(XorChecksum(image)));
  return image;
}

std::optional<ConfigFile> DecodeConfigFile(QByteArrayView data, QString* reason) {
  if (data.size() < MinSize)
    return Refuse(reason, QStringLiteral("plik ma %1 B, mniej niż %2 B").arg(data.size()).arg(MinSize));
  if (data.size() > MaxSize)
    return Refuse(reason, QStringLiteral("plik ma %1 B, więcej niż %2 B").arg(data.size()).arg(MaxSize));

  const QString pastEnd = QStringLiteral("pozycje sięgają poza koniec pliku");
  Reader reader(data);
  ConfigFile file;
  file.record.values.fill(QByteArray());
  if (!reader.Text(&file.password)) return Refuse(reason, pastEnd);
  for (int k : FileTextItems)
    if (!reader.Text(&file.record.values[size_t(k)])) return Refuse(reason, pastEnd);

  // The boxes take what the item holds of their five bytes.
  QByteArray matrix;
  if (!reader.Text(&matrix)) return Refuse(reason, pastEnd);
  file.record.values[ItemIndex::InputMatrix] = PackInputMatrix(UnpackInputMatrix(matrix));

  OutputTimes times;
  quint8 limitSms = 0, limitVoice = 0;
  FileFlagBytes flags;
  QByteArray confirmText;
  if (!reader.Byte(&times.seconds[0]) || !reader.Byte(&times.seconds[1]) || !reader.Byte(&times.seconds[2]) ||
      !reader.Byte(&limitSms) || !reader.Byte(&limitVoice) || !reader.Byte(&flags.outputs) ||
      !reader.Text(&confirmText) || !reader.Byte(&flags.options))
    return Refuse(reason, pastEnd);

  OutputFlags outputs;
  OptionFlags options;
  UnpackFileFlags(flags, &outputs, &options);
  file.record.values[ItemIndex::OutputFlags] = QByteArray(1, char(PackOutputFlags(outputs)));
  file.record.values[ItemIndex::OutputTimes] = PackOutputTimes(times);
  file.record.values[ItemIndex::LimitSms] = QByteArray(1, char(limitSms));
  file.record.values[ItemIndex::LimitVoice] = QByteArray(1, char(limitVoice));
  file.record.values[ItemIndex::Options] = QByteArray(1, char(PackOptionFlags(options)));
  file.record.values[ItemIndex::ConfirmText] = confirmText;
  if (reason) reason->clear();
  return file;
}
