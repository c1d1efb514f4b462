#pragma once

#include "storage/datetime.h"

#include <QString>
#include <QStringList>
#include <functional>

class tavroDatabase;
class TBackupFile;

// Largest volume an automatic backup may write: large enough that it is never split.
inline constexpr qint64 unsplitVolumeSize = 2147483647;

// "<folder>/<name><slot>.mbf" for the start-of-day backup, "<folder>/<name><slot>T.mbf" for
// the exit backup.
QString automaticBackupFile(const QString& folder, const QString& databaseName, int slot,
                            bool atExit);

// The folders an automatic backup writes to: each location that is ticked, not blank and an
// existing folder; the database directory when neither qualifies.
QStringList automaticBackupFolders(bool usePath, const QString& path, bool usePath2,
                                   const QString& path2, const QString& databaseDirectory);

// The slot after `slot` when `total` slots are kept (a stored total below 1 counts as 1).
int nextBackupSlot(int slot, int total);

// How many slots a new data file keeps: 3 when its directory ends in "db", otherwise 7.
int defaultTotalBackup(const QString& databaseDirectory);

// Whether the start-of-day backup is due: the day of lastBackupDate is not today.
bool startOfDayDue(const dbDateTime& lastBackupDate);
// Today, at the time of day lastBackupDate holds (the daily backup time is kept).
dbDateTime todayAtBackupTime(const dbDateTime& lastBackupDate);

// Bytes available on the file system that holds an existing folder. Tests put a fixed
// figure in its place; an empty function restores the real query. Returns the previous one.
using FreeSpaceProbe = std::function<qint64(const QString& folder)>;
FreeSpaceProbe setFreeSpaceProbe(FreeSpaceProbe probe);

// Volume size limit for a file system with freeBytes available.
qint64 volumeLimit(qint64 freeBytes);
// The same for the file system that holds path (the folder of path when it does not exist).
qint64 volumeLimitFor(const QString& path);

// What is wrong with the locations typed in the backup window, first fault first.
enum class LocationFault { None, PathMissing, Path2Missing, SamePaths };
LocationFault checkBackupLocations(bool usePath, const QString& path, bool usePath2,
                                   const QString& path2);

// Packs the data file of db, as it stands at the last commit, into archivePath. The copy is
// taken with SQLite's online backup, which keeps every writer out while it reads, into a
// temporary file in the database directory that is then packed and removed.
bool packDataFile(tavroDatabase& db, TBackupFile& archive, const QString& archivePath);
