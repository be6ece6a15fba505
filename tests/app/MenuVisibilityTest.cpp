#include "app/MenuVisibility.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

struct Shown
{
    bool setonline, kestread, setarh;
};

void expectShown(const MenuVisibility& menu, Shown want)
{
    EXPECT_EQ(menu.setonline, want.setonline);
    EXPECT_EQ(menu.kestread, want.kestread);
    EXPECT_EQ(menu.setarh, want.setarh);
}

TEST(MenuVisibilityTest, StartUpOutcomes)
{
    MenuVisibility noRegistrar;
    noRegistrar.beforeConnecting();
    noRegistrar.afterConnection(false, 25, 0);
    expectShown(noRegistrar, {true, false, false});

    MenuVisibility emptyRegistrar;
    emptyRegistrar.beforeConnecting();
    emptyRegistrar.afterConnection(true, 0, 0);
    expectShown(emptyRegistrar, {false, true, false});

    MenuVisibility withRecords;
    withRecords.beforeConnecting();
    withRecords.afterConnection(true, 0, 3);
    expectShown(withRecords, {false, true, true});
}

TEST(MenuVisibilityTest, LaterFailuresMoveOnlyTheirItems)
{
    MenuVisibility menu;
    menu.afterConnection(true, 0, 3);
    menu.afterConnection(false, 1, 3); // no registrar: reading and settings stay
    expectShown(menu, {true, true, true});
    menu.afterConnection(true, 30, 3); // a failed catalog read takes the settings away
    expectShown(menu, {true, true, false});
    menu.afterConnection(true, 0, 3);

    menu.afterExchangeWindow(0);
    expectShown(menu, {false, true, true});
    menu.afterExchangeWindow(23);
    expectShown(menu, {true, false, true});

    menu.afterRecordTimeRead(true);
    expectShown(menu, {false, true, true});
    menu.afterRecordTimeRead(false);
    expectShown(menu, {true, false, false});
    EXPECT_TRUE(menu.eread) << "the event item is not one of the registrar items";
}

} // namespace
} // namespace kest
