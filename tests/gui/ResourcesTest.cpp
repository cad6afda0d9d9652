// The program's resources: string table, icon and the embedded version block.
#include <fstream>
#include <iterator>
#include <set>

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "Resource.h"
#include "Resources.h"

using namespace dialogkit;

namespace {

TEST(Resources, StringTableHoldsTheExactTexts) {
    const std::map<int, std::string> expected = {
        {101, "Cor2Tavik のﾊﾞｰｼﾞｮﾝ情報(&A)..."}, {102, "TAVIK/QR DATA CONVERTOR"}, {103, "(FOR CORVANTIS)"},
        {104, "Ver 5.00"}, {105, "Update : 2003/12/22"}, {106, "Quendrall Corporation"},
    };
    EXPECT_EQ(Cor2TavikResources().strings, expected);
    EXPECT_EQ(LoadString(IDS_ABOUTBOX), "Cor2Tavik のﾊﾞｰｼﾞｮﾝ情報(&A)...");
    EXPECT_EQ(LoadString(107), "");
}

TEST(Resources, IconHasA32And16PixelImageOfAtMost16Colours) {
    const QIcon icon = LoadIcon(IDR_MAINFRAME);
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_EQ(sizes.size(), 2);

    // The 16 colours of the Windows palette, plus the clear mask.
    const std::set<QRgb> palette = {
        0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
        0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    for (const QSize& size : sizes) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), size);
        std::set<QRgb> used;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0) used.insert(image.pixel(x, y));
        EXPECT_GE(used.size(), 4u) << "a picture, not a blank";
        for (QRgb c : used) EXPECT_TRUE(palette.count(c)) << std::hex << c << " at " << size.width();
    }
}

TEST(Resources, ProgramEmbedsTheVersionBlock) {
    std::ifstream in(COR2TAVIK_EXE, std::ios::binary);
    ASSERT_TRUE(in) << COR2TAVIK_EXE;
    const std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string::size_type at = program.find("FILEVERSION=");
    ASSERT_NE(at, std::string::npos);
    const std::string block(program.c_str() + at);
    EXPECT_EQ(block,
              "FILEVERSION=1.0.0.1\n"
              "PRODUCTVERSION=1.0.0.1\n"
              "FILEFLAGSMASK=0x3F\n"
              "FILEFLAGS=0x0\n"
              "FILEOS=0x40004\n"
              "FILETYPE=0x1\n"
              "StringFileInfo=041104B0\n"
              "CompanyName=\n"
              "FileDescription=Cor2Tavik MFC ｱﾌﾟﾘｹｰｼｮﾝ\n"
              "FileVersion=1, 0, 0, 1\n"
              "InternalName=Cor2Tavik\n"
              "LegalCopyright=Copyright (C) 2003\n"
              "LegalTrademarks=\n"
              "OriginalFilename=Cor2Tavik.EXE\n"
              "ProductName=Cor2Tavik ｱﾌﾟﾘｹｰｼｮﾝ\n"
              "ProductVersion=1, 0, 0, 1\n"
              "Translation=0x0411 0x04B0\n");
}

}  // namespace
