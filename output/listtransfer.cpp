#include "output/listtransfer.h"

#include "app/dialogs.h"
#include "app/shell.h"
#include "output/tavroexcel.h"
#include "storage/database.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString runFileDialog(QWidget* owner, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner);
    dialog.setObjectName(mode == QFileDialog::AcceptSave ? QStringLiteral("SaveDialog2")
                                                         : QStringLiteral("OpenDialog1"));
    // Qt's own dialog: the same on every desktop, and drivable by the tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    if (mode == QFileDialog::AcceptSave) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setOption(QFileDialog::ReadOnly, false);
    }
    dialog.setNameFilter(QStringLiteral("Excel File (*.xls)"));
    dialog.setDefaultSuffix(QStringLiteral("xls"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

FileNameChooser& chooser() {
    static FileNameChooser c;
    return c;
}

} // namespace

FileNameChooser setFileNameChooser(FileNameChooser replacement) {
    FileNameChooser previous = std::move(chooser());
    chooser() = std::move(replacement);
    return previous;
}

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

QString askExportFileName(QWidget* owner) {
    if (chooser())
        return chooser()(owner, true);
    return runFileDialog(owner, QFileDialog::AcceptSave);
}

QString askImportFileName(QWidget* owner) {
    if (chooser())
        return chooser()(owner, false);
    return runFileDialog(owner, QFileDialog::AcceptOpen);
}

void runListExport(QWidget* owner, int dataRows, const std::function<void(TTavroExcel&)>& write) {
    if (dataRows <= 0) {
        messageBox(QStringLiteral("沒有資料."), owner);
        return;
    }
    const QString fileName = askExportFileName(owner);
    if (fileName.isEmpty())
        return;
    if (QFileInfo::exists(fileName)) {
        if (!confirmYesNo(QStringLiteral("檔案存在, 取代它嗎?"), owner))
            return;
        if (!QFile::remove(fileName)) {
            messageBox(QStringLiteral("無法刪除檔案 ") + fileName, owner);
            return;
        }
    }
    bool saved = false;
    {
        BusyCursor busy;
        TTavroExcel excel(fileName);
        excel.setVisible(false);
        write(excel);
        saved = excel.save(fileName);
        excel.close();
    }
    // A file the office could not write is not reported as exported.
    if (!saved) {
        messageBox(QStringLiteral("無法儲存檔案 ") + fileName, owner);
        return;
    }
    if (confirmYesNo(QString::number(dataRows) + QStringLiteral("資料已成功輸出到") + fileName +
                         QStringLiteral(", 開啟嗎?"),
                     owner))
        openWithShell(fileName);
}

void runListImport(QWidget* owner, const std::function<int(TTavroExcel&)>& read,
                   const std::function<void()>& refresh) {
    const QString fileName = askImportFileName(owner);
    if (fileName.isEmpty())
        return;
    int rows = 0;
    QString failure;
    {
        BusyCursor busy;
        TTavroExcel excel(fileName);
        excel.setVisible(false);
        // The office starts a new workbook for a file it cannot read: nothing to import.
        if (excel.fileName().isEmpty()) {
            failure = QStringLiteral("無法開啟試算表檔案 ") + fileName +
                      QStringLiteral(". 沒有匯入任何資料.");
        } else {
            tavroDatabase& db = tavroDatabase::current();
            // A failed import rolls back its own rows only, not what was confirmed before.
            db.commit();
            try {
                rows = read(excel);
                db.commit();
            } catch (const transferError& e) {
                db.rollback();
                failure = e.text();
            } catch (...) {
                db.rollback();
                throw;
            }
        }
    }
    if (!failure.isEmpty()) {
        messageBox(failure, owner);
        return;
    }
    refresh();
    messageBox(QString::number(rows) + QStringLiteral("資料已成功由") + fileName +
                   QStringLiteral("輸入."),
               owner);
}
