// Window functions: ROW_NUMBER, RANK, DENSE_RANK, NTILE, LAG, LEAD, FIRST_VALUE, LAST_VALUE and the
// aggregates with OVER (PARTITION BY ... ORDER BY ... [ROWS|RANGE ...]). They are computed over the
// rows of their query once WHERE, GROUP BY and HAVING have run, before DISTINCT, ORDER BY and TOP.
#include "Errors.h"
#include "Executor.h"
#include "Functions.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

namespace standin {

namespace {

SqlType bigintType() { return SqlType {TypeId::BigInt, 0, 0, 0}; }

Value bigint(int64_t n)
{
    Value v = intValue(n);
    v.type = bigintType();
    return v;
}

bool isRanking(const QString& n)
{
    return n == QLatin1String("ROW_NUMBER") || n == QLatin1String("RANK") || n == QLatin1String("DENSE_RANK")
           || n == QLatin1String("NTILE");
}

bool isOffsetFunction(const QString& n) { return n == QLatin1String("LAG") || n == QLatin1String("LEAD"); }

bool isValueFunction(const QString& n) { return n == QLatin1String("FIRST_VALUE") || n == QLatin1String("LAST_VALUE"); }

bool isWindowAggregate(const QString& n)
{
    return n == QLatin1String("COUNT") || n == QLatin1String("COUNT_BIG") || n == QLatin1String("SUM")
           || n == QLatin1String("AVG") || n == QLatin1String("MIN") || n == QLatin1String("MAX");
}

// A running aggregate over the rows of a frame.
struct FrameAggregate {
    explicit FrameAggregate(const Expr& c)
        : call(c)
    { }
    const Expr& call;
    int64_t count = 0;
    Value sum, best;
    bool any = false;

    void add(const Value* v)
    {
        if (call.star) {
            ++count;
            return;
        }
        if (!v || v->isNull())
            return;
        ++count;
        const QString& n = call.name;
        if (n == QLatin1String("SUM") || n == QLatin1String("AVG")) {
            if (!any) {
                SqlType t = v->type;
                if (isInteger(t.id) && t.id != TypeId::BigInt)
                    t = SqlType {TypeId::Int, 0, 0, 0};
                if (t.id == TypeId::Decimal || t.id == TypeId::Numeric)
                    t.precision = 38;
                sum = convert(*v, t);
            } else {
                sum = binary(BinaryOp::Add, sum, *v);
            }
        } else if (n == QLatin1String("MIN") || n == QLatin1String("MAX")) {
            const int c = any ? compareForSort(*v, best) : 0;
            if (!any || (n == QLatin1String("MIN") && c < 0) || (n == QLatin1String("MAX") && c > 0))
                best = *v;
        }
        any = true;
    }

