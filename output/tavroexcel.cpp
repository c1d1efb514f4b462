#include "output/tavroexcel.h"

#include "output/officeplugin.h"
#include "storage/database.h"
#include "storage/datetime.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLocale>
#include <QPrinterInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <cmath>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const char* const debianOffice = "/usr/lib/libreoffice/program/soffice.bin";

QString missingOfficeText() {
    return QStringLiteral("沒有安裝試算表程式 LibreOffice Calc, 無法處理試算表檔案. 請先安裝它.");
}

office::ConnectFunction loadPlugin(QString& why) {
    static QLibrary library;
    static office::ConnectFunction connect = nullptr;
    if (!officeSetup().plugin.isEmpty() && !QFileInfo::exists(officeSetup().plugin)) {
        why = QStringLiteral("office plugin not found");
        return nullptr;
    }
    if (connect)
        return connect;
    QStringList candidates;
    if (!officeSetup().plugin.isEmpty()) {
        candidates << officeSetup().plugin;
    } else {
        const QString appDir = QCoreApplication::applicationDirPath();
        candidates << appDir + "/libdosarix_uno.so" << appDir + "/../plugins/libdosarix_uno.so"
                   << QStringLiteral(DOSARIX_PLUGIN_DIR "/libdosarix_uno.so");
    }
    for (const QString& path : candidates) {
        if (!QFileInfo::exists(path))
            continue;
        library.setFileName(path);
        if (!library.load()) {
            why = library.errorString();
            continue;
        }
        connect = reinterpret_cast<office::ConnectFunction>(
            library.resolve(DOSARIX_OFFICE_CONNECT_SYMBOL));
        if (connect)
            return connect;
        why = library.errorString();
        library.unload();
    }
    if (why.isEmpty())
        why = QStringLiteral("office plugin not found");
    return nullptr;
}

// The office's settings for a private profile: no first-start work, no lock files beside the
// documents, and the user's locale for dates and numbers.
QByteArray seededSettings() {
    QString locale = QLocale::system().bcp47Name();
    if (locale.isEmpty() || locale == QLatin1String("C"))
        locale = QStringLiteral("en-US");
    auto item = [](const char* path, const char* name, const QString& value) {
        return QStringLiteral("<item oor:path=\"%1\"><prop oor:name=\"%2\" oor:op=\"fuse\">"
                              "<value>%3</value></prop></item>\n")
            .arg(QLatin1String(path), QLatin1String(name), value);
    };
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
                                 "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                                 "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n");
    xml += item("/org.openoffice.Setup/Product", "ooSetupLastVersion", QStringLiteral("7.4"));
    xml += item("/org.openoffice.Setup/L10N", "ooSetupSystemLocale", locale);
    xml += item("/org.openoffice.Office.Common/Misc", "UseLocking", QStringLiteral("false"));
    xml += item("/org.openoffice.Office.Common/Misc", "FirstRun", QStringLiteral("false"));
    xml += item("/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", QStringLiteral("false"));
    xml += QStringLiteral("</oor:items>\n");
    return xml.toUtf8();
}

void seedProfile(const QString& dir) {
    QDir(dir).mkpath(QStringLiteral("user"));
    QFile settings(QDir(dir).filePath(QStringLiteral("user/registrymodifications.xcu")));
    if (settings.open(QIODevice::WriteOnly))
        settings.write(seededSettings());
}

bool copyTree(const QString& from, const QString& to) {
    if (from.isEmpty())
        return false;
    QDir source(from);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = QDir(to).filePath(source.relativeFilePath(path));
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(target))
                return false;
        } else if (!QFile::copy(path, target)) {
            return false;
        }
    }
    return true;
}

