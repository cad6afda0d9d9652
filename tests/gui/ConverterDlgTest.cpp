// The converter dialog and its About box, driven headless: conversion,
// failure and problem boxes, the chooser, the system menu.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "AboutDlg.h"
#include "ConverterDlg.h"
#include "GuiTestSupport.h"
#include "TestSupport.h"

using namespace dialogkit;
using guitest::OnModal;

namespace {

class ConverterDlgTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dlg.Create()); }

    QString InDir(const std::string& name) const { return QString::fromStdString(dir / name); }
    QLineEdit* PathBox() { return qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_MODEL_PATH)); }
    QPushButton* Button(int id) { return qobject_cast<QPushButton*>(dlg.GetDlgItem(id)); }
    void ShowAndActivate() {
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }

    cor2tavik::test::ScratchDir dir;
    guitest::MessageBoxes boxes;
    guitest::Chooser chooser;
    CConverterDlg dlg;
};

TEST_F(ConverterDlgTest, FocusStartsOnOkAndTabFollowsTheTemplate) {
    ShowAndActivate();
    for (int id : {IDOK, IDCANCEL, IDC_MODEL_PATH, IDC_BROWSE, IDOK}) {
        EXPECT_EQ(QApplication::focusWidget(), dlg.GetDlgItem(id)) << id;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

// A real job writes the file and ends the dialog; its problem box names the
// file it wrote. (Each message's Japanese text: the case
// ja-problems-of-every-kind.)
TEST_F(ConverterDlgTest, OkConvertsClosesAndTheProblemBoxNamesTheOutput) {
    dir.Write("m.dat3", "t\r\ns\r\nNODE 2\r\n1 0 0 0\r\n2 1 x 0\r\nELEM 0\r\n");
    QTest::keyClicks(PathBox(), InDir("m.dat3"));
    QTest::mouseClick(Button(IDOK), Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(InDir("m.std")));
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_FALSE(dlg.isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "TAVIKデータを書き出しましたが、入力に 1 件の問題がありました。\n出力：" +
                                       InDir("m.std").toStdString() +
                                       "\n\nm.dat3（5 行目）：2 番目の節点データ：Ｙ座標「x 0」が数値ではありません");
}

TEST_F(ConverterDlgTest, CancelEscAndCloseEndWithoutConverting) {
    int conversions = 0;
    dlg.m_convert = [&](std::string_view, auto&) { return ++conversions, cor2tavik::ConversionReport{}; };
    const std::vector<std::function<void()>> ways = {
        [&] { QTest::mouseClick(Button(IDCANCEL), Qt::LeftButton); }, [&] { QTest::keyClick(PathBox(), Qt::Key_Escape); },
        [&] { dlg.close(); }, [&] { dlg.OnSysCommand(SC_CLOSE, 0); }};
    for (std::size_t i = 0; i < ways.size(); ++i) {
        ShowAndActivate();
        dlg.setResult(0);
        PathBox()->setText(QStringLiteral("m.dat3"));
        ways[i]();
        EXPECT_EQ(dlg.result(), IDCANCEL) << "way " << i;
        EXPECT_FALSE(dlg.isVisible()) << "way " << i;
    }
    EXPECT_EQ(conversions, 0);
}

TEST_F(ConverterDlgTest, FailureBoxNamesFileLineAndReasonAndTheDialogStays) {
    ShowAndActivate();
    const QString path = InDir("nothere.dat3");
    PathBox()->setText(path);
    QTest::mouseClick(Button(IDOK), Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Cor2Tavik");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(boxes.shown[0].owner, &dlg);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("変換できませんでした。TAVIKデータは書き出していません。\n\n"
                                                  "ファイル：%1\n理由：開けません：ファイルまたはフォルダーがありません\n\n"
                                                  "パスを直して OK を押すか、ｷｬﾝｾﾙで終了してください。")
                                       .arg(path)
                                       .toStdString());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_EQ(PathBox()->text(), path);
    // The path box has the keyboard, its text selected for retyping.
    EXPECT_EQ(QApplication::focusWidget(), PathBox());
    EXPECT_EQ(PathBox()->selectedText(), path);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A model named by the rule, not as typed, is said to be so.
    PathBox()->setText(InDir("nothere.std"));
    dlg.OnOK();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(guitest::Contains(boxes.shown[1].text,
                                  QStringLiteral("ファイル：%1\n理由：開けません：ファイルまたはフォルダーがありません"
                                                 "（解析モデルは、指定した名前の最後の「.」までに .dat3 を付けたファイルから読みます）\n")
                                      .arg(path)))
        << boxes.shown[1].text;
    boxes.shown.pop_back();

    dir.Write("broken.dat3", "title\r\n\r\nNODE many\r\n");
    PathBox()->setText(InDir("broken.dat3"));
    dlg.OnOK();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(guitest::Contains(
        boxes.shown[1].text,
        QStringLiteral("ファイル：%1（3 行目）\n理由：節点数の行：5 桁目に整数がありません\n").arg(InDir("broken.dat3"))))
        << boxes.shown[1].text;

    // 171 Japanese characters are 513 bytes: too long, though only 176 characters.
    PathBox()->setText(QString(171, QChar(0x30E2)) + QStringLiteral(".dat3"));
    dlg.OnOK();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_TRUE(guitest::Contains(boxes.shown[2].text, QStringLiteral("パスが長すぎます（518 バイト。511 バイトまで）")))
        << boxes.shown[2].text;
    EXPECT_TRUE(dlg.isVisible());
}

// Pasted with Explorer's "Copy as path", or with blanks around it.
TEST_F(ConverterDlgTest, QuotesAndBlanksAroundThePathAreDropped) {
    std::string given;
    dlg.m_convert = [&](std::string_view path, auto&) { return given = path, cor2tavik::ConversionReport{}; };
    const std::pair<QString, std::string> cases[] = {
        {QStringLiteral("\"C:\\data\\model1.dat3\""), "C:\\data\\model1.dat3"},
        {QStringLiteral(" \t/d/m.dat3 \t"), "/d/m.dat3"},
        {QStringLiteral("\u3000\"/d/m 1.dat3\" "), "/d/m 1.dat3"},  // an ideographic space
        {QStringLiteral("\" /d/m.dat3 \""), "/d/m.dat3"},
        {QStringLiteral("/d/a\"b.dat3"), "/d/a\"b.dat3"},  // quotes inside stay
        {QStringLiteral("\"/d/m.dat3"), "\"/d/m.dat3"},   // and so does one alone
        {QStringLiteral("\""), "\""},
        {QStringLiteral(" \"\" "), ""},
        {QString(), ""},
    };
    for (const auto& [typed, taken] : cases) {
        given = "(no job)";
        boxes.shown.clear();
        PathBox()->setText(typed);
        dlg.OnOK();
        // Nothing left to convert asks for a path instead.
        EXPECT_EQ(given, taken.empty() ? "(no job)" : taken) << typed.toStdString();
        if (taken.empty()) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].text, "解析モデルのファイル（.dat3）のパスを入力するか、［参照］で選んでから OK を押してください。");
            EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
        }
        dlg.OnBrowse();
        EXPECT_EQ(chooser.seen.back().initialPath, taken) << typed.toStdString();
    }
}

