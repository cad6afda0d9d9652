// Resources as plain data: dialog templates, the string table and icons,
// looked up by id the way the dialog code expects. The Qt backend reads
// them here; for Windows a build tool writes them into the executable as
// real resources, and the Win32 backend loads them from there.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace dialogkit {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

// The window classes: "Button", "Static" (also for an icon) and "Edit".
enum class ControlKind { PushButton, Static, Edit };

// Styles are the Windows bits (dialogkit/Styles.h).
struct ControlTemplate {
    int id;
    ControlKind kind;
    unsigned style;    // without WS_CHILD | WS_VISIBLE, which every control has
    std::string text;  // UTF-8; unused for an SS_ICON static
    int x, y, cx, cy;  // dialog units
    int iconId = 0;    // SS_ICON statics only
};

struct DialogTemplate {
    int id;
    std::string caption;
    std::string fontFace;
    int fontPointSize;
    int cx, cy;  // client size in dialog units
    unsigned style, exStyle;
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
