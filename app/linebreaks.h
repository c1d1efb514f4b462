#pragma once

#include <QString>

// Texts that span lines (addresses, remarks, drug names) are stored with CR LF between lines,
// whatever the edit box or a spreadsheet cell gave; edit boxes show plain line breaks.
QString storedLines(QString text);
QString shownLines(QString text);
