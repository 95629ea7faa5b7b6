// The one table of WIC's pixel format for each layout of the decode core.
#include <windows.h>

#include <stddef.h>
#include <wincodec.h>

#include "wic/com/wic_com.h"

namespace quentarpbm {

const LayoutPixelFormat kLayoutPixelFormats[kWicLayoutCount] = {
    {WicPixelLayout::kBlackWhite, &GUID_WICPixelFormatBlackWhite},
    {WicPixelLayout::kGray8, &GUID_WICPixelFormat8bppGray},
    {WicPixelLayout::kBgr24, &GUID_WICPixelFormat24bppBGR},
    {WicPixelLayout::kGray16, &GUID_WICPixelFormat16bppGray},
    {WicPixelLayout::kRgb48, &GUID_WICPixelFormat48bppRGB},
};

const GUID& PixelFormatOfLayout(WicPixelLayout layout) {
  return *kLayoutPixelFormats[static_cast<size_t>(layout)].format;
}

bool LayoutOfPixelFormat(const GUID& format, WicPixelLayout* layout) {
  for (const LayoutPixelFormat& entry : kLayoutPixelFormats) {
    if (IsEqualGUID(format, *entry.format)) {
      *layout = entry.layout;
      return true;
    }
  }
  return false;
}

}  // namespace quentarpbm
