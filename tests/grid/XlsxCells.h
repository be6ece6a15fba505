#pragma once

#include "TestSupport.h"

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace kest::test {

/// The cells of the first sheet of an xlsx file by their reference ("B6"): the shared
/// string of a text cell, the stored number of a numeric one. Empty when the file does
/// not open as a workbook.
inline std::map<std::string, std::string> xlsxCells(const std::filesystem::path& xlsx)
{
    std::string sheet, strings;
    if (runCommand("unzip -p '" + xlsx.string() + "' xl/worksheets/sheet1.xml", &sheet) != 0)
        return {};
    runCommand("unzip -p '" + xlsx.string() + "' xl/sharedStrings.xml", &strings);
    std::vector<std::string> shared;
    const std::regex si(R"re(<si>([\s\S]*?)</si>)re"), t(R"re(<t[^>]*>([^<]*)</t>)re");
    for (auto it = std::sregex_iterator(strings.begin(), strings.end(), si); it != std::sregex_iterator(); ++it) {
        const std::string item = (*it)[1];
        std::string text;
        for (auto p = std::sregex_iterator(item.begin(), item.end(), t); p != std::sregex_iterator(); ++p)
            text += (*p)[1];
        shared.push_back(text);
    }
    std::map<std::string, std::string> cells;
    const std::regex cell(R"re(<c r="([A-Z]+[0-9]+)"([^>]*?)(?:/>|>([\s\S]*?)</c>))re"),
        value(R"re(<v>([^<]*)</v>)re");
    for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell); it != std::sregex_iterator(); ++it) {
        const std::string ref = (*it)[1], attrs = (*it)[2], body = (*it)[3];
        std::smatch v;
        if (!std::regex_search(body, v, value))
            continue;
        if (attrs.find("t=\"s\"") != std::string::npos) {
            const auto index = static_cast<std::size_t>(std::stoul(v[1]));
            cells[ref] = index < shared.size() ? shared[index] : "";
        } else {
            cells[ref] = v[1];
        }
    }
    return cells;
}

} // namespace kest::test
