// Cursors (static snapshots read row by row) and RAISERROR.
#include "Errors.h"
#include "Executor.h"

namespace standin {

namespace {

SqlError noCursor(const QString& name)
{
    return sqlError(16916, QStringLiteral("A cursor with the name '%1' does not exist.").arg(name));
}

SqlError notOpen()
{
    return sqlError(16917, QStringLiteral("Cursor is not open."));
}

// RAISERROR's message: printf-like fields (%d, %i, %u, %s, %ls, %x, %X, %o, with flags, width and
// precision) take the substitution arguments in order; %% is a percent sign.
QString formatMessage(const QString& format, const std::vector<Value>& args)
{
    QString out;
    size_t next = 0;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        if (format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        int j = i + 1;
        bool left = false, zero = false;
        while (j < format.size() && QStringLiteral("-+ 0#").contains(format[j])) {
            left |= format[j] == QLatin1Char('-');
            zero |= format[j] == QLatin1Char('0');
            ++j;
        }
        int width = 0;
        while (j < format.size() && format[j].isDigit())
            width = width * 10 + format[j++].digitValue();
        int precision = -1;
        if (j < format.size() && format[j] == QLatin1Char('.')) {
            precision = 0;
            ++j;
            while (j < format.size() && format[j].isDigit())
                precision = precision * 10 + format[j++].digitValue();
        }
        while (j < format.size() && (format[j] == QLatin1Char('l') || format[j] == QLatin1Char('h') ||
                                     format[j] == QLatin1Char('I')))
            ++j;
        if (j >= format.size()) {
            out += format.mid(i);
            break;
        }
        const QChar type = format[j];
        if (!QStringLiteral("diosuxX").contains(type))
            throw sqlError(2787, QStringLiteral("Invalid format specification: '%1'.").arg(format.mid(i)));
        QString field;
        if (next < args.size()) {
            const Value& v = args[next++];
            // %s takes text, the number fields take whole numbers.
            const bool textField = type == QLatin1Char('s');
            if (!v.isNull() && (textField ? !isCharacter(v.type.id) : !isInteger(v.type.id)))
                throw sqlError(2786, QStringLiteral("The data type of substitution parameter %1 does not match the "
                                                    "expected type of the format specification.")
                                         .arg(next));
            if (v.isNull()) {
                field = QStringLiteral("(null)");
            } else if (type == QLatin1Char('d') || type == QLatin1Char('i') || type == QLatin1Char('u')) {
                field = QString::number(std::get<int64_t>(convert(v, SqlType{TypeId::BigInt, 0, 0, 0}).data));
            } else if (type == QLatin1Char('x') || type == QLatin1Char('X') || type == QLatin1Char('o')) {
                const int64_t n = std::get<int64_t>(convert(v, SqlType{TypeId::BigInt, 0, 0, 0}).data);
                field = QString::number(qulonglong(n), type == QLatin1Char('o') ? 8 : 16);
                if (type == QLatin1Char('X'))
                    field = field.toUpper();
            } else {
                field = toText(v);
                if (precision >= 0)
                    field = field.left(precision);
            }
        } else {
            field = QStringLiteral("(null)");
        }
        if (field.size() < width)
            field = left ? field.leftJustified(width) : field.rightJustified(width, zero ? QLatin1Char('0') : QLatin1Char(' '));
        out += field;
        i = j;
    }
    return out;
}

}  // namespace

std::shared_ptr<Cursor> Executor::findCursor(const QString& name, bool global) const
{
    const QString key = collationKey(name);
    if (!global) {
        auto it = frame_->cursors.find(key);
        if (it != frame_->cursors.end())
            return it->second;
    }
    auto it = session_.globalCursors.find(key);
    return it == session_.globalCursors.end() ? nullptr : it->second;
}

void Executor::runCursor(CursorStatement& s, StatementResult& r)
{
    if (s.action == CursorAction::Declare) {
        // Cursors are GLOBAL unless declared LOCAL (the server's default); a LOCAL one ends with its
        // batch, procedure or trigger.
        const bool global = !s.local;
        auto& cursors = global ? session_.globalCursors : frame_->cursors;
        const QString key = collationKey(s.name);
        if (cursors.count(key))
            throw sqlError(16915, QStringLiteral("A cursor with the name '%1' already exists.").arg(s.name));
        auto c = std::make_shared<Cursor>();
        c->name = s.name;
        c->select = s.select;
        c->with = s.with;
        c->global = global;
        cursors[key] = c;
        if (global && inModule())
            frame_->keepsProgram = true;  // the cursor outlives the call: its tree is never handed to another
        return;
    }
    std::shared_ptr<Cursor> c = findCursor(s.name, s.global);
    if (!c)
        throw noCursor(s.name);
    switch (s.action) {
    case CursorAction::Declare:
        return;
    case CursorAction::Open: {
        if (c->open)
            throw sqlError(16905, QStringLiteral("The cursor is already open."));
        CommonTableScope commonTables(*this, c->with);
        ResultSet rs = runSelect(*c->select, nullptr, nullptr);
        c->columns = rs.columns.size();
        c->rows = std::move(rs.rows);
        c->position = 0;
        c->open = true;
        c->columnInfo = std::move(rs.columns);
        return;
    }
    case CursorAction::Fetch: {
        if (!c->open)
            throw notOpen();
        if (!s.into.isEmpty() && size_t(s.into.size()) != c->columns)
            throw sqlError(16924, QStringLiteral("Cursorfetch: The number of variables declared in the INTO list must "
                                                 "match that of selected columns."));
        std::vector<Variable*> targets;
        for (const QString& v : s.into) {
            Variable* var = findVariable(v);
            if (!var)
                throw undeclaredVariable(v);
            targets.push_back(var);
        }
        const size_t count = c->rows.size();
        // The position stands before the row FETCH NEXT reads; PRIOR, FIRST and LAST move on the snapshot.
        std::optional<size_t> row;
        if (s.fetchDirection == QLatin1String("NEXT")) {
            if (c->position < count)
                row = c->position++;
            else
                c->position = count + 1;
        } else if (s.fetchDirection == QLatin1String("FIRST")) {
            if (count > 0)
                row = 0;
            c->position = 1;
        } else if (s.fetchDirection == QLatin1String("LAST")) {
            if (count > 0)
                row = count - 1;
            c->position = count;
        } else if (s.fetchDirection == QLatin1String("PRIOR")) {
            if (c->position >= 2 && c->position - 2 < count) {
                row = c->position - 2;
                --c->position;
            } else {
                c->position = 0;
            }
        } else {
            throw sqlError(16911, QStringLiteral("fetch: The fetch type %1 cannot be used with forward only cursors.")
                                      .arg(s.fetchDirection.toLower()));
        }
        if (!row) {
            session_.fetchStatus = -1;
            return;
        }
        session_.fetchStatus = 0;
        const auto& values = c->rows[*row];
        if (targets.empty()) {
            ResultSet rs;
            rs.columns = c->columnInfo;
            rs.rows.push_back(values);
            r.resultSet = std::move(rs);
            r.rowCount = 1;
            return;
        }
        for (size_t k = 0; k < targets.size(); ++k)
            targets[k]->value = assign(values[k], targets[k]->type, true);
        return;
    }
    case CursorAction::Close:
        if (!c->open)
            throw notOpen();
        c->open = false;
        c->rows.clear();
        c->position = 0;
        return;
    case CursorAction::Deallocate: {
        const QString key = collationKey(s.name);
        if (!c->global && frame_->cursors.count(key))
            frame_->cursors.erase(key);
        else
            session_.globalCursors.erase(key);
        return;
    }
    }
}

// RAISERROR (message, severity, state, arguments...): severity 10 and below is a message; above, an
// error that fails this statement alone (the batch, and a trigger that raised it, go on).
void Executor::runRaiserror(RaiserrorStatement& s, StatementResult& r)
{
    Scope scope;
    EvalContext ctx;
    ctx.scope = &scope;
    std::vector<Value> values;
    for (auto& a : s.args) {
        bind(*a, scope);
        values.push_back(eval(*a, ctx));
    }
    auto number = [&](const Value& v) {
        return v.isNull() ? 0 : int(std::get<int64_t>(convert(v, SqlType{TypeId::Int, 0, 0, 0}).data));
    };
    if (values.size() > 23)
        throw sqlError(2747, QStringLiteral("Too many substitution parameters for RAISERROR. Cannot exceed 20 "
                                            "substitution parameters."));
    ServerMessage m;
    if (!values[0].isNull() && isCharacter(values[0].type.id)) {
        m.number = 50000;
        m.text = formatMessage(toText(values[0]), std::vector<Value>(values.begin() + 3, values.end()));
    } else {
        m.number = number(values[0]);
        if (m.number < 13000 || m.number == 50000)
            throw sqlError(2732, QStringLiteral("Error number %1 is invalid. The number must be from 13000 through "
                                                "2147483647 and it cannot be 50000.").arg(m.number));
        throw sqlError(18054, QStringLiteral("Error %1, severity %2, state %3 was raised, but no message with that error "
                                             "number was found in sys.messages. If error is larger than 50000, make "
                                             "sure the user-defined message is added using sp_addmessage.")
                                  .arg(m.number).arg(number(values[1])).arg(number(values[2])));
    }
    m.severity = qBound(0, number(values[1]), 25);
    m.state = qBound(0, number(values[2]), 255);
    if (m.state == 0)
        m.state = 1;
    m.line = s.line;
    if (inModule())
        m.procedure = frame_->module->name;
    // Inside TRY an error of severity 11 to 19 goes to the CATCH block instead of the client.
    if (m.severity > 10 && catchable(SqlError{m}))
        throw SqlError{m};
    r.messages.push_back(m);
    if (m.severity > 10) {
        r.failed = true;
        session_.lastError = m.number;
    } else if (s.setError) {
        session_.lastError = m.number;
    }
}

}  // namespace standin
