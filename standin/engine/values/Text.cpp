// Text helpers: float formatting, code page 1252 for varchar, Latin1_General_CI_AS collation and LIKE.
#include "ValuesInternal.h"

#include <array>
#include <cstdio>
#include <vector>

namespace standin {

using namespace values;

namespace values {

namespace {

// Code page 1252 bytes 0x80-0x9F (0 where the code page has no character).
constexpr std::array<char16_t, 32> kCp1252High{{
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
}};

int cp1252Byte(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] && kCp1252High[i] == u) return 0x80 + i;
    return -1;
}

}  // namespace

QString formatFloat(double v, bool isReal, int style)
{
    char buf[64];
    if (isReal) v = double(float(v));
    switch (style) {
    case 1: std::snprintf(buf, sizeof buf, "%.7e", v); break;
    case 2: std::snprintf(buf, sizeof buf, "%.15e", v); break;
    case 3: std::snprintf(buf, sizeof buf, "%.17g", v); break;
    default: std::snprintf(buf, sizeof buf, "%.6g", v); break;
    }
    QString s = QString::fromLatin1(buf);
    // Exponents have at least three digits: 1e+006.
    const int e = s.indexOf(u'e');
    if (e >= 0 && e + 2 < s.size()) {
        QString digits = s.mid(e + 2);
        while (digits.size() < 3) digits.prepend(u'0');
        s = s.left(e + 2) + digits;
    }
    return s;
}

QString toCodePage1252(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (cp1252Byte(c) >= 0) {
            out += c;
            continue;
        }
        // Best fit: the base letter of an accented character the code page lacks, else '?'.
        const QString d = QString(c).normalized(QString::NormalizationForm_D);
        if (!d.isEmpty() && d[0] != c && cp1252Byte(d[0]) >= 0) out += d[0];
        else out += u'?';
    }
    return out;
}

QByteArray encode1252(const QString& s)
{
    const QString fitted = toCodePage1252(s);
    QByteArray out;
    out.reserve(fitted.size());
    for (QChar c : fitted) out += char(cp1252Byte(c));
    return out;
}

QString decode1252(const QByteArray& b)
{
    QString out;
    out.reserve(b.size());
    for (char ch : b) {
        const uint8_t u = uint8_t(ch);
        if (u >= 0x80 && u < 0xA0) out += QChar(kCp1252High[u - 0x80] ? kCp1252High[u - 0x80] : u);
        else out += QChar(u);
    }
    return out;
}

// ---- collation ---------------------------------------------------------------------------------
// Windows-style ordering approximated with two levels: primary (base letter without case),
// secondary (accents). Case is ignored (CI), accents are not (AS), full-width forms equal their
// ASCII counterparts (width-insensitive). Blanks and punctuation sort before digits, digits
// before letters.

namespace {

constexpr uint32_t kPunctuation = 0x10000;
constexpr uint32_t kDigit = 0x20000;
constexpr uint32_t kLetter = 0x30000;

uint32_t markCode(QChar m) { return uint32_t(m.unicode() & 0x3FF) + 1; }

CollationElement computeElement(char16_t u)
{
    CollationElement e;
    QChar c(u);
    if (u >= 0xFF01 && u <= 0xFF5E) c = QChar(char16_t(u - 0xFEE0));  // full-width forms
    if (c.isMark()) {
        e.isMark = true;
        e.secondary = markCode(c);
        return e;
    }
    if (c.isSurrogate()) {
        e.primary = kLetter + 0x10000 + u;
        return e;
    }
    QString d = QString(c).normalized(QString::NormalizationForm_D);
    if (d.isEmpty()) d = QString(c);
    QChar base = d[0];
    uint32_t secondary = 0;
    for (int i = 1; i < d.size(); ++i) secondary = secondary * 0x401 + markCode(d[i]);
    // Letters with a stroke sort with their base letter, after its accented forms.
    switch (base.unicode()) {
    case 0x00F8: case 0x00D8: base = u'o'; secondary = 0x3FF; break;  // ø
    case 0x0111: case 0x0110: base = u'd'; secondary = 0x3FF; break;  // đ
    case 0x0142: case 0x0141: base = u'l'; secondary = 0x3FF; break;  // ł
    case 0x0127: case 0x0126: base = u'h'; secondary = 0x3FF; break;  // ħ
    default: break;
    }
    const QString folded = QString(base).toCaseFolded();
    const QChar f = folded.isEmpty() ? base : folded[0];
    if (f.isLetter()) e.primary = kLetter + f.unicode();
    else if (f.isDigit()) e.primary = kDigit + uint32_t(f.digitValue() >= 0 ? f.digitValue() : f.unicode());
    else e.primary = kPunctuation + f.unicode();
    e.secondary = secondary;
    return e;
}

struct ElementTable {
    std::vector<CollationElement> elements;
    ElementTable() : elements(0x10000)
    {
        for (uint32_t u = 0; u < 0x10000; ++u) elements[u] = computeElement(char16_t(u));
    }
};

int trimmedLength(const QString& s)
{
    int n = int(s.size());
    while (n > 0 && s[n - 1] == u' ') --n;
    return n;
}

// Hyphens and apostrophes weigh nothing in the letters' order ("co-op" sorts with "coop") and only
// tell otherwise equal strings apart, by where they stand.
struct Special {
    uint32_t position;  // index in the element sequence
    uint16_t code;
    bool operator==(const Special&) const = default;
};

bool isIgnorable(char16_t u) { return u == u'-' || u == u'\''; }

// The elements of a string without its trailing blanks; combining marks join their letter.
void elementsOf(const QString& s, std::vector<CollationElement>& out, std::vector<Special>& specials)
{
    out.clear();
    specials.clear();
    const int n = trimmedLength(s);
    out.reserve(n);
    for (int i = 0; i < n; ++i) {
        // Ligatures and the sharp s compare as their two letters (Straße = Strasse, æ = ae).
        const char16_t u = s[i].unicode();
        if (isIgnorable(u)) {
            specials.push_back(Special{uint32_t(out.size()), u});
            continue;
        }
        const char* expansion = u == 0x00DF ? "ss" : (u == 0x00E6 || u == 0x00C6) ? "ae"
                                : (u == 0x0153 || u == 0x0152) ? "oe" : nullptr;
        if (expansion) {
            out.push_back(collationElement(QChar(char16_t(expansion[0]))));
            out.push_back(collationElement(QChar(char16_t(expansion[1]))));
            continue;
        }
        const CollationElement& e = collationElement(s[i]);
        if (e.isMark && !out.empty()) {
            out.back().secondary = out.back().secondary * 0x401 + e.secondary;
            continue;
        }
        out.push_back(e);
        out.back().isMark = false;
    }
}

}  // namespace

