#include "shared_schema.h"

namespace SharedSchema {

const QList<QStringList>& Steps() {
  static const QList<QStringList> steps{{
      QStringLiteral("CREATE TABLE installations ("
                     " id BIGSERIAL PRIMARY KEY,"
                     " uuid TEXT NOT NULL UNIQUE,"
                     " site BYTEA NOT NULL,"
                     " name BYTEA NOT NULL, address BYTEA NOT NULL, contact BYTEA NOT NULL, notes BYTEA NOT NULL,"
                     " created_ms BIGINT NOT NULL, created_by TEXT NOT NULL,"
                     " changed_ms BIGINT NOT NULL, changed_by TEXT NOT NULL,"
                     " latest_configuration TEXT, latest_ms BIGINT NOT NULL DEFAULT 0,"
                     " search_text TEXT NOT NULL)"),
      QStringLiteral("CREATE INDEX installations_by_site ON installations (site)"),
      QStringLiteral("CREATE INDEX installations_by_latest ON installations (latest_ms DESC, id DESC)"),
      QStringLiteral("CREATE INDEX installations_by_latest_configuration ON installations (latest_configuration)"),
      QStringLiteral("CREATE TABLE installation_edits ("
                     " uuid TEXT PRIMARY KEY,"
                     " installation TEXT NOT NULL,"
                     " previous TEXT,"
                     " edited_ms BIGINT NOT NULL, edited_by TEXT NOT NULL,"
                     " site BYTEA NOT NULL, name BYTEA NOT NULL, address BYTEA NOT NULL, contact BYTEA NOT NULL,"
                     " notes BYTEA NOT NULL)"),
      QStringLiteral("CREATE INDEX installation_edits_by_installation ON installation_edits (installation, edited_ms)"),
      QStringLiteral("CREATE TABLE configurations ("
                     " id BIGSERIAL PRIMARY KEY,"
                     " uuid TEXT NOT NULL UNIQUE,"
                     " taken_ms BIGINT NOT NULL, utc_offset INTEGER NOT NULL,"
                     " kind CHAR(1) NOT NULL, port BYTEA NOT NULL, firmware TEXT NOT NULL,"
                     " technician TEXT NOT NULL,"
                     " installation TEXT,"
                     " phone1 BYTEA NOT NULL, sms_centre BYTEA NOT NULL,"
                     " bytes BYTEA NOT NULL)"),
      QStringLiteral("CREATE INDEX configurations_by_time ON configurations (taken_ms)"),
      QStringLiteral("CREATE INDEX configurations_by_installation ON configurations (installation, taken_ms)"),
      QStringLiteral("CREATE INDEX configurations_by_numbers ON configurations (phone1, sms_centre)"),
      // The configuration's bytes exactly as kept; configurations.bytes has the secrets blanked.
      QStringLiteral("CREATE TABLE configuration_secrets ("
                     " configuration TEXT PRIMARY KEY,"
                     " bytes BYTEA NOT NULL)"),
      QStringLiteral("CREATE TABLE register_notes (note TEXT PRIMARY KEY, value TEXT NOT NULL)"),
  }, {
      // Facts only from here on: rows are added, never changed, so a role needs SELECT and
      // INSERT alone. Each row notes the transaction that added it (`tx`), which lets a computer
      // bring everything committed since its last look, however late a transaction commits;
      // an edit notes when the server received it.
      QStringLiteral("ALTER TABLE installation_edits ADD COLUMN fields INTEGER NOT NULL DEFAULT 31"),
      QStringLiteral("ALTER TABLE installation_edits ADD COLUMN clock BIGINT NOT NULL DEFAULT 0"),
      QStringLiteral("UPDATE installation_edits SET clock = edited_ms * 65536"),
      QStringLiteral("ALTER TABLE installation_edits ADD COLUMN received_ms BIGINT NOT NULL "
                     "DEFAULT (floor(extract(epoch FROM clock_timestamp()) * 1000))::bigint"),
      QStringLiteral("CREATE TABLE assignments ("
                     " uuid TEXT PRIMARY KEY,"
                     " configuration TEXT NOT NULL,"
                     " installation TEXT,"
                     " assigned_ms BIGINT NOT NULL, assigned_by TEXT NOT NULL,"
                     " clock BIGINT NOT NULL)"),
      QStringLiteral("ALTER TABLE installations ADD COLUMN tx BIGINT NOT NULL DEFAULT (pg_current_xact_id()::text::bigint)"),
      QStringLiteral("ALTER TABLE installation_edits ADD COLUMN tx BIGINT NOT NULL DEFAULT (pg_current_xact_id()::text::bigint)"),
      QStringLiteral("ALTER TABLE configurations ADD COLUMN tx BIGINT NOT NULL DEFAULT (pg_current_xact_id()::text::bigint)"),
      QStringLiteral("ALTER TABLE configuration_secrets ADD COLUMN tx BIGINT NOT NULL DEFAULT (pg_current_xact_id()::text::bigint)"),
      QStringLiteral("ALTER TABLE assignments ADD COLUMN tx BIGINT NOT NULL DEFAULT (pg_current_xact_id()::text::bigint)"),
      QStringLiteral("CREATE INDEX installations_by_tx ON installations (tx)"),
      QStringLiteral("CREATE INDEX installation_edits_by_tx ON installation_edits (tx)"),
      QStringLiteral("CREATE INDEX configurations_by_tx ON configurations (tx)"),
      QStringLiteral("CREATE INDEX configuration_secrets_by_tx ON configuration_secrets (tx)"),
      QStringLiteral("CREATE INDEX assignments_by_tx ON assignments (tx)"),
      // One installation per site in the team: the first to claim a site keeps it.
      QStringLiteral("CREATE TABLE installation_sites (site BYTEA PRIMARY KEY, installation TEXT NOT NULL UNIQUE)"),
      QStringLiteral("INSERT INTO installation_sites (site, installation) "
                     "SELECT DISTINCT ON (site) site, uuid FROM installations ORDER BY site, id"),
      // Which register this is: a restored backup or a new database is another, to which a
      // computer sends everything again.
      QStringLiteral("INSERT INTO register_notes (note, value) VALUES ('register', gen_random_uuid()::text)"),
  }};
  return steps;
}

}  // namespace SharedSchema
