#include "refdata/reference_tables.h"

#include <utility>

namespace hlw {
namespace {

struct InstalledTables {
    ReferenceTables tables;
    bool read = false;
};

InstalledTables& lf_installed()
{
    static InstalledTables installed;
    return installed;
}

} // namespace

const ReferenceTables& gf_referenceTables()
{
    return lf_installed().tables;
}

void gf_installReferenceTables(ReferenceTables tables)
{
    InstalledTables& installed = lf_installed();
    installed.tables = std::move(tables);
    installed.read = true;
}

void gf_clearReferenceTables()
{
    InstalledTables& installed = lf_installed();
    installed.tables = ReferenceTables{};
    installed.read = false;
}

bool gf_referenceTablesRead() noexcept
{
    return lf_installed().read;
}

} // namespace hlw
