// Cultures for FORMAT and PARSE: the number and date conventions of pt-BR, en-US, en-GB, pt-PT, de-DE,
// fr-FR and the invariant culture, and the standard and custom format strings FORMAT takes (the .NET ones:
// 'N2', 'C', 'P', 'D5', 'X', 'E', 'd', 'D', 'g', 'dd/MM/yyyy', '#,##0.00', '0000', 'hh\:mm' ...).
#include "ValuesInternal.h"

#include <QRegularExpression>

#include <cmath>
#include <iterator>

namespace standin {

struct Culture {
    const char* name;
    const char* language;  // the server language whose date order and names PARSE uses
    char16_t decimal;
    char16_t group;
    const char* currency;
    int currencyPositive;  // 0 "$n", 1 "n$", 2 "$ n", 3 "n $"
    int currencyNegative;  // 0 "($n)", 1 "-$n", 8 "-n $", 9 "-$ n"
    int percentPositive;  // 0 "n %", 1 "n%"
    int percentNegative;  // 0 "-n %", 1 "-n%"
    const char* shortDate;
    const char* longDate;
    const char* shortTime;
    const char* longTime;
    const char* monthDay;
    const char* yearMonth;
    const char* am;
    const char* pm;
    const char* months;  // comma-separated, January first (UTF-8)
    const char* shortMonths;
    const char* days;  // comma-separated, Sunday first
    const char* shortDays;
};

namespace {

using namespace values;

const char* const kEnMonths = "January,February,March,April,May,June,July,August,September,October,November,December";
const char* const kEnShortMonths = "Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec";
const char* const kEnDays = "Sunday,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday";
const char* const kEnShortDays = "Sun,Mon,Tue,Wed,Thu,Fri,Sat";
const char* const kPtMonths =
    "janeiro,fevereiro,março,abril,maio,junho,julho,agosto,setembro,outubro,novembro,dezembro";
const char* const kPtShortMonths = "jan,fev,mar,abr,mai,jun,jul,ago,set,out,nov,dez";
const char* const kPtDays = "domingo,segunda-feira,terça-feira,quarta-feira,quinta-feira,sexta-feira,sábado";
const char* const kPtShortDays = "dom,seg,ter,qua,qui,sex,sáb";
const char* const kDeMonths = "Januar,Februar,März,April,Mai,Juni,Juli,August,September,Oktober,November,Dezember";
const char* const kDeShortMonths = "Jan,Feb,Mrz,Apr,Mai,Jun,Jul,Aug,Sep,Okt,Nov,Dez";
const char* const kDeDays = "Sonntag,Montag,Dienstag,Mittwoch,Donnerstag,Freitag,Samstag";
const char* const kDeShortDays = "So,Mo,Di,Mi,Do,Fr,Sa";
const char* const kFrMonths = "janvier,février,mars,avril,mai,juin,juillet,août,septembre,octobre,novembre,décembre";
const char* const kFrShortMonths = "janv.,févr.,mars,avr.,mai,juin,juil.,août,sept.,oct.,nov.,déc.";
const char* const kFrDays = "dimanche,lundi,mardi,mercredi,jeudi,vendredi,samedi";
const char* const kFrShortDays = "dim.,lun.,mar.,mer.,jeu.,ven.,sam.";

const Culture kCultures[] = {
    {"en-US",
     "us_english",
     u'.',
     u',',
     "$",
     0,
     0,
     1,
     1,
     "M/d/yyyy",
     "dddd, MMMM d, yyyy",
     "h:mm tt",
     "h:mm:ss tt",
     "MMMM d",
     "MMMM yyyy",
     "AM",
     "PM",
     kEnMonths,
     kEnShortMonths,
     kEnDays,
     kEnShortDays},
    {"pt-BR",
     "Português (Brasil)",
     u',',
     u'.',
     "R$",
     2,
     9,
     1,
     1,
     "dd/MM/yyyy",
     "dddd, d' de 'MMMM' de 'yyyy",
     "HH:mm",
     "HH:mm:ss",
     "d' de 'MMMM",
     "MMMM' de 'yyyy",
     "",
     "",
     kPtMonths,
     kPtShortMonths,
     kPtDays,
     kPtShortDays},
    {"en-GB", "British",    u'.',           u',',    "£",         0,        1,           1,
     1,       "dd/MM/yyyy", "dd MMMM yyyy", "HH:mm", "HH:mm:ss",  "d MMMM", "MMMM yyyy", "AM",
     "PM",    kEnMonths,    kEnShortMonths, kEnDays, kEnShortDays},
    {"pt-PT",
     "Português",
     u',',
     u'\u00a0',
     "€",
     3,
     8,
     0,
     0,
     "dd/MM/yyyy",
     "dddd, d' de 'MMMM' de 'yyyy",
     "HH:mm",
     "HH:mm:ss",
     "d' de 'MMMM",
     "MMMM' de 'yyyy",
     "",
     "",
     kPtMonths,
     kPtShortMonths,
     kPtDays,
     kPtShortDays},
    {"de-DE",
     "Deutsch",
     u',',
     u'.',
     "€",
     3,
     8,
     0,
     0,
     "dd.MM.yyyy",
     "dddd, d. MMMM yyyy",
     "HH:mm",
     "HH:mm:ss",
     "d. MMMM",
     "MMMM yyyy",
     "",
     "",
     kDeMonths,
     kDeShortMonths,
     kDeDays,
     kDeShortDays},
    {"fr-FR",
     "Français",
     u',',
     u'\u00a0',
     "€",
     3,
     8,
     0,
     0,
     "dd/MM/yyyy",
     "dddd d MMMM yyyy",
     "HH:mm",
     "HH:mm:ss",
     "d MMMM",
     "MMMM yyyy",
     "",
     "",
     kFrMonths,
     kFrShortMonths,
     kFrDays,
     kFrShortDays},
    {"",
     "us_english",
     u'.',
     u',',
     "¤",
     0,
     0,
     0,
     0,
     "MM/dd/yyyy",
     "dddd, dd MMMM yyyy",
     "HH:mm",
     "HH:mm:ss",
     "MMMM dd",
     "yyyy MMMM",
     "AM",
     "PM",
     kEnMonths,
     kEnShortMonths,
     kEnDays,
     kEnShortDays},
};

const Culture& invariant() { return kCultures[std::size(kCultures) - 1]; }

QString item(const char* list, int index) { return QString::fromUtf8(list).split(QLatin1Char(',')).value(index); }

// ---- numbers ---------------------------------------------------------------------------------------

// A number as decimal digits: exact for integers, decimals and money; 15 significant digits for float.
struct Digits {
    bool negative = false;
    QString whole;  // without leading zeros ("" for zero)
    QString fraction;  // as many digits as the value holds