// A fresh profile makes the office set itself up and ask to be started again, which doubles
// every start. So a profile is set up once per user (and locale) and copied for each start.
// Empty when it cannot be made; the start then sets up a fresh profile.
QString preparedProfile(const QString& program) {
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return QString();
    const QString dir = QDir(cache).filePath(QStringLiteral("dosarix/office-profile-") +
                                             QLocale::system().bcp47Name());
    if (QFileInfo::exists(QDir(dir).filePath(QStringLiteral("user/registrymodifications.xcu"))))
        return dir;
    QDir().mkpath(QFileInfo(dir).path());
    QTemporaryDir building(dir + QStringLiteral("-XXXXXX"));
    if (!building.isValid())
        return QString();
    seedProfile(building.path());
    QProcess office;
    office.setProgram(program);
    office.setArguments({QStringLiteral("--headless"), QStringLiteral("--invisible"),
                         QStringLiteral("--norestore"), QStringLiteral("--nologo"),
                         QStringLiteral("--nodefault"), QStringLiteral("--nolockcheck"),
                         QStringLiteral("--terminate_after_init"),
                         QStringLiteral("-env:UserInstallation=") +
                             QUrl::fromLocalFile(building.path()).toString(QUrl::FullyEncoded)});
    office.setStandardOutputFile(QProcess::nullDevice());
    office.setStandardErrorFile(QProcess::nullDevice());
    office.start();
    if (!office.waitForFinished(60000)) {
        office.kill();
        office.waitForFinished(3000);
        return QString();
    }
    if (office.exitStatus() != QProcess::NormalExit || office.exitCode() != 0)
        return QString();
    // Another program may have finished first; either profile will do.
    if (QDir().rename(building.path(), dir))
        building.setAutoRemove(false);
    return QFileInfo::exists(dir) ? dir : QString();
}

int& keepAliveCount() {
    static int count = 0;
    return count;
}

// The application kept running while an OfficeKeepAlive lives.
std::shared_ptr<OfficeApplication>& keptApplication() {
    static std::shared_ptr<OfficeApplication> kept;
    return kept;
}

} // namespace

// One office process started by the program, with its own profile and pipe, shared by the
// spreadsheet objects alive at the same time.
class OfficeApplication {
public:
    static std::weak_ptr<OfficeApplication>& running() {
        static std::weak_ptr<OfficeApplication> app;
        return app;
    }

    static std::shared_ptr<OfficeApplication> acquire() {
        std::shared_ptr<OfficeApplication> app = running().lock();
        if (app && app->alive())
            return app;
        app = std::make_shared<OfficeApplication>();
        app->start();
        running() = app;
        if (keepAliveCount() > 0)
            keptApplication() = app;
        return app;
    }

    ~OfficeApplication() { quit(); }

    office::Connection& connection() { return *connection_; }

    qint64 processId() const {
        return process_.state() == QProcess::NotRunning ? 0 : process_.processId();
    }

    bool alive() const { return connection_ && process_.state() == QProcess::Running; }

    // Quits when no document is open in the office any more.
    void quitIfIdle() {
        if (!connection_ || keepAliveCount() > 0)
            return;
        try {
            if (connection_->documentCount() > 0)
                return;
        } catch (const std::exception&) {
            // The office is gone or broken: take it down below.
        }
        quit();
    }

    void quit() {
        if (connection_) {
            try {
                connection_->terminate();
            } catch (const std::exception&) {
            }
        }
        connection_.reset();
        if (process_.state() != QProcess::NotRunning) {
            if (!process_.waitForFinished(10000)) {
                process_.kill();
                process_.waitForFinished(3000);
            }
        }
    }

private:
    void start() {
        QString why;
        office::ConnectFunction connect = loadPlugin(why);
        const QString program = officeSetup().program.isEmpty() ? QString::fromLatin1(debianOffice)
                                                                : officeSetup().program;
        if (!connect || !QFileInfo(program).isExecutable())
            throw officeError(missingOfficeText());
        if (!profile_.isValid())
            throw officeError(QStringLiteral("試算表程式 LibreOffice 無法啟動: ") +
                              profile_.errorString());
        if (!copyTree(preparedProfile(program), profile_.path()))
            seedProfile(profile_.path());

        static int serial = 0;
        const QString pipe = QStringLiteral("dosarix_%1_%2_%3")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(++serial)
                                 .arg(QRandomGenerator::global()->generate(), 0, 16);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!env.value(QStringLiteral("LC_ALL"))
                 .contains(QLatin1String("UTF-8"), Qt::CaseInsensitive) &&
            !env.value(QStringLiteral("LANG"))
                 .contains(QLatin1String("UTF-8"), Qt::CaseInsensitive))
            env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        process_.setProcessEnvironment(env);
        process_.setProgram(program);
        process_.setArguments(
            {QStringLiteral("--headless"), QStringLiteral("--invisible"),
             QStringLiteral("--norestore"), QStringLiteral("--nologo"),
             QStringLiteral("--nodefault"), QStringLiteral("--nolockcheck"),
             QStringLiteral("-env:UserInstallation=") +
                 QUrl::fromLocalFile(profile_.path()).toString(QUrl::FullyEncoded),
             QStringLiteral("--accept=pipe,name=%1;urp;").arg(pipe)});
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        // The office goes down with the program, even when the program dies.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start();
        if (!process_.waitForStarted(10000))
            throw officeError(QStringLiteral("試算表程式 LibreOffice 無法啟動: ") +
                              process_.errorString());