// A synthetic drop, as a file manager sends it: file URLs, with their text.
TEST_F(ConverterDlgTest, AFileDroppedAnywhereFillsThePathBox) {
    ShowAndActivate();
    const auto drop = [&](QWidget* target, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        data.setText(urls.isEmpty() ? QStringLiteral("some text") : urls[0].toString());
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    };
    PathBox()->setText(QStringLiteral("typed before"));
    const QList<QUrl> two = {QUrl::fromLocalFile(QStringLiteral("/データ/m 1.dat3")),
                             QUrl::fromLocalFile(QStringLiteral("/d/second.dat3"))};
    EXPECT_TRUE(drop(PathBox(), two));
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/データ/m 1.dat3"));  // the whole text, the first file
    EXPECT_TRUE(drop(dlg.GetDlgItem(IDC_TITLE_TEXT), {QUrl::fromLocalFile(QStringLiteral("/d/on label.dat3"))}));
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/d/on label.dat3"));
    EXPECT_TRUE(drop(Button(IDOK), {QUrl::fromLocalFile(QStringLiteral("/d/on ok.dat3"))}));
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/d/on ok.dat3"));
    EXPECT_EQ(dlg.result(), 0);  // a drop fills the box; it does not convert

    // A remote file is not a path; plain text is for the control under it.
    EXPECT_FALSE(drop(dlg.GetDlgItem(IDC_TITLE_TEXT), {QUrl(QStringLiteral("https://example.org/m.dat3"))}));
    EXPECT_FALSE(drop(dlg.GetDlgItem(IDC_TITLE_TEXT), {}));
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/d/on ok.dat3"));
}

