#pragma once

#include <QString>

class QWidget;

// The program's message and question dialogs. Each call creates its dialog owned by
// `owner`, shows it modally and destroys it before returning.

// One OK button; Enter, Esc, F4, Y and N all close it.
void messageBox(const QString& message, QWidget* owner);
// true only for Yes (button, F4 or Y). Enter at once answers No.
bool confirmYesNo(const QString& question, QWidget* owner);
// Yellow on red, for destructive operations; true only for Yes (button or F4).
// Enter at once answers Yes.
bool confirmWarning(const QString& warning, QWidget* owner);
// One line of text. Blank input is refused silently. text changes only when confirmed.
bool askText(const QString& prompt, QString& text, QWidget* owner);