        QElapsedTimer clock;
        clock.start();
        const int limit = officeSetup().startTimeoutMs;
        int restarts = 0;
        for (;;) {
            QString error;
            if (office::Connection* c = connect(pipe, error)) {
                connection_.reset(c);
                return;
            }
            if (process_.waitForFinished(50) || process_.state() == QProcess::NotRunning) {
                // 81: the office made its profile and asks to be started again.
                if (process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 81 &&
                    restarts++ < 2) {
                    process_.start();
                    if (process_.waitForStarted(10000))
                        continue;
                }
                throw officeError(
                    QStringLiteral("試算表程式 LibreOffice 啟動後立即結束 (結束碼 %1).")
                        .arg(process_.exitCode()));
            }
            if (clock.elapsed() > limit) {
                process_.kill();
                process_.waitForFinished(3000);
                throw officeError(
                    QStringLiteral("試算表程式 LibreOffice 在 %1 秒內沒有回應, 已停止它.")
                        .arg(limit / 1000.0, 0, 'f', 1));
            }
        }
    }

    QTemporaryDir profile_;
    QProcess process_;
    std::unique_ptr<office::Connection> connection_;
};

OfficeKeepAlive::OfficeKeepAlive() {
    ++keepAliveCount();
}

OfficeKeepAlive::~OfficeKeepAlive() {
    if (--keepAliveCount() == 0) {
        std::shared_ptr<OfficeApplication> kept = std::move(keptApplication());
        if (kept)
            kept->quitIfIdle();
    }
}

qint64 officeProcessId() {
    std::shared_ptr<OfficeApplication> app = OfficeApplication::running().lock();
    return app ? app->processId() : 0;
}

OfficeSetup& officeSetup() {
    static OfficeSetup setup;
    return setup;
}

// --- TTavroExcel --------------------------------------------------------------------------

TTavroExcel::TTavroExcel(const QString& fileName) : fileName_(fileName) {
    startApplication();
    openWorkbook();
    selectSheet(1);
}

TTavroExcel::~TTavroExcel() {
    try {
        close();
    } catch (...) {
    }
}

void TTavroExcel::startApplication() {
    // One attempt; a failure shows when no workbook can be had.
    try {
        application_ = OfficeApplication::acquire();
    } catch (const officeError& e) {
        startError_ = e.text();
    }
    started_ = true;
}

void TTavroExcel::openWorkbook() {
    if (!started_)
        return;
    closeWorkbook();
    if (application_ && QFileInfo(fileName_).isFile()) {
        try {
            workbook_ = application_->connection().open(fileName_);
        } catch (const std::exception&) {
            workbook_.reset();
        }
    }
    if (!workbook_) {
        newWorkbook();
        return;
    }
    activeSheet_ = 0;
    workbookOpen_ = true;
}

void TTavroExcel::newWorkbook() {
    if (!application_) {
        workbookOpen_ = false;
        throw officeError(startError_.isEmpty() ? missingOfficeText() : startError_);
    }
    try {
        workbook_ = application_->connection().create();
    } catch (const std::exception& e) {
        workbookOpen_ = false;
        throw officeError(QStringLiteral("試算表程式無法開新的活頁簿: ") +
                          QString::fromUtf8(e.what()));
    }
    activeSheet_ = 0;
    workbookOpen_ = true;
    fileName_.clear();
}