const CollationElement& collationElement(QChar c)
{
    static const ElementTable table;
    return table.elements[c.unicode()];
}

bool sameCollationChar(QChar a, QChar b)
{
    if (a == b) return true;
    const CollationElement& x = collationElement(a);
    const CollationElement& y = collationElement(b);
    return x.primary == y.primary && x.secondary == y.secondary && x.isMark == y.isMark;
}

int compareCollationChar(QChar a, QChar b)
{
    const CollationElement& x = collationElement(a);
    const CollationElement& y = collationElement(b);
    if (x.primary != y.primary) return x.primary < y.primary ? -1 : 1;
    if (x.secondary != y.secondary) return x.secondary < y.secondary ? -1 : 1;
    return 0;
}

}  // namespace values

int compareText(const QString& a, const QString& b)
{
    thread_local std::vector<CollationElement> ea, eb;
    thread_local std::vector<Special> sa, sb;
    elementsOf(a, ea, sa);
    elementsOf(b, eb, sb);
    const size_t n = std::min(ea.size(), eb.size());
    for (size_t i = 0; i < n; ++i)
        if (ea[i].primary != eb[i].primary) return ea[i].primary < eb[i].primary ? -1 : 1;
    if (ea.size() != eb.size()) return ea.size() < eb.size() ? -1 : 1;
    for (size_t i = 0; i < n; ++i)
        if (ea[i].secondary != eb[i].secondary) return ea[i].secondary < eb[i].secondary ? -1 : 1;
    const size_t m = std::min(sa.size(), sb.size());
    for (size_t i = 0; i < m; ++i) {
        if (sa[i].position != sb[i].position) return sa[i].position < sb[i].position ? -1 : 1;
        if (sa[i].code != sb[i].code) return sa[i].code < sb[i].code ? -1 : 1;
    }
    if (sa.size() != sb.size()) return sa.size() < sb.size() ? -1 : 1;
    return 0;
}

QString collationKey(const QString& s)
{
    // Primary weights, a zero separator, secondary weights, a zero separator, then hyphens and
    // apostrophes with their places: comparing two keys code unit by code unit orders them as
    // compareText() does, and equal keys mean equal strings.
    thread_local std::vector<CollationElement> e;
    thread_local std::vector<Special> sp;
    elementsOf(s, e, sp);
    QString key;
    key.reserve(int(e.size()) * 4 + int(sp.size()) * 3 + 2);
    for (const auto& x : e) {
        key += QChar(char16_t(x.primary >> 16));
        key += QChar(char16_t(x.primary & 0xFFFF));
    }
    key += QChar(char16_t(0));
    for (const auto& x : e) {
        key += QChar(char16_t(x.secondary >> 16));
        key += QChar(char16_t(x.secondary & 0xFFFF));
    }
    key += QChar(char16_t(0));
    for (const auto& x : sp) {
        key += QChar(char16_t((x.position + 1) >> 16));
        key += QChar(char16_t((x.position + 1) & 0xFFFF));
        key += QChar(char16_t(x.code));
    }
    return key;
}

