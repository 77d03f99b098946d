#pragma once
// The main window's form and the status display on it; run together by main.cpp.
#include <QObject>

class TestStatusDisplay : public QObject {
  Q_OBJECT
 private slots:
  void statusReply_data();
  void statusReply();
  void shortReplyIgnored_data();
  void shortReplyIgnored();
  void statusOff();
  void statusOn();
  void firmwareVersion_data();
  void firmwareVersion();
  void miniPanelUntickRunsItsReaction();
  void resetVersionAndGauge();
};

class TestProgressGauge : public QObject {
  Q_OBJECT
 private slots:
  void fillText_data();
  void fillText();
  void resetGaugeShowsNothing();
  void colours();
};

class TestFormContents : public QObject {
  Q_OBJECT
 private slots:
  void controls_data();
  void controls();
  void areas_data();
  void areas();
  void menus_data();
  void menus();
  void accelerators();
  void windowFont();
  void countersBesideLimits_data();
  void countersBesideLimits();
};

class TestFormLayout : public QObject {
  Q_OBJECT
 private slots:
  void childrenInsideTheirParents();
  void siblingsDoNotOverlap();
  void captionsFit();
  void longestTextsFit_data();
  void longestTextsFit();
};
