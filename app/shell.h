#pragma once

#include <QString>
#include <functional>

// Every document the program hands to the desktop (manual, help pages, exported files)
// goes through openWithShell, so tests can see what would have been opened.
using ShellOpenHandler = std::function<bool(const QString& path)>;

bool openWithShell(const QString& path);
// Replaces the desktop opener; returns the previous one. An empty handler restores the default.
ShellOpenHandler setShellOpenHandler(ShellOpenHandler handler);

// The path of a file in the database directory ("help/patient.htm").
QString databaseFilePath(const QString& relative);
// Opens a file of the database directory when it exists; does nothing otherwise.
bool openDatabaseFile(const QString& relative);
