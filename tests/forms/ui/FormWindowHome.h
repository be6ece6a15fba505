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
/// archive database with controller 0412: daily archives 1 to 13 from 1 to 6 March
/// 2024; and the shared state the form windows take.
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
        // A heat-metering unit as the delivered forms read it: temperatures 1-2, masses
        // 3-5, heat 6, hours 7, and readings at each day's start and end (8-13), the
        // end of a day being the start plus the day's quantity.
        auto key = [](int a) { return ArchiveKey(0x0412, ArchiveKind::Daily, a); };
        const DateTime start = *encodeDateTime(2024, 3, 1);
        double q = 500, m1 = 1000, m2 = 900;
        for (int d = 0; d < 6; ++d) {
            const double day[] = {90.0 + d, 60.0 + d, 100.0 + d, 98.0 + d, 2, 3.0 + d, 24,
                                  q,        q + 3 + d, m1,        m1 + 100 + d, m2, m2 + 98 + d};
            for (int a = 1; a <= 13; ++a)
                WriteArchiveRow(*db, ArchiveKind::Daily, {start + d, key(a), day[a - 1]});
            q += 3 + d;
            m1 += 100 + d;
            m2 += 98 + d;
        }
    }

    std::vector<std::string> forms() const { return StandardFormList(blanks.DatabasePath); }
    static std::vector<std::string> controllers() { return {"нет", "Котельная №3 (0412)", "ЦТП (0A1F)"}; }
};

} // namespace kest::test
