#include "tfinstalacje.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "cp1250.h"
#include "entry_columns.h"
#include "fitted_columns.h"
#include "message_box.h"
#include "register_fault.h"
#include "register_view.h"
#include "technician.h"
#include "ui_tfinstalacje.h"

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm");

// The table's rows replaced, the columns fitted to what they hold.
void Fill(QTableWidget* table, const QStringList& headers, const QList<QStringList>& rows) {
  const QSignalBlocker quiet(table);
  table->clearContents();
  table->setColumnCount(int(headers.size()));
  table->setHorizontalHeaderLabels(headers);
  table->setRowCount(int(rows.size()));
  for (int r = 0; r < int(rows.size()); ++r)
    for (int c = 0; c < int(headers.size()); ++c) {
      auto* item = new QTableWidgetItem(rows[r].value(c));
      item->setToolTip(rows[r].value(c));
      table->setItem(r, c, item);
    }
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  FitColumnsToContents(table);
}

QStringList InstallationRow(const ListedInstallation& listed) {
  const InstallationFields& f = listed.installation.fields;
  return {f.site, f.name, f.address, f.contact, listed.lastVisit.toString(TimeFormat), listed.firmware,
          listed.technician};
}

// A kept configuration as the history lists an entry, and who kept it.
QStringList EntryRow(const Configuration& entry) {
  ListedEntry listed;
  listed.name.label = entry.label;
  listed.regular = listed.readable = true;
  return EntryColumns::Of(listed) << entry.technician;
}

QString FieldCaption(const char* field) {
  static const QHash<QByteArray, QString> captions{{"site", QStringLiteral("Obiekt")},
                                                   {"name", QStringLiteral("Nazwa")},
                                                   {"address", QStringLiteral("Adres")},
                                                   {"contact", QStringLiteral("Kontakt")},
                                                   {"notes", QStringLiteral("Uwagi")}};
  return captions.value(field, QString::fromLatin1(field));
}

}  // namespace

TFInstalacje::TFInstalacje(RegisterStore& local, RegisterView& view, Actions actions, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFInstalacje>()), local_(local), view_(view),
      actions_(std::move(actions)) {
  ui->setupUi(this);
  ui->Splitter->setStretchFactor(0, 3);
  ui->Splitter->setStretchFactor(1, 2);
  ui->Edit_uwagi->setFixedHeight(ui->Edit_uwagi->fontMetrics().lineSpacing() * 3 + 12);
  ui->Edit_uwagi->setTabChangesFocus(true);
  ui->Button_przypisz->setVisible(bool(actions_.assign));

  connect(ui->Edit_szukaj, &QLineEdit::textChanged, this, [this] { Safely([this] { Search(); }); });
  connect(ui->Table_instalacje, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous) {
    if (row != previous) Safely([this] { ChoiceMoved(); });
  });
  // The default button is what Enter does where the focus is: the details save, the rest compare.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (!now || now->window() != this || qobject_cast<QPushButton*>(now)) return;
    (ui->GroupDane->isAncestorOf(now) ? ui->Button_zapisz : ui->Button_porownaj)->setDefault(true);
  });
  for (QTableWidget* table : {ui->Table_konfiguracje, ui->Table_bez})
    connect(table, &QTableWidget::currentCellChanged, this, &TFInstalacje::UpdateButtons);
  connect(ui->Tabs, &QTabWidget::currentChanged, this, &TFInstalacje::UpdateButtons);
  const auto button = [this](QPushButton* b, void (TFInstalacje::*handler)()) {
    connect(b, &QPushButton::clicked, this, [this, handler] { Safely([this, handler] { (this->*handler)(); }); });
  };
  button(ui->Button_nowa, &TFInstalacje::NewInstallation);
  button(ui->Button_zapisz, &TFInstalacje::SaveInstallation);
  button(ui->Button_przypisz_wpis, &TFInstalacje::AssignEntry);
  button(ui->Button_wczytaj, &TFInstalacje::LoadEntry);
  button(ui->Button_porownaj, &TFInstalacje::CompareEntry);
  button(ui->Button_przypisz, &TFInstalacje::AssignConnection);
  connect(ui->Button_zamknij, &QPushButton::clicked, this, &QDialog::reject);
  Safely([this] {
    Search();
    ShowEntries();
  });
}

// The focus moves while the widgets go; the form's pointers are gone by then.
TFInstalacje::~TFInstalacje() { disconnect(qApp, nullptr, this, nullptr); }

