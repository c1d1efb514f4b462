#pragma once

// The resident list's spreadsheet layout, the same both ways: row 1 the headers, one resident
// per row from row 2, thirteen columns.

#include "storage/reference.h"

#include <QStringList>

#include <vector>

class TTavroExcel;

const QStringList& residentSheetHeaders();

// Writes the headers and the residents ids, in that order, from row 2.
void writeResidents(TTavroExcel& excel, const std::vector<oid_t>& ids);

// Inserts one new resident per row from row 2 until column 1 is blank, and returns how many.
// Does not commit. Throws transferError, naming the row and column, for a date that is not
// a date; the caller then rolls back.
int readResidents(TTavroExcel& excel);
