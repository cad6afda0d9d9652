// The converter dialog: its controls, keyboard, conversion, chooser and
// system menu, driven headless.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "AboutDlg.h"
#include "ConverterDlg.h"
#include "GuiTestSupport.h"
#include "Resources.h"

using namespace dialogkit;
using guitest::Chooser;
using guitest::MessageBoxes;
using guitest::OnModal;

namespace {

class ConverterDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(dlg.Create());
    }

    QString InDir(const QString& name) const { return dir.filePath(name); }
    QLineEdit* PathBox() { return qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_MODEL_PATH)); }
    QPushButton* Button(int id) { return qobject_cast<QPushButton*>(dlg.GetDlgItem(id)); }

    void ShowAndActivate() {
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }

    // A dialog that ended is hidden and keeps its end code.
    bool Ended() const { return !dlg.isVisible() && dlg.result() != 0; }

    QTemporaryDir dir;
    MessageBoxes boxes;
    Chooser chooser;
    CConverterDlg dlg;
};

// --- Controls after OnInitDialog ---------------------------------------------

TEST_F(ConverterDlgTest, InitDialogSetsCaptionAndEveryControlText) {
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Cor2Tavik"));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TITLE_TEXT), "TAVIK/QR DATA CONVERTOR");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TARGET_TEXT), "(FOR CORVANTIS)");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_VERSION_TEXT), "Ver 5.00");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_UPDATE_TEXT), "Update : 2003/12/22");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MAKER_TEXT), "Quendrall Corporation");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_STATIC), "TAVIKデータ（解析モデル）選択");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL_PATH), "");
    EXPECT_EQ(dlg.GetDlgItemText(IDOK), "OK");
    EXPECT_EQ(dlg.GetDlgItemText(IDCANCEL), "ｷｬﾝｾﾙ");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_BROWSE), "参照");
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_FALSE(dlg.OnQueryDragIcon().isNull());
}

TEST_F(ConverterDlgTest, ControlsKeepTemplateIdsKindsAndOrder) {
    const std::vector<int> expected = {IDOK,          IDCANCEL,       IDC_TITLE_TEXT, IDC_VERSION_TEXT, IDC_UPDATE_TEXT,
                                       IDC_MAKER_TEXT, IDC_TARGET_TEXT, IDC_STATIC,     IDC_MODEL_PATH,   IDC_BROWSE};
    std::vector<int> ids;
    for (const auto& [id, widget] : dlg.controls()) ids.push_back(id);
    EXPECT_EQ(ids, expected);

    EXPECT_TRUE(Button(IDOK)->isDefault());
    EXPECT_FALSE(Button(IDCANCEL)->isDefault());
    EXPECT_FALSE(Button(IDC_BROWSE)->isDefault());
    EXPECT_FALSE(PathBox()->isReadOnly());
    for (int id : {IDC_TITLE_TEXT, IDC_VERSION_TEXT, IDC_UPDATE_TEXT, IDC_MAKER_TEXT, IDC_TARGET_TEXT, IDC_STATIC})
        EXPECT_NE(qobject_cast<QLabel*>(dlg.GetDlgItem(id)), nullptr) << id;
}

TEST_F(ConverterDlgTest, LayoutIsInDialogUnitsAndNothingIsClippedOrOverlaps) {
    const BaseUnits u = dlg.baseUnits();
    EXPECT_EQ(dlg.size(), ToQRect(MapDialogRect(u, 0, 0, 320, 200)).size());
    EXPECT_EQ(Button(IDOK)->geometry(), ToQRect(MapDialogRect(u, 56, 177, 50, 14)));
    EXPECT_EQ(Button(IDCANCEL)->geometry(), ToQRect(MapDialogRect(u, 124, 178, 50, 14)));
    EXPECT_EQ(PathBox()->geometry(), ToQRect(MapDialogRect(u, 46, 111, 206, 14)));
    EXPECT_EQ(Button(IDC_BROWSE)->geometry(), ToQRect(MapDialogRect(u, 261, 112, 33, 14)));

    const auto& controls = dlg.controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        QWidget* w = controls[i].second;
        EXPECT_TRUE(dlg.rect().contains(w->geometry())) << controls[i].first;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
                << label->text().toStdString();
            EXPECT_GE(label->height(), label->fontMetrics().height()) << label->text().toStdString();
        }
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(w->geometry().intersects(controls[j].second->geometry()))
                << controls[i].first << " overlaps " << controls[j].first;
    }
}

