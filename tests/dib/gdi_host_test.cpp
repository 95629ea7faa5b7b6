// The DIB as GDI sees it: the header block and the mapped pixels are drawn
// into a 32-bit DIB section and the colours read back match the source image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

struct GdiCase {
  const char* label;
  std::string file;
  int width;
  int height;
  std::vector<COLORREF> colours;  // top row first, as in the file
};

void PrintTo(const GdiCase& c, std::ostream* os) { *os << c.label; }

// Draws the DIB that PBMOpen made into a top-down 32-bit section; returns its
// pixels as COLORREFs, top row first.
std::vector<COLORREF> DrawWithGdi(const std::string& path, int width, int height) {
  char pixelFile[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  EXPECT_EQ(PBMOpen(path.c_str(), pixelFile, &mapping, &header, nullptr, 0), PBM_OK);
  if (header == nullptr) return {};
  const BITMAPINFO* info = static_cast<const BITMAPINFO*>(GlobalLock(header));
  const void* pixels = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);

  BITMAPINFO target = {};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = width;
  target.bmiHeader.biHeight = -height;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 32;
  target.bmiHeader.biCompression = BI_RGB;
  void* sectionBits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP section = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, section);
  EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0,
                              0, static_cast<UINT>(height), pixels, info, DIB_RGB_COLORS),
            height);
  GdiFlush();
  std::vector<COLORREF> colours;
  const uint8_t* bgrx = static_cast<const uint8_t*>(sectionBits);
  for (int i = 0; i < width * height; ++i) {
    colours.push_back(RGB(bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]));
  }
  SelectObject(dc, previous);
  DeleteObject(section);
  DeleteDC(dc);

  UnmapViewOfFile(pixels);
  GlobalUnlock(header);
  CloseHandle(mapping);
  GlobalFree(header);
  EXPECT_TRUE(DeleteFileA(pixelFile));
  return colours;
}

class GdiHost : public ::testing::TestWithParam<GdiCase> {};

TEST_P(GdiHost, DrawsTheSourceColours) {
  const GdiCase& c = GetParam();
  const std::string path = testing::WriteTestFile(std::string(c.label) + ".pnm", c.file);
  EXPECT_EQ(DrawWithGdi(path, c.width, c.height), c.colours);
}

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);

const GdiCase kCases[] = {
    {"PlainPbm", "P1 3 2 1 0 1 0 1 0", 3, 2, {kBlack, kWhite, kBlack, kWhite, kBlack, kWhite}},
    {"RawPbm",
     "P4 9 1\n\xAA\x80",
     9,
     1,
     {kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack}},
    {"RawPgm",
     testing::Bytes("P5 2 2 255\n\x00\x40\x80\xFF"),
     2,
     2,
     {RGB(0, 0, 0), RGB(64, 64, 64), RGB(128, 128, 128), RGB(255, 255, 255)}},
    {"PlainPpm",
     "P3 3 1 255 255 0 0 0 255 0 0 0 255",
     3,
     1,
     {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}},
    {"RawPpm",
     "P6 1 2 255\n\x10\x20\x30\xF0\xE0\xD0",
     1,
     2,
     {RGB(0x10, 0x20, 0x30), RGB(0xF0, 0xE0, 0xD0)}},
};

INSTANTIATE_TEST_SUITE_P(Netpbm, GdiHost, ::testing::ValuesIn(kCases),
                         testing::ParamLabel<GdiCase>);

}  // namespace
}  // namespace quentarpbm
