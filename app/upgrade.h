#pragma once

#include "storage/cursor.h"
#include "storage/records.h"

// The schema version this program writes.
inline constexpr int currentSchemaVersion = 4;

// Selects the one AboutConfig record, creating it first (no name, version 1) in a new file.
void selectAboutConfig(dbCursor<AboutConfig>& about);

// Brings the records of an older data file up to the current schema version. Each step runs
// only when the stored version is below it; everything happens in the open transaction, which
// the caller commits. `about` is a for-update cursor on the AboutConfig record.
void upgradeSchema(dbCursor<AboutConfig>& about);
