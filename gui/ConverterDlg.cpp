#include "ConverterDlg.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "AboutDlg.h"
#include "dialogkit/CommonDialogs.h"

using namespace dialogkit;

namespace {

// How many input problems the message box lists before "and n more".
constexpr std::size_t kProblemsShown = 5;

QString FromFileName(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

// A system error the user can act on, in Japanese; any other as the system
// words it.
QString SystemReason(int error) {
    switch (error) {
    case ENOENT: return QStringLiteral("ファイルまたはフォルダーがありません");
    case EACCES: return QStringLiteral("アクセス権がありません");
    case EISDIR: return QStringLiteral("フォルダーです");
    case ENOTDIR: return QStringLiteral("パスの途中にフォルダーでないものがあります");
    case ENOSPC: return QStringLiteral("ディスクに空きがありません");
    case EROFS: return QStringLiteral("読み取り専用のファイルシステムです");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString FailureReason(const cor2tavik::Problem& failure) {
    using cor2tavik::Reason;
    switch (failure.reason) {
    case Reason::pathTooLong:
        return QStringLiteral("パスが長すぎます（%1 バイト。%2 バイトまで）")
            .arg(failure.file.size())
            .arg(cor2tavik::kMaxPathLength);
    case Reason::cannotOpen: return QStringLiteral("開けません：") + SystemReason(failure.systemError);
    case Reason::cannotCreate: return QStringLiteral("作成できません：") + SystemReason(failure.systemError);
    case Reason::cannotWrite: return QStringLiteral("書き込めません：") + SystemReason(failure.systemError);
    case Reason::readError: return QStringLiteral("読み取りエラー：") + SystemReason(failure.systemError);
    default:
        // A broken input is described as the core describes it.
        return QString::fromStdString(cor2tavik::Message(failure)).replace(QStringLiteral(": "), QStringLiteral("："));
    }
}

QString FailureMessage(const cor2tavik::Problem& failure) {
    QString file = FromFileName(failure.file);
    if (failure.line > 0) file += QStringLiteral("（%1 行目）").arg(failure.line);
    return QStringLiteral("変換できませんでした。TAVIKデータは書き出していません。\n\n"
                          "ファイル：%1\n理由：%2\n\n"
                          "パスを直して OK を押すか、ｷｬﾝｾﾙで終了してください。")
        .arg(file, FailureReason(failure));
}

QString ProblemsMessage(const cor2tavik::ConversionReport& report) {
    QStringList lines;
    lines << QStringLiteral("TAVIKデータを書き出しましたが、入力に %1 件の問題がありました。").arg(report.problemCount);
    if (!report.outputPath.empty()) lines << QStringLiteral("出力：%1").arg(FromFileName(report.outputPath));
    lines << QString();
    const std::size_t shown = std::min(kProblemsShown, report.problems.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const cor2tavik::Problem& p = report.problems[i];
        QString where = QFileInfo(FromFileName(p.file)).fileName();
        if (p.line > 0) where += QStringLiteral(":%1").arg(p.line);
        lines << where + QStringLiteral(": ") + QString::fromStdString(cor2tavik::Message(p));
    }
    if (report.problemCount > shown) lines << QStringLiteral("ほか %1 件").arg(report.problemCount - shown);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

CConverterDlg::CConverterDlg(QWidget* pParent) : Dialog(IDD, pParent), m_hIcon(LoadIcon(IDR_MAINFRAME)) {
    OnClicked(IDC_BROWSE, &CConverterDlg::OnBrowse);
    m_convert = [](std::string_view path) { return cor2tavik::ConvertModelFile(path); };
}

bool CConverterDlg::OnInitDialog() {
    Dialog::OnInitDialog();

    // The About entry of the system menu.
    if (SystemMenu* pSysMenu = GetSystemMenu()) {
        const QString strAboutMenu = LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.isEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, true);  // one icon holds both sizes

    SetDlgItemText(IDC_TITLE_TEXT, LoadString(IDS_TITLE_TEXT));
    SetDlgItemText(IDC_TARGET_TEXT, LoadString(IDS_TARGET_TEXT));
    SetDlgItemText(IDC_VERSION_TEXT, LoadString(IDS_VERSION_TEXT));
    SetDlgItemText(IDC_UPDATE_TEXT, LoadString(IDS_UPDATE_TEXT));
    SetDlgItemText(IDC_MAKER_TEXT, LoadString(IDS_MAKER_TEXT));
    return true;
}

void CConverterDlg::OnBrowse() {
    FileDialog dlg(FileDialog::OFN_FILEMUSTEXIST | FileDialog::OFN_HIDEREADONLY | FileDialog::OFN_OVERWRITEPROMPT,
                   QStringLiteral("Data Files(*.dat3) | *.dat3| All File(*.*) | *.*||"));
    dlg.title = QStringLiteral("COR2TAVIK初期画面");
    if (dlg.DoModal() == IDOK) SetDlgItemText(IDC_MODEL_PATH, dlg.GetPathName());
}

void CConverterDlg::OnOK() {
    // The core works on bytes: give it the path as the file system spells it.
    const QByteArray path = QFile::encodeName(GetDlgItemText(IDC_MODEL_PATH));

    cor2tavik::ConversionReport report;
    {
        WaitCursor wait;
        report = m_convert(std::string_view(path.constData(), static_cast<std::size_t>(path.size())));
    }

    if (report.failure) {
        // Stay open, so that the path can be corrected or the dialog cancelled.
        MessageBox(this, FailureMessage(*report.failure), windowTitle(), MessageIcon::Error);
        return;
    }
    if (report.problemCount > 0) MessageBox(this, ProblemsMessage(report), windowTitle(), MessageIcon::Warning);
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

QPoint IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return QPoint((clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2);
}

void CConverterDlg::OnPaint() {
    if (IsIconic()) {
        PaintDC dc(this);
        dc.EraseBackground();
        const QPoint origin = IconOrigin(width(), height(), kIconSize, kIconSize);
        dc.DrawIcon(origin.x(), origin.y(), m_hIcon);
    } else {
        Dialog::OnPaint();
    }
}
