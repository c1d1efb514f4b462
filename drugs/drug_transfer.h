#pragma once

// The drug list's spreadsheet files: the export writes the list's grid (header row included,
// columns 1-5, the hidden ID column left out); the import reads rows 2 onward, columns 1-11.

class QTableWidget;
class TTavroExcel;

void writeDrugGrid(TTavroExcel& excel, const QTableWidget& grid);

// Inserts one drug per row from row 2 until column 1 is blank, and returns how many. Names are
// kept as read; stopUse is false. Does not commit.
int readDrugs(TTavroExcel& excel);
