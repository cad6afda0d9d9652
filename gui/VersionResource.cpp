// The version resource of the Linux executable: the VERSIONINFO fields as
// text in a section of their own (readelf -p .cor2tavik.version Cor2Tavik).
#include "cor2tavik/VersionInfo.h"

#define VER_DOTTED VER_STR(VER_MAJOR) "." VER_STR(VER_MINOR) "." VER_STR(VER_PATCH) "." VER_STR(VER_BUILD)

extern const char kCor2TavikVersionResource[];
[[gnu::used, gnu::section(".cor2tavik.version")]] const char kCor2TavikVersionResource[] =
    "FILEVERSION=" VER_DOTTED "\n"
    "PRODUCTVERSION=" VER_DOTTED "\n"
    "FILEFLAGSMASK=" VER_STR(VER_FILEFLAGSMASK) "\n"
    "FILEFLAGS=" VER_STR(VER_FILEFLAGS) "\n"
    "FILEOS=" VER_STR(VER_FILEOS) "\n"
    "FILETYPE=" VER_STR(VER_FILETYPE) "\n"
    "StringFileInfo=" VER_BLOCK_NAME "\n"
    "CompanyName=" VER_COMPANYNAME_STR "\n"
    "FileDescription=" VER_FILEDESCRIPTION_STR "\n"
    "FileVersion=" VER_FILEVERSION_STR "\n"
    "InternalName=" VER_INTERNALNAME_STR "\n"
    "LegalCopyright=" VER_LEGALCOPYRIGHT_STR "\n"
    "LegalTrademarks=" VER_LEGALTRADEMARKS_STR "\n"
    "OriginalFilename=" VER_ORIGINALFILENAME_STR "\n"
    "ProductName=" VER_PRODUCTNAME_STR "\n"
    "ProductVersion=" VER_PRODUCTVERSION_STR "\n"
    "Translation=" VER_STR(VER_LANGUAGE) " " VER_STR(VER_CODEPAGE) "\n";
