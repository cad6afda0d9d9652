#include "ConverterDlg.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "AboutDlg.h"
#include "dialogkit/CommonDialogs.h"

using namespace dialogkit;

namespace {

// How many input problems the message box lists before "and n more".
constexpr std::size_t kProblemsShown = 5;

// The name after the last separator of either system.
std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A system error the user can act on, in Japanese; any other as the system
// words it.
std::string SystemReason(int error) {
    switch (error) {
    case ENOENT: return "ファイルまたはフォルダーがありません";
    case EACCES: return "アクセス権がありません";
    case EISDIR: return "フォルダーです";
    case ENOTDIR: return "パスの途中にフォルダーでないものがあります";
    case ENOSPC: return "ディスクに空きがありません";
    case EROFS: return "読み取り専用のファイルシステムです";
    default: return std::strerror(error);
    }
}

// Each ": " of the core's English becomes the full-width colon of the Japanese text.
std::string WithJapaneseColons(std::string text) {
    for (std::size_t at = 0; (at = text.find(": ", at)) != std::string::npos;) text.replace(at, 2, "：");
    return text;
}

std::string FailureReason(const cor2tavik::Problem& failure) {
    using cor2tavik::Reason;
    switch (failure.reason) {
    case Reason::pathTooLong:
        return "パスが長すぎます（" + std::to_string(failure.file.size()) + " バイト。" +
               std::to_string(cor2tavik::kMaxPathLength) + " バイトまで）";
    case Reason::cannotOpen: return "開けません：" + SystemReason(failure.systemError);
    case Reason::cannotCreate: return "作成できません：" + SystemReason(failure.systemError);
    case Reason::cannotWrite: return "書き込めません：" + SystemReason(failure.systemError);
    case Reason::readError: return "読み取りエラー：" + SystemReason(failure.systemError);
    case Reason::memoryExhausted: return "メモリが足りません";
    default:
        // A broken input is described as the core describes it.
        return WithJapaneseColons(cor2tavik::Message(failure));
    }
}

std::string FailureMessage(const cor2tavik::Problem& failure) {
    std::string file = failure.file;
    if (failure.line > 0) file += "（" + std::to_string(failure.line) + " 行目）";
    return "変換できませんでした。TAVIKデータは書き出していません。\n\n"
           "ファイル：" + file + "\n理由：" + FailureReason(failure) + "\n\n"
           "パスを直して OK を押すか、ｷｬﾝｾﾙで終了してください。";
}

std::string ProblemsMessage(const cor2tavik::ConversionReport& report) {
    std::string text = "TAVIKデータを書き出しましたが、入力に " + std::to_string(report.problemCount) +
                       " 件の問題がありました。";
    if (!report.outputPath.empty()) text += "\n出力：" + report.outputPath;
    text += '\n';
    const std::size_t shown = std::min(kProblemsShown, report.problems.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const cor2tavik::Problem& p = report.problems[i];
        text += '\n' + FileNameOf(p.file);
        if (p.line > 0) text += ':' + std::to_string(p.line);
        text += ": " + cor2tavik::Message(p);
    }
    if (report.problemCount > shown) text += "\nほか " + std::to_string(report.problemCount - shown) + " 件";
    return text;
}

}  // namespace

CConverterDlg::CConverterDlg(Dialog* pParent) : Dialog(IDD, pParent), m_hIcon(LoadIcon(IDR_MAINFRAME)) {
    OnClicked(IDC_BROWSE, &CConverterDlg::OnBrowse);
    m_convert = [](std::string_view path, const dialogkit::JobProgress& progress) {
        cor2tavik::ConversionOptions options;
        options.progress = progress;
        return cor2tavik::ConvertModelFile(path, options);
    };
}

bool CConverterDlg::OnInitDialog() {
    Dialog::OnInitDialog();

    // The About entry of the system menu.
    if (SystemMenu* pSysMenu = GetSystemMenu()) {
        const std::string strAboutMenu = LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.empty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    SetDlgItemText(IDC_TITLE_TEXT, LoadString(IDS_TITLE_TEXT));
    SetDlgItemText(IDC_TARGET_TEXT, LoadString(IDS_TARGET_TEXT));
    SetDlgItemText(IDC_VERSION_TEXT, LoadString(IDS_VERSION_TEXT));
    SetDlgItemText(IDC_UPDATE_TEXT, LoadString(IDS_UPDATE_TEXT));
    SetDlgItemText(IDC_MAKER_TEXT, LoadString(IDS_MAKER_TEXT));
    return true;
}

void CConverterDlg::OnBrowse() {
    FileDialog dlg("*", FileDialog::OFN_FILEMUSTEXIST | FileDialog::OFN_HIDEREADONLY | FileDialog::OFN_OVERWRITEPROMPT,
                   "Data Files(*.dat3) | *.dat3| All File(*.*) | *.*||");
    dlg.title = "COR2TAVIK初期画面";
    if (dlg.DoModal() == IDOK) SetDlgItemText(IDC_MODEL_PATH, dlg.GetPathName());
}

void CConverterDlg::OnOK() {
    // UTF-8 on both systems: the core's Windows side turns it into wide calls.
    const std::string path = GetDlgItemText(IDC_MODEL_PATH);

    cor2tavik::ConversionReport report;
    // A large model takes seconds: the dialog keeps painting meanwhile, and
    // shows how far the job is.
    // The worker's last line of defence: whatever escapes the job is a
    // failure like any other, and the dialog stays open.
    RunJob([&](const JobProgress& progress) {
        try {
            report = m_convert(path, progress);
        } catch (...) {
            report = cor2tavik::MemoryExhausted(path);
        }
    });

    if (report.failure) {
        // Stay open, so that the path can be corrected or the dialog cancelled.
        MessageBox(this, FailureMessage(*report.failure), GetWindowText(), MessageIcon::Error);
        return;
    }
    if (report.problemCount > 0) MessageBox(this, ProblemsMessage(report), GetWindowText(), MessageIcon::Warning);
    Dialog::OnOK();
}

void CConverterDlg::OnSysCommand(unsigned nID, long lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Dialog::OnSysCommand(nID, lParam);
    }
}

Point IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return Point{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

void CConverterDlg::OnPaint() {
    if (IsIconic()) {
        PaintDC dc(this);
        dc.EraseBackground();
        const Size icon = SystemIconSize();
        const Size client = GetClientSize();
        const Point origin = IconOrigin(client.cx, client.cy, icon.cx, icon.cy);
        dc.DrawIcon(origin.x, origin.y, m_hIcon);
    } else {
        Dialog::OnPaint();
    }
}