TEST_F(ConverterDlgTest, FocusStartsOnOkAndTabFollowsTemplateOrder) {
    ShowAndActivate();
    ASSERT_EQ(QApplication::focusWidget(), Button(IDOK));
    const std::vector<QWidget*> cycle = {Button(IDCANCEL), PathBox(), Button(IDC_BROWSE), Button(IDOK)};
    for (QWidget* next : cycle) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), Button(IDC_BROWSE));
}

// --- OK, Enter, Cancel, Esc ----------------------------------------------------

TEST_F(ConverterDlgTest, OkWithTypedPathConvertsAndCloses) {
    guitest::WriteFile(InDir("model1.dat3"), guitest::kCleanModel);
    QTest::keyClicks(PathBox(), InDir("model1.dat3"));
    QTest::mouseClick(Button(IDOK), Qt::LeftButton);

    EXPECT_TRUE(QFile::exists(InDir("model1.std")));
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(boxes.shown.empty());  // a clean conversion says nothing
}

TEST_F(ConverterDlgTest, EnterInThePathBoxRunsOk) {
    guitest::WriteFile(InDir("model1.dat3"), guitest::kCleanModel);
    ShowAndActivate();
    PathBox()->setFocus();
    QTest::keyClicks(PathBox(), InDir("model1.dat3"));
    QTest::keyClick(PathBox(), Qt::Key_Return);

    EXPECT_TRUE(QFile::exists(InDir("model1.std")));
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_TRUE(Ended());
}

TEST_F(ConverterDlgTest, CancelEscAndCloseBoxEndWithoutConverting) {
    guitest::WriteFile(InDir("model1.dat3"), guitest::kCleanModel);
    int conversions = 0;
    dlg.m_convert = [&](std::string_view) { return ++conversions, cor2tavik::ConversionReport{}; };
    const std::vector<std::function<void()>> ways = {
        [&] { QTest::mouseClick(Button(IDCANCEL), Qt::LeftButton); },
        [&] { QTest::keyClick(PathBox(), Qt::Key_Escape); },
        [&] { dlg.close(); },
        [&] { dlg.OnSysCommand(SC_CLOSE, 0); },
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        ShowAndActivate();
        dlg.setResult(0);
        PathBox()->setText(InDir("model1.dat3"));
        ways[i]();
        EXPECT_EQ(dlg.result(), IDCANCEL) << "way " << i;
        EXPECT_FALSE(dlg.isVisible()) << "way " << i;
    }
    EXPECT_EQ(conversions, 0);
    EXPECT_FALSE(QFile::exists(InDir("model1.std")));
}

// --- Failed and imperfect conversions -----------------------------------------

TEST_F(ConverterDlgTest, MissingModelIsReportedAndTheDialogStaysOpen) {
    ShowAndActivate();
    const QString path = InDir("nothere.dat3");
    PathBox()->setText(path);
    QTest::mouseClick(Button(IDOK), Qt::LeftButton);

    ASSERT_EQ(boxes.shown.size(), 1u);
    const MessageBoxRequest& box = boxes.shown[0];
    EXPECT_EQ(box.caption, "Cor2Tavik");
    EXPECT_EQ(box.icon, MessageIcon::Error);
    EXPECT_EQ(box.owner, &dlg);
    EXPECT_EQ(box.text, QStringLiteral("変換できませんでした。TAVIKデータは書き出していません。\n\n"
                                       "ファイル：%1\n"
                                       "理由：開けません：ファイルまたはフォルダーがありません\n\n"
                                       "パスを直して OK を押すか、ｷｬﾝｾﾙで終了してください。")
                            .arg(path)
                            .toStdString());

    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_EQ(PathBox()->text(), path);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the wait cursor is gone
    EXPECT_FALSE(QFile::exists(InDir("nothere.std")));
}

