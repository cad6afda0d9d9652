#include "ConverterDlg.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

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

// The core words its reasons in English ("cannot open: <system error>"); the
// usual ones are put into Japanese, anything else is shown as it stands.
std::string JapaneseReason(const std::string& reason) {
    static const std::pair<const char*, const char*> kPhrases[] = {
        {"cannot open", "開けません"},
        {"cannot create", "作成できません"},
        {"cannot write", "書き込めません"},
        {"read error", "読み取りエラー"},
        {"No such file or directory", "ファイルまたはフォルダーがありません"},
        {"Permission denied", "アクセス権がありません"},
        {"Is a directory", "フォルダーです"},
        {"Not a directory", "パスの途中にフォルダーでないものがあります"},
        {"No space left on device", "ディスクに空きがありません"},
        {"Read-only file system", "読み取り専用のファイルシステムです"},
    };
    std::string joined;
    for (std::size_t begin = 0;;) {
        const std::size_t end = reason.find(": ", begin);
        const std::string part = reason.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        auto known = std::find_if(std::begin(kPhrases), std::end(kPhrases),
                                  [&](const auto& phrase) { return part == phrase.first; });
        if (begin > 0) joined += "：";
        joined += known != std::end(kPhrases) ? known->second : part;
        if (end == std::string::npos) break;
        begin = end + 2;
    }
    return joined;
}

std::string FailureMessage(const cor2tavik::ConversionReport& report, const std::string& path) {
    std::string file = path;
    std::string reason;
    if (path.size() > cor2tavik::kMaxPathLength) {
        reason = "パスが長すぎます（" + std::to_string(path.size()) + " バイト。" +
                 std::to_string(cor2tavik::kMaxPathLength) + " バイトまで）";
    } else if (report.failure) {
        if (!report.failure->file.empty()) file = report.failure->file;
        if (report.failure->line > 0) file += "（" + std::to_string(report.failure->line) + " 行目）";
        reason = JapaneseReason(report.failure->message);
    }
    if (reason.empty()) reason = "不明";
    return "変換できませんでした。TAVIKデータは書き出していません。\n\n"
           "ファイル：" + file + "\n理由：" + reason + "\n\n"
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
        text += ": " + p.message;
    }
    if (report.problemCount > shown) text += "\nほか " + std::to_string(report.problemCount - shown) + " 件";
    return text;
}

}  // namespace

CConverterDlg::CConverterDlg(Dialog* pParent) : Dialog(IDD, pParent), m_hIcon(LoadIcon(IDR_MAINFRAME)) {
    OnClicked(IDC_BROWSE, &CConverterDlg::OnBrowse);
    m_convert = [](std::string_view path, cor2tavik::ConversionReport& report) {
        return cor2tavik::ConvertModelFile(path, report);
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
    FileDialog dlg(FileDialog::OFN_FILEMUSTEXIST | FileDialog::OFN_HIDEREADONLY | FileDialog::OFN_OVERWRITEPROMPT,
                   "Data Files(*.dat3) | *.dat3| All File(*.*) | *.*||", this);
    dlg.title = "COR2TAVIK初期画面";
    if (dlg.DoModal() == IDOK) SetDlgItemText(IDC_MODEL_PATH, dlg.GetPathName());
}

void CConverterDlg::OnOK() {
    // UTF-8 on both systems: the core's Windows side turns it into wide calls.
    const std::string path = GetDlgItemText(IDC_MODEL_PATH);

    cor2tavik::ConversionReport report;
    int result = 0;
    // A large model takes seconds: the dialog keeps painting meanwhile.
    RunJob([&] { result = m_convert(path, report); });

    if (result != 0) {
        // Stay open, so that the path can be corrected or the dialog cancelled.
        MessageBox(this, FailureMessage(report, path), GetWindowText(), MessageIcon::Error);
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
