#include "residents/patient_transfer.h"

#include "app/linebreaks.h"
#include "output/listtransfer.h"
#include "output/tavroexcel.h"
#include "residents/patientform.h"
#include "storage/storage.h"

namespace {

enum Column {
    colSid = 1,
    colEngName,
    colChiName,
    colHkid,
    colTel,
    colMobile,
    colContactPerson,
    colContactTel,
    colAddress,
    colRemark,
    colRegDate,
    colBirthDate,
    colSex,
};

QDateTime readDate(TTavroExcel& excel, int column, int row) {
    // A date cell is taken by its value: its display may be in any form the file chose.
    if (const std::optional<QDateTime> value = excel.getCellDate(column, row))
        return *value;
    const QString text = excel.getCellText(column, row);
    if (const std::optional<QDateTime> parsed = parseDateTimeText(text))
        return *parsed;
    const QString header = residentSheetHeaders().at(column - 1);
    throw transferError((text.isEmpty()
                             ? QStringLiteral("匯入失敗: 第 %1 行第 %2 欄 (%3) 是空的, 應該是日期.")
                                   .arg(row)
                                   .arg(column)
                                   .arg(header)
                             : QStringLiteral("匯入失敗: 第 %1 行第 %2 欄 (%3) 的 \"%4\" 不是日期.")
                                   .arg(row)
                                   .arg(column)
                                   .arg(header, text)) +
                        QStringLiteral(" 沒有匯入任何資料."));
}

} // namespace

const QStringList& residentSheetHeaders() {
    static const QStringList headers{
        QStringLiteral("床號"),       QStringLiteral("過敏藥物"),   QStringLiteral("中文名稱"),
        QStringLiteral("身份證"),     QStringLiteral("電話"),       QStringLiteral("手提電話"),
        QStringLiteral("緊急聯絡人"), QStringLiteral("聯絡人電話"), QStringLiteral("地址"),
        QStringLiteral("備註"),       QStringLiteral("登記日期"),   QStringLiteral("出生日期"),
        QStringLiteral("性別")};
    return headers;
}

void writeResidents(TTavroExcel& excel, const std::vector<oid_t>& ids) {
    const QStringList& headers = residentSheetHeaders();
    for (int c = 0; c < headers.size(); ++c)
        excel.setCell(c + 1, 1, headers[c]);
    dbCursor<Patient> cursor;
    int row = 2;
    for (oid_t id : ids) {
        cursor.at(dbReference<Patient>(id));
        const Patient& p = *cursor;
        auto put = [&](int column, const char* text) {
            excel.setCell(column, row, QString::fromUtf8(text));
        };
        put(colSid, p.sid);
        put(colEngName, p.engName);
        put(colChiName, p.chiName);
        put(colHkid, p.hkid);
        put(colTel, p.tel);
        put(colMobile, p.mobile);
        put(colContactPerson, p.contactPerson);
        put(colContactTel, p.contactTel);
        put(colAddress, p.address);
        put(colRemark, p.remark);
        excel.setCell(colRegDate, row, dateText(p.regDate));
        excel.setCell(colBirthDate, row,
                      p.birthDate.isValid() ? dateText(p.birthDate.toQDateTime().date())
                                            : QString());
        excel.setCell(colSex, row, p.sex ? QStringLiteral("男") : QStringLiteral("女"));
        ++row;
    }
}

int readResidents(TTavroExcel& excel) {
    std::int32_t nextId = nextResidentId();
    tavroBuffer arena;
    int count = 0;
    for (int row = 2;; ++row) {
        if (excel.getCellText(colSid, row).isEmpty())
            break;
        arena.reset();
        Patient p;
        auto text = [&](int column) {
            return arena.store(excel.getCellText(column, row).toUtf8().constData());
        };
        p.sid = text(colSid);
        p.engName = text(colEngName);
        p.chiName = text(colChiName);
        p.hkid = text(colHkid);
        p.tel = text(colTel);
        p.mobile = text(colMobile);
        p.contactPerson = text(colContactPerson);
        p.contactTel = text(colContactTel);
        // The office keeps line breaks as LF; the address's lines are CR LF separated.
        const QString address = storedLines(excel.getCellText(colAddress, row));
        p.address = arena.store(address.toUtf8().constData());
        p.remark = text(colRemark);
        p.regDate = toDbDateTime(readDate(excel, colRegDate, row));
        p.birthDate = tavroTDateTime(toCalendarReal(readDate(excel, colBirthDate, row)));
        p.sex = excel.getCellText(colSex, row) == QStringLiteral("男");
        p.isLeave = false;
        p.id = nextId++;
        insert(p);
        ++count;
    }
    return count;
}
