#pragma once

#include "storage/buffer.h"
#include "storage/datetime.h"
#include "storage/descriptor.h"
#include "storage/reference.h"

#include <cstdint>
#include <vector>

// The tables of the data file. Text fields point into an arena (a cursor's for fetched
// records, the writer's for records being written); a fresh record has empty texts,
// no dates, null references and empty arrays.

struct Drug;
struct DrugTake;
struct Ill;
struct Patient;

// A resident of the home.
struct Patient {
    std::int32_t id = 0;      // creation sequence number
    const char* engName = ""; // drug allergies ("過敏藥物")
    const char* chiName = ""; // name
    const char* hkid = "";    // identity card number
    const char* address = ""; // lines separated by CR LF
    const char* tel = "";
    const char* mobile = "";
    const char* contactPerson = "";
    const char* contactTel = "";
    dbDateTime regDate;
    tavroTDateTime birthDate;
    bool sex = false; // true = male
    const char* remark = "";
    const char* sid = "";    // bed number: the key in every list
    dbArray<DrugTake> takes; // regular medication lines, in the form's order
    bool isLeave = false;    // has left the home

    static const TableDescriptor<Patient>& descriptor();
};

// A drug of the catalogue, also the starting dosage of a new medication line.
struct Drug {
    const char* name = "";     // upper case, never blank
    const char* function = ""; // source
    const char* remark = "";
    std::int32_t oid = 0; // written by the version 2 upgrade only
    bool stopUse = false;
    const char* day = "";      // doses per day
    const char* quantity = ""; // amount per dose
    const char* unit = "";
    const char* m1 = ""; // dose hours, morning and afternoon
    const char* m2 = "";
    const char* a1 = "";
    const char* a2 = "";
    const char* po = ""; // free-text line printed on the sheet

    static const TableDescriptor<Drug>& descriptor();
};

// One medication line: a drug as prescribed to a resident or in a consultation.
struct DrugTake {
    dbReference<Drug> drug;
    const char* quantity = "";
    dbDateTime transDate; // prescription date
    const char* function = "";
    const char* remark = "";
    const char* day = "";
    const char* m1 = "";
    const char* m2 = "";
    const char* a1 = "";
    const char* a2 = "";
    const char* po = "";

    static const TableDescriptor<DrugTake>& descriptor();
};

struct Ill {
    std::int32_t id = 0;
    const char* name = "";
    const char* description = "";
    const char* remark = "";
    dbArray<Drug> drugs;
    std::int32_t oid = 0;

    static const TableDescriptor<Ill>& descriptor();
};

struct Checking {
    dbDateTime transDate;
    dbReference<Patient> patient;
    dbArray<Ill> ills;
    dbArray<DrugTake> drugTakes;
    const char* remark = "";

    static const TableDescriptor<Checking>& descriptor();
};

struct Booking {
    dbDateTime transDate;
    dbReference<Patient> patient;
    const char* remark = "";

    static const TableDescriptor<Booking>& descriptor();
};

// Remembered column widths of the list windows (type 0 residents, 1 drugs).
struct ColWidth {
    std::int8_t type = 0;
    std::int8_t col = 0;
    std::int16_t width = 0;

    static const TableDescriptor<ColWidth>& descriptor();
};

struct LabelSetup {
    float top = 0;
    float left = 0;
    float row = 0;
    float width = 0;
    float height = 0;

    static const TableDescriptor<LabelSetup>& descriptor();
};

struct PrintPreviewSetup {
    std::int8_t pageSize = 0;
    double pageHeight = 0;
    double pageWidth = 0;

    static const TableDescriptor<PrintPreviewSetup>& descriptor();
};

struct BackupRecord {
    dbDateTime lastBackupDate;
    bool everytime = false;
    bool everyday = false;
    std::int8_t lastBackup = 0;
    std::int8_t totalBackup = 0;
    const char* path = "";
    const char* path2 = "";
    bool backupPath = false;
    bool backupPath2 = false;
    bool everyhour = false;
    std::int8_t hour = 0;
    bool isEveryTime = false;

    static const TableDescriptor<BackupRecord>& descriptor();
};

struct AboutConfig {
    const char* regName = ""; // the name of the home
    std::int16_t version = 0; // schema version of the data file

    static const TableDescriptor<AboutConfig>& descriptor();
};

// Every table of the data file, in declaration order.
const std::vector<const TableDescriptorBase*>& allTables();
