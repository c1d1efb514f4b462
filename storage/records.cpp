#include "storage/records.h"

namespace {
constexpr int dateIndex = TreeHashIndex;
}

const TableDescriptor<Patient>& Patient::descriptor() {
    static const TableDescriptor<Patient> d = [] {
        TableDescriptor<Patient> t("Patient");
        t.field("id", &Patient::id, TreeIndex)
            .field("engName", &Patient::engName)
            .field("chiName", &Patient::chiName, NoIndex, true)
            .field("hkid", &Patient::hkid)
            .field("address", &Patient::address)
            .field("tel", &Patient::tel)
            .field("mobile", &Patient::mobile)
            .field("contactPerson", &Patient::contactPerson)
            .field("contactTel", &Patient::contactTel)
            .field("regDate", &Patient::regDate, dateIndex)
            .field("birthDate", &Patient::birthDate, dateIndex)
            .field("sex", &Patient::sex)
            .field("remark", &Patient::remark)
            .field("sid", &Patient::sid)
            .field("takes", &Patient::takes)
            .field("isLeave", &Patient::isLeave);
        return t;
    }();
    return d;
}

const TableDescriptor<Drug>& Drug::descriptor() {
    static const TableDescriptor<Drug> d = [] {
        TableDescriptor<Drug> t("Drug");
        t.field("name", &Drug::name, TreeIndex)
            .field("function", &Drug::function)
            .field("remark", &Drug::remark)
            .field("day", &Drug::day)
            .field("quantity", &Drug::quantity)
            .field("unit", &Drug::unit)
            .field("m1", &Drug::m1)
            .field("m2", &Drug::m2)
            .field("a1", &Drug::a1)
            .field("a2", &Drug::a2)
            .field("po", &Drug::po)
            .field("oid", &Drug::oid)
            .field("stopUse", &Drug::stopUse);
        return t;
    }();
    return d;
}

const TableDescriptor<DrugTake>& DrugTake::descriptor() {
    static const TableDescriptor<DrugTake> d = [] {
        TableDescriptor<DrugTake> t("DrugTake");
        t.field("drug", &DrugTake::drug)
            .field("quantity", &DrugTake::quantity)
            .field("transDate", &DrugTake::transDate, dateIndex)
            .field("function", &DrugTake::function)
            .field("remark", &DrugTake::remark)
            .field("day", &DrugTake::day)
            .field("m1", &DrugTake::m1)
            .field("m2", &DrugTake::m2)
            .field("a1", &DrugTake::a1)
            .field("a2", &DrugTake::a2)
            .field("po", &DrugTake::po);
        return t;
    }();
    return d;
}

const TableDescriptor<Ill>& Ill::descriptor() {
    static const TableDescriptor<Ill> d = [] {
        TableDescriptor<Ill> t("Ill");
        t.field("id", &Ill::id, TreeIndex)
            .field("name", &Ill::name)
            .field("description", &Ill::description)
            .field("remark", &Ill::remark)
            .field("drugs", &Ill::drugs)
            .field("oid", &Ill::oid);
        return t;
    }();
    return d;
}

const TableDescriptor<Checking>& Checking::descriptor() {
    static const TableDescriptor<Checking> d = [] {
        TableDescriptor<Checking> t("Checking");
        t.field("transDate", &Checking::transDate, dateIndex)
            .field("patient", &Checking::patient)
            .field("ills", &Checking::ills)
            .field("drugTakes", &Checking::drugTakes)
            .field("remark", &Checking::remark);
        return t;
    }();
    return d;
}

const TableDescriptor<Booking>& Booking::descriptor() {
    static const TableDescriptor<Booking> d = [] {
        TableDescriptor<Booking> t("Booking");
        t.field("transDate", &Booking::transDate, dateIndex)
            .field("patient", &Booking::patient)
            .field("remark", &Booking::remark);
        return t;
    }();
    return d;
}

const TableDescriptor<ColWidth>& ColWidth::descriptor() {
    static const TableDescriptor<ColWidth> d = [] {
        TableDescriptor<ColWidth> t("ColWidth");
        t.field("type", &ColWidth::type)
            .field("col", &ColWidth::col)
            .field("width", &ColWidth::width);
        return t;
    }();
    return d;
}

const TableDescriptor<LabelSetup>& LabelSetup::descriptor() {
    static const TableDescriptor<LabelSetup> d = [] {
        TableDescriptor<LabelSetup> t("LabelSetup");
        t.field("top", &LabelSetup::top)
            .field("left", &LabelSetup::left)
            .field("row", &LabelSetup::row)
            .field("width", &LabelSetup::width)
            .field("height", &LabelSetup::height);
        return t;
    }();
    return d;
}

const TableDescriptor<PrintPreviewSetup>& PrintPreviewSetup::descriptor() {
    static const TableDescriptor<PrintPreviewSetup> d = [] {
        TableDescriptor<PrintPreviewSetup> t("PrintPreviewSetup");
        t.field("pageSize", &PrintPreviewSetup::pageSize)
            .field("pageHeight", &PrintPreviewSetup::pageHeight)
            .field("pageWidth", &PrintPreviewSetup::pageWidth);
        return t;
    }();
    return d;
}

const TableDescriptor<BackupRecord>& BackupRecord::descriptor() {
    static const TableDescriptor<BackupRecord> d = [] {
        TableDescriptor<BackupRecord> t("BackupRecord");
        t.field("lastBackupDate", &BackupRecord::lastBackupDate, dateIndex)
            .field("everytime", &BackupRecord::everytime)
            .field("everyday", &BackupRecord::everyday)
            .field("lastBackup", &BackupRecord::lastBackup)
            .field("totalBackup", &BackupRecord::totalBackup)
            .field("path", &BackupRecord::path)
            .field("path2", &BackupRecord::path2)
            .field("backupPath", &BackupRecord::backupPath)
            .field("backupPath2", &BackupRecord::backupPath2)
            .field("everyhour", &BackupRecord::everyhour)
            .field("hour", &BackupRecord::hour)
            .field("isEveryTime", &BackupRecord::isEveryTime);
        return t;
    }();
    return d;
}

const TableDescriptor<AboutConfig>& AboutConfig::descriptor() {
    static const TableDescriptor<AboutConfig> d = [] {
        TableDescriptor<AboutConfig> t("AboutConfig");
        t.field("regName", &AboutConfig::regName).field("version", &AboutConfig::version);
        return t;
    }();
    return d;
}

const std::vector<const TableDescriptorBase*>& allTables() {
    static const std::vector<const TableDescriptorBase*> tables = {
        &Patient::descriptor(),      &Drug::descriptor(),       &DrugTake::descriptor(),
        &Ill::descriptor(),          &Checking::descriptor(),   &Booking::descriptor(),
        &ColWidth::descriptor(),     &LabelSetup::descriptor(), &PrintPreviewSetup::descriptor(),
        &BackupRecord::descriptor(), &AboutConfig::descriptor()};
    return tables;
}
