// The shell's property keys the codec's property handler gives, as Windows documents them.
#ifndef QUENTARPBM_WIC_COM_WIC_PROPERTY_KEYS_H
#define QUENTARPBM_WIC_COM_WIC_PROPERTY_KEYS_H

#include <windows.h>

#include <propsys.h>

namespace quentarpbm {

// MinGW's propkey.h leaves out the image properties; each is the image
// summary set's format ID with its documented property ID.
#define QPBM_IMAGE_PROPERTY(pid) \
  { {0x6444048f, 0x4c8b, 0x11d1, {0x8b, 0x70, 0x08, 0x00, 0x36, 0xb1, 0x1a, 0x03}}, pid }

constexpr PROPERTYKEY kImageHorizontalSize = QPBM_IMAGE_PROPERTY(3);        // UInt32
constexpr PROPERTYKEY kImageVerticalSize = QPBM_IMAGE_PROPERTY(4);          // UInt32
constexpr PROPERTYKEY kImageHorizontalResolution = QPBM_IMAGE_PROPERTY(5);  // Double
constexpr PROPERTYKEY kImageVerticalResolution = QPBM_IMAGE_PROPERTY(6);    // Double
constexpr PROPERTYKEY kImageBitDepth = QPBM_IMAGE_PROPERTY(7);              // UInt32
constexpr PROPERTYKEY kMediaFrameCount = QPBM_IMAGE_PROPERTY(12);           // UInt32
constexpr PROPERTYKEY kImageDimensions = QPBM_IMAGE_PROPERTY(13);           // String

#undef QPBM_IMAGE_PROPERTY

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_COM_WIC_PROPERTY_KEYS_H
