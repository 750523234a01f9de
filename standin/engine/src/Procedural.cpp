// Procedural statements that steer the flow of a batch: WAITFOR, TRY ... CATCH and THROW.
#include "Errors.h"
#include "Executor.h"

#include <QRegularExpression>

#include <chrono>
#include <thread>

namespace standin {

namespace {

// The time of a WAITFOR: "hh:mm[:ss[.mmm]]" (a date part is not allowed), or a time or datetime value.
std::optional<QTime> waitTime(const Value& v)
{
    if (const TimeOfDay* t = std::get_if<TimeOfDay>(&v.data))
        return QTime::fromMSecsSinceStartOfDay(int(t->milliseconds()));
    if (const DateTimeValue* dt = std::get_if<DateTimeValue>(&v.data))
        return QTime::fromMSecsSinceStartOfDay(int(dt->time.milliseconds()));
    if (!isCharacter(v.type.id))
        return std::nullopt;
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2})(?:[.:](\\d{1,3}))?)?\\s*$"));
    const QRegularExpressionMatch m = pattern.match(toText(v));
    if (!m.hasMatch())
        return std::nullopt;
    QString fraction = m.captured(4);
    // A fraction after a dot is a decimal fraction of a second; after a colon, milliseconds.
    if (!fraction.isEmpty() && m.capturedStart(4) > 0 && toText(v).at(m.capturedStart(4) - 1) == u'.')
        fraction = fraction.leftJustified(3, u'0');
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), fraction.toInt());
    if (!t.isValid())
        return std::nullopt;
    return t;
}

}  // namespace

// WAITFOR DELAY / TIME: the session sleeps, looking for the client's cancel every few milliseconds.
// A cancel ends the statement and the batch as it does between statements.
void Executor::runWaitFor(WaitForStatement& s)
{
    Scope scope;
    EvalContext ctx;
    ctx.scope = &scope;
    bind(*s.value, scope);
    const Value v = eval(*s.value, ctx);
    const std::optional<QTime> t = v.isNull() ? std::nullopt : waitTime(v);
    if (!t)
        throw sqlError(148,
                       QStringLiteral("Incorrect time syntax in time string '%1' used with WAITFOR.")
                           .arg(v.isNull() ? QString() : toText(v)),
                       15);
    int64_t ms = t->msecsSinceStartOfDay();
    if (s.untilTime) {
        const QDateTime now = QDateTime::currentDateTime();
        QDateTime until(now.date(), *t);
        if (until <= now)
            until = until.addDays(1);
        ms = now.msecsTo(until);
    }
    if (engine_.delayLimitMs >= 0)
        ms = std::min<int64_t>(ms, engine_.delayLimitMs);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    while (true) {
        if (session_.cancelRequested && session_.cancelRequested()) {
            stopping_ = true;
            cancelled_ = true;
            throw sqlError(0, QStringLiteral("The client cancelled the batch."), 11);
        }
        const Clock::time_point now = Clock::now();
        if (now >= end)
            return;
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(10)));
    }
}

