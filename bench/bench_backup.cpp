// Backup and restore of a 100 MB data file, timed beside `zip -1` and `unzip` of the same
// file in the same run. Usage: bench_backup [megabytes]
#include "backup/archive.h"
#include "backup/rotation.h"
#include "bench/benchutil.h"
#include "storage/storage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

const char* const words[] = {"每日", "三次", "飯後", "一粒",        "PARACETAMOL", "500MG", "早",
                             "午",   "晚",   "睡前", "AMOXICILLIN", "血壓",        "複診",  "停用",
                             "醫生", "10ML", "外用", "METFORMIN",   "糖尿",        "口服"};

bool runTool(const QString& program, const QStringList& args, const QString& dir) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    tavroDatabase db;
    if (!db.open())
        return 1;

    // Remarks of medical words and numbers: text that compresses like real records.
    auto* random = QRandomGenerator::global();
    tavroBuffer arena;
    const QString dataFile = QString::fromStdString(db.dataFile());
    for (int i = 0; QFileInfo(dataFile).size() < megabytes << 20; ++i) {
        for (int row = 0; row < 5000; ++row) {
            arena.reset();
            QByteArray remark;
            while (remark.size() < 600) {
                remark += words[random->bounded(20)];
                remark += ' ';
                remark += QByteArray::number(random->bounded(100000));
                remark += ' ';
            }
            Drug d;
            d.name = arena.store(QByteArray("DRUG ").append(QByteArray::number(i * 5000 + row)));
            d.remark = arena.store(remark.constData());
            insert(d);
        }
        db.commit();
    }
    const qint64 size = QFileInfo(dataFile).size();
    std::printf("data file: %.1f MB\n", double(size) / (1 << 20));

    TBackupFile archive;
    const QString backupFile = dir.filePath("Dosarix0.mbf");
    const double backup = medianMicros(3, [&] {
        if (!packDataFile(db, archive, backupFile))
            std::abort();
    });
    const double zip = medianMicros(3, [&] {
        QFile::remove(dir.filePath("plain.zip"));
        if (!runTool("zip", {"-1", "-q", "plain.zip", "Dosarix.tvr"}, dir.path()))
            std::abort();
    });
    db.close();
    const double restore = medianMicros(3, [&] {
        if (!restoreDataFile(archive, backupFile, dataFile))
            std::abort();
    });
    QDir(dir.path()).mkdir("unzipped");
    const double unzip = medianMicros(3, [&] {
        if (!runTool("unzip", {"-o", "-q", "plain.zip", "-d", "unzipped"}, dir.path()))
            std::abort();
    });

    std::printf("archive %.1f MB, zip -1 %.1f MB\n",
                double(QFileInfo(backupFile).size()) / (1 << 20),
                double(QFileInfo(dir.filePath("plain.zip")).size()) / (1 << 20));
    std::printf("backup  %8.0f ms   zip -1 %8.0f ms   ratio %.2f\n", backup / 1000, zip / 1000,
                backup / zip);
    std::printf("restore %8.0f ms   unzip  %8.0f ms   ratio %.2f\n", restore / 1000, unzip / 1000,
                restore / unzip);
    return 0;
}
