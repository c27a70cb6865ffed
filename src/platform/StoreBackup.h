#pragma once

#include <QString>

#include <optional>

// Copies and checks of record store files through SQLite itself, so a copy is consistent
// even while the store is open and written by a context: the online backup API copies
// the pages of one snapshot and restarts when a writer changes them.

// Copies the store at sourcePath into a new file at targetPath (replaced when present),
// a few hundred pages per step. False with error when either file cannot be opened or the
// copy fails; a failed copy leaves no file at targetPath.
bool copyStoreFile(const QString& sourcePath, const QString& targetPath, QString* error);

// Writes the pages of sourcePath over the existing store at targetPath, inside SQLite's
// locks (so a store in write-ahead mode stays whole). False with error on failure; the
// target then keeps its old pages.
bool overwriteStoreFile(const QString& sourcePath, const QString& targetPath, QString* error);

// Runs "PRAGMA quick_check" on the file, read-only. False with SQLite's message when the
// file is not a database, is malformed, or the check reports any fault.
bool quickCheckStoreFile(const QString& path, QString* error);

// The number of rows of the table of entity in the store, read-only; nullopt when the file
// cannot be read or has no such table.
std::optional<qint64> countStoreRows(const QString& path, const QString& entity);