namespace {

// Errors found while a statement is compiled: a TRY block does not catch them in its own frame (the
// batch ends), only when they come from a module it called.
bool compileError(int number)
{
    switch (number) {
    case 102:
    case 105:
    case 137:
    case 156:
    case 174:
    case 195:
    case 207:
    case 208:
    case 209:
    case 4104:
    case 4121:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool Executor::catchable(const SqlError& e) const
{
    if (tryDepth_ == 0 || stopping_)
        return false;
    // Messages (10 and below) are no errors; 20 and above end the connection.
    if (e.message.severity <= 10 || e.message.severity >= 20)
        return false;
    return !(compileError(e.message.number) && tryFrames_.back() == frame_);
}

void Executor::locate(ServerMessage& m, int line) const
{
    if (!m.procedure.isEmpty())
        return;
    if (m.line <= 1)
        m.line = line;
    if (inModule())
        m.procedure = frame_->module->name;
}

Executor::Flow Executor::runTry(TryStatement& s, std::vector<StatementResult>& out)
{
    SqlError caught;
    {
        struct Running {
            Executor& x;
            Running(Executor& e)
                : x(e)
            {
                ++x.tryDepth_;
                x.tryFrames_.push_back(x.frame_);
            }
            ~Running()
            {
                --x.tryDepth_;
                x.tryFrames_.pop_back();
            }
        } running(*this);
        try {
            return runStatements(s.tryBody, out);
        } catch (const TryJump& jump) {
            caught = jump.error;
        }
    }
    struct Handling {
        Executor& x;
        ~Handling() { x.caught_.pop_back(); }
    } handling {*this};
    caught_.push_back(caught.message);
    session_.lastError = caught.message.number;
    return runStatements(s.catchBody, out);
}

// THROW number, message, state raises a user error of severity 16; THROW alone raises the caught
// error again. Either ends the batch when no CATCH block takes it.
void Executor::runThrow(ThrowStatement& s)
{
    if (s.args.empty()) {
        if (caught_.empty())
            throw sqlError(10704,
                           QStringLiteral("To rethrow an error, a THROW statement must be used inside a CATCH "
                                          "block. Insert the THROW statement inside a CATCH block, or add error "
                                          "parameters to the THROW statement."),
                           15);
        SqlError e;
        e.message = caught_.back();
        thrown_ = true;
        throw e;
    }
    Scope scope;
    EvalContext ctx;
    ctx.scope = &scope;
    std::vector<Value> v;
    for (auto& a : s.args) {
        bind(*a, scope);
        v.push_back(eval(*a, ctx));
    }
    const SqlType integer {TypeId::Int, 0, 0, 0};
    const int64_t number = v[0].isNull() ? 0 : std::get<int64_t>(convert(v[0], integer).data);
    if (number < 50000)
        throw sqlError(35100, QStringLiteral("Error number %1 in the THROW statement is outside the valid range. "
                                             "Specify an error number in the valid range of 50000 to 2147483647.")
                                  .arg(number));
    const int64_t state = v[2].isNull() ? 0 : std::get<int64_t>(convert(v[2], integer).data);
    if (state < 0 || state > 255)
        throw sqlError(35101, QStringLiteral("The state in THROW must be between 0 and 255."));
    SqlError e = sqlError(int(number), v[1].isNull() ? QString() : toText(v[1]), 16, int(state));
    e.message.line = s.line;
    thrown_ = true;
    throw e;
}

// ERROR_NUMBER() and the others read the error of the innermost running CATCH block (NULL outside
// one); XACT_STATE() is 1 in a committable transaction, -1 in an uncommittable one, 0 outside.
Value Executor::errorFunction(const QString& n) const
{
    const SqlType integer {TypeId::Int, 0, 0, 0};
    if (n == QLatin1String("XACT_STATE")) {
        Value v = intValue(session_.transactionCount == 0 ? 0 : doomed_ ? -1 : 1);
        v.type.id = TypeId::SmallInt;
        return v;
    }
    const bool text = n == QLatin1String("ERROR_MESSAGE") || n == QLatin1String("ERROR_PROCEDURE");
    const SqlType textType {TypeId::NVarChar, n == QLatin1String("ERROR_MESSAGE") ? 4000 : 128, 0, 0};
    if (caught_.empty() || (n == QLatin1String("ERROR_PROCEDURE") && caught_.back().procedure.isEmpty()))
        return nullValue(text ? textType : integer);
    const ServerMessage& m = caught_.back();
    if (text)
        return Value {textType, n == QLatin1String("ERROR_MESSAGE") ? m.text : m.procedure};
    if (n == QLatin1String("ERROR_NUMBER"))
        return intValue(m.number);
    if (n == QLatin1String("ERROR_SEVERITY"))
        return intValue(m.severity);
    if (n == QLatin1String("ERROR_STATE"))
        return intValue(m.state);
    return intValue(m.line);
}

}  // namespace standin
