#include "app/upgrade.h"

#include "storage/query.h"

#include <string>

namespace {

// Removes the elements `exists` does not find, keeping the order of the others. A removed
// element's place is looked at again, as the next element has moved into it.
template <class T, class Exists> void removeDangling(dbArray<T>& array, Exists exists) {
    std::size_t i = 0;
    while (i < array.length()) {
        if (exists(array[i]))
            ++i;
        else
            array.remove(i);
    }
}

template <class T, class Step> void forEach(dbCursor<T>& cursor, Step step) {
    if (cursor.select() == 0)
        return;
    do {
        step();
    } while (cursor.next());
}

void setVersion(dbCursor<AboutConfig>& about, int version) {
    about->version = static_cast<std::int16_t>(version);
    about.update();
}

// Version 2: every drug and illness knows its own object identifier, and references to
// drugs and illnesses deleted in the past are dropped.
void upgradeTo2(dbCursor<AboutConfig>& about) {
    setVersion(about, 2);

    dbCursor<Drug> drugs(dbCursorForUpdate);
    forEach(drugs, [&] {
        drugs->oid = static_cast<std::int32_t>(drugs.currentId().oid);
        drugs.update();
    });

    dbCursor<Drug> drugFinder;
    const auto drugExists = [&](dbReference<Drug> ref) {
        return drugFinder.select(dbQuery("oid = ?", {ref})) > 0;
    };

    dbCursor<Ill> ills(dbCursorForUpdate);
    forEach(ills, [&] {
        ills->oid = static_cast<std::int32_t>(ills.currentId().oid);
        removeDangling(ills->drugs, drugExists);
        ills.update();
    });

    dbCursor<Ill> illFinder;
    dbCursor<DrugTake> takes;
    dbCursor<Checking> checkings(dbCursorForUpdate);
    forEach(checkings, [&] {
        removeDangling(checkings->ills, [&](dbReference<Ill> ref) {
            return illFinder.select(dbQuery("oid = ?", {ref})) > 0;
        });
        removeDangling(checkings->drugTakes, [&](dbReference<DrugTake> ref) {
            // A line that is itself gone is as dangling as one whose drug is gone.
            if (takes.select(dbQuery("_id = ?", {ref})) == 0)
                return false;
            return drugExists(takes->drug);
        });
        checkings.update();
    });
}

// Version 3: drugs gained "stop use"; every drug starts in use.
void upgradeTo3(dbCursor<AboutConfig>& about) {
    setVersion(about, 3);
    dbCursor<Drug> drugs(dbCursorForUpdate);
    forEach(drugs, [&] {
        drugs->stopUse = false;
        drugs.update();
    });
}

// Version 4: the bed number became the key of the resident lists; it starts as the old
// sequence number.
void upgradeTo4(dbCursor<AboutConfig>& about) {
    setVersion(about, 4);
    dbCursor<Patient> patients(dbCursorForUpdate);
    forEach(patients, [&] {
        const std::string sid = std::to_string(patients->id);
        patients->sid = sid.c_str();
        patients.update();
    });
}

} // namespace

void selectAboutConfig(dbCursor<AboutConfig>& about) {
    if (about.select() > 0)
        return;
    AboutConfig config;
    config.regName = "";
    config.version = 1;
    insert(config);
    about.select();
}

void upgradeSchema(dbCursor<AboutConfig>& about) {
    if (about->version < 2)
        upgradeTo2(about);
    if (about->version < 3)
        upgradeTo3(about);
    if (about->version < 4)
        upgradeTo4(about);
}
