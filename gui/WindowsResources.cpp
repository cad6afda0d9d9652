// Build tool, run on the build machine: writes the dialog templates, the
// string table and the icon of Resources.cpp as Windows resources, so that
// the Windows program loads them by id from the same tables the Linux one
// uses.
//   WindowsResources <out.rc> <out.ico>
// The .rc names the icon by its file name; windres finds it through the
// include path.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "Resource.h"
#include "Resources.h"
#include "dialogkit/Styles.h"

namespace {

// The 16 colours of the Windows palette, in its order; an icon of 4 bits per
// pixel indexes them.
constexpr std::array<std::uint32_t, 16> kPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

struct Image {
    int size = 0;                       // square
    std::vector<int> pixels;            // palette index, -1 for clear; top row first
};

bool ReadXpm(const char* const* xpm, Image& image) {
    int width = 0, height = 0, colours = 0, perPixel = 0;
    if (std::sscanf(xpm[0], "%d %d %d %d", &width, &height, &colours, &perPixel) != 4 || width != height ||
        perPixel < 1)
        return false;
    std::map<std::string, int> index;
    for (int i = 1; i <= colours; ++i) {
        const std::string line = xpm[i];
        const std::string key = line.substr(0, static_cast<std::size_t>(perPixel));
        const std::size_t c = line.find(" c ", static_cast<std::size_t>(perPixel));
        if (c == std::string::npos) return false;
        const std::string value = line.substr(c + 3);
        if (value == "None") {
            index[key] = -1;
            continue;
        }
        if (value.size() != 7 || value[0] != '#') return false;
        const std::uint32_t rgb = static_cast<std::uint32_t>(std::stoul(value.substr(1), nullptr, 16));
        int found = -1;
        for (std::size_t p = 0; p < kPalette.size(); ++p)
            if (kPalette[p] == rgb) found = static_cast<int>(p);
        if (found < 0) return false;  // not one of the 16 colours
        index[key] = found;
    }
    image.size = width;
    for (int y = 0; y < height; ++y) {
        const std::string row = xpm[1 + colours + y];
        for (int x = 0; x < width; ++x) {
            auto it = index.find(row.substr(static_cast<std::size_t>(x * perPixel), static_cast<std::size_t>(perPixel)));
            if (it == index.end()) return false;
            image.pixels.push_back(it->second);
        }
    }
    return true;
}

void Put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A DIB as an icon holds it: header (twice the height: colours, then mask),
// palette, 4-bit colour rows and 1-bit mask rows, bottom row first, each row
// padded to 4 bytes.
std::string IconImage(const Image& image) {
    const int n = image.size;
    const int colourRow = (n / 2 + 3) / 4 * 4;
    const int maskRow = ((n + 7) / 8 + 3) / 4 * 4;
    std::string dib;
    Put32(dib, 40);
    Put32(dib, static_cast<std::uint32_t>(n));
    Put32(dib, static_cast<std::uint32_t>(2 * n));
    Put16(dib, 1);
    Put16(dib, 4);
    Put32(dib, 0);
    Put32(dib, static_cast<std::uint32_t>((colourRow + maskRow) * n));
    Put32(dib, 0);
    Put32(dib, 0);
    Put32(dib, 16);
    Put32(dib, 0);
    for (std::uint32_t rgb : kPalette) Put32(dib, rgb);  // RGBQUAD is B, G, R, 0: the same bytes
    for (int y = n - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(colourRow), '\0');
        for (int x = 0; x < n; ++x) {
            const int p = image.pixels[static_cast<std::size_t>(y * n + x)];
            if (p > 0) row[static_cast<std::size_t>(x / 2)] |= static_cast<char>(x % 2 ? p : p << 4);
        }
        dib += row;
    }
    for (int y = n - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(maskRow), '\0');
        for (int x = 0; x < n; ++x)
            if (image.pixels[static_cast<std::size_t>(y * n + x)] < 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        dib += row;
    }
    return dib;
}

