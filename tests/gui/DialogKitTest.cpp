// The layer under the dialogs: dialog units, filters and templates.
#include <QLabel>

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "dialogkit/CommonDialogs.h"
#include "dialogkit/Dialog.h"
#include "dialogkit/Styles.h"

using namespace dialogkit;

namespace {

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(10, 7, 4), 18);  // 17.5
    EXPECT_EQ(MulDiv(9, 7, 4), 16);   // 15.75
    EXPECT_EQ(MulDiv(-10, 7, 4), -18);
    EXPECT_EQ(MulDiv(1 << 30, 8, 8), 1 << 30);  // no 32-bit overflow in between
}

TEST(CommonDialogs, FilterSplitsIntoNameAndPatternPairs) {
    const auto filters = ParseFilter("Data Files(*.dat3) | *.dat3| All File(*.*) | *.*||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].displayName, "Data Files(*.dat3) ");
    EXPECT_EQ(filters[1].pattern, "*");  // what "*.*" means on this system

    EXPECT_TRUE(ParseFilter("").empty());
    EXPECT_TRUE(ParseFilter("||").empty());
    // The blank after a bar is padding, not part of the next name.
    EXPECT_EQ(ParseFilter("A |*.a|  B|*.b||")[1].displayName, "B");
    // A name without its pattern, and anything after the closing bars, is dropped.
    EXPECT_EQ(ParseFilter("A|*.a|B").size(), 1u);
    EXPECT_EQ(ParseFilter("A|*.a||B|*.b||").size(), 1u);
}

// A module of one made-up dialog, current for the life of the fixture.
class TemplateTest : public ::testing::Test {
protected:
    TemplateTest() {
        module.dialogs = {DialogTemplate{
            7, "T", "ＭＳ Ｐゴシック", 9, 100, 40, WS_POPUP | WS_CAPTION, 0,
            {
                {IDC_STATIC, ControlKind::Static, 0, "a label far wider than its box", 4, 4, 10, 8},
                {20, ControlKind::Static, 0, "a tail that runs off the edge", 80, 20, 10, 8},
                {21, ControlKind::Edit, WS_TABSTOP, "start", 4, 20, 40, 12},
                {IDC_STATIC, ControlKind::Static, 0, "second", 4, 30, 30, 8},
            }}};
        previous = UseResources(module);
    }
    ~TemplateTest() override { UseResources(*previous); }

    ResourceModule module;
    const ResourceModule* previous;
};

TEST_F(TemplateTest, StaticsGrowToTheirTextWithinTheDialog) {
    Dialog dlg(7);
    ASSERT_TRUE(dlg.Create());
    auto* wide = qobject_cast<QLabel*>(dlg.GetDlgItem(IDC_STATIC));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->text(), QStringLiteral("a label far wider than its box"));  // the first IDC_STATIC
    EXPECT_EQ(wide->width(), wide->fontMetrics().horizontalAdvance(wide->text()));
    EXPECT_EQ(wide->x(), MapDialogRect(dlg.baseUnits(), 4, 4, 0, 0).x);

    // Near the right edge a label grows only to the edge.
    QWidget* tail = dlg.GetDlgItem(20);
    EXPECT_EQ(tail->geometry().right(), dlg.width() - 1);

    // A new text grows it again; a shorter one leaves it as wide as the template.
    dlg.SetDlgItemText(20, "x");
    EXPECT_EQ(tail->width(), MapDialogRect(dlg.baseUnits(), 0, 0, 10, 8).cx);
}

TEST_F(TemplateTest, MissingResourcesFail) {
    Dialog dlg(8);
    EXPECT_FALSE(dlg.Create());
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(LoadString(101), "");
    EXPECT_TRUE(LoadIcon(128).isNull());
}

}  // namespace
