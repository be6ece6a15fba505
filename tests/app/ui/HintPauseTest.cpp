#include "app/ui/HintPause.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>
#include <gtest/gtest.h>

namespace kest {
namespace {

TEST(HintPauseTest, ShowsTheWidgetsHintAndLeavesOthersToQt)
{
    HintPause hints;
    QLineEdit withHint;
    withHint.setToolTip(QStringLiteral("Глубина часового архива (дней)"));
    withHint.show();
    QHelpEvent event(QEvent::ToolTip, {5, 5}, withHint.mapToGlobal(QPoint(5, 5)));
    EXPECT_TRUE(hints.eventFilter(&withHint, &event));
    EXPECT_EQ(QToolTip::text(), withHint.toolTip());
    QToolTip::hideText();

    QLineEdit withoutHint;
    EXPECT_FALSE(hints.eventFilter(&withoutHint, &event));
    QEvent other(QEvent::Show);
    EXPECT_FALSE(hints.eventFilter(&withHint, &other));
}

} // namespace
} // namespace kest
