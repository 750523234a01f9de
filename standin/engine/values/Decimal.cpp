// Exact decimal arithmetic on 38-digit values, with a 256-bit intermediate for products and quotients.
#include "ValuesInternal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace standin::values {

namespace {

// Unsigned 256-bit magnitude, little-endian 64-bit limbs.
struct U256 {
    std::array<uint64_t, 4> w{};

    static U256 from(u128 v)
    {
        U256 r;
        r.w[0] = uint64_t(v);
        r.w[1] = uint64_t(v >> 64);
        return r;
    }
    bool isZero() const { return !(w[0] | w[1] | w[2] | w[3]); }
    bool fits128() const { return w[2] == 0 && w[3] == 0; }
    u128 low128() const { return (u128(w[1]) << 64) | w[0]; }
};

U256 mul(u128 a, u128 b)
{
    const uint64_t al[2] = {uint64_t(a), uint64_t(a >> 64)};
    const uint64_t bl[2] = {uint64_t(b), uint64_t(b >> 64)};
    U256 r;
    for (int i = 0; i < 2; ++i) {
        u128 carry = 0;
        for (int j = 0; j < 2; ++j) {
            const u128 cur = u128(al[i]) * bl[j] + r.w[i + j] + carry;
            r.w[i + j] = uint64_t(cur);
            carry = cur >> 64;
        }
        int k = i + 2;
        while (carry && k < 4) {
            const u128 cur = u128(r.w[k]) + carry;
            r.w[k] = uint64_t(cur);
            carry = cur >> 64;
            ++k;
        }
    }
    return r;
}

// Multiplies by a small factor; false on overflow of 256 bits.
bool mulSmall(U256& v, uint64_t f)
{
    u128 carry = 0;
    for (auto& limb : v.w) {
        const u128 cur = u128(limb) * f + carry;
        limb = uint64_t(cur);
        carry = cur >> 64;
    }
    return carry == 0;
}

uint64_t divSmall(U256& v, uint64_t d)
{
    u128 rem = 0;
    for (int i = 3; i >= 0; --i) {
        const u128 cur = (rem << 64) | v.w[i];
        v.w[i] = uint64_t(cur / d);
        rem = cur % d;
    }
    return uint64_t(rem);
}

int cmp(const U256& a, const U256& b)
{
    for (int i = 3; i >= 0; --i) {
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
    }
    return 0;
}

void sub(U256& a, const U256& b)
{
    uint64_t borrow = 0;
    for (int i = 0; i < 4; ++i) {
        const uint64_t bi = b.w[i] + borrow;
        const bool under = (bi < borrow) || (a.w[i] < bi);
        a.w[i] -= bi;
        borrow = under ? 1 : 0;
    }
}

void shl1(U256& a)
{
    for (int i = 3; i > 0; --i) a.w[i] = (a.w[i] << 1) | (a.w[i - 1] >> 63);
    a.w[0] <<= 1;
}

U256 divide(U256 n, const U256& d)
{
    U256 q, r;
    for (int bit = 255; bit >= 0; --bit) {
        shl1(r);
        r.w[0] |= (n.w[bit / 64] >> (bit % 64)) & 1;
        if (cmp(r, d) >= 0) {
            sub(r, d);
            q.w[bit / 64] |= uint64_t(1) << (bit % 64);
        }
    }
    return q;
}

u128 magnitude(i128 v) { return v < 0 ? u128(0) - u128(v) : u128(v); }

// Scales a magnitude from scale `from` to scale `to`, rounding half away from zero when shrinking.
bool scaleMagnitude(U256& v, int from, int to)
{
    if (to >= from) {
        for (int i = from; i < to; ++i)
            if (!mulSmall(v, 10)) return false;
        return true;
    }
    uint64_t last = 0;
    for (int i = to; i < from; ++i) last = divSmall(v, 10);
    if (last >= 5) {
        u128 carry = 1;
        for (auto& limb : v.w) {
            const u128 cur = u128(limb) + carry;
            limb = uint64_t(cur);
            carry = cur >> 64;
        }
    }
    return true;
}

bool toDecimal(const U256& mag, bool negative, int scale, Decimal* out)
{
    if (!mag.fits128()) return false;
    const u128 m = mag.low128();
    if (m >= u128(pow10i(38))) return false;
    out->unscaled = negative ? -i128(m) : i128(m);
    out->scale = scale;
    return true;
}

}  // namespace

i128 pow10i(int n)
{
    static const std::array<i128, 39> table = [] {
        std::array<i128, 39> t{};
        t[0] = 1;
        for (int i = 1; i < 39; ++i) t[i] = t[i - 1] * 10;
        return t;
    }();
    return table[std::clamp(n, 0, 38)];
}

int digitCount(i128 v)
{
    u128 m = magnitude(v);
    int n = 1;
    while (m >= 10) {
        m /= 10;
        ++n;
    }
    return n;
}

QString int128ToString(i128 v)
{
    u128 m = magnitude(v);
    char buf[48];
    int pos = 47;
    buf[pos] = 0;
    do {
        buf[--pos] = char('0' + int(m % 10));
        m /= 10;
    } while (m);
    if (v < 0) buf[--pos] = '-';
    return QString::fromLatin1(buf + pos);
}

