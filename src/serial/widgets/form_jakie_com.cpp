#include "form_jakie_com.h"

#include "ui_form_jakie_com.h"

#include <QFile>

TFormJakieCOM::TFormJakieCOM(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TFormJakieCOM>()) {
  ui->setupUi(this);
  connect(ui->Button1, &QPushButton::clicked, this, &TFormJakieCOM::Button1Click);
}

TFormJakieCOM::~TFormJakieCOM() = default;

void TFormJakieCOM::ShowPorts(const QByteArrayList& portNames, const QStringList& deviceNames) {
  ui->PortyCom->clear();
  ui->DevCom->clear();
  for (const QByteArray& name : portNames) ui->PortyCom->appendPlainText(QFile::decodeName(name));
  for (const QString& name : deviceNames) ui->DevCom->appendPlainText(name);
}

void TFormJakieCOM::Button1Click() {
  if (OnRefresh) OnRefresh();
}
