#include "registrar/RegistrarImage.h"

namespace kest {

RegistrarImage::RegistrarImage() : m_records(new ImageRecord[kImageRecords])
{
    ResetRegistrarImage(*this);
}

void ResetRegistrarImage(RegistrarImage& image)
{
    for (int r = 1; r <= kImageRecords; ++r) {
        ImageRecord& rec = image.record(r);
        rec.Settings.clear();
        rec.rhour = 0;
        rec.rday = 0;
        rec.avans = 0;
        rec.smin = 5;
        rec.RecordTime = 0;
        rec.RecordYear = 0;
        rec.HeaderTail.fill(0);
        rec.FixedGroups.fill(0.0);
        for (auto& a : rec.Hourly)
            a.fill(0.0);
        for (auto& a : rec.Daily)
            a.fill(0.0);
        for (auto& a : rec.Monthly)
            a.fill(0.0);
        for (auto& a : rec.Interval)
            a.fill(0.0);
        for (auto& a : rec.ExtendedHourly)
            a.fill(0.0);
    }
}

} // namespace kest
