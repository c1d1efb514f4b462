#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The backup archive: one file packed into a ZIP archive (fastest deflate) that any unzip
// tool opens, split into volumes when a volume size limit is reached. The first volume is
// the archive file itself; further volumes are named by volumeFileName.
class TBackupFile {
public:
    // Largest volume in bytes; read again after each need-disk answer.
    qint64 MaxSize = 2147483647;
    // Percentage of the work done, 0 to 100, reported whenever it changes.
    std::function<void(int percent)> onProgress;
    // A volume is full: volume is the number of the next one (2 for the first split).
    // Returns whether to go on; the handler may change MaxSize first.
    std::function<bool(int volume)> onNeedDisk;

    // Packs sourceFile as the one entry entryName (a bare file name). Every volume is written
    // beside its final name and renamed over it only when it is complete, so a failed or
    // interrupted backup leaves a previous file of that name as it was.
    bool pack(const QString& sourceFile, const QString& entryName, const QString& archivePath);

    // Extracts the entry whose bare file name is entryName from the archive and its further
    // volumes (read in order) into destFile, which is created or truncated.
    bool extract(const QString& archivePath, const QString& entryName, const QString& destFile);

    // Why the last pack or extract failed, for the developer's eyes (stderr).
    const QString& errorText() const { return error_; }

private:
    friend struct VolumeWriter;
    friend struct VolumeReader;
    void progress(qint64 done, qint64 total);
    QString error_;
    int lastPercent_ = -1;
};

// The archive's path up to and including the first "." of its file name; the path and a "."
// when the file name has none. The volume number follows it.
QString volumeBaseName(const QString& archivePath);
// base followed by the volume number in three digits: "Dosarix." and 2 give "Dosarix.002".
QString volumeFileName(const QString& base, int volume);

// A sound data file of this program: SQLite reads it without fault (integrity check) and it
// holds every table the program declares.
bool isSoundDataFile(const QString& file, QString* why = nullptr);

// Replaces dataFile by the data file packed in archivePath. The archive is extracted to a
// temporary file beside dataFile and checked first; on any failure dataFile is left exactly
// as it was. The database must be closed.
bool restoreDataFile(TBackupFile& archive, const QString& archivePath, const QString& dataFile);