TEST_F(ConverterDlgTest, BrokenModelKeepsTheOldOutputAndNamesTheLine) {
    guitest::WriteFile(InDir("broken.dat3"), "title\r\n\r\nNODE many\r\n");
    guitest::WriteFile(InDir("broken.std"), "an earlier conversion\r\n");
    PathBox()->setText(InDir("broken.dat3"));
    dlg.OnOK();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(guitest::Contains(boxes.shown[0].text, QStringLiteral("ファイル：%1（3 行目）\n理由：node count line：no integer at column 5\n")
                                                 .arg(InDir("broken.dat3"))))
        << boxes.shown[0].text;
    QFile old(InDir("broken.std"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("an earlier conversion\r\n"));
    EXPECT_TRUE(dlg.result() == 0);
}

TEST_F(ConverterDlgTest, UnwritableOutputIsReportedByItsName) {
    guitest::WriteFile(InDir("model1.dat3"), guitest::kCleanModel);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("model1.std")));  // in the way of the output
    PathBox()->setText(InDir("model1.dat3"));
    dlg.OnOK();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(guitest::Contains(boxes.shown[0].text, QStringLiteral("ファイル：%1\n理由：").arg(InDir("model1.std"))))
        << boxes.shown[0].text;
    EXPECT_EQ(dlg.result(), 0);
}

TEST_F(ConverterDlgTest, PathLengthIsCountedInBytesOfTheFileSystemEncoding) {
    ShowAndActivate();
    // 511 bytes is the longest path the core takes; the reason then is the core's.
    const QString dirPart = dir.path() + QLatin1Char('/');
    QString fits = dirPart + QString(511 - dirPart.toUtf8().size() - 5, QLatin1Char('a')) + QStringLiteral(".dat3");
    ASSERT_EQ(QFile::encodeName(fits).size(), 511);
    PathBox()->setText(fits);
    dlg.OnOK();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(guitest::Contains(boxes.shown[0].text, QStringLiteral("パスが長すぎます")));

    // 171 Japanese characters are 513 bytes: too long, though only 171 + 5 characters.
    const QString tooLong = QString(171, QChar(0x30E2)) + QStringLiteral(".dat3");
    PathBox()->setText(tooLong);
    dlg.OnOK();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(guitest::Contains(boxes.shown[1].text, QStringLiteral("パスが長すぎます（518 バイト。511 バイトまで）")))
        << boxes.shown[1].text;
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(PathBox()->text(), tooLong);
}

TEST_F(ConverterDlgTest, InputProblemsAreShownThenTheDialogCloses) {
    // Element 1's type code disagrees with its node count; element 2 has 5 nodes.
    guitest::WriteFile(InDir("odd.dat3"), "odd model\r\n\r\nNODE    4\r\n"
                                          "1 0 0 0\r\n2 1 0 0\r\n3 0 1 0\r\n4 0 0 1\r\n"
                                          "ELEM    2\r\n1 308 4 1 2 3 4\r\n2 305 5 1 2 3 4 1\r\n");
    PathBox()->setText(InDir("odd.dat3"));
    dlg.OnOK();

    EXPECT_TRUE(QFile::exists(InDir("odd.std")));
    ASSERT_EQ(boxes.shown.size(), 1u);
    const QString text = QString::fromStdString(boxes.shown[0].text);
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(text.startsWith(QStringLiteral("TAVIKデータを書き出しましたが、入力に 2 件の問題がありました。")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("odd.dat3:9: element 1: type code 308 does not agree with node count 4")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("ほか")));
    EXPECT_TRUE(Ended());
    EXPECT_EQ(dlg.result(), IDOK);
}

