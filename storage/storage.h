#pragma once

// Everything a window needs to read and write the data file.
#include "storage/buffer.h"
#include "storage/cursor.h"
#include "storage/database.h"
#include "storage/datetime.h"
#include "storage/exception.h"
#include "storage/query.h"
#include "storage/records.h"