void TFInstalacje::Safely(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const RegisterFault& fault) {
    ErrorBox(fault.message());
  } catch (const std::exception& error) {
    ErrorBox(QString::fromUtf8(error.what()));
  }
}

void TFInstalacje::Choose(const QString& uuid) {
  for (int r = 0; r < int(listed_.size()); ++r)
    if (listed_[r].installation.uuid == uuid) ui->Table_instalacje->selectRow(r);
}

// The installations holding the text. The installation shown stays chosen while it is listed;
// changes to one that is no longer listed are not dropped unasked, and a new installation being
// typed stays as typed.
void TFInstalacje::Search() {
  const QString text = ui->Edit_szukaj->text();
  const RegisterView::Listing listing = view_.Search(text.trimmed(), Limit);
  const bool shownListed = std::any_of(listing.installations.cbegin(), listing.installations.cend(),
                                       [this](const ListedInstallation& l) { return l.installation.uuid == shownUuid_; });
  if (!shownUuid_.isEmpty() && !shownListed && SettleDetails() == Settled::Kept) {
    const QSignalBlocker quiet(ui->Edit_szukaj);
    ui->Edit_szukaj->setText(searched_);
    return;
  }
  searched_ = text;
  listed_ = listing.installations;
  QList<QStringList> rows;
  for (const ListedInstallation& listed : std::as_const(listed_)) rows << InstallationRow(listed);
  Fill(ui->Table_instalacje,
       {QStringLiteral("Obiekt"), QStringLiteral("Nazwa"), QStringLiteral("Adres"), QStringLiteral("Kontakt"),
        QStringLiteral("Ostatnia wizyta"), QStringLiteral("Firmware"), QStringLiteral("Technik")},
       rows);
  QString count = listed_.size() < Limit ? QStringLiteral("Instalacji: %1").arg(listed_.size())
                                         : QStringLiteral("Pokazano pierwsze %1 instalacji").arg(Limit);
  if (!listing.source.notice.isEmpty()) count += QStringLiteral(" — ") + listing.source.notice;
  ui->LabelLiczba->setText(count);
  ui->LabelLiczba->setToolTip(listing.source.problem);
  ui->LabelRejestr->setText(view_.State());
  const bool keep = Unsaved();
  ChooseShown();
  if (keep) {
    ShowLists();
    return;
  }
  if (Chosen() == nullptr && !listed_.isEmpty()) {
    const QSignalBlocker quiet(ui->Table_instalacje);
    ui->Table_instalacje->selectRow(0);
  }
  ShowChosen();
}

const ListedInstallation* TFInstalacje::Chosen() const {
  const int row = ui->Table_instalacje->currentRow();
  // The current row, which moves before the selection follows it.
  return row >= 0 && row < int(listed_.size()) ? &listed_[row] : nullptr;
}

void TFInstalacje::ChoiceMoved() {
  if (settling_) return;
  if (!Unsaved()) {
    ShowChosen();
    return;
  }
  // Asked once the click or key that moved the choice is done with the list.
  settling_ = true;
  QMetaObject::invokeMethod(this, [this] { Safely([this] { SettleChoice(); }); }, Qt::QueuedConnection);
}

void TFInstalacje::SettleChoice() {
  settling_ = false;
  const ListedInstallation* chosen = Chosen();
  const QString target = chosen ? chosen->installation.uuid : QString();
  if (target == shownUuid_) return;
  const Settled settled = SettleDetails();
  if (settled == Settled::Kept) {
    ChooseShown();
    return;
  }
  if (settled == Settled::Saved) {
    Search();  // the saved details as the listing shows them now
    const QSignalBlocker quiet(ui->Table_instalacje);
    Choose(target);
  }
  ShowChosen();
}

void TFInstalacje::ChooseShown() {
  const QSignalBlocker quiet(ui->Table_instalacje);
  ui->Table_instalacje->clearSelection();
  ui->Table_instalacje->setCurrentCell(-1, -1);
  if (!shownUuid_.isEmpty()) Choose(shownUuid_);
}

void TFInstalacje::ChooseFirstFound() {
  if (listed_.isEmpty()) return;
  ui->Table_instalacje->setFocus();
  ui->Table_instalacje->selectRow(0);
}

// The chosen installation's details, configurations and changes; empty fields for a new one.
void TFInstalacje::ShowChosen() {
  const ListedInstallation* chosen = Chosen();
  shownUuid_ = chosen ? chosen->installation.uuid : QString();
  ui->GroupDane->setTitle(chosen ? QStringLiteral("Dane instalacji") : QStringLiteral("Nowa instalacja"));
  SetFields(chosen ? chosen->installation.fields : InstallationFields{});
  shownFields_ = Fields();
  ShowLists();
}