void TTavroExcel::setVisible(bool) {
    // The office runs headless: there is no window to show or hide.
}

void TTavroExcel::selectSheet(int n) {
    if (!workbookOpen_)
        return;
    try {
        if (n >= 1 && n <= workbook_->sheetCount()) {
            workbook_->activateSheet(n - 1);
            activeSheet_ = n - 1;
        }
    } catch (const std::exception&) {
    }
}

std::vector<std::vector<TTavroExcel::CachedCell>>& TTavroExcel::sheetCache(int sheet) {
    auto it = cache_.find(sheet);
    if (it != cache_.end())
        return it->second;
    std::vector<std::vector<CachedCell>> cells;
    const office::SheetContents contents = workbook_->readUsedArea(sheet);
    cells.reserve(contents.texts.size());
    for (std::size_t r = 0; r < contents.texts.size(); ++r) {
        std::vector<CachedCell> row;
        row.reserve(static_cast<std::size_t>(contents.texts[r].size()));
        for (qsizetype c = 0; c < contents.texts[r].size(); ++c) {
            const bool value = contents.needsDisplay[r][static_cast<std::size_t>(c)];
            row.push_back({contents.texts[r][c], !value, value});
        }
        cells.push_back(std::move(row));
    }
    return cache_.emplace(sheet, std::move(cells)).first->second;
}

TTavroExcel::CachedCell* TTavroExcel::cachedCell(int column, int row) {
    auto& cells = sheetCache(activeSheet_);
    const auto r = static_cast<std::size_t>(row - 1);
    const auto c = static_cast<std::size_t>(column - 1);
    if (r >= cells.size() || c >= cells[r].size())
        return nullptr;
    return &cells[r][c];
}

bool TTavroExcel::isPending(int column, int row) const {
    auto sheet = pending_.find(activeSheet_);
    return sheet != pending_.end() && sheet->second.count({row - 1, column - 1}) > 0;
}

QString TTavroExcel::getCellText(int column, int row) {
    if (!workbookOpen_ || column < 1 || row < 1)
        return QString();
    if (isPending(column, row))
        return pending_[activeSheet_][{row - 1, column - 1}].trimmed();
    try {
        CachedCell* cell = cachedCell(column, row);
        if (!cell)
            return QString();
        if (!cell->shown) {
            // Numbers and dates: ask once how the sheet displays them.
            cell->text = workbook_->displayedText(activeSheet_, column - 1, row - 1);
            cell->shown = true;
        }
        return cell->text.trimmed();
    } catch (const std::exception&) {
        return QString();
    }
}

