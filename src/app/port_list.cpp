// Port discovery as the main window offers it: the port list, "COM?" and choosing a port, and
// the network ports the user has named there.
#include <QFile>

#include "form_jakie_com.h"
#include "known_net_ports.h"
#include "message_box.h"
#include "technician.h"
#include "tmain.h"

namespace {
KnownNetPorts NetworkPorts() { return KnownNetPorts(Technician::SettingsPath()); }
}  // namespace

void TMain::FillPortList(QByteArrayList& target) {
  PortNames.clear();
  DeviceNames.clear();
  for (const DiscoveredPort& port : DiscoverPorts(PortRoots)) {
    PortNames.append(port.name);
    DeviceNames.append(port.description);
  }
  for (const KnownNetPort& port : NetworkPorts().List()) {
    PortNames.append(port.url);
    DeviceNames.append(QStringLiteral("Port sieciowy %1").arg(port.name));
  }
  target = PortNames;
}

// The user's port stays chosen, by name, across refreshes; the port of an open connection is
// never changed by a refresh. A chosen port that is missing now (its adapter was pulled) stays
// listed, marked absent, until a refresh finds it again: POŁĄCZ only ever opens a port shown.
void TMain::RefreshPortList() {
  const bool open = ComPort.Connected();
  if (!open) ui.Button_polacz->setEnabled(false);
  QByteArrayList names;
  FillPortList(names);
  ui.ComCombo->clear();
  for (const QByteArray& name : names) ui.ComCombo->addItem(QFile::decodeName(name), name);
  const QByteArray keep = open ? ComPort.Port() : ChosenPort;
  qsizetype index = keep.isEmpty() ? -1 : names.indexOf(keep);
  if (keep.isEmpty() && !names.isEmpty() && !names.first().isEmpty()) index = 0;
  if (index < 0 && !keep.isEmpty()) {
    index = ui.ComCombo->count();
    ui.ComCombo->addItem(QStringLiteral("%1 (odłączony)").arg(QFile::decodeName(keep)), keep);
    ui.ComCombo->setItemData(int(index), true, PortAbsentRole);
    ui.ComCombo->setItemData(int(index), palette().brush(QPalette::Disabled, QPalette::Text), Qt::ForegroundRole);
  }
  ui.ComCombo->setCurrentIndex(int(index));
  ShowChosenPort();
  if (open) return;
  if (index >= 0) ComPort.SetPort(ui.ComCombo->itemData(int(index)).toByteArray());
  ui.Button_polacz->setEnabled(index >= 0);
}

bool TMain::ChosenPortAbsent() const { return ui.ComCombo->currentData(PortAbsentRole).toBool(); }

// The port's whole name as a hint, since the list is narrower than most names.
void TMain::ShowChosenPort() {
  const QString name = QFile::decodeName(ui.ComCombo->currentData().toByteArray());
  ui.ComCombo->setToolTip(ChosenPortAbsent()
                              ? QStringLiteral("%1: tego portu nie ma teraz w systemie (adapter mógł zostać "
                                               "odłączony); wróci na listę po podłączeniu i „COM?”")
                                    .arg(name)
                              : name);
}

void TMain::ButtonComClick() {
  FormJakieCOM->show();
  RefreshPortList();
  FormJakieCOM->ShowPorts(PortNames, DeviceNames);
}

bool TMain::AddNetworkPort(const QString& name, const QByteArray& url) {
  QString error;
  if (!NetworkPorts().Add(name, url, &error)) {
    ErrorBox(error);
    return false;
  }
  ButtonComClick();
  return true;
}

bool TMain::RemoveNetworkPort(const QString& name) {
  QString error;
  if (!NetworkPorts().Remove(name, &error)) {
    ErrorBox(error);
    return false;
  }
  ButtonComClick();
  return true;
}

void TMain::ComComboChange(int index) {
  if (index < 0) return;
  ui.Button_polacz->setEnabled(true);
  ChosenPort = ui.ComCombo->itemData(index).toByteArray();
  ComPort.SetPort(ChosenPort);
  ShowChosenPort();
}
