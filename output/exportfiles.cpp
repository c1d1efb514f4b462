#include "output/exportfiles.h"

#include "output/tavroexcel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <stdexcept>

namespace {

const char* const extensions[] = {"xls", "csv", "htm", "doc"};

std::string utf8(const QString& text) {
    return text.toStdString();
}

void saveBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(
            utf8(QStringLiteral("無法寫入檔案 %1: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString())));
}

QString csvField(const QString& text) {
    static const QString special = QStringLiteral(",\"\r\n");
    bool quote = text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    for (QChar ch : text)
        quote = quote || special.contains(ch);
    if (!quote)
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

ExportFormat exportFormatOf(const QString& fileName) {
    const QString tail = fileName.right(3);
    for (int i = 0; i < 4; ++i)
        if (tail == QLatin1String(extensions[i]))
            return static_cast<ExportFormat>(i);
    return ExportFormat::None;
}

QString exportFilter() {
    return QStringLiteral("Excel File (*.xls);;Comma 分隔檔案 (*.csv);;HTML (*.htm);;DOC (*.doc)");
}

QString exportFileName(const QString& chosen, int filterIndex) {
    if (exportFormatOf(chosen) != ExportFormat::None)
        return chosen;
    if (filterIndex < 0 || filterIndex > 3)
        filterIndex = 0;
    return chosen + QLatin1Char('.') + QLatin1String(extensions[filterIndex]);
}

QByteArray csvText(const ExportTable& table) {
    QString text;
    for (const QStringList& row : table) {
        QStringList fields;
        for (const QString& cell : row)
            fields << csvField(cell);
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    // The byte-order mark lets Excel read the Chinese texts as UTF-8.
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray htmlText(const ExportTable& table) {
    QString text = QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                                  "<title></title>\n</head>\n<body>\n<table border=\"1\" "
                                  "cellspacing=\"0\" cellpadding=\"2\">\n");
    for (const QStringList& row : table) {
        text += QStringLiteral("<tr>");
        for (const QString& cell : row) {
            QString escaped = cell.toHtmlEscaped();
            escaped.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
            escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
            text += QStringLiteral("<td>") + escaped + QStringLiteral("</td>");
        }
        text += QStringLiteral("</tr>\n");
    }
    text += QStringLiteral("</table>\n</body>\n</html>\n");
    return text.toUtf8();
}

void writeCsv(const QString& path, const ExportTable& table) {
    saveBytes(path, csvText(table));
}

void writeHtml(const QString& path, const ExportTable& table) {
    saveBytes(path, htmlText(table));
}

void writeDoc(const QString& path, const ExportTable& table) {
    // The word processor converts the HTML table; it runs with a profile of its own so a
    // document the user has open in the office is never touched.
    QTemporaryDir work;
    if (!work.isValid())
        throw std::runtime_error("無法建立暫存資料夾");
    const QString source = work.filePath(QStringLiteral("table.htm"));
    saveBytes(source, htmlText(table));
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        throw std::runtime_error("找不到 LibreOffice (soffice), 無法輸出 doc 檔案");
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString profile =
        QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toString();
    process.start(office,
                  {QStringLiteral("--headless"), QStringLiteral("--invisible"),
                   QStringLiteral("--norestore"), QStringLiteral("--nologo"),
                   QStringLiteral("--nodefault"), QStringLiteral("--nolockcheck"),
                   QStringLiteral("-env:UserInstallation=") + profile,
                   QStringLiteral("--infilter=HTML (StarWriter)"), QStringLiteral("--convert-to"),
                   QStringLiteral("doc:MS Word 97"), QStringLiteral("--outdir"),
                   work.filePath(QStringLiteral("out")), source});
    if (!process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished(5000);
        throw std::runtime_error("LibreOffice 沒有回應, 無法輸出 doc 檔案");
    }
    const QString produced = work.filePath(QStringLiteral("out/table.doc"));
    if (!QFileInfo::exists(produced))
        throw std::runtime_error(utf8(QStringLiteral("LibreOffice 無法輸出 doc 檔案: %1")
                                          .arg(QString::fromLocal8Bit(process.readAll()))));
    QFile target(path);
    if (target.exists() && !target.remove())
        throw std::runtime_error(utf8(QStringLiteral("無法取代檔案 %1").arg(path)));
    if (!QFile::copy(produced, path))
        throw std::runtime_error(utf8(QStringLiteral("無法寫入檔案 %1").arg(path)));
}

void writeXls(const QString& path, const ExportTable& table) {
    // A workbook started afresh (from a name that cannot be opened), so nothing of an old file
    // by the same name survives in the new one.
    QTemporaryDir work;
    if (!work.isValid())
        throw std::runtime_error("無法建立暫存資料夾");
    TTavroExcel excel(work.filePath(QStringLiteral("new.xls")));
    for (std::size_t r = 0; r < table.size(); ++r)
        for (int c = 0; c < table[r].size(); ++c)
            if (!table[r][c].isEmpty())
                excel.setCell(c + 1, static_cast<int>(r) + 1, table[r][c]);
    const bool saved = excel.save(path);
    excel.close();
    if (!saved)
        throw std::runtime_error(utf8(QStringLiteral("無法寫入檔案 %1").arg(path)));
}

void writeExport(const QString& path, const ExportTable& table) {
    switch (exportFormatOf(path)) {
    case ExportFormat::Xls:
        writeXls(path, table);
        break;
    case ExportFormat::Csv:
        writeCsv(path, table);
        break;
    case ExportFormat::Htm:
        writeHtml(path, table);
        break;
    case ExportFormat::Doc:
        writeDoc(path, table);
        break;
    case ExportFormat::None:
        break;
    }
}
