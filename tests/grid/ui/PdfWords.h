#pragma once

#include "TestSupport.h"

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace kest::test {

/// A word of `pdftotext -bbox` in points.
struct PdfWord
{
    std::string text;
    double xMin, yMin, xMax, yMax;
    int page = 1; ///< counted from 1
};

inline std::vector<PdfWord> pdfWords(const std::filesystem::path& pdf, double* pageWidth, double* pageHeight)
{
    std::string html;
    if (runCommand("pdftotext -bbox '" + pdf.string() + "' -", &html) != 0)
        return {};
    std::vector<PdfWord> words;
    const std::regex page(R"re(<page width="([0-9.]+)" height="([0-9.]+)")re");
    std::smatch m;
    if (std::regex_search(html, m, page)) {
        *pageWidth = std::stod(m[1]);
        *pageHeight = std::stod(m[2]);
    }
    const std::regex word(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::size_t nextPage = html.find("<page ");
    int pageNumber = 0;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it) {
        const auto& w = *it;
        while (nextPage != std::string::npos && nextPage < static_cast<std::size_t>(w.position(0))) {
            ++pageNumber;
            nextPage = html.find("<page ", nextPage + 1);
        }
        words.push_back({w[5], std::stod(w[1]), std::stod(w[2]), std::stod(w[3]), std::stod(w[4]), pageNumber});
    }
    return words;
}

} // namespace kest::test