// Whatever escapes the job on the worker thread is a failure like any other.
TEST_F(ConverterDlgTest, AFailureThatEscapesTheJobShowsTheErrorBoxAndTheDialogStays) {
    ShowAndActivate();
    dlg.m_convert = [](std::string_view, auto&) -> cor2tavik::ConversionReport { throw std::bad_alloc(); };
    PathBox()->setText(QStringLiteral("/データ/m.dat3"));
    QTest::mouseClick(Button(IDOK), Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(boxes.shown[0].text, "変換できませんでした。TAVIKデータは書き出していません。\n\n"
                                   "ファイル：/データ/m.dat3\n理由：メモリが足りません\n\n"
                                   "もう一度試すには OK を、終了するにはｷｬﾝｾﾙを押してください。");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.isEnabled());
    EXPECT_EQ(dlg.result(), 0);
}

TEST_F(ConverterDlgTest, ProblemBoxShowsTheFirstFiveAndTheTotalThenTheDialogEnds) {
    dlg.m_convert = [](std::string_view, auto&) {
        cor2tavik::ConversionReport report;
        for (int i = 1; i <= 7; ++i)
            report.problems.push_back({.line = 10 + i,
                                       .reason = cor2tavik::Reason::countNegative,
                                       .subject = cor2tavik::Subject::elementCountLine,
                                       .numbers = {-i},
                                       .file = "/d/m.dat3"});
        report.problemCount = 1200;  // more than the report keeps
        return report;
    };
    PathBox()->setText(QStringLiteral("m.dat3"));
    dlg.OnOK();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "TAVIKデータを書き出しましたが、入力に 1200 件の問題がありました。\n\n"
                                   "m.dat3（11 行目）：要素数の行：数が負の値です（-1）\n"
                                   "m.dat3（12 行目）：要素数の行：数が負の値です（-2）\n"
                                   "m.dat3（13 行目）：要素数の行：数が負の値です（-3）\n"
                                   "m.dat3（14 行目）：要素数の行：数が負の値です（-4）\n"
                                   "m.dat3（15 行目）：要素数の行：数が負の値です（-5）\nほか 1195 件");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(dlg.result(), IDOK);
}

