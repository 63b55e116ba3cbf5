// The natural, case-insensitive order of text lives with the host interface
// (host/natural_compare.h), where the player's playlist sorting reaches it
// too; the database layer and those above it keep using it by this name.
#ifndef VOSTREL_DB_NATURAL_COMPARE_H_
#define VOSTREL_DB_NATURAL_COMPARE_H_

#include "host/natural_compare.h"

namespace db {

using host::naturalCompare;

}  // namespace db

#endif  // VOSTREL_DB_NATURAL_COMPARE_H_
