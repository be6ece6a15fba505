#include "reports/ReportWords.h"

#include <array>

namespace kest {
namespace {

struct UnitForms
{
    const char* many;
    const char* one;
    const char* few;
};

constexpr std::array<UnitForms, 4> kUnits = {{
    {"часов", "час", "часа"},
    {"дней", "день", "дня"},
    {"месяцев", "месяц", "месяца"},
    {"интервалов", "интервал", "интервала"},
}};

constexpr std::array<const char*, 12> kMonths = {"январь",   "февраль", "март",   "апрель",
                                                 "май",      "июнь",    "июль",   "август",
                                                 "сентябрь", "октябрь", "ноябрь", "декабрь"};
constexpr std::array<const char*, 12> kMonthsGenitive = {"января",   "февраля", "марта",  "апреля",
                                                         "мая",      "июня",    "июля",   "августа",
                                                         "сентября", "октября", "ноября", "декабря"};

} // namespace

std::string UnitWord(ReportUnit unit, long long n)
{
    const UnitForms& forms = kUnits[static_cast<std::size_t>(unit)];
    if (n >= 10 && n <= 20)
        return forms.many;
    const long long digit = (n < 0 ? -n : n) % 10;
    if (digit == 1)
        return forms.one;
    if (digit >= 2 && digit <= 4)
        return forms.few;
    return forms.many;
}

std::string MonthName(int month)
{
    return month >= 1 && month <= 12 ? kMonths[month - 1] : "";
}

std::string MonthNameGenitive(int month)
{
    return month >= 1 && month <= 12 ? kMonthsGenitive[month - 1] : "";
}

std::string EventPeriodCaption(int h1, DateTime d1, int h2, DateTime d2)
{
    const std::string word1 = h1 % 10 == 1 ? "часа" : "часов";
    const std::string word2 = h2 != 0 ? "час" : "часов";
    return "c " + std::to_string(h1) + " " + word1 + " " + formatDate(d1) + " г. по " + std::to_string(h2) +
           " " + word2 + " " + formatDate(d2) + " г.";
}

} // namespace kest
