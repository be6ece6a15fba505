#pragma once

#include "TestSupport.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "forms/DeliveredForms.h"
#include "forms/StandardForm.h"
#include "reports/ui/ReportSession.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kest::test {

/// A program folder whose data folder holds the delivered standard forms and an
/// archive database with controller 0412: daily archives 1, 5 and 7 from 1 to 6
/// March 2024; and the shared state the form windows take.
struct FormWindowHome
{
    TempDir dir;
    std::filesystem::path data = dir / "data";
    BlankState blanks;
    PeriodTable periods;
    ExchangeState status;
    MemoryPrompter prompter;
    ReportSession session{blanks, periods, status, prompter};
    ParameterTable parameters;

    FormWindowHome()
    {
        std::filesystem::create_directories(data);
        writeFile(dir / "NN.INI", "[TIME]\r\nPUT=" + data.string() + "/\r\n");
        blanks.DatabasePath = data.string() + "/";
        std::vector<std::string> installed;
        EXPECT_EQ(InstallDeliveredForms(blanks.DatabasePath, installed), "");
        std::string error;
        auto db = OpenArchiveDatabase(blanks.DatabasePath, true, &error);
        auto key = [](int a) { return ArchiveKey(0x0412, ArchiveKind::Daily, a); };
        const DateTime start = *encodeDateTime(2024, 3, 1);
        for (int d = 0; d < 6; ++d) {
            WriteArchiveRow(*db, ArchiveKind::Daily, {start + d, key(1), 3.0 + d});
            WriteArchiveRow(*db, ArchiveKind::Daily, {start + d, key(5), 500.0 + 48 * d});
            WriteArchiveRow(*db, ArchiveKind::Daily, {start + d, key(7), 65.5});
        }
    }

    std::vector<std::string> forms() const { return StandardFormList(blanks.DatabasePath); }
    static std::vector<std::string> controllers() { return {"нет", "Котельная №3 (0412)", "ЦТП (0A1F)"}; }
};

} // namespace kest::test
