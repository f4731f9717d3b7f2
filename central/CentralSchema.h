// The central archive's tables and roles on the server: made once by the database's owner, and
// checked by every program before it reads or pushes, so that a database that is not a central
// archive, or one made by a newer program, is never written to.
#pragma once

#include <string>

class PgConnection;

// The version of the central tables this program makes and reads.
constexpr int kCentralSchemaVersion = 1;

// The text of the schema and roles, as shipped in velmorante-central.sql.
const char* CentralSchemaSql();

// Makes the tables and the roles velmorante_station and velmorante_reader in the database of
// `connection`, in one transaction; changes nothing when they are there already. Throws
// ArchiveError (a server refusal keeps the server's message).
void InitCentralArchive(PgConnection& connection);

// Throws ArchiveError (kNotAnArchive) unless the database holds central tables of a version this
// program reads; kNewerVersion for a newer one.
void CheckCentralArchive(PgConnection& connection);

// Whether `location` names a PostgreSQL database (postgresql:// or postgres://) rather than an
// archive file.
bool IsCentralLocation(const std::string& location);

// Throws std::invalid_argument when `url` is not a connection string libpq reads, or carries a
// password: passwords belong in ~/.pgpass or PGPASSWORD, never in a command line or a setting.
void CheckCentralUrl(const std::string& url);
