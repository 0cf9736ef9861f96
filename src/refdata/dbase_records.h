#pragma once
// The registration records of the reference database (section "dbase", elements "d").
#include "refdata/reference_tables.h"

#include <pugixml.hpp>

namespace hlw {

// Reads every "d" element below root into tables.records, sorted by registration with one record per
// registration (the first in file order), and lists the short registrations in tables.shortRecords. Records
// without a registration are skipped; skipped and dropped records are counted in the log. The codes are
// interned in the code tables, which must be seeded (and their fixes active) before.
void gf_readDbaseRecords(pugi::xml_node root, ReferenceTables& tables);

} // namespace hlw