TEST_F(ConverterDlgTest, ProblemListShowsTheFirstFiveAndTheTotal) {
    dlg.m_convert = [](std::string_view) {
        cor2tavik::ConversionReport report;
        for (int i = 1; i <= 7; ++i)
            report.problems.push_back({"m.dat3", 10 + i, cor2tavik::Reason::countNegative, 0, "count", {}, {-i}});
        report.problems.push_back({"Stress.dat", 0, cor2tavik::Reason::colonMissing, 0, "record 1", {}, {}});
        report.problemCount = 1200;  // more than the report keeps
        return report;
    };
    dlg.OnOK();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const QStringList lines = QString::fromStdString(boxes.shown[0].text).split(QLatin1Char('\n'));
    const QStringList expected = {
        QStringLiteral("TAVIKデータを書き出しましたが、入力に 1200 件の問題がありました。"),
        QString(),
        QStringLiteral("m.dat3:11: count: negative count -1"),
        QStringLiteral("m.dat3:12: count: negative count -2"),
        QStringLiteral("m.dat3:13: count: negative count -3"),
        QStringLiteral("m.dat3:14: count: negative count -4"),
        QStringLiteral("m.dat3:15: count: negative count -5"),
        QStringLiteral("ほか 1195 件"),
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ConverterDlgTest, JapanesePathReachesTheCoreInTheFileSystemEncoding) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("解析データ")));
    const QString model = InDir(QStringLiteral("解析データ/モデル1.dat3"));
    guitest::WriteFile(model, guitest::kCleanModel);
    PathBox()->setText(model);  // keyClicks cannot type Japanese
    dlg.OnOK();

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(QFile::exists(InDir(QStringLiteral("解析データ/モデル1.std"))));
    EXPECT_TRUE(Ended());
}