// The failure box's last paragraph says what to do about its cause (and a
// file in use is said to be so); for a missing model, see above.
TEST_F(ConverterDlgTest, FailureAdviceFitsTheCause) {
    using cor2tavik::Reason;
    const std::pair<cor2tavik::Problem, std::string> failures[] = {
        {{.line = 3, .reason = Reason::countMissing, .subject = cor2tavik::Subject::nodeCountLine, .file = "/d/m.dat3"},
         "m.dat3 の 3 行目が正しくありません。直してから OK を押すか、ｷｬﾝｾﾙで終了してください。"},
        {{.reason = Reason::cannotCreate, .systemError = EACCES, .file = "/d/m.std"},
         "m.std が読み取り専用か、そのフォルダーに書き込めません。書き込めるようにしてから OK を押すか、ｷｬﾝｾﾙで終了してください。"},
        {{.reason = Reason::cannotWrite, .systemError = EBUSY, .file = "/d/m.std"},  // Windows' sharing violation
         "理由：書き込めません：ほかのプログラムが使用中です\n\nm.std をほかのプログラムが開いています。そのプログラムで閉じてから OK を押すか、ｷｬﾝｾﾙで終了してください。"},
        {{.reason = Reason::cannotWrite, .systemError = ENOSPC, .file = "/d/m.std"},
         "m.std を書き出すディスクに空きがありません。空きを作ってから OK を押すか、ｷｬﾝｾﾙで終了してください。"},
        {{.reason = Reason::cannotCreate, .systemError = EISDIR, .file = "/d/m.std"},
         "m.std を書き出せません。原因を取り除いてから OK を押すか、ｷｬﾝｾﾙで終了してください。"},
        {{.reason = Reason::readError, .systemError = EIO, .file = "/d/m.dat3"},
         "もう一度試すには OK を、終了するにはｷｬﾝｾﾙを押してください。"},
    };
    PathBox()->setText(QStringLiteral("/d/m.dat3"));
    for (const auto& [failure, advice] : failures) {
        dlg.m_convert = [&](std::string_view, auto&) {
            cor2tavik::ConversionReport report;
            report.failure = failure;
            return report;
        };
        boxes.shown.clear();
        dlg.OnOK();
        ASSERT_EQ(boxes.shown.size(), 1u);
        const std::string& text = boxes.shown[0].text;
        EXPECT_TRUE(text.ends_with("\n" + advice)) << text;
        EXPECT_EQ(text.find("パスを直して"), std::string::npos) << text;  // the advice for a missing model
    }
}

