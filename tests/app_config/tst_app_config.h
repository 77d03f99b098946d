#pragma once
// The configuration part of the main window; run together by main.cpp.
#include <QObject>

// The record bound to the controls: read replies into the window, items encoded from it, and
// the colours that show what is in step.
class TestBinding : public QObject {
  Q_OBJECT
 private slots:
  void applyReply_data();
  void applyReply();
  void colourOnChange_data();
  void colourOnChange();
  void inputModeColours_data();
  void inputModeColours();
  void encodeItem_data();
  void encodeItem();
};

// What the fields let the user type and paste, what leaving them corrects, what marks them
// edited, and the operator list.
class TestEditing : public QObject {
  Q_OBJECT
 private slots:
  void typing_data();
  void typing();
  void pasting_data();
  void pasting();
  void leaving_data();
  void leaving();
  void boxesMarkedByTheUser_data();
  void boxesMarkedByTheUser();
  void operatorList_data();
  void operatorList();
};

// Download and upload against the simulated controller.
class TestTransfer : public QObject {
  Q_OBJECT
 private slots:
  void download();
  void upload();
  void untouchedRecordGoesBackUnchanged();
  void textsRoundTrip_data();
  void textsRoundTrip();
  void focusedFieldIsCorrectedFirst_data();
  void focusedFieldIsCorrectedFirst();
  void editsDuringUpload();
  void encodingErrorEndsUpload();
  void slowInputTextWrite();
  void silentAtFirstWrite();
  void silentDuringDownload();
  void shortReplies_data();
  void shortReplies();
  void actionDuringUpload_data();
  void actionDuringUpload();
};