TEST_F(ConverterDlgTest, JobRunsOnAWorkerUnderTheWaitCursorWithTheTextAsUtf8) {
    std::optional<Qt::CursorShape> during;
    std::string given;
    bool enabledDuring = true;
    std::atomic<bool> handled = false;
    bool handledDuring = false;
    std::thread::id worker;
    dlg.m_convert = [&](std::string_view path) {
        if (QCursor* c = QApplication::overrideCursor()) during = c->shape();
        enabledDuring = dlg.isEnabled();
        worker = std::this_thread::get_id();
        given = std::string(path);
        // The dialog's thread goes on handling events (painting) meanwhile.
        QMetaObject::invokeMethod(&dlg, [&] { handled = true; }, Qt::QueuedConnection);
        for (int i = 0; i < 1000 && !handled; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        handledDuring = handled.load();
        return cor2tavik::ConversionReport{};
    };
    PathBox()->setText(QStringLiteral("/データ/m.dat3"));
    dlg.OnOK();
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_TRUE(handledDuring);
    EXPECT_FALSE(enabledDuring);
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_TRUE(dlg.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(given, "/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF/m.dat3");
}

// --- The chooser ----------------------------------------------------------------

TEST_F(ConverterDlgTest, BrowseSetsUpTheChooserAndFillsTheBox) {
    chooser.answer = "/data/モデル1.dat3";
    QTest::mouseClick(Button(IDC_BROWSE), Qt::LeftButton);

    ASSERT_EQ(chooser.seen.size(), 1u);
    const Chooser::Seen& seen = chooser.seen[0];
    EXPECT_EQ(seen.title, "COR2TAVIK初期画面");
    ASSERT_EQ(seen.filters.size(), 2u);
    EXPECT_EQ(seen.filters[0].displayName, "Data Files(*.dat3) ");
    EXPECT_EQ(seen.filters[0].pattern, "*.dat3");
    EXPECT_EQ(seen.filters[1].displayName, "All File(*.*) ");
    EXPECT_EQ(seen.filters[1].pattern, "*");
    EXPECT_TRUE(seen.flags & FileDialog::OFN_FILEMUSTEXIST);
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/data/モデル1.dat3"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ConverterDlgTest, CancelledChooserKeepsTheTextAndEachPressIsFresh) {
    PathBox()->setText(QStringLiteral("typed.dat3"));
    chooser.answer.reset();
    dlg.OnBrowse();
    EXPECT_EQ(PathBox()->text(), QStringLiteral("typed.dat3"));

    chooser.answer = "/a/picked.dat3";
    dlg.OnBrowse();
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/a/picked.dat3"));

    chooser.answer.reset();
    dlg.OnBrowse();
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/a/picked.dat3"));
    ASSERT_EQ(chooser.seen.size(), 3u);
    for (const Chooser::Seen& seen : chooser.seen) EXPECT_TRUE(seen.pathBefore.empty());
}

TEST_F(ConverterDlgTest, QtChooserShowsTheTitleAndFiltersAndReturnsTheFile) {
    FileDialog::SetHandler(nullptr);  // the real chooser this time (the fixture restores)
    guitest::WriteFile(InDir("model1.dat3"), guitest::kCleanModel);
    ShowAndActivate();

    QString title;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    {
        OnModal pick([&](QWidget* w) {
            auto* fd = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(fd, nullptr);
            title = fd->windowTitle();
            filters = fd->nameFilters();
            mode = fd->fileMode();
            fd->selectFile(InDir("model1.dat3"));
            static_cast<QDialog*>(fd)->accept();
        });
        dlg.OnBrowse();
        EXPECT_EQ(pick.runs, 1);
    }
    EXPECT_EQ(title, QStringLiteral("COR2TAVIK初期画面"));
    // Qt keeps the entries simplified; the patterns it reads are in the last parentheses.
    EXPECT_EQ(filters, (QStringList{QStringLiteral("Data Files(*.dat3) (*.dat3)"), QStringLiteral("All File(*.*) (*)")}));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(QFileInfo(PathBox()->text()), QFileInfo(InDir("model1.dat3")));

    OnModal cancel([](QWidget*) {});
    dlg.OnBrowse();
    EXPECT_EQ(cancel.runs, 1);
    EXPECT_EQ(QFileInfo(PathBox()->text()), QFileInfo(InDir("model1.dat3")));
}

// --- System menu and About box ----------------------------------------------------

TEST_F(ConverterDlgTest, SystemMenuHoldsCloseThenTheAboutEntry) {
    SystemMenu* menu = dlg.GetSystemMenu();
    ASSERT_NE(menu, nullptr);
    const auto& items = menu->items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, SC_CLOSE);
    EXPECT_EQ(items[1].flags, unsigned(MF_SEPARATOR));
    EXPECT_EQ(items[2].flags, unsigned(MF_STRING));
    EXPECT_EQ(items[2].id, 0x0010u);
    EXPECT_EQ(items[2].text, "Cor2Tavik のﾊﾞｰｼﾞｮﾝ情報(&A)...");
}

TEST(ConverterDlgResources, EmptyAboutStringAddsNeitherSeparatorNorEntry) {
    ResourceModule changed = Cor2TavikResources();
    changed.strings[IDS_ABOUTBOX] = "";
    const ResourceModule* previous = UseResources(changed);
    CConverterDlg dlg;
    const bool created = dlg.Create();
    UseResources(*previous);

    ASSERT_TRUE(created);
    ASSERT_NE(dlg.GetSystemMenu(), nullptr);
    ASSERT_EQ(dlg.GetSystemMenu()->items().size(), 1u);
    EXPECT_EQ(dlg.GetSystemMenu()->items()[0].id, SC_CLOSE);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TITLE_TEXT), "TAVIK/QR DATA CONVERTOR");  // the rest ran
}

