// Resources as plain data: dialog templates, the string table and icons,
// looked up by id the way the dialog code expects. Both backends read the
// same tables; on Windows the strings and icons are also built into the
// executable as real resources and loaded from there.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace dialogkit {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

enum class ControlKind { PushButton, Static, Edit, Icon };

// The control styles that change behaviour on both systems; each backend
// maps them to its own (the Windows backend adds the fixed ones of a kind).
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
// The current module; the Qt backend reads its strings and icons from it.
const ResourceModule& CurrentResources();

// Null when the module has no such template.
const DialogTemplate* FindDialogTemplate(int id);
// UTF-8; empty when the table has no such string, like a failed LoadString.
// Defined by the backend.
std::string LoadString(int id);

}  // namespace dialogkit
