#pragma once

#include <QObject>

namespace kest {

/// Keeps every hint on screen for a fixed time, long enough to read the longer
/// Russian hints of the settings, instead of Qt's time that grows with the text.
class HintPause final : public QObject
{
public:
    static constexpr int kShownMs = 15000;
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kest