void TFInstalacje::ShowLists() {
  entries_ = shownUuid_.isEmpty() ? QList<Configuration>()
                                  : Configurations(local_).Newest(ConfigurationScope::Of(shownUuid_), Limit);
  QList<QStringList> rows;
  for (const Configuration& entry : std::as_const(entries_)) rows << EntryRow(entry);
  Fill(ui->Table_konfiguracje, EntryColumns::Titles() << QStringLiteral("Technik"), rows);
  if (!entries_.isEmpty()) ui->Table_konfiguracje->selectRow(0);

  rows.clear();
  if (!shownUuid_.isEmpty()) {
    const RegisterView::Changes changes = view_.ChangesOf(shownUuid_);
    // The newest first, as the configurations.
    for (auto it = changes.changes.crbegin(); it != changes.changes.crend(); ++it)
      rows << QStringList{it->when.toString(TimeFormat), it->by, FieldCaption(it->field), it->before, it->after};
  }
  Fill(ui->Table_zmiany,
       {QStringLiteral("Kiedy"), QStringLiteral("Kto"), QStringLiteral("Pole"), QStringLiteral("Było"),
        QStringLiteral("Jest")},
       rows);
  UpdateButtons();
}

void TFInstalacje::ShowEntries() {
  unassigned_ = Configurations(local_).Newest({ConfigurationScope::Unassigned, {}}, Limit);
  QList<QStringList> rows;
  for (const Configuration& entry : std::as_const(unassigned_)) rows << EntryRow(entry);
  Fill(ui->Table_bez, EntryColumns::Titles() << QStringLiteral("Technik"), rows);
  if (!unassigned_.isEmpty()) ui->Table_bez->selectRow(0);
  UpdateButtons();
}

std::optional<Configuration> TFInstalacje::ChosenEntry() const {
  const auto current = [](const QTableWidget* table, const QList<Configuration>& entries) -> std::optional<Configuration> {
    const int row = table->currentRow();
    if (row < 0 || row >= int(entries.size())) return std::nullopt;
    return entries[row];
  };
  if (ui->Tabs->currentWidget() == ui->TabKonfiguracje) return current(ui->Table_konfiguracje, entries_);
  if (ui->Tabs->currentWidget() == ui->TabBez) return current(ui->Table_bez, unassigned_);
  return std::nullopt;
}

std::optional<ConfigFile> TFInstalacje::EntryFile(const Configuration& entry) {
  const std::optional<QByteArray> bytes = Configurations(local_).Bytes(entry.uuid);
  std::optional<ConfigFile> file = bytes ? DecodeConfigFile(*bytes) : std::nullopt;
  if (!file) ErrorBox(QStringLiteral("Wpis rejestru jest uszkodzony i nie da się go wczytać"));
  return file;
}

void TFInstalacje::UpdateButtons() {
  const bool entry = ChosenEntry().has_value();
  ui->Button_wczytaj->setEnabled(entry);
  ui->Button_porownaj->setEnabled(entry);
  ui->Button_przypisz->setEnabled(Chosen() != nullptr);
  ui->Button_przypisz_wpis->setEnabled(Chosen() != nullptr && ui->Table_bez->currentRow() >= 0);
}

InstallationFields TFInstalacje::Fields() const {
  return {ui->Edit_obiekt->text().trimmed(), ui->Edit_nazwa->text().trimmed(), ui->Edit_adres->text().trimmed(),
          ui->Edit_kontakt->text().trimmed(), ui->Edit_uwagi->toPlainText().trimmed()};
}

// Each field shows its beginning, however long.
void TFInstalacje::SetFields(const InstallationFields& fields) {
  const std::pair<QLineEdit*, const QString&> lines[] = {{ui->Edit_obiekt, fields.site},
                                                         {ui->Edit_nazwa, fields.name},
                                                         {ui->Edit_adres, fields.address},
                                                         {ui->Edit_kontakt, fields.contact}};
  for (const auto& [edit, text] : lines) {
    edit->setText(text);
    edit->setCursorPosition(0);
  }
  ui->Edit_uwagi->setPlainText(fields.notes);
}

bool TFInstalacje::Unsaved() const { return Fields() != shownFields_; }

