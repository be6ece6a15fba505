#include "import/ImportSummary.h"

namespace kest {

const char* skipReasonText(SkipReason reason)
{
    switch (reason) {
    case SkipReason::EmptyField:
        return "пустое поле";
    case SkipReason::DateOutOfRange:
        return "дата вне 1990–2100";
    case SkipReason::FractionalSeconds:
        return "секунды не целые";
    case SkipReason::NotArchiveKey:
        return "scode не ключ архива";
    case SkipReason::NotControllerCode:
        return "scode не номер контроллера";
    case SkipReason::NotWholeNumber:
        return "не целое число";
    }
    return "";
}

long TableSummary::skippedTotal() const
{
    long total = 0;
    for (const long n : skipped)
        total += n;
    return total;
}

bool ImportSummary::ok() const
{
    if (stopped || !failure.empty())
        return false;
    for (const auto& t : tables) {
        if (t.present() && !t.whole)
            return false;
    }
    return true;
}

std::string skippedText(const TableSummary& table)
{
    std::string text = std::to_string(table.skippedTotal());
    std::string reasons;
    for (int i = 0; i < kSkipReasonCount; ++i) {
        if (table.skipped[i] == 0)
            continue;
        reasons += (reasons.empty() ? "" : ", ") + std::string(skipReasonText(static_cast<SkipReason>(i))) +
                   ": " + std::to_string(table.skipped[i]);
    }
    return reasons.empty() ? text : text + " (" + reasons + ")";
}

std::vector<std::string> summaryLines(const ImportSummary& summary)
{
    std::vector<std::string> lines;
    if (summary.checkOnly)
        lines.push_back("Проверка: в архив ничего не помещено; «помещено» — сколько строк было бы помещено.");
    for (const auto& t : summary.tables) {
        if (!t.present()) {
            lines.push_back(t.table + ": нет в папке, пропущена");
            continue;
        }
        std::string line = t.table + ": прочитано " + std::to_string(t.read) + " из " +
                           std::to_string(t.records) + ", помещено " + std::to_string(t.stored) +
                           ", уже в архиве " + std::to_string(t.existing) + ", пропущено " + skippedText(t);
        if (!t.problem.empty())
            line += "; " + t.problem;
        lines.push_back(line);
    }
    for (const auto& t : summary.tables) {
        for (const auto& d : t.differences)
            lines.push_back(t.table + ": " + d);
    }
    if (!summary.failure.empty())
        lines.push_back(summary.failure);
    return lines;
}

std::vector<std::vector<std::string>> summaryTable(const ImportSummary& summary)
{
    std::vector<std::vector<std::string>> rows = {
        {"Таблица", "Прочитано", "Помещено", "Уже в архиве", "Пропущено", "Примечание"}};
    for (const auto& t : summary.tables) {
        if (!t.present()) {
            rows.push_back({t.table, "", "", "", "", "нет в папке, пропущена"});
            continue;
        }
        rows.push_back({t.table, std::to_string(t.read) + " из " + std::to_string(t.records),
                        std::to_string(t.stored), std::to_string(t.existing), skippedText(t), t.problem});
    }
    for (const auto& t : summary.tables) {
        for (const auto& d : t.differences)
            rows.push_back({t.table, "", "", "", "", d});
    }
    if (!summary.failure.empty())
        rows.push_back({"", "", "", "", "", summary.failure});
    return rows;
}

} // namespace kest
