#include "refdata/reference_tables.h"

#include <utility>

namespace hlw {
namespace {

ReferenceTables& lf_tables()
{
    static ReferenceTables tables;
    return tables;
}

} // namespace

const ReferenceTables& gf_referenceTables()
{
    return lf_tables();
}

void gf_installReferenceTables(ReferenceTables tables)
{
    lf_tables() = std::move(tables);
}

void gf_clearReferenceTables()
{
    lf_tables() = ReferenceTables{};
}

} // namespace hlw
