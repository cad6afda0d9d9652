#include "Resources.h"

#include "Resource.h"
#include "cor2tavik/VersionInfo.h"
#include "dialogkit/Styles.h"

namespace {

#include "icons/cor2tavik-16.xpm"
#include "icons/cor2tavik-32.xpm"

using namespace dialogkit;
using enum ControlKind;

const char* const kDialogFont = "ＭＳ Ｐゴシック";
// The About box names the major and minor version only.
const char* const kAboutVersion = "Cor2Tavik Version " VER_STR(VER_MAJOR) "." VER_STR(VER_MINOR);

// clang-format off
DialogTemplate AboutBox() {
    return {IDD_ABOUTBOX, "Cor2Tavikのﾊﾞｰｼﾞｮﾝ情報", kDialogFont, 9, 235, 55,
            WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, {
        // id           kind        style                                      text                      x    y   cx   cy
        {IDC_STATIC,    Static,     SS_ICON,                                   "",                      11,  17,  20,  20, IDR_MAINFRAME},
        {IDC_STATIC,    Static,     SS_NOPREFIX | WS_GROUP,                    kAboutVersion,           40,  10, 119,   8},
        {IDC_STATIC,    Static,     SS_LEFT | WS_GROUP,                        VER_LEGALCOPYRIGHT_STR,  40,  25, 119,   8},
        {IDOK,          PushButton, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP,  "OK",                   178,   7,  50,  14},
    }};
}

// Template order is the tab order: OK, Cancel, the path box, then "参照".
DialogTemplate ConverterDialog() {
    return {IDD_CONVERTER_DIALOG, "Cor2Tavik", kDialogFont, 9, 320, 200,
            WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, WS_EX_APPWINDOW, {
        // id                kind        style                                    text                              x    y   cx   cy
        {IDOK,               PushButton, BS_DEFPUSHBUTTON | WS_TABSTOP,           "OK",                            56, 177,  50,  14},
        {IDCANCEL,           PushButton, BS_PUSHBUTTON | WS_TABSTOP,              "ｷｬﾝｾﾙ",                         124, 178,  50,  14},
        {IDC_TITLE_TEXT,     Static,     SS_LEFT | WS_GROUP,                      "Static",                        10,  11, 128,   8},
        {IDC_VERSION_TEXT,   Static,     SS_LEFT | WS_GROUP,                      "Static",                        42,  39,  50,   8},
        {IDC_UPDATE_TEXT,    Static,     SS_LEFT | WS_GROUP,                      "Static",                       166,  13, 142,   8},
        {IDC_MAKER_TEXT,     Static,     SS_LEFT | WS_GROUP,                      "Static",                       166,  27, 142,   8},
        {IDC_TARGET_TEXT,    Static,     SS_LEFT | WS_GROUP,                      "Static",                        33,  25,  69,   8},
        {IDC_STATIC,         Static,     SS_LEFT | WS_GROUP,                      "TAVIKデータ（解析モデル）選択",  48,  93, 100,   8},
        // Scrolls sideways, so that a path longer than the box can be typed.
        {IDC_MODEL_PATH,     Edit,       ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, "",                    46, 111, 206,  14},
        {IDC_BROWSE,         PushButton, BS_PUSHBUTTON | WS_TABSTOP,              "参照",                         261, 112,  33,  14},
    }};
}
// clang-format on

ResourceModule MakeModule() {
    ResourceModule module;
    module.dialogs = {AboutBox(), ConverterDialog()};
    module.strings = {
        {IDS_ABOUTBOX, "Cor2Tavik のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
        {IDS_TITLE_TEXT, "TAVIK/QR DATA CONVERTOR"},
        {IDS_TARGET_TEXT, "(FOR CORVANTIS)"},
        {IDS_VERSION_TEXT, "Ver 5.00"},
        {IDS_UPDATE_TEXT, "Update : 2003/12/22"},
        {IDS_MAKER_TEXT, "Quendrall Corporation"},
    };
    // 16 colours each, drawn for this program.
    module.icons = {{IDR_MAINFRAME, {cor2tavik_32_xpm, cor2tavik_16_xpm}}};
    return module;
}

}  // namespace

const dialogkit::ResourceModule& Cor2TavikResources() {
    static const dialogkit::ResourceModule module = MakeModule();
    return module;
}