// The caption shows the percentage once the job has run a second, each time
// it changes, and is itself again after the job.
TEST_F(ConverterDlgTest, JobRunsOnAWorkerUnderTheWaitCursorWithThePathAsUtf8AndShowsItsProgress) {
    QStringList titles;
    QObject::connect(&dlg, &QWidget::windowTitleChanged, [&](const QString& title) { titles << title; });
    std::optional<Qt::CursorShape> during;
    std::string given;
    bool enabledDuring = true;
    std::atomic<bool> handled = false;
    bool handledDuring = false;
    std::thread::id worker;
    dlg.m_convert = [&](std::string_view path, const dialogkit::JobProgress& progress) {
        progress(0.3);
        if (QCursor* c = QApplication::overrideCursor()) during = c->shape();
        enabledDuring = dlg.isEnabled();
        worker = std::this_thread::get_id();
        given = std::string(path);
        // The dialog's thread goes on handling events (painting) meanwhile.
        QMetaObject::invokeMethod(&dlg, [&] { handled = true; }, Qt::QueuedConnection);
        for (int i = 0; i < 1000 && !handled; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        handledDuring = handled.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        for (double fraction : {0.45, 0.459, 0.5, 1.0}) progress(fraction);
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
    EXPECT_EQ(titles, QStringList({"Cor2Tavik - 45%", "Cor2Tavik - 50%", "Cor2Tavik - 100%", "Cor2Tavik"}));
    EXPECT_TRUE(boxes.shown.empty());  // a clean conversion says nothing
}

TEST_F(ConverterDlgTest, BrowseSetsUpTheChooserAndFillsTheBox) {
    chooser.answer = "/data/モデル1.dat3";
    QTest::mouseClick(Button(IDC_BROWSE), Qt::LeftButton);
    ASSERT_EQ(chooser.seen.size(), 1u);
    EXPECT_EQ(chooser.seen[0].title, "COR2TAVIK初期画面");
    EXPECT_EQ(chooser.seen[0].defaultExtension, "*");
    ASSERT_EQ(chooser.seen[0].filters.size(), 2u);
    EXPECT_EQ(chooser.seen[0].filters[0].pattern, "*.dat3");
    EXPECT_EQ(chooser.seen[0].filters[1].pattern, "*");
    EXPECT_TRUE(chooser.seen[0].flags & FileDialog::OFN_FILEMUSTEXIST);
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/data/モデル1.dat3"));
    chooser.answer.reset();  // cancelled: the text stays
    dlg.OnBrowse();
    EXPECT_EQ(PathBox()->text(), QStringLiteral("/data/モデル1.dat3"));
}

TEST_F(ConverterDlgTest, SystemMenuOpensByRightClickAndItsEntriesWork) {
    ShowAndActivate();
    // A right click on a label reaches the dialog. (Alt+Space: the next test.)
    QWidget* label = dlg.GetDlgItem(IDC_TITLE_TEXT);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(label, &event);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->actions().size(), 3);  // Close, a separator, About
    {
        bool isAbout = false;
        QWidget* owner = nullptr;
        OnModal about([&](QWidget* w) {
            isAbout = dynamic_cast<CAboutDlg*>(w) != nullptr;
            owner = w ? w->parentWidget() : nullptr;
        });
        popup->actions().back()->trigger();
        EXPECT_TRUE(about.runs == 1 && isAbout);
        EXPECT_EQ(owner, &dlg);  // unowned, it takes the active window as its owner
    }
    EXPECT_TRUE(dlg.isVisible());
    popup->actions()[0]->trigger();
    EXPECT_EQ(dlg.result(), IDCANCEL);
    EXPECT_FALSE(dlg.isVisible());
}

// Without a window manager, the dialog may not count as active once the
// About box has closed: Alt+Space must still open the menu, and its Space
// must not press the focused OK.
TEST_F(ConverterDlgTest, AltSpaceAfterTheAboutBoxOpensTheMenuAndPressesNothing) {
    int conversions = 0;
    dlg.m_convert = [&](std::string_view, auto&) { return ++conversions, cor2tavik::ConversionReport{}; };
    ShowAndActivate();
    {
        OnModal about([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
        dlg.OnSysCommand(IDM_ABOUTBOX, 0);
        ASSERT_EQ(about.runs, 1);
    }
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));  // the owner has the keyboard again
    QApplication::setActiveWindow(nullptr);
    Button(IDOK)->setFocus();
    for (QWidget* target : {static_cast<QWidget*>(Button(IDOK)), static_cast<QWidget*>(PathBox())}) {
        QTest::keyClick(target, Qt::Key_Space, Qt::AltModifier);
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        popup->close();
    }
    EXPECT_EQ(conversions, 0);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(PathBox()->text(), QString());  // no blank typed either
}

TEST_F(ConverterDlgTest, OnlyTheAboutCommandWithAnyLowFourBitsOpensTheAboutBox) {
    for (unsigned id : {0x0010u, 0x0013u, 0x001Fu, 0x0000u, 0x0020u, 0xF010u}) {
        bool isAbout = false;
        OnModal about([&](QWidget* w) { isAbout = dynamic_cast<CAboutDlg*>(w) != nullptr; });
        dlg.OnSysCommand(id, 0);
        EXPECT_EQ(about.runs == 1 && isAbout, (id & 0xFFF0u) == 0x0010u) << id;
    }
    EXPECT_EQ(dlg.result(), 0);
}

TEST_F(ConverterDlgTest, MinimizedDialogShowsTheIcon) {
    const Point origin = IconOrigin(dlg.width(), dlg.height(), kIconSize, kIconSize);
    const QPoint corner(origin.x + 1, origin.y + 1);
    const QImage normal = dlg.grab().toImage();
    dlg.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(dlg.IsIconic());
    const QRgb iconCorner = LoadIcon(IDR_MAINFRAME).pixmap(kIconSize, kIconSize).toImage().pixel(1, 1);
    EXPECT_EQ(dlg.grab().toImage().pixel(corner), iconCorner);
    EXPECT_NE(normal.pixel(corner), iconCorner);
}

TEST(AboutDlg, FocusStartsOnOkAndOkAndEscEndIt) {
    for (bool byOk : {true, false}) {
        CAboutDlg dlg;
        ASSERT_TRUE(dlg.Create());
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        EXPECT_EQ(QApplication::focusWidget(), dlg.GetDlgItem(IDOK));
        if (byOk)
            QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK)), Qt::LeftButton);
        else
            QTest::keyClick(&dlg, Qt::Key_Escape);
        EXPECT_EQ(dlg.result(), byOk ? IDOK : IDCANCEL);
        EXPECT_FALSE(dlg.isVisible());
    }
}

}  // namespace
