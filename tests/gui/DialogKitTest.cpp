// The layer under the dialogs: dialog units, filters, templates and access by id.
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "Resources.h"
#include "dialogkit/CommonDialogs.h"
#include "dialogkit/Dialog.h"
#include "dialogkit/qt/DialogFont.h"

using namespace dialogkit;

namespace {

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(10, 7, 4), 18);  // 17.5
    EXPECT_EQ(MulDiv(9, 7, 4), 16);   // 15.75
    EXPECT_EQ(MulDiv(-10, 7, 4), -18);
    EXPECT_EQ(MulDiv(1 << 30, 8, 8), 1 << 30);  // no 32-bit overflow in between
}

TEST(DialogUnits, RectScalesByQuarterWidthAndEighthHeight) {
    EXPECT_EQ(MapDialogRect(BaseUnits{7, 13}, 0, 0, 320, 200), (Rect{0, 0, 560, 325}));
    EXPECT_EQ(MapDialogRect(BaseUnits{7, 13}, 56, 177, 50, 14), (Rect{98, 288, 88, 23}));
    EXPECT_EQ(MapDialogRect(BaseUnits{6, 12}, 261, 112, 33, 14), (Rect{392, 168, 50, 21}));
}

TEST(DialogUnits, DialogFontHasGlyphsForEveryText) {
    // Japanese must come from the substituted face itself, not from per-glyph
    // fallback into a face whose metrics the layout never saw.
    const QFontMetrics metrics(DialogFont("ＭＳ Ｐゴシック", 9));
    QStringList texts;
    for (const DialogTemplate& t : Cor2TavikResources().dialogs) {
        texts << QString::fromStdString(t.caption);
        for (const ControlTemplate& c : t.controls) texts << QString::fromStdString(c.text);
    }
    for (const auto& [id, text] : Cor2TavikResources().strings) texts << QString::fromStdString(text);
    for (const QString& text : texts)
        for (QChar ch : text)
            EXPECT_TRUE(metrics.inFont(ch)) << text.toStdString() << " U+" << std::hex << int(ch.unicode());
}

TEST(CommonDialogs, FilterSplitsIntoNameAndPatternPairs) {
    const auto filters = ParseFilter("Data Files(*.dat3) | *.dat3| All File(*.*) | *.*||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].displayName, "Data Files(*.dat3) ");
    EXPECT_EQ(filters[0].pattern, "*.dat3");
    EXPECT_EQ(filters[1].displayName, "All File(*.*) ");
    EXPECT_EQ(filters[1].pattern, "*");

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
            7, "T", "ＭＳ Ｐゴシック", 9, 100, 40, false,
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

TEST_F(TemplateTest, AccessByIdReachesEachKindAndIgnoresUnknownIds) {
    Dialog dlg(7);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.GetDlgItemText(21), "start");
    dlg.SetDlgItemText(21, "typed");
    EXPECT_EQ(qobject_cast<QLineEdit*>(dlg.GetDlgItem(21))->text(), QStringLiteral("typed"));
    EXPECT_EQ(dlg.GetDlgItem(99), nullptr);
    dlg.SetDlgItemText(99, "nowhere");
    EXPECT_EQ(dlg.GetDlgItemText(99), "");
    // No WS_SYSMENU, no system menu.
    EXPECT_EQ(dlg.GetSystemMenu(), nullptr);
    EXPECT_EQ(dlg.ShowSystemMenu(QPoint()), nullptr);
}

TEST_F(TemplateTest, MissingResourcesFailLikeTheirWindowsCounterparts) {
    Dialog dlg(8);
    EXPECT_FALSE(dlg.Create());
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(LoadString(101), "");
    EXPECT_TRUE(LoadIcon(128).isNull());
}

}  // namespace
