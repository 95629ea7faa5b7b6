// The codec's pixel layouts: what each one is, and which one shows an image.
#include <stddef.h>
#include <stdint.h>

#include "netpbm/netpbm.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

struct LayoutEntry {
  WicPixelLayout layout;
  WicLayoutTraits traits;
};

// In the enumeration's order.
constexpr LayoutEntry kLayouts[] = {
    {WicPixelLayout::kBlackWhite, {1, false, 1, 1}}, {WicPixelLayout::kGray8, {2, false, 1, 8}},
    {WicPixelLayout::kBgr24, {3, false, 3, 24}},     {WicPixelLayout::kGray16, {2, true, 1, 16}},
    {WicPixelLayout::kRgb48, {3, true, 3, 48}},
};
static_assert(sizeof kLayouts / sizeof kLayouts[0] == kWicLayoutCount, "a layout without traits");

}  // namespace

const WicLayoutTraits& TraitsOfLayout(WicPixelLayout layout) {
  return kLayouts[static_cast<size_t>(layout)].traits;
}

WicPixelLayout LayoutOfImage(int32_t magic, int32_t maxval) {
  const int32_t format = NetpbmFormatOf(magic);
  const bool wide = maxval > 255;
  // Every image the header reader takes has its entry (PBM's maxval is 1).
  WicPixelLayout found = WicPixelLayout::kBlackWhite;
  for (const LayoutEntry& entry : kLayouts) {
    if (entry.traits.format == format && entry.traits.wideSamples == wide) found = entry.layout;
  }
  return found;
}

}  // namespace quentarpbm