std::optional<QDateTime> TTavroExcel::getCellDate(int column, int row) {
    if (!workbookOpen_ || column < 1 || row < 1 || isPending(column, row))
        return std::nullopt;
    try {
        const CachedCell* cell = cachedCell(column, row);
        if (!cell || !cell->value)
            return std::nullopt; // texts and empty cells are no dates
        const double days = workbook_->dateValue(activeSheet_, column - 1, row - 1);
        if (std::isnan(days))
            return std::nullopt;
        return fromCalendarReal(days);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void TTavroExcel::setCell(int column, int row, const QString& value) {
    if (!workbookOpen_ || column < 1 || row < 1)
        return;
    pending_[activeSheet_][{row - 1, column - 1}] = value;
}

void TTavroExcel::flushWrites() {
    auto pending = std::move(pending_);
    pending_.clear();
    for (const auto& [sheet, cells] : pending) {
        cache_.erase(sheet);
        for (const CellBlock& block : groupCellWrites(cells)) {
            std::vector<QStringList> rows;
            rows.reserve(block.rows.size());
            for (const auto& line : block.rows)
                rows.emplace_back(line.begin(), line.end());
            workbook_->writeTexts(sheet, block.col, block.row, rows);
        }
    }
}

bool TTavroExcel::save(const QString& fileName) {
    if (!workbookOpen_)
        return false;
    try {
        flushWrites();
        if (fileName != fileName_) {
            const QString name = QFileInfo(fileName).fileName();
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            const bool excel97 = dot >= 0 && name.mid(dot) == QLatin1String(".xls");
            workbook_->storeAs(QFileInfo(fileName).absoluteFilePath(), excel97);
            fileName_ = fileName;
        } else {
            workbook_->store();
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TTavroExcel::printSheet() {
    if (!workbookOpen_)
        return false;
    try {
        flushWrites();
        const PrintDestination where = printDestination();
        if (!where.pdfFile.isEmpty())
            workbook_->exportSheetPdf(activeSheet_, where.pdfFile);
        else
            workbook_->printSheet(activeSheet_, where.printer);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TTavroExcel::closeWorkbook() {
    if (workbookOpen_ && workbook_) {
        try {
            workbook_->close();
        } catch (const std::exception&) {
        }
    }
    workbook_.reset();
    pending_.clear();
    cache_.clear();
    workbookOpen_ = false;
}

void TTavroExcel::close() {
    if (!started_)
        return;
    closeWorkbook();
    if (application_)
        application_->quitIfIdle();
    application_.reset();
    started_ = false;
}

office::Document* TTavroExcel::document() {
    if (!workbookOpen_)
        return nullptr;
    flushWrites();
    return workbook_.get();
}

// --- writes in blocks -----------------------------------------------------------------------

std::vector<CellBlock> groupCellWrites(const std::map<std::pair<int, int>, QString>& cells) {
    std::vector<CellBlock> done;
    // Blocks still growing downwards, by (first column, width).
    std::map<std::pair<int, int>, CellBlock> open;
    auto it = cells.begin();
    while (it != cells.end()) {
        const int row = it->first.first;
        const int first = it->first.second;
        std::vector<QString> run{it->second};
        ++it;
        while (it != cells.end() && it->first.first == row &&
               it->first.second == first + static_cast<int>(run.size())) {
            run.push_back(it->second);
            ++it;
        }
        const std::pair<int, int> key{first, static_cast<int>(run.size())};
        auto growing = open.find(key);
        if (growing != open.end() &&
            growing->second.row + static_cast<int>(growing->second.rows.size()) == row) {
            growing->second.rows.push_back(std::move(run));
            continue;
        }
        if (growing != open.end()) {
            done.push_back(std::move(growing->second));
            open.erase(growing);
        }
        open.emplace(key, CellBlock{first, row, {std::move(run)}});
    }
    for (auto& [key, block] : open)
        done.push_back(std::move(block));
    return done;
}

// --- where printed pages go -------------------------------------------------------------------

namespace {

PrintDestinationChooser& chooser() {
    static PrintDestinationChooser c;
    return c;
}

int& noPrinterFiles() {
    static int count = 0;
    return count;
}

} // namespace

PrintDestinationChooser setPrintDestinationChooser(PrintDestinationChooser replacement) {
    PrintDestinationChooser previous = std::move(chooser());
    chooser() = std::move(replacement);
    return previous;
}

PrintDestination printDestination() {
    return chooser() ? chooser()() : defaultPrintDestination();
}

QString noPrinterFolder() {
    QString base;
    try {
        base = QString::fromStdString(tavroDatabase::current().directory());
    } catch (const std::exception&) {
    }
    if (base.isEmpty())
        base = QDir::currentPath();
    return QDir(base).filePath(QStringLiteral("列印"));
}

int noPrinterFileCount() {
    return noPrinterFiles();
}

PrintDestination defaultPrintDestination() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull())
        return {printer.printerName(), QString()};
    // Nothing printed may look printed: without a printer the pages become PDF files.
    return noPrinterDestination();
}

PrintDestination noPrinterDestination() {
    QDir folder(noPrinterFolder());
    folder.mkpath(QStringLiteral("."));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path;
    for (int n = 1;; ++n) {
        path =
            folder.filePath(QStringLiteral("%1-%2.pdf").arg(stamp).arg(n, 3, 10, QLatin1Char('0')));
        if (!QFileInfo::exists(path))
            break;
    }
    ++noPrinterFiles();
    return {QString(), path};
}