namespace values {

size_t collationHash(const QString& s)
{
    // Hashes what compareText compares, without building the key.
    thread_local std::vector<CollationElement> e;
    thread_local std::vector<Special> sp;
    elementsOf(s, e, sp);
    uint64_t h = 1469598103934665603ull;
    for (const auto& x : e) {
        h = (h ^ x.primary) * 1099511628211ull;
        h = (h ^ x.secondary) * 1099511628211ull;
    }
    for (const auto& x : sp) h = (h ^ ((uint64_t(x.position) << 16) | x.code)) * 1099511628211ull;
    return size_t(h ^ (h >> 29));
}

}  // namespace values

// ---- LIKE ----------------------------------------------------------------------------------------

namespace {

struct PatternItem {
    enum Kind { Literal, Any, AnyRun, Set } kind = Literal;
    QChar ch;
    bool negated = false;
    QString singles;
    std::vector<std::pair<QChar, QChar>> ranges;
    bool broken = false;  // an unclosed [ matches nothing

    bool matches(QChar c) const
    {
        switch (kind) {
        case Literal: return sameCollationChar(ch, c);
        case Any: return true;
        case AnyRun: return true;
        case Set: {
            if (broken) return false;
            bool in = false;
            for (QChar s : singles)
                if (sameCollationChar(s, c)) { in = true; break; }
            for (const auto& [lo, hi] : ranges)
                if (!in && compareCollationChar(lo, c) <= 0 && compareCollationChar(c, hi) <= 0) in = true;
            return in != negated;
        }
        }
        return false;
    }
};

std::vector<PatternItem> compilePattern(const QString& p, QChar escape)
{
    std::vector<PatternItem> items;
    const int n = int(p.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = p[i];
        PatternItem item;
        if (!escape.isNull() && c == escape) {
            if (i + 1 >= n) {  // a trailing escape character matches nothing
                item.kind = PatternItem::Set;
                item.broken = true;
            } else {
                item.ch = p[++i];
            }
        } else if (c == u'%') {
            if (!items.empty() && items.back().kind == PatternItem::AnyRun) continue;
            item.kind = PatternItem::AnyRun;
        } else if (c == u'_') {
            item.kind = PatternItem::Any;
        } else if (c == u'[') {
            item.kind = PatternItem::Set;
            int j = i + 1;
            if (j < n && p[j] == u'^') {
                item.negated = true;
                ++j;
            }
            const int start = j;
            // The first character of the set may be ']' itself.
            while (j < n && (p[j] != u']' || j == start)) ++j;
            if (j >= n) {
                item.broken = true;
                i = n;
            } else {
                for (int k = start; k < j; ++k) {
                    QChar a = p[k];
                    if (!escape.isNull() && a == escape && k + 1 < j) a = p[++k];
                    if (k + 2 < j && p[k + 1] == u'-') {
                        item.ranges.emplace_back(a, p[k + 2]);
                        k += 2;
                    } else {
                        item.singles += a;
                    }
                }
                i = j;
            }
        } else {
            item.ch = c;
        }
        items.push_back(item);
    }
    return items;
}

}  // namespace

bool like(const QString& text, const QString& pattern, QChar escape, bool unicode)
{
    // A scan matches one pattern against many rows: keep the last compiled pattern.
    thread_local QString cachedPattern;
    thread_local QChar cachedEscape;
    thread_local std::vector<PatternItem> cachedItems;
    thread_local bool cached = false;
    if (!cached || cachedEscape != escape || cachedPattern != pattern) {
        cachedItems = compilePattern(pattern, escape);
        cachedPattern = pattern;
        cachedEscape = escape;
        cached = true;
    }
    const std::vector<PatternItem>& items = cachedItems;
    const int n = int(text.size());
    const size_t m = items.size();
    // reach[j]: the first j pattern items can match the text read so far.
    thread_local std::vector<char> reach, next;
    reach.assign(m + 1, 0);
    next.assign(m + 1, 0);
    reach[0] = 1;
    for (size_t j = 0; j < m && items[j].kind == PatternItem::AnyRun; ++j) reach[j + 1] = 1;
    // Non-Unicode matching ignores trailing blanks of the text: the match may end before them.
    int blanksFrom = n;
    while (blanksFrom > 0 && text[blanksFrom - 1] == u' ') --blanksFrom;
    bool matched = reach[m] && (unicode ? n == 0 : blanksFrom == 0);
    for (int i = 0; i < n; ++i) {
        std::fill(next.begin(), next.end(), 0);
        const QChar c = text[i];
        for (size_t j = 0; j < m; ++j) {
            if (!reach[j]) continue;
            const PatternItem& it = items[j];
            if (it.kind == PatternItem::AnyRun) {
                next[j] = 1;  // % absorbs c
                next[j + 1] = 1;
            } else if (it.matches(c)) {
                next[j + 1] = 1;
            }
        }
        // A % may also match nothing after any position.
        for (size_t j = 0; j < m; ++j)
            if (next[j] && items[j].kind == PatternItem::AnyRun) next[j + 1] = 1;
        reach.swap(next);
        if (reach[m] && !unicode && i + 1 >= blanksFrom) matched = true;
    }
    if (unicode) return reach[m];
    return matched || reach[m];
}

bool like(const QString& text, const QString& pattern, QChar escape)
{
    return like(text, pattern, escape, false);
}

}  // namespace standin
