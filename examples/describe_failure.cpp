// Host-side wording of PBMOpen's result codes and of the formats it refuses.
#include "describe_failure.h"

#include "identify/identify.h"
#include "open_failure.h"
#include "quentarpbm.h"

namespace {

using namespace quentarpbm;

// The formats the library recognises but does not convert; named and
// unnamed variants read the same to a person.
const char* FormatName(int32_t format) {
  switch (format) {
    case kFormatClipboardNamed:
    case kFormatClipboard:
      return "a Windows clipboard file (.clp)";
    case kFormatPlaceableMetafileNamed:
    case kFormatPlaceableMetafile:
      return "a placeable Windows metafile (.wmf)";
    case kFormatMetafileNamed:
      return "a Windows metafile (.wmf)";
    case kFormatBitmap:
    case kFormatBitmapNamed:
      return "a Windows bitmap (.bmp)";
    case kFormatGif:
      return "a GIF image";
    case kFormatIconNamed:
    case kFormatIcon:
      return "a Windows icon (.ico)";
    case kFormatCursorNamed:
    case kFormatCursor:
      return "a Windows cursor (.cur)";
    case kFormatCgcImapp:
      return "a CGC IMAPP image";
    case kFormatPcxNamed:
    case kFormatPcx:
      return "a PCX image";
    case kFormatTiffNamed:
    case kFormatTiff:
      return "a TIFF image";
    case kFormatJpeg:
      return "a JPEG image";
    case kFormatFif:
      return "a fractal image (FIF)";
    default:
      return nullptr;
  }
}

std::string DescribeUnsupported(const char* fileName) {
  int32_t format = kFormatUnknown;
  IdentifyImageFile(fileName, &format);
  const char* name = FormatName(format);
  if (name == nullptr)
    return "not a PBM, PGM or PPM image, nor any image format this program knows";
  return std::string("this is ") + name + ", not a PBM, PGM or PPM image; only those convert";
}

}  // namespace

std::string DescribeFailure(const char* fileName, int32_t code) {
  switch (code) {
    case PBM_E_NO_MEMORY:
      return "not enough memory to convert an image of this size";
    case PBM_E_LOCK:
      return "the memory holding the bitmap header could not be locked";
    case PBM_E_OPEN:
      return DescribeOpenFailure(fileName);
    case PBM_E_ARGUMENT:
      return "the converter was called without a required argument (a bug in this program)";
    case PBM_E_PALETTE:
      return "the grey-level palette for the image could not be created or read back";
    case PBM_E_UNSUPPORTED:
      return DescribeUnsupported(fileName);
    case PBM_E_MAXVAL:
      return "the image has more than 8 bits per sample (its maximum value is above 255), "
             "which cannot be converted";
    case PBM_E_READ:
      return "the file is damaged: it ends too early, or its header holds something that is not a "
             "valid number";
    case PBM_E_MAPPING:
      return "the converted pixels could not be mapped into memory (an image with no pixels, "
             "0 wide or 0 high, ends this way, and so does a temporary folder with no room for "
             "them)";
    case PBM_E_VIEW:
      return "the converted pixels could not be written to the temporary pixel file";
    case PBM_E_TEMP_PATH:
      return "the temporary folder could not be found";
    case PBM_E_TEMP_NAME:
      return "no temporary file could be created in the temporary folder (is it full or "
             "read-only?)";
    default:
      return "failed with an unknown result code " + std::to_string(code);
  }
}
