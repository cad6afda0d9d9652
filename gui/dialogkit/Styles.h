// The Windows style bits that dialog templates give, with their Windows
// values: the resource tool writes them into the .exe unchanged and the Qt
// backend reads those that change behaviour. The Win32 backend's sources do
// not include this: <windows.h> defines the same names as macros.
#pragma once

namespace dialogkit {

// Window styles.
inline constexpr unsigned WS_POPUP = 0x80000000;
inline constexpr unsigned WS_CHILD = 0x40000000;
inline constexpr unsigned WS_VISIBLE = 0x10000000;
inline constexpr unsigned WS_CAPTION = 0x00C00000;
inline constexpr unsigned WS_BORDER = 0x00800000;
inline constexpr unsigned WS_SYSMENU = 0x00080000;
inline constexpr unsigned WS_GROUP = 0x00020000;
inline constexpr unsigned WS_TABSTOP = 0x00010000;
inline constexpr unsigned WS_EX_APPWINDOW = 0x00040000;

// Dialog styles.
inline constexpr unsigned DS_SETFONT = 0x40;
inline constexpr unsigned DS_MODALFRAME = 0x80;

// Control styles, by class.
inline constexpr unsigned BS_PUSHBUTTON = 0x0;
inline constexpr unsigned BS_DEFPUSHBUTTON = 0x1;
inline constexpr unsigned BS_TYPEMASK = 0xF;
inline constexpr unsigned SS_LEFT = 0x0;
inline constexpr unsigned SS_ICON = 0x3;
inline constexpr unsigned SS_TYPEMASK = 0x1F;
inline constexpr unsigned SS_NOPREFIX = 0x80;
inline constexpr unsigned ES_LEFT = 0x0;
inline constexpr unsigned ES_AUTOHSCROLL = 0x80;

}  // namespace dialogkit