TEST_F(ConverterDlgTest, AltSpaceAndRightClickPopTheMenuUpAndItsEntriesWork) {
    ShowAndActivate();
    QTest::keyClick(PathBox(), Qt::Key_Space, Qt::AltModifier);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    QStringList texts;
    for (QAction* a : popup->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("閉じる(&C)\tAlt+F4"), QStringLiteral("-"),
                                  QStringLiteral("Cor2Tavik のﾊﾞｰｼﾞｮﾝ情報(&A)...")}));
    popup->close();

    // A right click on a label reaches the dialog; the path box keeps its edit menu.
    QWidget* label = dlg.GetDlgItem(IDC_TITLE_TEXT);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(label, &event);
    popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->actions().size(), 3);

    // Its About entry opens the About box over the dialog, its Close ends
    // the dialog as Cancel does.
    QString caption;
    QWidget* owner = nullptr;
    {
        OnModal about([&](QWidget* w) {
            caption = w ? w->windowTitle() : QString();
            owner = w ? w->parentWidget() : nullptr;
        });
        popup->actions().back()->trigger();
        EXPECT_EQ(about.runs, 1);
    }
    EXPECT_EQ(caption, QStringLiteral("Cor2Tavikのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(owner, &dlg);  // unowned, it takes the active window as its owner
    EXPECT_TRUE(dlg.isVisible());
    popup->actions()[0]->trigger();
    EXPECT_EQ(dlg.result(), IDCANCEL);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(ConverterDlgTest, OnlyTheAboutCommandWithAnyLowFourBitsOpensTheAboutBox) {
    PathBox()->setText(QStringLiteral("keep.dat3"));
    for (unsigned id : {0x0010u, 0x0013u, 0x001Fu}) {
        bool isAbout = false;
        OnModal about([&](QWidget* w) { isAbout = dynamic_cast<CAboutDlg*>(w) != nullptr; });
        dlg.OnSysCommand(id, 0);
        EXPECT_EQ(about.runs, 1) << id;
        EXPECT_TRUE(isAbout) << id;
    }
    for (unsigned id : {0x0000u, 0x0020u, 0xF010u}) {
        OnModal none([](QWidget*) {});
        dlg.OnSysCommand(id, 0);
        EXPECT_EQ(none.runs, 0) << id;
    }
    EXPECT_EQ(PathBox()->text(), QStringLiteral("keep.dat3"));
    EXPECT_EQ(dlg.result(), 0);
}

// --- Painting while minimized ---------------------------------------------------

TEST(IconOrigin, CentresByTruncatingSignedDivision) {
    EXPECT_EQ(IconOrigin(36, 36, 32, 32), (Point{2, 2}));
    EXPECT_EQ(IconOrigin(35, 37, 32, 32), (Point{2, 3}));
    EXPECT_EQ(IconOrigin(32, 32, 32, 32), (Point{0, 0}));
    EXPECT_EQ(IconOrigin(30, 29, 32, 32), (Point{0, -1}));  // -1 / 2 is 0, -2 / 2 is -1
    EXPECT_EQ(IconOrigin(20, 0, 32, 32), (Point{-5, -15}));
}

TEST_F(ConverterDlgTest, MinimizedDialogShowsTheIconCentred) {
    const Point at = IconOrigin(dlg.width(), dlg.height(), kIconSize, kIconSize);
    const QPoint origin(at.x, at.y);
    const QImage normal = dlg.grab().toImage();
    dlg.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(dlg.IsIconic());
    const QImage minimized = dlg.grab().toImage();
    const QImage icon = LoadIcon(IDR_MAINFRAME).pixmap(kIconSize, kIconSize).toImage();

    // The icon's top left pixel is clear, the next one on the diagonal is the mesh's black corner.
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(icon.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(minimized.pixel(origin + QPoint(1, 1)), qRgb(0, 0, 0));
    EXPECT_EQ(minimized.pixel(origin), normal.pixel(origin));
    EXPECT_NE(normal.pixel(origin + QPoint(1, 1)), qRgb(0, 0, 0));
}

}  // namespace
