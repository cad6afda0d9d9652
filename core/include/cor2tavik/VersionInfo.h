/* The version of both programs and of the package, in one place: Cor2Tavik.rc
   builds the Windows VERSIONINFO block from these fields, VersionResource.cpp
   embeds them in the Linux executable, the About box shows the major and
   minor numbers, Cor2TavikCmd --version prints them and CMake reads
   VER_MAJOR, VER_MINOR and VER_PATCH for the project and package version
   (and checks the two strings below against the numbers). Plain C
   preprocessor only, for the resource compiler. */
#ifndef COR2TAVIK_VERSIONINFO_H
#define COR2TAVIK_VERSIONINFO_H

#define VER_MAJOR 1
#define VER_MINOR 0
#define VER_PATCH 0
#define VER_BUILD 1
#define VER_FILEVERSION VER_MAJOR, VER_MINOR, VER_PATCH, VER_BUILD

#define VER_STR2(x) #x
#define VER_STR(x) VER_STR2(x)
/* "1.0.0": the version users and the package see. */
#define VER_VERSION_STR VER_STR(VER_MAJOR) "." VER_STR(VER_MINOR) "." VER_STR(VER_PATCH)

#define VER_FILEVERSION_STR "1, 0, 0, 1"
#define VER_PRODUCTVERSION_STR "1, 0, 0, 1"
#define VER_COMPANYNAME_STR ""
#define VER_FILEDESCRIPTION_STR "Cor2Tavik MFC ｱﾌﾟﾘｹｰｼｮﾝ"
#define VER_INTERNALNAME_STR "Cor2Tavik"
#define VER_LEGALCOPYRIGHT_STR "Copyright (C) 2003"
#define VER_LEGALTRADEMARKS_STR ""
#define VER_ORIGINALFILENAME_STR "Cor2Tavik.EXE"
#define VER_PRODUCTNAME_STR "Cor2Tavik ｱﾌﾟﾘｹｰｼｮﾝ"

/* Japanese, Unicode code page. */
#define VER_LANGUAGE 0x0411
#define VER_CODEPAGE 0x04B0
#define VER_BLOCK_NAME "041104B0"

#define VER_FILEFLAGSMASK 0x3F
#define VER_FILEFLAGS 0x0
#define VER_FILEOS 0x4 /* VOS__WINDOWS32: the 32-bit Windows API */
#define VER_FILETYPE 0x1 /* application */

#endif
