#include "tests/support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

namespace {

void write(const QString& path, const QByteArray& data) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
}

} // namespace

// cmake --install into a temporary prefix, then the desktop menu's launcher.
class TestInstall : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(prefix_.isValid());
        QProcess install;
        install.start(QStringLiteral("cmake"),
                      {QStringLiteral("--install"), QStringLiteral(DOSARIX_BUILD_DIR),
                       QStringLiteral("--prefix"), prefix_.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    }

    void installedFiles_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("program") << "bin/dosarix" << true;
        QTest::newRow("launcher") << "bin/dosarix-start" << true;
        QTest::newRow("desktop entry") << "share/applications/dosarix.desktop" << false;
        QTest::newRow("icon") << "share/icons/hicolor/scalable/apps/dosarix.svg" << false;
        QTest::newRow("manual") << "share/dosarix/templates/manual.doc" << false;
        QTest::newRow("resident help") << "share/dosarix/templates/help/patient.htm" << false;
        QTest::newRow("backup help") << "share/dosarix/templates/help/BackupForm.htm" << false;
        QTest::newRow("install help") << "share/dosarix/templates/help/install.htm" << false;
        QTest::newRow("server help") << "share/dosarix/templates/server_help/backup.htm" << false;
#ifdef DOSARIX_OFFICE_PLUGIN
        // The installed program finds the office plugin beside itself.
        QTest::newRow("office plugin") << "bin/libdosarix_uno.so" << false;
#endif
    }
    void installedFiles() {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo info(prefix_.filePath(path));
        QVERIFY2(info.isFile(), qPrintable(path));
        QCOMPARE(info.isExecutable(), executable);
    }

    void desktopEntry() {
        QSettings entry(prefix_.filePath(QStringLiteral("share/applications/dosarix.desktop")),
                        QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
        QCOMPARE(entry.value(QStringLiteral("Exec")).toString(), QStringLiteral("dosarix-start"));
        QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), QStringLiteral("dosarix"));
        QCOMPARE(entry.value(QStringLiteral("Name")).toString(),
                 QStringLiteral("護老院派藥管理系統"));
    }

    // The launcher makes the data folder, gives it what is missing, keeps what the home changed,
    // and starts the program there.
    void launcherFillsDataFolder() {
        QTemporaryDir home;
        const QString data = home.filePath(QStringLiteral("Dosarix"));
        QVERIFY(QDir().mkpath(data + QStringLiteral("/help")));
        const QByteArray changed = "<html>our own page</html>";
        write(data + QStringLiteral("/help/patient.htm"), changed);

        QProcess launcher;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.remove(QStringLiteral("DOSARIX_DATA"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        launcher.setProcessEnvironment(env);
        launcher.start(prefix_.filePath(QStringLiteral("bin/dosarix-start")), {});
        QVERIFY(launcher.waitForStarted());
        // The program opens its data file in the folder (then waits for the home's name).
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + QStringLiteral("/Dosarix.tvr")), 20000);
        launcher.kill();
        launcher.waitForFinished();

        QCOMPARE(fileBytes(data + QStringLiteral("/help/patient.htm")), changed);
        for (const char* copied :
             {"manual.doc", "help/BackupForm.htm", "help/install.htm", "server_help/backup.htm"})
            QVERIFY2(QFile::exists(data + QLatin1Char('/') + QLatin1String(copied)), copied);
    }

private:
    QTemporaryDir prefix_;
};

DOSARIX_TEST_MAIN(TestInstall)
#include "test_install.moc"