TFInstalacje::Settled TFInstalacje::SettleDetails() {
  if (!Unsaved()) return Settled::Unchanged;
  QString which = shownFields_.site;
  if (shownUuid_.isEmpty()) which = Fields().site.isEmpty() ? QStringLiteral("nowej") : Fields().site + QStringLiteral(" (nowej)");
  else if (!shownFields_.name.isEmpty()) which += QStringLiteral(" (%1)").arg(shownFields_.name);
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), QStringLiteral("Zapisać zmiany instalacji %1?").arg(which),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.button(QMessageBox::Save)->setText(QStringLiteral("Zapisz"));
  box.button(QMessageBox::Discard)->setText(QStringLiteral("Odrzuć"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("Anuluj"));
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveDetails() ? Settled::Saved : Settled::Kept;
    case QMessageBox::Discard:
      SetFields(shownFields_);
      return Settled::Dropped;
    default:
      return Settled::Kept;
  }
}

void TFInstalacje::NewInstallation() {
  const Settled settled = SettleDetails();
  if (settled == Settled::Kept) return;
  if (settled == Settled::Saved) Search();  // the saved details listed as they are now
  {
    const QSignalBlocker quiet(ui->Table_instalacje);
    ui->Table_instalacje->clearSelection();
    ui->Table_instalacje->setCurrentCell(-1, -1);
  }
  ShowChosen();
  ui->Edit_obiekt->setFocus();
}

bool TFInstalacje::SaveDetails() {
  const InstallationFields fields = Fields();
  if (fields.site.isEmpty()) {
    ErrorBox(QStringLiteral("Podaj obiekt: identyfikator, pod którym instalacja jest znana"));
    ui->Edit_obiekt->setFocus();
    return false;
  }
  Installations installations(local_);
  if (!shownUuid_.isEmpty())
    installations.Edit(shownUuid_, FieldEdit::Between(shownFields_, fields), Technician::Name());
  else
    shownUuid_ = installations.Add(fields, Technician::Name());
  shownFields_ = fields;
  if (actions_.changed) actions_.changed();
  return true;
}

void TFInstalacje::SaveInstallation() {
  if (!SaveDetails()) return;
  const QString uuid = shownUuid_;
  // Listed by its site, so that it is found however many others were visited since.
  {
    const QSignalBlocker quiet(ui->Edit_szukaj);
    ui->Edit_szukaj->setText(shownFields_.site);
  }
  Search();
  Choose(uuid);
}

void TFInstalacje::AssignEntry() {
  const ListedInstallation* chosen = Chosen();
  const int row = ui->Table_bez->currentRow();
  if (!chosen || row < 0 || row >= int(unassigned_.size())) return;
  const QString uuid = chosen->installation.uuid;
  Configurations(local_).Assign(unassigned_[row].uuid, uuid, Technician::Name());
  if (actions_.changed) actions_.changed();
  ShowEntries();
  Search();  // its last visit may be this entry now
  Choose(uuid);
}

void TFInstalacje::LoadEntry() {
  const std::optional<Configuration> entry = ChosenEntry();
  if (!entry || SettleDetails() == Settled::Kept) return;
  if (const std::optional<ConfigFile> file = EntryFile(*entry); file && actions_.load(*file)) accept();
}

void TFInstalacje::CompareEntry() {
  const std::optional<Configuration> entry = ChosenEntry();
  if (!entry) return;
  if (const std::optional<ConfigFile> file = EntryFile(*entry)) actions_.compare(*file, EntryRow(*entry));
}

void TFInstalacje::AssignConnection() {
  if (const ListedInstallation* chosen = Chosen()) {
    if (SettleDetails() == Settled::Kept) return;
    actions_.assign(chosen->installation.uuid);
    accept();
  }
}

void TFInstalacje::done(int result) {
  bool leave = false;
  Safely([&] { leave = SettleDetails() != Settled::Kept; });
  if (leave) QDialog::done(result);
}

void TFInstalacje::keyPressEvent(QKeyEvent* event) {
  const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                     (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  QWidget* focused = focusWidget();
  if (enter && focused == ui->Edit_szukaj) {
    Safely([this] { ChooseFirstFound(); });
  } else if (enter && focused == ui->Table_instalacje) {
    ui->Edit_obiekt->setFocus();
  } else if (enter && focused && ui->GroupDane->isAncestorOf(focused) && !qobject_cast<QPushButton*>(focused)) {
    Safely([this] { SaveInstallation(); });
  } else {
    QDialog::keyPressEvent(event);
  }
}
