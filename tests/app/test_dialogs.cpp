#include "app/dialogforms.h"
#include "app/dialogs.h"
#include "app/look.h"
#include "app/numbers.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

// What a test does to a dialog once it is up.
enum class Gesture { Key, ClickYes, ClickNo, TitleClose };

void perform(QWidget* dialog, Gesture gesture, int key) {
    switch (gesture) {
    case Gesture::Key:
        pressKey(dialog, Qt::Key(key));
        break;
    case Gesture::ClickYes:
        dialog->findChild<QPushButton*>(QStringLiteral("YesButton"))->click();
        break;
    case Gesture::ClickNo:
        dialog->findChild<QPushButton*>(QStringLiteral("NoButton"))->click();
        break;
    case Gesture::TitleClose:
        dialog->close();
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Gesture)

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        ModalDriver::clear();
        QTest::qWait(10);
    }

    void messageBoxCloses_data() {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << Gesture::Key << int(Qt::Key_Return);
        QTest::newRow("Space") << Gesture::Key << int(Qt::Key_Space);
        QTest::newRow("Esc") << Gesture::Key << int(Qt::Key_Escape);
        QTest::newRow("F4") << Gesture::Key << int(Qt::Key_F4);
        QTest::newRow("Y") << Gesture::Key << int(Qt::Key_Y);
        QTest::newRow("N") << Gesture::Key << int(Qt::Key_N);
        QTest::newRow("button") << Gesture::ClickYes << 0;
        QTest::newRow("title-bar close") << Gesture::TitleClose << 0;
    }
    void messageBoxCloses() {
        QFETCH(Gesture, gesture);
        QFETCH(int, key);
        bool closedByGesture = false;
        ModalDriver::expect([&](QWidget* dialog) {
            QCOMPARE(dialogMessage(dialog), QStringLiteral("資料庫開啟錯誤."));
            auto* yes = dialog->findChild<QPushButton*>(QStringLiteral("YesButton"));
            auto* no = dialog->findChild<QPushButton*>(QStringLiteral("NoButton"));
            QCOMPARE(yes->text(), QStringLiteral("確定"));
            QCOMPARE(yes->geometry(), QRect(220, 155, 120, 33));
            QVERIFY(!no->isVisible());
            QCOMPARE(dialog->focusWidget(), yes);
            QPointer<QWidget> guard(dialog);
            perform(dialog, gesture, key);
            QTRY_VERIFY(!guard || !guard->isVisible());
            closedByGesture = true;
        });
        messageBox(QStringLiteral("資料庫開啟錯誤."), nullptr);
        QVERIFY(closedByGesture);
    }

    void confirmYesNoAnswers_data() {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("expected");
        QTest::newRow("Enter at once") << Gesture::Key << int(Qt::Key_Return) << false;
        QTest::newRow("Space at once") << Gesture::Key << int(Qt::Key_Space) << false;
        QTest::newRow("Esc") << Gesture::Key << int(Qt::Key_Escape) << false;
        QTest::newRow("F4") << Gesture::Key << int(Qt::Key_F4) << true;
        QTest::newRow("Y") << Gesture::Key << int(Qt::Key_Y) << true;
        QTest::newRow("N") << Gesture::Key << int(Qt::Key_N) << false;
        QTest::newRow("Yes button") << Gesture::ClickYes << 0 << true;
        QTest::newRow("No button") << Gesture::ClickNo << 0 << false;
        QTest::newRow("title-bar close") << Gesture::TitleClose << 0 << false;
    }
    void confirmYesNoAnswers() {
        QFETCH(Gesture, gesture);
        QFETCH(int, key);
        QFETCH(bool, expected);
        bool ran = false;
        ModalDriver::expect([&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("信息"));
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("NoButton"));
            QPointer<QWidget> guard(dialog);
            perform(dialog, gesture, key);
            QTRY_VERIFY(!guard || !guard->isVisible());
            ran = true;
        });
        QCOMPARE(confirmYesNo(QStringLiteral("關閉系統?"), nullptr), expected);
        QVERIFY(ran);
    }

    void yesNoTabReachesYes() {
        ModalDriver::expect([](QWidget* dialog) {
            pressKey(dialog, Qt::Key_Tab);
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("YesButton"));
            pressKey(dialog, Qt::Key_Return);
        });
        QVERIFY(confirmYesNo(QStringLiteral("刪除?"), nullptr));
    }

    // A short question sits lower in the box; the byte count treats Chinese as two bytes.
    void confirmYesNoLabelPosition_data() {
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("top");
        QTest::newRow("short Chinese") << QStringLiteral("關閉系統?") << 40;
        QTest::newRow("24 Chinese = 48 bytes") << QString(24, QChar(0x9664)) << 40;
        QTest::newRow("25 Chinese = 50 bytes") << QString(25, QChar(0x9664)) << 24;
        QTest::newRow("long Chinese")
            << QStringLiteral(
                   "這位院友仍有藥物記錄及覆診記錄，刪除後所有相關資料將不能復原，是否確定刪除?")
            << 24;
        QTest::newRow("49 ASCII") << QString(49, QLatin1Char('a')) << 40;
        QTest::newRow("50 ASCII") << QString(50, QLatin1Char('a')) << 24;
    }
    void confirmYesNoLabelPosition() {
        QFETCH(QString, question);
        QFETCH(int, top);
        int seen = -1;
        ModalDriver::expect([&](QWidget* dialog) {
            seen = dialog->findChild<QLabel*>(QStringLiteral("msg"))->y();
        });
        confirmYesNo(question, nullptr);
        QCOMPARE(seen, top);
    }

    void confirmWarningAnswers_data() {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<bool>("expected");
        QTest::newRow("Enter at once") << Gesture::Key << int(Qt::Key_Return) << false << true;
        QTest::newRow("F4") << Gesture::Key << int(Qt::Key_F4) << false << true;
        QTest::newRow("Esc") << Gesture::Key << int(Qt::Key_Escape) << false << false;
        QTest::newRow("Y does nothing") << Gesture::Key << int(Qt::Key_Y) << true << false;
        QTest::newRow("N does nothing") << Gesture::Key << int(Qt::Key_N) << true << false;
        QTest::newRow("Yes button") << Gesture::ClickYes << 0 << false << true;
        QTest::newRow("No button") << Gesture::ClickNo << 0 << false << false;
        QTest::newRow("title-bar close") << Gesture::TitleClose << 0 << false << false;
    }
    void confirmWarningAnswers() {
        QFETCH(Gesture, gesture);
        QFETCH(int, key);
        QFETCH(bool, staysOpen);
        QFETCH(bool, expected);
        bool ran = false;
        ModalDriver::expect([&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("警告信息"));
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("YesButton"));
            QPointer<QWidget> guard(dialog);
            perform(dialog, gesture, key);
            if (staysOpen) {
                QTest::qWait(20);
                QVERIFY(guard && guard->isVisible());
            } else {
                QTRY_VERIFY(!guard || !guard->isVisible());
            }
            ran = true;
        });
        // A dialog left open is closed by the driver like the title bar: Cancel.
        QCOMPARE(confirmWarning(QStringLiteral("確定刪除所有資料?"), nullptr), expected);
        QVERIFY(ran);
    }

    void askTextRefusesBlanks_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("F4") << int(Qt::Key_F4);
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }
    void askTextRefusesBlanks() {
        QFETCH(int, key);
        QString text = QStringLiteral("   ");
        ModalDriver::expect([&](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("inputText"));
            QCOMPARE(dialog->focusWidget(), edit);
            QCOMPARE(edit->text(), QStringLiteral("   "));
            QCOMPARE(dialogMessage(dialog), QStringLiteral("請輸入院舍名稱:"));
            pressKey(dialog, Qt::Key(key));
            QTest::qWait(20);
            QVERIFY(dialog->isVisible());
            edit->end(false);
            edit->insert(QStringLiteral("仁愛護老院 "));
            pressKey(dialog, Qt::Key(key));
        });
        QVERIFY(askText(QStringLiteral("請輸入院舍名稱:"), text, nullptr));
        // Accepted text is handed back as typed, blanks and all.
        QCOMPARE(text, QStringLiteral("   仁愛護老院 "));
    }

    void askTextCancelLeavesText_data() {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<int>("key");
        QTest::newRow("Esc") << Gesture::Key << int(Qt::Key_Escape);
        QTest::newRow("No button") << Gesture::ClickNo << 0;
        QTest::newRow("title-bar close") << Gesture::TitleClose << 0;
    }
    void askTextCancelLeavesText() {
        QFETCH(Gesture, gesture);
        QFETCH(int, key);
        QString text = QStringLiteral("舊名");
        ModalDriver::expect([&](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("inputText"));
            edit->setText(QStringLiteral("新名"));
            perform(dialog, gesture, key);
        });
        QVERIFY(!askText(QStringLiteral("請輸入字串:"), text, nullptr));
        QCOMPARE(text, QStringLiteral("舊名"));
    }

    void askTextYesButtonAccepts() {
        QString text = QStringLiteral("ABC");
        ModalDriver::expect([](QWidget* dialog) { perform(dialog, Gesture::ClickYes, 0); });
        QVERIFY(askText(QStringLiteral("名稱:"), text, nullptr));
        QCOMPARE(text, QStringLiteral("ABC"));
    }

    // The designed look: the focused edit is light yellow, the warning yellow on red.
    void designedLook() {
        TYesNoForm yesNo(nullptr);
        QCOMPARE(yesNo.size(), QSize(559, 220));
        QCOMPARE(yesNo.msg->geometry(), QRect(32, 24, 489, 113));
        QCOMPARE(yesNo.YesButton->text(), QStringLiteral("是 F4 (&Y)"));
        QCOMPARE(yesNo.NoButton->text(), QStringLiteral("否 Esc (&N)"));
        QCOMPARE(yesNo.msg->font().pixelSize(), 16);
        QVERIFY(yesNo.msg->font().bold());

        TWarningForm warning(nullptr);
        QCOMPARE(warning.size(), QSize(653, 485));
        QCOMPARE(warning.palette().color(QPalette::Window), QColor(Qt::red));
        QCOMPARE(warning.msg->palette().color(QPalette::Window), QColor(Qt::yellow));
        QCOMPARE(warning.YesButton->text(), QStringLiteral("是, 確認 F4"));
        QCOMPARE(warning.NoButton->text(), QStringLiteral("不是, 取消 Esc"));
        QCOMPARE(warning.NoButton->geometry(), QRect(421, 355, 200, 50));

        TInputForm input(nullptr);
        QCOMPARE(input.size(), QSize(606, 286));
        QCOMPARE(input.msg->text(), QStringLiteral("請輸入字串:"));
        QCOMPARE(input.inputText->width(), 511);
        QVERIFY(showAndActivate(&input));
        QTRY_VERIFY(input.inputText->hasFocus());
        const auto background = [&] {
            const QImage image = input.inputText->grab().toImage();
            return QColor(image.pixel(image.width() - 6, image.height() / 2));
        };
        QCOMPARE(background(), QColor(237, 240, 125));
        input.YesButton->setFocus();
        QTRY_VERIFY(!input.inputText->hasFocus());
        QVERIFY(background() != QColor(237, 240, 125));
        input.done(mrCancel);
    }

    // Qt's own texts are Traditional Chinese and 細明體 resolves to an installed Ming face.
    void applicationLook() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
        QLabel label;
        label.setFont(mingFont(16));
        const QString family = QFontInfo(label.font()).family();
        QVERIFY2(family.startsWith(QStringLiteral("AR PL UMing")) ||
                     family.contains(QStringLiteral("CJK TC")),
                 qPrintable(family));
    }

    // ---- number texts ----

    void formatNumberTable_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("0.00005") << 0.00005 << "0";
        QTest::newRow("-0.00005") << -0.00005 << "0";
        QTest::newRow("12") << 12.0 << "12.00";
        QTest::newRow("0.1") << 0.1 << "0.10";
        QTest::newRow("0.09") << 0.09 << "0.09";
        QTest::newRow("0.004") << 0.004 << "0.00";
        QTest::newRow("0.005") << 0.005 << "0.01";
        QTest::newRow("2.675") << 2.675 << "2.68";
        QTest::newRow("1.995 carries") << 1.995 << "2.00";
        QTest::newRow("9.999 carries") << 9.999 << "10.00";
        QTest::newRow("-3.5") << -3.5 << "-3.50";
        QTest::newRow("-0.0004") << -0.0004 << "-0.00";
        QTest::newRow("1234.5 no separators") << 1234.5 << "1234.50";
        QTest::newRow("297") << 297.0 << "297.00";
        QTest::newRow("large whole") << 123456789012345.0 << "123456789012345.00";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "Nan";
    }
    void formatNumberTable() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatNumber(value), text);
    }

    void formatNumberIgnoresLocale() {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German));
        const QString text = formatNumber(1.5);
        QLocale::setDefault(previous);
        QCOMPARE(text, QStringLiteral("1.50"));
    }

    void parseNumberTextTable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("2,970") << "2,970" << 2970.0;
        QTest::newRow("1,234,567.5") << "1,234,567.5" << 1234567.5;
        QTest::newRow("decimals") << "12.25" << 12.25;
        QTest::newRow("negative") << "-3.5" << -3.5;
        QTest::newRow("formatted back") << formatNumber(2.675) << 2.68;
    }
    void parseNumberTextTable() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(parseNumberText(text), value);
    }

    void parseNumberTextRejects_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("letters") << "abc";
        QTest::newRow("blank") << " ";
        QTest::newRow("commas only") << ",";
        QTest::newRow("two points") << "1.2.3";
        QTest::newRow("Nan") << "Nan";
        QTest::newRow("inf") << "inf";
    }
    void parseNumberTextRejects() {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, parseNumberText(text));
    }

    void sameNumberTable_data() {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("297 vs 297.0009") << 297.0 << 297.0009 << true;
        QTest::newRow("297.0009 vs 297") << 297.0009 << 297.0 << true;
        QTest::newRow("297 vs 297.002") << 297.0 << 297.002 << false;
        QTest::newRow("297.002 vs 297") << 297.002 << 297.0 << false;
        QTest::newRow("equal") << 1.5 << 1.5 << true;
        QTest::newRow("negatives") << -1.0 << -1.0005 << true;
    }
    void sameNumberTable() {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(bool, same);
        QCOMPARE(sameNumber(a, b), same);
    }
};

DOSARIX_TEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
