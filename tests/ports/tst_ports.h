#pragma once
// The port discovery, the port list control and the port-list dialog; run together by main.cpp.
#include <QObject>

class TestPortDiscovery : public QObject {
  Q_OBJECT
 private slots:
  void hardwarePorts_data();
  void hardwarePorts();
  void missingClassFolder();
  void virtualPorts_data();
  void virtualPorts();
  void virtualBeforeHardware();
  void realSystem();
};

class TestComSelect : public QObject {
  Q_OBJECT
 private slots:
  void fillChoices_data();
  void fillChoices();
  void linkedPortSelectsItsValue_data();
  void linkedPortSelectsItsValue();
  void applyChoiceText_data();
  void applyChoiceText();
  void userChoice();
  void portDestroyed();
  void text();
  void portList();
};

class TestFormJakieCOM : public QObject {
  Q_OBJECT
 private slots:
  void layout_data();
  void layout();
  void window();
  void addsAndRemovesNetworkPorts_data();
  void addsAndRemovesNetworkPorts();
  void showPorts_data();
  void showPorts();
  void longNamesStayReadable_data();
  void longNamesStayReadable();
  void refresh();
};
