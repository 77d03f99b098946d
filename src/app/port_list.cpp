// Port discovery as the main window offers it: the port list, "COM?" and choosing a port.
#include "form_jakie_com.h"
#include "tmain.h"

void TMain::FillPortList(QByteArrayList& target) {
  PortNames.clear();
  DeviceNames.clear();
  for (const DiscoveredPort& port : DiscoverPorts(PortRoots)) {
    PortNames.append(port.name);
    DeviceNames.append(port.description);
  }
  target = PortNames;
}

// The user's port stays chosen, by name, across refreshes; the port of an open connection is
// never changed by a refresh. A chosen port that is missing now (its adapter was pulled) stays
// the port that POŁĄCZ opens, so that it connects as soon as the adapter is back.
void TMain::RefreshPortList() {
  const bool open = ComPort.Connected();
  if (!open) ui.Button_polacz->setEnabled(false);
  QByteArrayList names;
  FillPortList(names);
  ui.ComCombo->clear();
  for (const QByteArray& name : names) ui.ComCombo->addItem(QString::fromLocal8Bit(name));
  const QByteArray keep = open ? ComPort.Port() : ChosenPort;
  qsizetype index = keep.isEmpty() ? -1 : names.indexOf(keep);
  if (keep.isEmpty() && !names.isEmpty() && !names.first().isEmpty()) index = 0;
  ui.ComCombo->setCurrentIndex(int(index));
  if (open) return;
  if (index >= 0) ComPort.SetPort(names.at(index));
  ui.Button_polacz->setEnabled(index >= 0 || !keep.isEmpty());
}

void TMain::ButtonComClick() {
  FormJakieCOM->show();
  RefreshPortList();
  FormJakieCOM->ShowPorts(PortNames, DeviceNames);
}

void TMain::ComComboChange(int index) {
  if (index < 0) return;
  ui.Button_polacz->setEnabled(true);
  ChosenPort = ui.ComCombo->itemText(index).toLocal8Bit();
  ComPort.SetPort(ChosenPort);
}