    Value result(const SqlType& type) const
    {
        const QString& n = call.name;
        if (n == QLatin1String("COUNT"))
            return intValue(count);
        if (n == QLatin1String("COUNT_BIG"))
            return bigint(count);
        if (!any)
            return nullValue(type);
        if (n == QLatin1String("SUM"))
            return sum;
        if (n == QLatin1String("AVG"))
            return convert(binary(BinaryOp::Divide, sum, intValue(count)), type);
        return best;
    }
};

int compareKeys(const std::vector<Value>& a, const std::vector<Value>& b, const std::vector<OrderItem>* order)
{
    for (size_t k = 0; k < a.size(); ++k) {
        const int c = compareForSort(a[k], b[k]);
        if (c != 0)
            return order && (*order)[k].descending ? -c : c;
    }
    return 0;
}

}  // namespace

size_t topRows(const Value& v, bool percent, size_t total)
{
    if (v.isNull())
        return 0;
    if (percent) {
        const double p = std::get<double>(convert(v, SqlType {TypeId::Float, 0, 53, 0}).data);
        if (p < 0 || p > 100)
            throw sqlError(1031, QStringLiteral("Percent values must be between 0 and 100."));
        return size_t(std::ceil(double(total) * p / 100.0 - 1e-9));
    }
    if (!isInteger(v.type.id) && !isCharacter(v.type.id))
        throw sqlError(1060,
                       QStringLiteral("The number of rows provided for a TOP or FETCH clauses row count parameter "
                                      "must be an integer."));
    const int64_t n = std::get<int64_t>(convert(v, bigintType()).data);
    if (n < 0)
        throw sqlError(1014, QStringLiteral("A TOP or FETCH clause contains an invalid value."), 15);
    return size_t(n);
}

bool isWindowOnlyFunction(const QString& upperName)
{
    return isRanking(upperName) || isOffsetFunction(upperName) || isValueFunction(upperName);
}

void Executor::bindWindowCall(Expr& e, const Scope& scope)
{
    const QString& n = e.name;
    const QString shown = e.parts.isEmpty() ? n : e.parts.last();
    if (!e.over)
        throw sqlError(10753, QStringLiteral("The function '%1' must have an OVER clause.").arg(shown), 15);
    if (windowsRefused_)
        throw sqlError(4108, QStringLiteral("Windowed functions can only appear in the SELECT or ORDER BY clauses."),
                       15);
    if (e.parts.size() > 1 || (!isWindowOnlyFunction(n) && !isWindowAggregate(n)))
        throw sqlError(4113,
                       QStringLiteral("The function '%1' is not a valid windowing function, and cannot be used "
                                      "with the OVER clause.")
                           .arg(shown.toLower()),
                       15);
    if (e.distinct)
        throw sqlError(10759, QStringLiteral("Use of DISTINCT is not allowed with the OVER clause."), 15);
    if (isWindowAggregate(n)) {
        resolveFunction(e);
    } else {
        const int count = int(e.args.size());
        const int lo = isRanking(n) ? (n == QLatin1String("NTILE") ? 1 : 0) : 1;
        const int hi = isOffsetFunction(n) ? 3 : lo;
        if (e.star || count < lo || count > hi)
            throw sqlError(
                174,
                lo == hi
                    ? QStringLiteral("The %1 function requires %2 argument(s).").arg(n.toLower()).arg(lo)
                    : QStringLiteral("The %1 function requires %2 to %3 arguments.").arg(n.toLower()).arg(lo).arg(hi),
                15);
    }
    const WindowSpec& w = *e.over;
    const bool needsOrder = !isWindowAggregate(n);
    if (needsOrder && w.orderBy.empty())
        throw sqlError(4112, QStringLiteral("The function '%1' must have an OVER clause with ORDER BY.").arg(shown),
                       15);
    if (w.frame && (isRanking(n) || isOffsetFunction(n)))
        throw sqlError(10752, QStringLiteral("The function '%1' may not have a window frame.").arg(shown), 15);
    if (w.frame && w.orderBy.empty())
        throw sqlError(10756, QStringLiteral("Window frame with ROWS or RANGE must have an ORDER BY clause."), 15);
    for (const OrderItem& o : w.orderBy) {
        if (o.expr->kind != ExprKind::Literal)
            continue;
        if (std::holds_alternative<int64_t>(o.expr->value.data))
            throw sqlError(5308, QStringLiteral("Windowed functions, aggregates and NEXT VALUE FOR functions do not "
                                                "support integer indices as ORDER BY clause expressions."));
        throw sqlError(5309, QStringLiteral("Windowed functions, aggregates and NEXT VALUE FOR functions do not "
                                            "support constants as ORDER BY clause expressions."));
    }
    for (auto& a : e.args)
        if (a)
            bind(*a, scope);
    if (n == QLatin1String("NTILE") && !e.args.empty() && e.args[0] && e.args[0]->kind == ExprKind::Literal) {
        // A count written in the query is checked when the query is compiled, rows or none.
        const Value& v = e.args[0]->value;
        if (v.isNull() || !isInteger(v.type.id) || std::get<int64_t>(convert(v, bigintType()).data) <= 0)
            throw sqlError(4116,
                           QStringLiteral("The function 'ntile' takes only a positive int or bigint expression as "
                                          "its input."),
                           15);
    }
    if (n == QLatin1String("NTILE") && !e.args.empty() && e.args[0]) {
        // The count is one for the whole result: it may not read the rows being tiled.
        std::function<const Expr*(const Expr&)> sourceColumn = [&](const Expr& x) -> const Expr* {
            if (x.kind == ExprKind::Column && x.depth == 0)
                return &x;
            for (const auto& a : x.args)
                if (const Expr* c = a ? sourceColumn(*a) : nullptr)
                    return c;
            if (const Expr* c = x.caseOperand ? sourceColumn(*x.caseOperand) : nullptr)
                return c;
            return x.elseExpr ? sourceColumn(*x.elseExpr) : nullptr;
        };
        if (const Expr* c = sourceColumn(*e.args[0]))
            throw sqlError(4195,
                           QStringLiteral("The reference to column \"%1\" is not allowed in an argument to the NTILE "
                                          "function. Only references to columns at an outer scope or standalone "
                                          "expressions and subqueries are allowed here.")
                               .arg(c->parts.isEmpty() ? c->name : c->parts.last()),
                           15);
    }
    for (auto& p : e.over->partitionBy)
        bind(*p, scope);
    for (auto& o : e.over->orderBy)
        bind(*o.expr, scope);
}

SqlType Executor::windowType(const Expr& e, const Scope& scope)
{
    if (isRanking(e.name))
        return bigintType();
    return e.args.empty() ? SqlType {TypeId::Int, 0, 0, 0} : typeOf(*e.args[0], scope);
}

std::vector<std::vector<Value>> Executor::computeWindows(const std::vector<Expr*>& windows,
                                                         const std::vector<WindowRow>& rows, const EvalContext& base)
{
    std::vector<std::vector<Value>> out(rows.size(), std::vector<Value>(windows.size()));
    EvalContext ctx = base;
    for (size_t w = 0; w < windows.size(); ++w)
        computeWindow(*windows[w], w, rows, ctx, out);
    return out;
}

void Executor::computeWindow(const Expr& w, size_t slot, const std::vector<WindowRow>& rows, EvalContext& ctx,
                             std::vector<std::vector<Value>>& out)
{
    const WindowSpec& spec = *w.over;
    const size_t n = rows.size();
    const QString& name = w.name;
    // Per row: partition key, order key and the function's arguments, read in that row's context.
    std::vector<std::vector<Value>> partition(n), order(n), args(n);
    for (size_t r = 0; r < n; ++r) {
        ctx.rows = &rows[r].rows;
        ctx.aggregates = rows[r].aggregates.empty() ? nullptr : &rows[r].aggregates;
        partition[r].reserve(spec.partitionBy.size());
        for (const auto& p : spec.partitionBy)
            partition[r].push_back(eval(*p, ctx));
        order[r].reserve(spec.orderBy.size());
        for (const auto& o : spec.orderBy)
            order[r].push_back(eval(*o.expr, ctx));
        if (!w.star)
            for (const auto& a : w.args)
                args[r].push_back(eval(*a, ctx));
    }
    std::vector<size_t> idx(n);
    std::iota(idx.begin(), idx.end(), size_t(0));
    if (!spec.partitionBy.empty() || !spec.orderBy.empty())
        std::stable_sort(idx.begin(), idx.end(), [&](size_t a, size_t b) {
            const int c = compareKeys(partition[a], partition[b], nullptr);
            if (c != 0)
                return c < 0;
            return compareKeys(order[a], order[b], &spec.orderBy) < 0;
        });
    const SqlType type = ctx.scope ? typeOf(w, *ctx.scope) : SqlType {};
    const bool ordered = !spec.orderBy.empty();

    size_t begin = 0;
    while (begin < n) {
        size_t end = begin + 1;
        while (end < n && compareKeys(partition[idx[begin]], partition[idx[end]], nullptr) == 0)
            ++end;
        const size_t size = end - begin;
        auto row = [&](size_t p) { return idx[begin + p]; };
        auto peers = [&](size_t p, size_t q) { return compareKeys(order[row(p)], order[row(q)], nullptr) == 0; };
        // The first and last peer of each position (rows with the same ORDER BY values).
        std::vector<size_t> firstPeer(size), lastPeer(size);
        for (size_t p = 0; p < size; ++p)
            firstPeer[p] = p > 0 && peers(p - 1, p) ? firstPeer[p - 1] : p;
        for (size_t p = size; p-- > 0;)
            lastPeer[p] = p + 1 < size && peers(p, p + 1) ? lastPeer[p + 1] : p;

        if (isRanking(name)) {
            int64_t dense = 0;
            int64_t tiles = 0;
            if (name == QLatin1String("NTILE")) {
                // A whole number type only: NULL, 0, a negative count and a decimal 2.0 are all refused.
                const Value& v = args[row(0)][0];
                if (!v.isNull() && isInteger(v.type.id))
                    tiles = std::get<int64_t>(convert(v, bigintType()).data);
                if (tiles <= 0)
                    throw sqlError(4116,
                                   QStringLiteral("The function 'ntile' takes only a positive int or bigint "
                                                  "expression as its input."),
                                   15);
            }
            for (size_t p = 0; p < size; ++p) {
                int64_t value = int64_t(p) + 1;
                if (name == QLatin1String("RANK")) {
                    value = int64_t(firstPeer[p]) + 1;
                } else if (name == QLatin1String("DENSE_RANK")) {
                    if (firstPeer[p] == p)
                        ++dense;
                    value = dense;
                } else if (name == QLatin1String("NTILE")) {
                    // The first size % tiles groups take one row more.
                    const int64_t small = int64_t(size) / tiles, extra = int64_t(size) % tiles;
                    const int64_t pos = int64_t(p);
                    value = small == 0                  ? pos + 1
                            : pos < extra * (small + 1) ? pos / (small + 1) + 1
                                                        : extra + (pos - extra * (small + 1)) / small + 1;
                }
                out[row(p)][slot] = bigint(value);
            }
        } else if (isOffsetFunction(name)) {
            const bool lag = name == QLatin1String("LAG");
            // A negative offset written in the query is state 1; one a variable or a column held, state 2.
            const bool offsetWritten = w.args.size() > 1 && w.args[1] && w.args[1]->kind == ExprKind::Literal;
            for (size_t p = 0; p < size; ++p) {
                const auto& a = args[row(p)];
                int64_t offset = 1;
                bool noOffset = false;  // a NULL offset reads no row: every row takes the default
                if (a.size() > 1) {
                    noOffset = a[1].isNull();
                    if (!noOffset)
                        offset = std::get<int64_t>(convert(a[1], bigintType()).data);
                    if (offset < 0)
                        throw sqlError(8730,
                                       QStringLiteral("Offset parameter for Lag and Lead functions cannot be a "
                                                      "negative value."),
                                       16, offsetWritten ? 1 : 2);
                }
                offset = std::min<int64_t>(offset, int64_t(size));  // farther is outside the partition all the same
                const int64_t target = lag ? int64_t(p) - offset : int64_t(p) + offset;
                Value v;
                if (!noOffset && target >= 0 && target < int64_t(size))
                    v = args[row(size_t(target))][0];
                else
                    v = a.size() > 2 ? a[2] : nullValue(type);
                out[row(p)][slot] = assign(v, type);
            }
        } else {
            // Frame of each position: [start, stop] within the partition, empty when start > stop.
            WindowFrame frame = spec.frame ? *spec.frame : WindowFrame {};
            // An offset past the partition reaches as far as its edge.
            frame.startOffset = std::min<int64_t>(frame.startOffset, int64_t(size) + 1);
            frame.endOffset = std::min<int64_t>(frame.endOffset, int64_t(size) + 1);
            auto frameStart = [&](size_t p) -> int64_t {
                if (!ordered)
                    return 0;
                switch (frame.start) {
                case FrameBound::UnboundedPreceding:
                    return 0;
                case FrameBound::Preceding:
                    return int64_t(p) - frame.startOffset;
                case FrameBound::CurrentRow:
                    return frame.rows ? int64_t(p) : int64_t(firstPeer[p]);
                case FrameBound::Following:
                    return int64_t(p) + frame.startOffset;
                case FrameBound::UnboundedFollowing:
                    break;
                }
                return int64_t(size);
            };
            auto frameStop = [&](size_t p) -> int64_t {
                if (!ordered)
                    return int64_t(size) - 1;
                switch (frame.end) {
                case FrameBound::UnboundedFollowing:
                    return int64_t(size) - 1;
                case FrameBound::Following:
                    return int64_t(p) + frame.endOffset;
                case FrameBound::CurrentRow:
                    return frame.rows ? int64_t(p) : int64_t(lastPeer[p]);
                case FrameBound::Preceding:
                    return int64_t(p) - frame.endOffset;
                case FrameBound::UnboundedPreceding:
                    break;
                }
                return -1;
            };
            auto clampedFrame = [&](size_t p, int64_t& from, int64_t& to) {
                from = std::max<int64_t>(frameStart(p), 0);
                to = std::min<int64_t>(frameStop(p), int64_t(size) - 1);
                return from <= to;
            };
            auto argOf = [&](int64_t p) -> const Value* {
                const auto& a = args[row(size_t(p))];
                return a.empty() ? nullptr : &a[0];
            };
            if (isValueFunction(name)) {
                const bool first = name == QLatin1String("FIRST_VALUE");
                for (size_t p = 0; p < size; ++p) {
                    int64_t from = 0, to = 0;
                    out[row(p)][slot] =
                        clampedFrame(p, from, to) ? assign(*argOf(first ? from : to), type) : nullValue(type);
                }
            } else if (!ordered || frame.start == FrameBound::UnboundedPreceding) {
                // Frames that all start at the partition's first row grow with the position: one running total.
                FrameAggregate acc {w};
                int64_t added = -1;
                for (size_t p = 0; p < size; ++p) {
                    const int64_t to = std::min<int64_t>(frameStop(p), int64_t(size) - 1);
                    while (added < to)
                        acc.add(argOf(++added));
                    out[row(p)][slot] = to < 0 ? FrameAggregate {w}.result(type) : acc.result(type);
                }
            } else if (frame.end == FrameBound::UnboundedFollowing) {
                // Frames that all end at the partition's last row: a running total from the end.
                FrameAggregate acc {w};
                int64_t added = int64_t(size);
                for (size_t p = size; p-- > 0;) {
                    const int64_t from = std::max<int64_t>(frameStart(p), 0);
                    while (added > from)
                        acc.add(argOf(--added));
                    out[row(p)][slot] = from >= int64_t(size) ? FrameAggregate {w}.result(type) : acc.result(type);
                }
            } else {
                for (size_t p = 0; p < size; ++p) {
                    FrameAggregate acc {w};
                    int64_t from = 0, to = 0;
                    if (clampedFrame(p, from, to))
                        for (int64_t q = from; q <= to; ++q)
                            acc.add(argOf(q));
                    out[row(p)][slot] = acc.result(type);
                }
            }
        }
        begin = end;
    }
}

}  // namespace standin
