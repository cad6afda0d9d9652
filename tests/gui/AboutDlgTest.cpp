// The About box: texts, icon, layout and how it ends.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "AboutDlg.h"
#include "GuiTestSupport.h"

using namespace dialogkit;

namespace {

TEST(AboutDlg, ShowsCaptionTextsAndIcon) {
    CAboutDlg dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Cor2Tavikのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(dlg.size(), ToQRect(MapDialogRect(dlg.baseUnits(), 0, 0, 235, 55)).size());

    const auto& controls = dlg.controls();
    ASSERT_EQ(controls.size(), 4u);
    auto* icon = qobject_cast<QLabel*>(controls[0].second);
    auto* name = qobject_cast<QLabel*>(controls[1].second);
    auto* notice = qobject_cast<QLabel*>(controls[2].second);
    auto* ok = qobject_cast<QPushButton*>(controls[3].second);
    ASSERT_TRUE(icon && name && notice && ok);
    EXPECT_EQ(controls[3].first, IDOK);

    EXPECT_EQ(name->text(), QStringLiteral("Cor2Tavik Version 1.0"));
    EXPECT_EQ(notice->text(), QStringLiteral("Copyright (C) 2003"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());

    // The icon control takes the icon's own size at its template position.
    const QPixmap shown = icon->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.size(), QSize(32, 32));
    EXPECT_EQ(shown.toImage(), LoadIcon(128).pixmap(32, 32).toImage());
    EXPECT_EQ(icon->geometry(), QRect(ToQRect(MapDialogRect(dlg.baseUnits(), 11, 17, 20, 20)).topLeft(), QSize(32, 32)));

    for (QLabel* label : {name, notice})
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_FALSE(name->geometry().intersects(ok->geometry()));
    EXPECT_FALSE(notice->geometry().intersects(ok->geometry()));
}

TEST(AboutDlg, OkAndEscEndIt) {
    CAboutDlg byOk;
    ASSERT_TRUE(byOk.Create());
    byOk.show();
    QTest::mouseClick(qobject_cast<QPushButton*>(byOk.GetDlgItem(IDOK)), Qt::LeftButton);
    EXPECT_EQ(byOk.result(), IDOK);
    EXPECT_FALSE(byOk.isVisible());

    CAboutDlg byEsc;
    ASSERT_TRUE(byEsc.Create());
    byEsc.show();
    QTest::keyClick(&byEsc, Qt::Key_Escape);
    EXPECT_EQ(byEsc.result(), IDCANCEL);
    EXPECT_FALSE(byEsc.isVisible());
}

}  // namespace