std::string IconFile(const std::vector<Image>& images) {
    std::string head, body;
    Put16(head, 0);
    Put16(head, 1);
    Put16(head, static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const Image& image : images) {
        const std::string dib = IconImage(image);
        head += static_cast<char>(image.size);
        head += static_cast<char>(image.size);
        head += static_cast<char>(16);  // colours
        head += '\0';
        Put16(head, 1);
        Put16(head, 4);
        Put32(head, static_cast<std::uint32_t>(dib.size()));
        Put32(head, offset);
        offset += static_cast<std::uint32_t>(dib.size());
        body += dib;
    }
    return head + body;
}

// A string in resource script syntax, which takes UTF-8 under code_page(65001).
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += "\"\"";
        else if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out + '"';
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// A DIALOGEX with one CONTROL statement per control, every style spelt out.
std::string DialogScript(const dialogkit::DialogTemplate& t) {
    using namespace dialogkit;
    std::string rc = std::to_string(t.id) + " DIALOGEX 0, 0, " + std::to_string(t.cx) + ", " + std::to_string(t.cy) +
                     "\nSTYLE " + Hex(t.style) + "\nEXSTYLE " + Hex(t.exStyle) + "\nCAPTION " + Quoted(t.caption) +
                     "\nFONT " + std::to_string(t.fontPointSize) + ", " + Quoted(t.fontFace) +
                     ", 400, 0, 1\nBEGIN\n";  // FW_NORMAL, not italic, DEFAULT_CHARSET
    static const char* const kClasses[] = {"Button", "Static", "Edit"};
    for (const ControlTemplate& c : t.controls) {
        const bool icon = c.kind == ControlKind::Static && (c.style & SS_TYPEMASK) == SS_ICON;
        rc += "    CONTROL " + (icon ? std::to_string(c.iconId) : Quoted(c.text)) + ", " + std::to_string(c.id) +
              ", \"" + kClasses[static_cast<int>(c.kind)] + "\", " + Hex(WS_CHILD | WS_VISIBLE | c.style) + ", " +
              std::to_string(c.x) + ", " + std::to_string(c.y) + ", " + std::to_string(c.cx) + ", " +
              std::to_string(c.cy) + "\n";
    }
    return rc + "END\n\n";
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: WindowsResources <out.rc> <out.ico>\n");
        return 2;
    }
    const dialogkit::ResourceModule& module = Cor2TavikResources();

    std::vector<Image> images;
    for (const dialogkit::IconResource& icon : module.icons) {
        if (icon.id != IDR_MAINFRAME) continue;
        for (const char* const* xpm : icon.images) {
            Image image;
            if (!ReadXpm(xpm, image)) {
                std::fprintf(stderr, "WindowsResources: icon %d: not a 16-colour square XPM\n", icon.id);
                return 1;
            }
            images.push_back(std::move(image));
        }
    }

    std::string rc = "// Written by WindowsResources from Resources.cpp.\n#pragma code_page(65001)\n"
                     "LANGUAGE 0x11, 0x01\n\n";
    for (const dialogkit::DialogTemplate& dialog : module.dialogs) rc += DialogScript(dialog);
    rc += "STRINGTABLE\nBEGIN\n";
    for (const auto& [id, text] : module.strings) rc += "    " + std::to_string(id) + ", " + Quoted(text) + "\n";
    rc += "END\n\n" + std::to_string(IDR_MAINFRAME) + " ICON " + Quoted(BaseName(argv[2])) + "\n";

    std::ofstream rcFile(argv[1], std::ios::binary);
    rcFile << rc;
    std::ofstream icoFile(argv[2], std::ios::binary);
    icoFile << IconFile(images);
    if (!rcFile.flush() || !icoFile.flush()) {
        std::fprintf(stderr, "WindowsResources: cannot write the output\n");
        return 1;
    }
    return 0;
}
