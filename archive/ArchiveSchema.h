// The archive's tables and the steps that bring a file of any earlier version to the present one.
// The version is SQLite's user_version: 0 for a new file, then the number of steps applied.
#pragma once

class SqliteConnection;

constexpr int kArchiveSchemaVersion = 1;

// The file's version. Throws ArchiveError (kNotAnArchive or kDamaged when it cannot be read).
int ArchiveVersion(SqliteConnection& connection);
// Applies the missing steps in one transaction. Throws ArchiveError.
void MigrateArchive(SqliteConnection& connection);
