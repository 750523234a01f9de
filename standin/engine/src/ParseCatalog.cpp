// ENABLE/DISABLE TRIGGER and ALTER TABLE ... ENABLE/DISABLE TRIGGER.
#include "ParserImpl.h"

namespace standin::parsing {

StmtPtr Parser::enableTriggerStatement(const QStringList* alterTable)
{
    auto s = std::make_shared<EnableTriggerStatement>();
    s->enable = next().isWord("ENABLE");
    expectWord("TRIGGER");
    if (!acceptWord("ALL"))
        do {
            s->triggers.push_back(multiName());
        } while (acceptSymbol(","));
    if (alterTable) {
        s->alterTable = true;
        s->table = *alterTable;
        return s;
    }
    expectWord("ON");
    if (acceptWord("DATABASE"))
        return s;
    if (acceptWord("ALL")) {
        expectWord("SERVER");
        return s;
    }
    s->table = multiName();
    return s;
}

}  // namespace standin::parsing