    bool isZero() const
    {
        for (QChar c : whole + fraction)
            if (c != u'0')
                return false;
        return true;
    }
    // Rounds half away from zero to `places` fraction digits.
    void round(int places)
    {
        if (fraction.size() <= places) {
            fraction += QString(places - fraction.size(), u'0');
            return;
        }
        const bool up = fraction.at(places) >= u'5';
        fraction.truncate(places);
        if (!up)
            return;
        QString all = whole + fraction;
        int i = int(all.size()) - 1;
        while (i >= 0 && all[i] == u'9')
            all[i--] = u'0';
        if (i >= 0)
            all[i] = QChar(all[i].unicode() + 1);
        else
            all.prepend(u'1');
        whole = all.left(all.size() - places);
        fraction = all.right(places);
    }
    void shift(int powerOfTen)  // multiplies (positive) or divides (negative) by 10^n
    {
        if (powerOfTen > 0) {
            const QString moved = fraction.left(powerOfTen).leftJustified(powerOfTen, u'0');
            whole += moved;
            fraction = fraction.mid(powerOfTen);
        } else if (powerOfTen < 0) {
            const int n = -powerOfTen;
            const QString padded = whole.rightJustified(n, u'0');
            fraction = padded.right(n) + fraction;
            whole = padded.left(padded.size() - n);
        }
        while (whole.startsWith(u'0'))
            whole.remove(0, 1);
    }
};

Digits digitsOf(const Value& v)
{
    Digits d;
    QString s;
    if (const auto* f = std::get_if<double>(&v.data)) {
        // .NET Framework formats a double from its 15 significant digits.
        const double x = v.type.id == TypeId::Real ? double(float(*f)) : *f;
        s = QString::number(x, 'e', v.type.id == TypeId::Real ? 6 : 14);
        const int e = s.indexOf(u'e');
        const int exponent = s.mid(e + 1).toInt();
        QString mantissa = s.left(e);
        d.negative = mantissa.startsWith(u'-');
        mantissa.remove(u'-').remove(u'.');
        d.whole = mantissa.left(1);
        d.fraction = mantissa.mid(1);
        d.shift(exponent);
        while (d.fraction.endsWith(u'0'))
            d.fraction.chop(1);
        return d;
    }
    s = toText(convert(v, SqlType {TypeId::VarChar, 100, 0, 0}));
    if (isMoney(v.type.id))
        s = decimalToString(std::get<Decimal>(v.data));
    d.negative = s.startsWith(u'-');
    s.remove(u'-');
    const int dot = s.indexOf(u'.');
    d.whole = dot < 0 ? s : s.left(dot);
    d.fraction = dot < 0 ? QString() : s.mid(dot + 1);
    while (d.whole.startsWith(u'0'))
        d.whole.remove(0, 1);
    return d;
}

QString grouped(const QString& whole, QChar separator)
{
    QString out;
    const int n = int(whole.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += whole[i];
    }
    return out;
}

QString fixedText(Digits d, int places, const Culture& c, bool group)
{
    d.round(places);
    QString whole = d.whole.isEmpty() ? QStringLiteral("0") : d.whole;
    if (group)
        whole = grouped(whole, QChar(c.group));
    return places > 0 ? whole + QChar(c.decimal) + d.fraction : whole;
}

std::optional<QString> standardNumber(const Value& v, QChar letter, int precision, const Culture& c)
{
    const bool integer = isIntegerLike(v.type.id);
    Digits d = digitsOf(v);
    auto sign = [&](const Digits& rounded, const QString& body) {
        return rounded.negative && !rounded.isZero() ? u'-' + body : body;
    };
    switch (letter.toUpper().unicode()) {
    case u'C': {
        const int places = precision < 0 ? 2 : precision;
        Digits r = d;
        r.round(places);
        const QString n = fixedText(d, places, c, true), cur = QString::fromUtf8(c.currency);
        if (!r.negative || r.isZero()) {
            switch (c.currencyPositive) {
            case 1:
                return n + cur;
            case 2:
                return cur + u' ' + n;
            case 3:
                return n + u' ' + cur;
            default:
                return cur + n;
            }
        }
        switch (c.currencyNegative) {
        case 1:
            return u'-' + cur + n;
        case 8:
            return u'-' + n + u' ' + cur;
        case 9:
            return u'-' + cur + u' ' + n;
        default:
            return u'(' + cur + n + u')';
        }
    }
    case u'D': {
        if (!integer)
            return std::nullopt;  // FormatException: D is for integers only
        QString whole = d.whole.isEmpty() ? QStringLiteral("0") : d.whole;
        if (precision > whole.size())
            whole = whole.rightJustified(precision, u'0');
        return d.negative ? u'-' + whole : whole;
    }
    case u'E': {
        const int places = precision < 0 ? 6 : precision;
        QString all = d.whole + d.fraction;
        int exponent = int(d.whole.size()) - 1;
        while (all.startsWith(u'0')) {
            all.remove(0, 1);
            --exponent;
        }
        if (all.isEmpty())
            exponent = 0;
        Digits m;
        m.whole = all.left(1);
        m.fraction = all.mid(1);
        m.round(places);
        if (m.whole.size() > 1) {  // 9.99 rounded up to 10.0
            m.fraction = m.whole.mid(1) + m.fraction;
            m.fraction.truncate(places);
            m.whole = m.whole.left(1);
            ++exponent;
        }
        if (m.whole.isEmpty())
            m.whole = QStringLiteral("0");
        const QString mantissa = places > 0 ? m.whole + QChar(c.decimal) + m.fraction : m.whole;
        const QString e = QString(letter) + (exponent < 0 ? u'-' : u'+')
                          + QString::number(std::abs(exponent)).rightJustified(3, u'0');
        return sign(d, mantissa + e);
    }
    case u'F':
    case u'N': {
        const int places = precision < 0 ? 2 : precision;
        Digits r = d;
        r.round(places);
        return sign(r, fixedText(d, places, c, letter.toUpper() == u'N'));
    }
    case u'P': {
        const int places = precision < 0 ? 2 : precision;
        Digits p = d;
        p.shift(2);
        Digits r = p;
        r.round(places);
        const QString n = fixedText(p, places, c, true);
        const bool negative = r.negative && !r.isZero();
        const QString body =
            (negative ? c.percentNegative : c.percentPositive) == 0 ? n + QStringLiteral(" %") : n + u'%';
        return negative ? u'-' + body : body;
    }
    case u'G':
    case u'R': {
        if (const auto* f = std::get_if<double>(&v.data)) {
            QString s = letter.toUpper() == u'R' ? QString::number(*f, 'g', QLocale::FloatingPointShortest)
                                                 : QString::number(*f, 'g', precision > 0 ? precision : 15);
            s.replace(u'.', QChar(c.decimal));
            s.replace(QStringLiteral("e+"), QStringLiteral("E+")).replace(QStringLiteral("e-"), QStringLiteral("E-"));
            return s;
        }
        QString s = (d.whole.isEmpty() ? QStringLiteral("0") : d.whole);
        if (!d.fraction.isEmpty())
            s += QChar(c.decimal) + d.fraction;
        return sign(d, s);
    }
    case u'X': {
        if (!integer)
            return std::nullopt;
        const int64_t i = std::get_if<bool>(&v.data) ? int64_t(std::get<bool>(v.data)) : std::get<int64_t>(v.data);
        const int bits = v.type.id == TypeId::BigInt                                ? 64
                         : v.type.id == TypeId::SmallInt                            ? 16
                         : v.type.id == TypeId::TinyInt || v.type.id == TypeId::Bit ? 8
                                                                                    : 32;
        const uint64_t u = bits == 64 ? uint64_t(i) : uint64_t(i) & ((uint64_t(1) << bits) - 1);
        QString s = QString::number(u, 16);
        if (letter == u'X')
            s = s.toUpper();
        if (precision > s.size())
            s = s.rightJustified(precision, u'0');
        return s;
    }
    default:
        return std::nullopt;
    }
}

// A custom numeric format: '0' and '#' placeholders, '.', ',' (grouping, or scaling before the
// point), '%', '‰', 'E0', quoted literals, '\' escapes and up to three ';' sections.
std::optional<QString> customNumber(const Value& v, const QString& format, const Culture& c)
{
    // Sections: positive; negative; zero.
    QStringList sections;
    {
        QString cur;
        QChar quote;
        for (int i = 0; i < format.size(); ++i) {
            const QChar ch = format[i];
            if (!quote.isNull()) {
                if (ch == quote)
                    quote = QChar();
                cur += ch;
            } else if (ch == u'\'' || ch == u'"') {
                quote = ch;
                cur += ch;
            } else if (ch == u'\\' && i + 1 < format.size()) {
                cur += ch;
                cur += format[++i];
            } else if (ch == u';') {
                sections << cur;
                cur.clear();
            } else {
                cur += ch;
            }
        }
        sections << cur;
    }
    Digits d = digitsOf(v);
    QString section = sections[0];
    bool explicitNegative = false;
    if (d.negative && !d.isZero() && sections.size() > 1 && !sections[1].isEmpty()) {
        section = sections[1];
        explicitNegative = true;
    }

    // Reads the section's shape.
    int intPlaceholders = 0, firstZero = -1, fracZeros = 0, fracPlaceholders = 0, scale = 0, percent = 0;
    bool group = false, point = false, scientific = false;
    {
        QChar quote;
        int commas = 0;
        bool sawDigit = false;
        for (int i = 0; i < section.size(); ++i) {
            const QChar ch = section[i];
            if (!quote.isNull()) {
                if (ch == quote)
                    quote = QChar();
                continue;
            }
            if (ch == u'\'' || ch == u'"') {
                quote = ch;
                continue;
            }
            if (ch == u'\\') {
                ++i;
                continue;
            }
            if (scientific)
                continue;
            if (ch == u'0' || ch == u'#') {
                if (commas > 0 && sawDigit && !point)
                    group = true;
                commas = 0;
                sawDigit = true;
                if (point) {
                    ++fracPlaceholders;
                    if (ch == u'0')
                        fracZeros = fracPlaceholders;
                } else {
                    if (ch == u'0' && firstZero < 0)
                        firstZero = intPlaceholders;
                    ++intPlaceholders;
                }
            } else if (ch == u',') {
                if (!point)
                    ++commas;
            } else if (ch == u'.') {
                if (!point) {
                    scale += commas;
                    commas = 0;
                }
                point = true;
            } else if (ch == u'%') {
                ++percent;
            } else if (ch == u'\u2030') {
                percent += 10;  // per mille: three places
            } else if ((ch == u'E' || ch == u'e') && i + 1 < section.size()
                       && (section[i + 1] == u'0' || section[i + 1] == u'+' || section[i + 1] == u'-')) {
                scientific = true;
            }
        }
        if (!point)
            scale += commas;  // commas right before the end of the digits scale too
    }
    if (scientific)
        return std::nullopt;  // not met in the tool's texts; FORMAT gives NULL
    const int percentPlaces = (percent % 10) * 2 + (percent / 10) * 3;
    d.shift(percentPlaces - 3 * scale);
    d.round(fracPlaceholders);
    while (d.fraction.size() > fracZeros && d.fraction.endsWith(u'0'))
        d.fraction.chop(1);
    const bool negative = d.negative && !d.isZero();
    if (!negative && d.isZero() && sections.size() > 2 && !sections[2].isEmpty() && section != sections[2]) {
        // The zero section formats a value that rounds to zero.
        Value zero = intValue(0);
        return customNumber(zero, sections[2], c);
    }

    // Writes the digits into the placeholders: extra leading digits go to the first placeholder,
    // zeros fill from the first '0' on.
    const QString whole = d.whole;
    const int shown = std::max<int>(int(whole.size()), firstZero < 0 ? 0 : intPlaceholders - firstZero);
    const QString digits = whole.rightJustified(shown, u'0');
    QString out;
    int placeholder = 0, emitted = 0, fracIndex = 0;
    bool inFraction = false;
    QChar quote;
    auto emitDigit = [&](QChar digit) {
        out += digit;
        ++emitted;
        const int remaining = shown - emitted;
        if (group && remaining > 0 && remaining % 3 == 0)
            out += QChar(c.group);
    };
    for (int i = 0; i < section.size(); ++i) {
        const QChar ch = section[i];
        if (!quote.isNull()) {
            if (ch == quote)
                quote = QChar();
            else
                out += ch;
            continue;
        }
        if (ch == u'\'' || ch == u'"') {
            quote = ch;
            continue;
        }
        if (ch == u'\\') {
            if (i + 1 < section.size())
                out += section[++i];
            continue;
        }
        if (ch == u'0' || ch == u'#') {
            if (!inFraction) {
                const int slotsAfter = intPlaceholders - placeholder - 1;
                if (placeholder == 0) {
                    // Every digit beyond the placeholders to the right of this one.
                    for (int k = 0; k < shown - slotsAfter && k < shown; ++k)
                        emitDigit(digits[k]);
                } else if (shown - slotsAfter - 1 >= 0) {
                    emitDigit(digits[shown - slotsAfter - 1]);
                }
                ++placeholder;
            } else {
                if (fracIndex < d.fraction.size())
                    out += d.fraction[fracIndex];
                ++fracIndex;
            }
            continue;
        }
        if (ch == u'.') {
            if (!inFraction && !d.fraction.isEmpty())
                out += QChar(c.decimal);
            inFraction = true;
            continue;
        }
        if (ch == u',')
            continue;
        out += ch;
    }
    if (negative && !explicitNegative)
        out.prepend(u'-');
    return out;
}

// ---- dates -------------------------------------------------------------------------------------------

struct DateFields {
    QDate date;
    int64_t units = 0;  // the time of day in 100 ns units
    int offset = 0;  // minutes
    bool hasOffset = false;  // datetimeoffset
};

QString twoDigits(int v) { return QString::number(v).rightJustified(2, u'0'); }

QString offsetOf(int minutes, int width)
{
    const int m = std::abs(minutes);
    const QString sign = minutes < 0 ? QStringLiteral("-") : QStringLiteral("+");
    if (width == 1)
        return sign + QString::number(m / 60);
    if (width == 2)
        return sign + twoDigits(m / 60);
    return sign + twoDigits(m / 60) + u':' + twoDigits(m % 60);
}

std::optional<QString> customDate(const DateFields& f, const QString& format, const Culture& c)
{
    QString out;
    const TimeOfDay clock {f.units};
    const int hour = clock.hour(), minute = clock.minute(), second = clock.second();
    const QString fraction = QString::number(clock.fraction()).rightJustified(7, u'0');
    const int n = int(format.size());
    for (int i = 0; i < n;) {
        const QChar ch = format[i];
        int run = 1;
        while (i + run < n && format[i + run] == ch)
            ++run;
        switch (ch.unicode()) {
        case u'd':
            if (run == 1)
                out += QString::number(f.date.day());
            else if (run == 2)
                out += twoDigits(f.date.day());
            else
                out += item(run == 3 ? c.shortDays : c.days, f.date.dayOfWeek() % 7);
            break;
        case u'M':
            if (run == 1)
                out += QString::number(f.date.month());
            else if (run == 2)
                out += twoDigits(f.date.month());
            else
                out += item(run == 3 ? c.shortMonths : c.months, f.date.month() - 1);
            break;
        case u'y': {
            const int y = f.date.year();
            if (run == 1)
                out += QString::number(y % 100);
            else if (run == 2)
                out += twoDigits(y % 100);
            else
                out += QString::number(y).rightJustified(run, u'0');
            break;
        }
        case u'h': {
            const int h12 = hour % 12 == 0 ? 12 : hour % 12;
            out += run == 1 ? QString::number(h12) : twoDigits(h12);
            break;
        }
        case u'H':
            out += run == 1 ? QString::number(hour) : twoDigits(hour);
            break;
        case u'm':
            out += run == 1 ? QString::number(minute) : twoDigits(minute);
            break;
        case u's':
            out += run == 1 ? QString::number(second) : twoDigits(second);
            break;
        case u'f':
        case u'F': {
            if (run > 7)
                return std::nullopt;
            QString digits = fraction.left(run);
            if (ch == u'F') {
                while (digits.endsWith(u'0'))
                    digits.chop(1);
                if (digits.isEmpty() && out.endsWith(QChar(c.decimal)))
                    out.chop(1);
            }
            out += digits;
            break;
        }
        case u't': {
            const QString designator = QString::fromUtf8(hour < 12 ? c.am : c.pm);
            out += run == 1 ? designator.left(1) : designator;
            break;
        }
        case u'z': {
            const int offset = f.hasOffset ? f.offset : QDateTime::currentDateTime().offsetFromUtc() / 60;
            out += offsetOf(offset, std::min(run, 3));
            break;
        }
        case u'K':
            if (f.hasOffset)
                out += offsetOf(f.offset, 3);
            break;
        case u'g':
            out += QStringLiteral("A.D.");
            break;
        case u':':
            out += QString(run, u':');
            break;
        case u'/':
            out += QString(run, u'/');
            break;
        case u'\'':
        case u'"': {
            int j = i + 1;
            while (j < n && format[j] != ch)
                out += format[j++];
            if (j >= n)
                return std::nullopt;  // an unclosed quote
            i = j + 1;
            continue;
        }
        case u'\\':
            if (i + 1 >= n)
                return std::nullopt;
            out += format[i + 1];
            i += 2;
            continue;
        case u'%':
            i += 1;
            continue;
        default:
            out += QString(run, ch);
            break;
        }
        i += run;
    }
    return out;
}

std::optional<QString> standardDate(const DateFields& f, QChar letter, const Culture& c)
{
    auto pattern = [&](const char* p) { return customDate(f, QString::fromUtf8(p), c); };
    auto join = [&](const char* a, const char* b) -> std::optional<QString> {
        auto x = pattern(a), y = pattern(b);
        if (!x || !y)
            return std::nullopt;
        return *x + u' ' + *y;
    };
    switch (letter.unicode()) {
    case u'd':
        return pattern(c.shortDate);
    case u'D':
        return pattern(c.longDate);
    case u'f':
        return join(c.longDate, c.shortTime);
    case u'F':
        return join(c.longDate, c.longTime);
    case u'g':
        return join(c.shortDate, c.shortTime);
    case u'G':
        return join(c.shortDate, c.longTime);
    case u'm':
    case u'M':
        return pattern(c.monthDay);
    case u'y':
    case u'Y':
        return pattern(c.yearMonth);
    case u't':
        return pattern(c.shortTime);
    case u'T':
        return pattern(c.longTime);
    case u's':
        return pattern("yyyy'-'MM'-'dd'T'HH':'mm':'ss");
    case u'u':
        return customDate(f, QStringLiteral("yyyy'-'MM'-'dd HH':'mm':'ss'Z'"), invariant());
    case u'o':
    case u'O':
        return pattern(f.hasOffset ? "yyyy'-'MM'-'dd'T'HH':'mm':'ss'.'fffffffK"
                                   : "yyyy'-'MM'-'dd'T'HH':'mm':'ss'.'fffffff");
    case u'r':
    case u'R':
        return customDate(f, QStringLiteral("ddd, dd MMM yyyy HH':'mm':'ss 'GMT'"), invariant());
    default:
        return std::nullopt;
    }
}

// A time value formats as a .NET TimeSpan: only d, h, m, s and f/F are specifiers; every other
// character must be quoted or escaped (FORMAT(t, 'hh:mm') gives NULL; 'hh\:mm' works).
std::optional<QString> timeSpanText(int64_t units, const QString& format)
{
    const TimeOfDay clock {units};
    const int hour = clock.hour(), minute = clock.minute(), second = clock.second();
    const QString fraction = QString::number(clock.fraction()).rightJustified(7, u'0');
    if (format == QLatin1String("c") || format == QLatin1String("t") || format == QLatin1String("T")) {
        QString s = twoDigits(hour) + u':' + twoDigits(minute) + u':' + twoDigits(second);
        if (clock.fraction())
            s += u'.' + fraction.left(7);
        return s;
    }
    if (format == QLatin1String("g")) {
        QString s = QString::number(hour) + u':' + twoDigits(minute) + u':' + twoDigits(second);
        QString f = fraction.left(7);
        while (f.endsWith(u'0'))
            f.chop(1);
        return f.isEmpty() ? s : s + u'.' + f;
    }
    if (format == QLatin1String("G"))
        return QStringLiteral("0:") + twoDigits(hour) + u':' + twoDigits(minute) + u':' + twoDigits(second) + u'.'
               + fraction.left(7);
    QString out;
    const int n = int(format.size());
    for (int i = 0; i < n;) {
        const QChar ch = format[i];
        int run = 1;
        while (i + run < n && format[i + run] == ch)
            ++run;
        switch (ch.unicode()) {
        case u'd':
            out += QString::number(0).rightJustified(run, u'0');
            break;
        case u'h':
            if (run > 2)
                return std::nullopt;
            out += run == 1 ? QString::number(hour) : twoDigits(hour);
            break;
        case u'm':
            if (run > 2)
                return std::nullopt;
            out += run == 1 ? QString::number(minute) : twoDigits(minute);
            break;
        case u's':
            if (run > 2)
                return std::nullopt;
            out += run == 1 ? QString::number(second) : twoDigits(second);
            break;
        case u'f':
        case u'F': {
            if (run > 7)
                return std::nullopt;
            QString digits = fraction.left(run);
            if (ch == u'F')
                while (digits.endsWith(u'0'))
                    digits.chop(1);
            out += digits;
            break;
        }
        case u'\'':
        case u'"': {
            int j = i + 1;
            while (j < n && format[j] != ch)
                out += format[j++];
            if (j >= n)
                return std::nullopt;
            i = j + 1;
            continue;
        }
        case u'\\':
            if (i + 1 >= n)
                return std::nullopt;
            out += format[i + 1];
            i += 2;
            continue;
        case u'%':
            i += 1;
            continue;
        default:
            return std::nullopt;
        }
        i += run;
    }
    return out;
}

bool isStandardLetter(const QString& format, QChar* letter, int* precision)
{
    static const QRegularExpression re(QStringLiteral("^([A-Za-z])(\\d{0,2})$"));
    const auto m = re.match(format);
    if (!m.hasMatch())
        return false;
    *letter = m.captured(1).at(0);
    *precision = m.captured(2).isEmpty() ? -1 : m.captured(2).toInt();
    return true;
}

}  // namespace

const Culture* findCulture(const QString& nameIn)
{
    // Any case, '_' for '-' (de_DE); a blank around the name or an empty name is no culture. A neutral
    // name ("de") formats as its main country; "iv" is the invariant culture.
    QString name = nameIn;
    name.replace(u'_', u'-');
    if (name.compare(QLatin1String("iv"), Qt::CaseInsensitive) == 0)
        return &invariant();
    for (const Culture& c : kCultures) {
        const QString full = QString::fromUtf8(c.name);
        if (!full.isEmpty() && name.compare(full, Qt::CaseInsensitive) == 0)
            return &c;
    }
    for (const char* neutral : {"pt-BR", "en-US", "de-DE", "fr-FR"})
        if (name.compare(QLatin1String(neutral).left(2), Qt::CaseInsensitive) == 0)
            return findCulture(QLatin1String(neutral));
    return nullptr;
}

const Culture& cultureOfLanguage(const Language& language)
{
    for (const Culture& c : kCultures)
        if (*c.name && languageName(language) == QString::fromUtf8(c.language))
            return c;
    return kCultures[0];
}

std::optional<QString> formatValue(const Value& v, const QString& format, const Culture& c)
{
    if (v.isNull())
        return std::nullopt;
    if (isNumeric(v.type.id)) {
        QChar letter;
        int precision = -1;
        if (isStandardLetter(format, &letter, &precision))
            return standardNumber(v, letter, precision, c);
        if (format.isEmpty())
            return standardNumber(v, u'G', -1, c);
        return customNumber(v, format, c);
    }
    if (!isDateTime(v.type.id))
        return std::nullopt;
    DateFields f;
    dateTimeUnits(v, &f.date, &f.units);
    if (v.type.id == TypeId::Time)
        return timeSpanText(f.units, format.isEmpty() ? QStringLiteral("c") : format);
    f.hasOffset = v.type.id == TypeId::DateTimeOffset;
    f.offset = offsetMinutesOf(v);
    if (format.isEmpty())
        return standardDate(f, u'G', c);
    if (format.size() == 1)
        return standardDate(f, format[0], c);
    return customDate(f, format, c);
}

std::optional<Value> parseWithCulture(const QString& textIn, const SqlType& target, const Culture& c)
{
    QString text = textIn.trimmed();
    try {
        if (isNumeric(target.id)) {
            // Any number style: blanks, a sign or parentheses, the currency symbol, group separators,
            // the culture's decimal separator and an exponent.
            bool negative = false;
            if (text.startsWith(u'(') && text.endsWith(u')')) {
                negative = true;
                text = text.mid(1, text.size() - 2);
            }
            text.remove(QString::fromUtf8(c.currency)).remove(QChar(c.group));
            if (QChar(c.group) == QChar(u'\u00a0'))
                text.remove(u' ');
            text = text.trimmed();
            if (text.startsWith(u'-') || text.startsWith(u'+')) {
                negative = negative != (text.at(0) == u'-');
                text = text.mid(1).trimmed();
            } else if (text.endsWith(u'-')) {
                negative = !negative;
                text.chop(1);
            }
            if (c.decimal != u'.') {
                if (text.contains(u'.'))
                    return std::nullopt;
                text.replace(QChar(c.decimal), u'.');
            }
            static const QRegularExpression number(QStringLiteral("^(\\d*)(?:\\.(\\d*))?(?:[eE]([+-]?\\d+))?$"));
            const auto m = number.match(text);
            if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(2).isEmpty()))
                return std::nullopt;
            QString plain = (negative ? QStringLiteral("-") : QString()) + text;
            if (isIntegerLike(target.id)) {
                // A whole number only (1.0 parses as 1; 1.5 does not fit an integer).
                if (!m.captured(3).isEmpty())
                    return std::nullopt;
                for (QChar ch : m.captured(2))
                    if (ch != u'0')
                        return std::nullopt;
                plain = (negative ? QStringLiteral("-") : QString())
                        + (m.captured(1).isEmpty() ? QStringLiteral("0") : m.captured(1));
            }
            if (!m.captured(3).isEmpty() && !isFloatType(target.id))
                return convert(convert(stringValue(plain, false), SqlType {TypeId::Float, 0, 53, 0}), target);
            return convert(stringValue(plain, false), target);
        }
        // Dates read with the culture's order and month names; a leading weekday name is dropped.
        static const QRegularExpression weekday(QStringLiteral("^[^\\d\\s,]+,\\s*"));
        text.remove(weekday);
        const Language* language = findLanguage(QString::fromUtf8(c.language));
        DateSettings settings;
        if (language)
            settings.setLanguage(*language);
        DateSettingsScope scope(&settings);
        return convert(stringValue(text, true), target);
    } catch (const SqlError&) {
        return std::nullopt;
    }
}

}  // namespace standin
