#include "tests/support/testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// The user manual as built: a Word 97 file the office suite reads back, holding the keys.
class TestManual : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(profile_.isValid());
        QVERIFY(out_.isValid());
        QFile doc(QStringLiteral(DOSARIX_MANUAL));
        QVERIFY2(doc.open(QIODevice::ReadOnly), DOSARIX_MANUAL);
        // A Word 97 document is an OLE2 compound file.
        QCOMPARE(doc.read(8).toHex(), QByteArray("d0cf11e0a1b11ae1"));

        QProcess office;
        office.start(QStringLiteral("soffice"),
                     {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                      QStringLiteral("-env:UserInstallation=file://") + profile_.path(),
                      QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"),
                      QStringLiteral("--outdir"), out_.path(), doc.fileName()});
        QVERIFY2(office.waitForFinished(120000), "the office suite did not finish");
        QFile text(out_.filePath(QStringLiteral("manual.txt")));
        QVERIFY2(text.open(QIODevice::ReadOnly), office.readAllStandardError().constData());
        text_ = QString::fromUtf8(text.readAll());
    }

    void containsKeyTable_data() {
        QTest::addColumn<QString>("row");
        // Key table rows come out as cells separated by tabs or line breaks.
        QTest::newRow("main F2") << "F2\t院友管理";
        QTest::newRow("main F3") << "F3\t藥物管理";
        QTest::newRow("main F10") << "F10\t資料庫備份";
        QTest::newRow("main F12") << "F12\t離開系統";
        QTest::newRow("form F8") << "F8\t儲存";
        QTest::newRow("yes/no") << "Y 或 F4\t是";
    }
    void containsKeyTable() {
        QFETCH(QString, row);
        QString flat = text_;
        flat.replace(QLatin1Char('\n'), QLatin1Char('\t'));
        QVERIFY2(flat.contains(row), qPrintable(row));
    }

    void containsChapters_data() {
        QTest::addColumn<QString>("heading");
        for (const char* h : {"啟動系統及輸入院舍名稱", "按鍵一覽表", "院友資料及藥物記錄",
                              "藥物資料及停用藥物", "列印每月藥紙", "郵寄標籤", "匯出及匯入資料",
                              "備份及修復", "請輸入院舍名稱:", "修復完成. 請重新執行程式."})
            QTest::newRow(h) << QString::fromUtf8(h);
    }
    void containsChapters() {
        QFETCH(QString, heading);
        QVERIFY2(text_.contains(heading), qPrintable(heading));
    }

private:
    QTemporaryDir profile_;
    QTemporaryDir out_;
    QString text_;
};

DOSARIX_TEST_MAIN(TestManual)
#include "test_manual.moc"
