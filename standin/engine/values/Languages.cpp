// The server's languages (as sys.syslanguages lists them) and the date settings of the running session.
#include "ValuesInternal.h"

namespace standin {

namespace {

const char* const kEnglishMonths =
    "January,February,March,April,May,June,July,August,September,October,November,December";
const char* const kEnglishShortMonths = "Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec";
const char* const kEnglishDays = "Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday";
const char* const kPortugueseMonths =
    "janeiro,fevereiro,março,abril,maio,junho,julho,agosto,setembro,outubro,novembro,dezembro";
const char* const kPortugueseShortMonths = "jan,fev,mar,abr,mai,jun,jul,ago,set,out,nov,dez";
const char* const kPortugueseDays = "segunda-feira,terça-feira,quarta-feira,quinta-feira,sexta-feira,sábado,domingo";
const char* const kGermanMonths = "Januar,Februar,März,April,Mai,Juni,Juli,August,September,Oktober,November,Dezember";
const char* const kGermanShortMonths = "Jan,Feb,Mär,Apr,Mai,Jun,Jul,Aug,Sep,Okt,Nov,Dez";
const char* const kGermanDays = "Montag,Dienstag,Mittwoch,Donnerstag,Freitag,Samstag,Sonntag";
const char* const kFrenchMonths =
    "janvier,février,mars,avril,mai,juin,juillet,août,septembre,octobre,novembre,décembre";
const char* const kFrenchShortMonths = "janv,févr,mars,avr,mai,juin,juil,août,sept,oct,nov,déc";
const char* const kFrenchDays = "lundi,mardi,mercredi,jeudi,vendredi,samedi,dimanche";

const Language kLanguages[] = {
    {0, "us_english", "English", "mdy", 7, kEnglishMonths, kEnglishShortMonths, kEnglishDays},
    {1, "Deutsch", "German", "dmy", 1, kGermanMonths, kGermanShortMonths, kGermanDays},
    {2, "Français", "French", "dmy", 1, kFrenchMonths, kFrenchShortMonths, kFrenchDays},
    {9, "Português", "Portuguese", "dmy", 7, kPortugueseMonths, kPortugueseShortMonths, kPortugueseDays},
    {23, "British", "British English", "dmy", 1, kEnglishMonths, kEnglishShortMonths, kEnglishDays},
    {27, "Português (Brasil)", "Brazilian", "dmy", 7, kPortugueseMonths, kPortugueseShortMonths, kPortugueseDays},
};

QString listItem(const char* list, int index) { return QString::fromUtf8(list).split(QLatin1Char(',')).value(index); }

const DateSettings kDefaultSettings;
thread_local const DateSettings* tCurrent = nullptr;

}  // namespace

const Language& defaultLanguage() { return kLanguages[0]; }

const Language* findLanguage(const QString& nameOrAlias)
{
    const QString wanted = nameOrAlias.trimmed();
    for (const Language& l : kLanguages)
        if (compareText(wanted, QString::fromUtf8(l.name)) == 0 || compareText(wanted, QString::fromUtf8(l.alias)) == 0)
            return &l;
    return nullptr;
}

QString languageName(const Language& l) { return QString::fromUtf8(l.name); }

QString monthName(const Language& l, int month, bool shortName)
{
    return listItem(shortName ? l.shortMonths : l.months, month - 1);
}

QString dayName(const Language& l, int isoWeekday) { return listItem(l.days, isoWeekday - 1); }

void DateSettings::setLanguage(const Language& l)
{
    language = &l;
    order = QString::fromLatin1(l.dateFormat);
    dateFirst = l.dateFirst;
}

const DateSettings& currentDateSettings() { return tCurrent ? *tCurrent : kDefaultSettings; }

DateSettingsScope::DateSettingsScope(const DateSettings* settings)
    : previous_(tCurrent)
{
    tCurrent = settings;
}

DateSettingsScope::~DateSettingsScope() { tCurrent = previous_; }

}  // namespace standin
