// Steps of the schema catalogue given whole: the validity dates of the IVA (a whole number
// assigned to a datetime counts days after 1 January 1900: 45929 is 1 October 2025, 47481 is
// 31 December 2029), the restructuring of ItensNF_Volumes and the lock escalation options.
#include "maintenance/catalogue/CatalogueData.h"

namespace catalogue {
namespace {

// One row per line, read beside the column tables.
// clang-format off
const Step steps[] = {
    {.number = 14, .form = Form::Whole, .table = "IPI", .guard = Guard::Unguarded, .text = "UPDATE IPI SET diIVA = 45929 FROM dbo.IPI"},
    {.number = 15, .form = Form::Whole, .table = "IPI", .guard = Guard::Unguarded, .text = "UPDATE IPI SET dfIVA = 47481 FROM dbo.IPI"},
    {.number = 44, .form = Form::Whole, .table = "ItensNF_Volumes", .guard = Guard::Silent, .text = "ALTER TABLE dbo.ItensNF_Volumes DROP CONSTRAINT DF_ItensNFVolumesRGItv"},
    {.number = 45, .form = Form::Whole, .table = "ItensNF_Volumes", .guard = Guard::Silent, .text = "ALTER TABLE dbo.ItensNF_Volumes DROP CONSTRAINT PK_ItensNF_RGItv"},
    {.number = 46, .form = Form::Whole, .table = "ItensNF_Volumes", .guard = Guard::Silent, .text = "ALTER TABLE dbo.ItensNF_Volumes DROP COLUMN Cod128, RGItv, RGItem"},
    {.number = 48, .form = Form::Whole, .table = "ItensNF_Volumes", .guard = Guard::Silent, .text = "ALTER TABLE dbo.ItensNF_Volumes SET (LOCK_ESCALATION = TABLE)"},
    {.number = 61, .form = Form::Whole, .table = "TI_Incidentes", .guard = Guard::Silent, .text = "ALTER TABLE dbo.TI_Incidentes SET (LOCK_ESCALATION = TABLE)"},
    {.number = 77, .form = Form::Whole, .table = "Conta_contabil", .guard = Guard::Silent, .text = "ALTER TABLE dbo.Conta_contabil SET (LOCK_ESCALATION = TABLE)"},
};

// clang-format on

} // namespace

std::span<const Step> wholeSteps()
{
    return steps;
}

} // namespace catalogue
