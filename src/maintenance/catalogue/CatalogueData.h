#pragma once

// The schema catalogue as constant data: one table of columns per step that creates a table
// or adds columns, and the steps given whole. The statement texts are built from these
// tables (SchemaCatalogue.cpp), never written out by hand.

#include "maintenance/SchemaStep.h"

#include <span>
#include <string_view>

namespace catalogue {

enum class Form {
    AddColumns, // ALTER TABLE dbo.<table> ADD <columns>
    CreateTable, // CREATE TABLE dbo.<table>(<columns>[, <key clause>])[ ON [PRIMARY]]
    Whole, // the statement is given whole
};

enum class Kind { Plain, Identity }; // Identity: IDENTITY(1,1)
enum class Null { Nullable, NotNull, NotStated };

// One row of a column table. An empty constraint with a default leaves the naming of the
// default constraint to the server.
struct Column
{
    std::string_view name;
    std::string_view type;
    Kind kind;
    Null null;
    std::string_view defaultValue;
    std::string_view constraint;
    std::string_view description;
};

// A description entry that names its table and column itself.
struct Further
{
    std::string_view table;
    std::string_view column;
    std::string_view text;
};

struct Step
{
    int number = 0;
    Form form = Form::Whole;
    std::string_view table; // as the server knows it, without brackets
    Guard guard = Guard::Silent;
    std::span<const Column> columns = {};
    std::string_view keyClause = {};
    bool onPrimary = false; // the statement ends with " ON [PRIMARY]"
    std::span<const Further> further = {}; // written after the entries of the columns
    std::string_view text = {}; // Form::Whole
};

// The steps of each area, in step order within the area.
std::span<const Step> fiscalSteps();
std::span<const Step> stockSteps();
std::span<const Step> productionSteps();
std::span<const Step> userSteps();
std::span<const Step> wholeSteps();

// A step of the accent-free mirror run: given whole, with its progress mark.
struct MirrorStep
{
    int number = 0;
    Guard guard = Guard::Silent;
    std::string_view text;
    std::string_view progress;
    std::span<const Further> descriptions = {};
};

std::span<const MirrorStep> mirrorSteps();

} // namespace catalogue
