#include "ConverterDlg.h"

#include <algorithm>
#include <string>

#include "AboutDlg.h"
#include "cor2tavik/Messages.h"
#include "dialogkit/CommonDialogs.h"

using namespace dialogkit;

namespace {

// How many input problems the message box lists before "and n more".
constexpr std::size_t kProblemsShown = 5;

// The dialog speaks Japanese, whatever the system's language.
constexpr cor2tavik::Language kLanguage = cor2tavik::Language::japanese;

std::string FailureMessage(const cor2tavik::Problem& failure) {
    using cor2tavik::Say, cor2tavik::Text;
    const std::string file =
        failure.line > 0 ? Say(Text::fileAtLine, kLanguage, {failure.file, std::to_string(failure.line)}) : failure.file;
    return Say(Text::failureBox, kLanguage, {file, cor2tavik::Message(failure, kLanguage)});
}

std::string ProblemsMessage(const cor2tavik::ConversionReport& report) {
    using cor2tavik::Say, cor2tavik::Text;
    std::string text = Say(Text::problemsBox, kLanguage, {std::to_string(report.problemCount)});
    if (!report.outputPath.empty()) text += '\n' + Say(Text::outputFile, kLanguage, {report.outputPath});
    text += '\n';
    const std::size_t shown = std::min(kProblemsShown, report.problems.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const cor2tavik::Problem& p = report.problems[i];
        const std::string message = cor2tavik::Message(p, kLanguage);
        const std::string name(cor2tavik::NamePart(p.file));
        text += '\n' + (p.line > 0 ? Say(Text::problemAtLine, kLanguage, {name, std::to_string(p.line), message})
                                    : Say(Text::problemInFile, kLanguage, {name, message}));
    }
    if (report.problemCount > shown)
        text += '\n' + Say(Text::moreInBox, kLanguage, {std::to_string(report.problemCount - shown)});
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
    DragAcceptFiles();
    return true;
}

void CConverterDlg::OnBrowse() {
    FileDialog dlg("*", FileDialog::OFN_FILEMUSTEXIST | FileDialog::OFN_HIDEREADONLY | FileDialog::OFN_OVERWRITEPROMPT,
                   "Data Files(*.dat3) | *.dat3| All File(*.*) | *.*||");
    dlg.title = "COR2TAVIK初期画面";
    dlg.initialPath = ModelPath();
    if (dlg.DoModal() == IDOK) SetDlgItemText(IDC_MODEL_PATH, dlg.GetPathName());
}

void CConverterDlg::OnOK() {
    // UTF-8 on both systems: the core's Windows side turns it into wide calls.
    const std::string path = ModelPath();

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
        GotoDlgCtrl(IDC_MODEL_PATH);
        return;
    }
    if (report.problemCount > 0) MessageBox(this, ProblemsMessage(report), GetWindowText(), MessageIcon::Warning);
    Dialog::OnOK();
}

std::string CConverterDlg::ModelPath() const {
    std::string path = GetDlgItemText(IDC_MODEL_PATH);
    // The ideographic space of a Japanese input method is a blank too.
    const auto trim = [&path] {
        static constexpr std::string_view kIdeographicSpace = "\u3000";
        for (bool trimmed = true; trimmed;) {
            trimmed = false;
            for (std::string_view blank : {std::string_view(" "), std::string_view("\t"), kIdeographicSpace}) {
                if (path.starts_with(blank)) path.erase(0, blank.size()), trimmed = true;
                if (path.ends_with(blank)) path.erase(path.size() - blank.size()), trimmed = true;
            }
        }
    };
    trim();
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
        path = path.substr(1, path.size() - 2);
        trim();
    }
    return path;
}

void CConverterDlg::OnDropFiles(const std::vector<std::string>& paths) {
    // One model at a time: the first file dropped, as if typed.
    SetDlgItemText(IDC_MODEL_PATH, paths.front());
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
