#include "app/look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void setupApplicationLook(QApplication& app) {
    const QStringList ming = {QStringLiteral("AR PL UMing TW"), QStringLiteral("Noto Serif CJK TC"),
                              QStringLiteral("Noto Sans CJK TC")};
    for (const char* name : {"細明體", "新細明體", "MingLiU", "PMingLiU"})
        QFont::insertSubstitutions(QString::fromUtf8(name), ming);

    QFont font(QStringLiteral("Noto Sans CJK TC"));
    font.setPixelSize(16);
    app.setFont(font);

    app.setStyleSheet(QStringLiteral("QLineEdit:focus, QPlainTextEdit:focus, QTextEdit:focus "
                                     "{ background-color: rgb(%1, %2, %3); }")
                          .arg(focusedEditColour.red())
                          .arg(focusedEditColour.green())
                          .arg(focusedEditColour.blue()));

    auto* translator = new QTranslator(&app);
    if (translator->load(
            QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan),
            QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
}

QFont mingFont(int pixelSize, bool bold) {
    QFont font(QString::fromUtf8("細明體"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
