#include "tfhaslo_nowe.h"

#include <QRegularExpressionValidator>

#include "link.h"
#include "maintenance_requests.h"
#include "message_box.h"
#include "ui_tfhaslo_nowe.h"

namespace {
// Four digits at most; a control character pasted with them (a copied line end) is dropped.
class PasswordValidator : public QRegularExpressionValidator {
 public:
  explicit PasswordValidator(QObject* parent)
      : QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(Maintenance::PasswordLength)), parent) {}

  State validate(QString& input, int& pos) const override {
    for (qsizetype i = input.size(); i-- > 0;) {
      if (input[i].category() != QChar::Other_Control) continue;
      input.remove(i, 1);
      if (i < pos) --pos;
    }
    return QRegularExpressionValidator::validate(input, pos);
  }
};
}  // namespace

TFhaslo_nowe::TFhaslo_nowe(MaintenanceHost& host, QWidget* parent)
    : QDialog(parent), host_(host), ui(std::make_unique<Ui::TFhaslo_nowe>()) {
  ui->setupUi(this);
  FormCreate();
}

TFhaslo_nowe::~TFhaslo_nowe() = default;

void TFhaslo_nowe::FormCreate() {
  host_.ClearStatusDisplayOn();
  ui->Edit_haslo_nowe->setValidator(new PasswordValidator(this));
  connect(ui->Edit_haslo_nowe, &QLineEdit::textChanged, this, [this] { UpdateButton1(); });
  connect(ui->Button1, &QPushButton::clicked, this, [this] {
    try {
      Button1Click();
    } catch (const std::exception& error) {
      waiting_ = false;
      host_.HandleError(error);
    }
  });
  connect(ui->Button2, &QPushButton::clicked, this, &TFhaslo_nowe::reject);
  UpdateButton1();
}

void TFhaslo_nowe::UpdateButton1() {
  ui->Button1->setEnabled(!waiting_ && !failed_ &&
                          Maintenance::IsValidPassword(ui->Edit_haslo_nowe->text().toLatin1()));
}

void TFhaslo_nowe::Button1Click() {
  const QByteArray sent = ui->Edit_haslo_nowe->text().toLatin1();
  if (waiting_ || failed_ || !Maintenance::IsValidPassword(sent)) return;
  waiting_ = true;
  ui->Edit_haslo_nowe->setReadOnly(true);
  UpdateButton1();
  const quint64 epoch = host_.HostLink().Epoch();
  const bool answered = Maintenance::SendNewPassword(host_.HostLink(), sent);
  waiting_ = false;
  if (!answered) {
    failed_ = true;
    UpdateButton1();
    return;
  }
  host_.SetPassword(sent);
  InformationBox(QStringLiteral("Hasło zmienione"));
  // The line may have gone while the box was open: the window stays as its loss left it.
  if (host_.HostLink().Epoch() == epoch) host_.ShowLoggedIn();
  accept();
}

void TFhaslo_nowe::reject() {
  if (!waiting_) QDialog::reject();
}

void TFhaslo_nowe::done(int result) {
  QDialog::done(result);
  host_.ShowStatusOn();
}
