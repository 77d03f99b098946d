#include "register_schema.h"

namespace RegisterSchema {

const QList<QStringList>& Steps() {
  // Times are milliseconds since the epoch (UTC); a configuration keeps the offset from UTC of
  // the local time it was kept at, which its name shows. Names are kept as their bytes, which
  // need not be UTF-8. latest_* on an installation follow its
  // newest configuration, and search_text is what a search looks through: both are derived.
  static const QList<QStringList> steps{{
      QStringLiteral("CREATE TABLE installations ("
                     " id INTEGER PRIMARY KEY,"
                     " uuid TEXT NOT NULL UNIQUE,"
                     " site BLOB NOT NULL UNIQUE,"
                     " name BLOB NOT NULL, address BLOB NOT NULL, contact BLOB NOT NULL, notes BLOB NOT NULL,"
                     " created_ms BIGINT NOT NULL, created_by TEXT NOT NULL,"
                     " changed_ms BIGINT NOT NULL, changed_by TEXT NOT NULL,"
                     " latest_configuration TEXT, latest_ms BIGINT NOT NULL DEFAULT 0,"
                     " search_text TEXT NOT NULL)"),
      QStringLiteral("CREATE INDEX installations_by_latest ON installations (latest_ms)"),
      QStringLiteral("CREATE INDEX installations_by_latest_configuration ON installations (latest_configuration)"),
      // The one part of its own to this database: an index of every three characters of the
      // search text, which finds any part of it without reading every installation. A shared
      // server indexes search_text in its own way. The text is folded before, so the index keeps
      // its characters as they are.
      QStringLiteral("CREATE VIRTUAL TABLE installation_search USING fts5 (search_text, content = 'installations', "
                     "content_rowid = 'id', tokenize = 'trigram case_sensitive 1')"),
      QStringLiteral("CREATE TRIGGER installation_search_add AFTER INSERT ON installations BEGIN "
                     "INSERT INTO installation_search (rowid, search_text) VALUES (new.id, new.search_text); END"),
      QStringLiteral("CREATE TRIGGER installation_search_change AFTER UPDATE OF search_text ON installations "
                     "WHEN old.search_text <> new.search_text BEGIN "
                     "INSERT INTO installation_search (installation_search, rowid, search_text) "
                     "VALUES ('delete', old.id, old.search_text); "
                     "INSERT INTO installation_search (rowid, search_text) VALUES (new.id, new.search_text); END"),
      QStringLiteral("CREATE TRIGGER installation_search_remove AFTER DELETE ON installations BEGIN "
                     "INSERT INTO installation_search (installation_search, rowid, search_text) "
                     "VALUES ('delete', old.id, old.search_text); END"),
      QStringLiteral("CREATE TABLE installation_edits ("
                     " uuid TEXT PRIMARY KEY,"
                     " installation TEXT NOT NULL,"
                     " edited_ms BIGINT NOT NULL, edited_by TEXT NOT NULL,"
                     " site BLOB NOT NULL, name BLOB NOT NULL, address BLOB NOT NULL, contact BLOB NOT NULL,"
                     " notes BLOB NOT NULL)"),
      QStringLiteral("CREATE INDEX installation_edits_by_installation ON installation_edits (installation, edited_ms)"),
      QStringLiteral("CREATE TABLE configurations ("
                     " id INTEGER PRIMARY KEY,"
                     " uuid TEXT NOT NULL UNIQUE,"
                     " taken_ms BIGINT NOT NULL, utc_offset INTEGER NOT NULL,"
                     " kind CHAR(1) NOT NULL, port BLOB NOT NULL, firmware TEXT NOT NULL,"
                     " technician TEXT NOT NULL,"
                     " installation TEXT,"
                     " phone1 BLOB NOT NULL, sms_centre BLOB NOT NULL,"
                     " bytes BLOB NOT NULL)"),
      QStringLiteral("CREATE INDEX configurations_by_time ON configurations (taken_ms)"),
      QStringLiteral("CREATE INDEX configurations_by_installation ON configurations (installation, taken_ms)"),
      QStringLiteral("CREATE INDEX configurations_by_numbers ON configurations (phone1, sms_centre)"),
      // What the register notes of itself: the history folders imported and when they last changed.
      QStringLiteral("CREATE TABLE register_notes (note TEXT PRIMARY KEY, value TEXT NOT NULL)"),
  }, {
      // Every change a row of its own. An edit sets only the fields in its mask (site 1, name 2,
      // address 4, contact 8, notes 16) and is ordered by a hybrid logical clock; the edits kept
      // before set every field. An assignment gives a configuration to an installation from its
      // clock on; a configuration keeps the installation it was kept with, and `installation`
      // follows its newest assignment. `brought`: the row came from the shared register, so it
      // is not sent back; `secrets`: the bytes hold the access password and the SIM PIN.
      QStringLiteral("ALTER TABLE installation_edits ADD COLUMN fields INTEGER NOT NULL DEFAULT 31"),
      QStringLiteral("ALTER TABLE installation_edits ADD COLUMN clock BIGINT NOT NULL DEFAULT 0"),
      QStringLiteral("ALTER TABLE installation_edits ADD COLUMN received_ms BIGINT"),
      QStringLiteral("ALTER TABLE installation_edits ADD COLUMN brought INTEGER NOT NULL DEFAULT 0"),
      QStringLiteral("UPDATE installation_edits SET clock = edited_ms * 65536"),
      QStringLiteral("CREATE INDEX installation_edits_by_clock ON installation_edits (installation, clock)"),
      QStringLiteral("ALTER TABLE installations ADD COLUMN brought INTEGER NOT NULL DEFAULT 0"),
      QStringLiteral("ALTER TABLE configurations ADD COLUMN kept_installation TEXT"),
      QStringLiteral("ALTER TABLE configurations ADD COLUMN brought INTEGER NOT NULL DEFAULT 0"),
      QStringLiteral("ALTER TABLE configurations ADD COLUMN secrets INTEGER NOT NULL DEFAULT 1"),
      QStringLiteral("CREATE TABLE assignments ("
                     " id INTEGER PRIMARY KEY,"
                     " uuid TEXT NOT NULL UNIQUE,"
                     " configuration TEXT NOT NULL,"
                     " installation TEXT,"
                     " assigned_ms BIGINT NOT NULL, assigned_by TEXT NOT NULL,"
                     " clock BIGINT NOT NULL,"
                     " brought INTEGER NOT NULL DEFAULT 0)"),
      QStringLiteral("CREATE INDEX assignments_by_configuration ON assignments (configuration, clock)"),
      // An assignment made before was an update in place which never travelled: it becomes a
      // row that does.
      QStringLiteral("INSERT INTO assignments (uuid, configuration, installation, assigned_ms, assigned_by, clock) "
                     "SELECT lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || substr(hex(randomblob(2)), 2) "
                     "|| '-8' || substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6))), uuid, installation, taken_ms, "
                     "technician, taken_ms * 65536 FROM configurations WHERE installation IS NOT NULL"),
      // The company's letterhead, an edit per field as an installation's, the newest by its clock.
      QStringLiteral("CREATE TABLE company_edits (uuid TEXT PRIMARY KEY, field TEXT NOT NULL, value BLOB NOT NULL,"
                     " clock BIGINT NOT NULL, edited_ms BIGINT NOT NULL, edited_by TEXT NOT NULL)"),
  }};
  return steps;
}

}  // namespace RegisterSchema
