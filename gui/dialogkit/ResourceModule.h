// Resources as plain data: dialog templates, the string table and icons,
// looked up by id the way the dialog code expects.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QIcon>
#include <QString>

namespace dialogkit {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

enum class ControlKind { PushButton, Static, Edit, Icon };

// The control styles that change behaviour here; the others have no meaning
// outside the Windows dialog manager and are left out.
enum ControlStyle : unsigned {
    WS_TABSTOP = 0x1,        // reached with Tab
    BS_DEFPUSHBUTTON = 0x2,  // the button Enter presses
    WS_BORDER = 0x4,         // framed edit box
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    unsigned style;
    std::string text;  // UTF-8; for ControlKind::Icon unused
    int x, y, cx, cy;  // dialog units
    int iconId = 0;    // ControlKind::Icon only
};

struct DialogTemplate {
    int id;
    std::string caption;
    std::string fontFace;
    int fontPointSize;
    int cx, cy;             // client size in dialog units
    bool systemMenu;        // WS_SYSMENU
    std::vector<ControlTemplate> controls;  // template order is tab order
};

// An icon resource: the same picture at several sizes, as XPM data.
struct IconResource {
    int id;
    std::vector<const char* const*> images;
};

struct ResourceModule {
    std::vector<DialogTemplate> dialogs;
    std::map<int, std::string> strings;  // UTF-8
    std::vector<IconResource> icons;
};

// Makes `module` the one the functions below and Dialog read; returns the
// previous one. The module must outlive its use.
const ResourceModule* UseResources(const ResourceModule& module);

// Null when the module has no such template.
const DialogTemplate* FindDialogTemplate(int id);
// Empty when the table has no such string, like a failed LoadString.
QString LoadString(int id);
// A null icon when the module has no such icon.
QIcon LoadIcon(int id);

}  // namespace dialogkit