QString decimalToString(const Decimal& d)
{
    QString digits = int128ToString(magnitude(d.unscaled) > 0 ? i128(magnitude(d.unscaled)) : 0);
    if (d.scale > 0) {
        while (digits.size() <= d.scale) digits.prepend(u'0');
        digits.insert(digits.size() - d.scale, u'.');
    }
    if (d.unscaled < 0) digits.prepend(u'-');
    return digits;
}

bool rescale(const Decimal& d, int scale, Decimal* out)
{
    if (scale < 0 || scale > kMaxPrecision) return false;
    U256 m = U256::from(magnitude(d.unscaled));
    if (!scaleMagnitude(m, d.scale, scale)) return false;
    if (!m.fits128() || m.low128() > u128(std::numeric_limits<i128>::max())) return false;
    out->unscaled = d.unscaled < 0 ? -i128(m.low128()) : i128(m.low128());
    out->scale = scale;
    return true;
}

bool fitsPrecision(const Decimal& d, int precision)
{
    return magnitude(d.unscaled) < u128(pow10i(std::min(precision, kMaxPrecision)));
}

int compareDecimal(const Decimal& a, const Decimal& b)
{
    const i128 ia = a.unscaled / pow10i(a.scale);
    const i128 ib = b.unscaled / pow10i(b.scale);
    if (ia != ib) return ia < ib ? -1 : 1;
    const int s = std::max(a.scale, b.scale);
    const i128 fa = (a.unscaled % pow10i(a.scale)) * pow10i(s - a.scale);
    const i128 fb = (b.unscaled % pow10i(b.scale)) * pow10i(s - b.scale);
    if (fa != fb) return fa < fb ? -1 : 1;
    return 0;
}

double decimalToDouble(const Decimal& d)
{
    return std::strtod(decimalToString(d).toLatin1().constData(), nullptr);
}

bool doubleToDecimal(double v, int scale, Decimal* out)
{
    if (!std::isfinite(v) || std::fabs(v) >= 1e38) return false;
    // Printed with spare digits, then rounded half away from zero as the server rounds (6.25 to one
    // place is 6.3; printf alone would round the binary value half to even).
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", std::clamp(scale + 3, 0, 38), v);
    bool overflow = false;
    Decimal d;
    if (!parseDecimalText(QString::fromLatin1(buf), &d, &overflow) || overflow) return false;
    return rescale(d, scale, out);
}

bool multiplyDecimal(const Decimal& a, const Decimal& b, int scale, Decimal* out)
{
    U256 m = mul(magnitude(a.unscaled), magnitude(b.unscaled));
    if (!scaleMagnitude(m, a.scale + b.scale, scale)) return false;
    return toDecimal(m, (a.unscaled < 0) != (b.unscaled < 0), scale, out);
}

bool divideDecimal(const Decimal& a, const Decimal& b, int scale, Decimal* out)
{
    if (b.unscaled == 0) return false;
    U256 n = U256::from(magnitude(a.unscaled));
    U256 d = U256::from(magnitude(b.unscaled));
    const int exponent = scale + b.scale - a.scale;
    for (int i = 0; i < exponent; ++i)
        if (!mulSmall(n, 10)) return false;
    for (int i = 0; i < -exponent; ++i)
        if (!mulSmall(d, 10)) return false;
    const U256 q = divide(n, d);
    return toDecimal(q, (a.unscaled < 0) != (b.unscaled < 0), scale, out);
}

bool parseDecimalText(const QString& text, Decimal* out, bool* overflow)
{
    *overflow = false;
    int i = 0;
    int n = int(text.size());
    while (i < n && text[i] == u' ') ++i;
    while (n > i && text[n - 1] == u' ') --n;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    QString intDigits, fracDigits;
    bool dot = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            (dot ? fracDigits : intDigits) += c;
        } else if (c == u'.' && !dot) {
            dot = true;
        } else {
            return false;
        }
    }
    if (intDigits.isEmpty() && fracDigits.isEmpty()) return false;
    while (intDigits.size() > 1 && intDigits[0] == u'0') intDigits.remove(0, 1);
    if (intDigits == QLatin1String("0")) intDigits.clear();
    if (intDigits.size() > kMaxPrecision) {
        *overflow = true;
        out->unscaled = 0;
        out->scale = 0;
        return true;
    }
    bool roundUp = false;
    const int room = kMaxPrecision - int(intDigits.size());
    if (fracDigits.size() > room) {
        roundUp = fracDigits[room] >= u'5';
        fracDigits.truncate(room);
    }
    i128 v = 0;
    for (QChar c : intDigits + fracDigits) v = v * 10 + (c.unicode() - '0');
    if (roundUp) {
        ++v;
        if (v >= pow10i(38)) {
            *overflow = true;
            return true;
        }
    }
    out->unscaled = negative ? -v : v;
    out->scale = int(fracDigits.size());
    return true;
}

}  // namespace standin::values
