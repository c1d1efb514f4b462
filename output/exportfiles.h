#pragma once

#include "output/gridprint.h"

#include <QString>
#include <functional>

// The four file kinds the print preview exports a table to, chosen by the last three
// characters of the file name.
enum class ExportFormat { Xls, Csv, Htm, Doc, None };
ExportFormat exportFormatOf(const QString& fileName);
// The save dialog's filter, its items in the order of ExportFormat.
QString exportFilter();
// The name actually written: a name of none of the four kinds gets the extension of the
// filter chosen in the dialog (filterIndex counted from 0).
QString exportFileName(const QString& chosen, int filterIndex);

// Writers; each throws std::runtime_error with a message for the user when the file cannot be
// written. xls and doc go through the office suite.
void writeCsv(const QString& path, const ExportTable& table);
void writeHtml(const QString& path, const ExportTable& table);
void writeDoc(const QString& path, const ExportTable& table);
void writeXls(const QString& path, const ExportTable& table);
void writeExport(const QString& path, const ExportTable& table);

// CSV text as written (UTF-8 with a byte-order mark, CR LF lines, fields quoted when needed).
QByteArray csvText(const ExportTable& table);
QByteArray htmlText(const ExportTable& table);
