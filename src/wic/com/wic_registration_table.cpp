// The codec's registry entries, written once: the decoder, the property handler, and for each
// extension what the shell reads.
#include <windows.h>

#include "wic/com/wic_registration_table.h"

#include <wchar.h>

#include "wic/com/wic_com.h"
#include "wic_version.h"

namespace quentarpbm {

namespace {

#define QPBM_DECODER L"CLSID\\{decoder}"
#define QPBM_PROPERTIES L"CLSID\\{properties}"
#define QPBM_INSTANCE L"CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance\\{decoder}"
#define QPBM_THUMBNAILS L"\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}"
#define QPBM_PHOTO_THUMBNAILS L"{C7657C4A-9F68-40fa-A4DF-96BC08EB3551}"
#define QPBM_HANDLERS L"Microsoft\\Windows\\CurrentVersion\\PropertySystem\\PropertyHandlers"
#define QPBM_KIND_MAP L"Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap"
#define QPBM_ASSOCIATIONS L"SystemFileAssociations\\."
// The details pane's, the details view's and the tooltip's lists.
constexpr wchar_t kFullDetails[] =
    L"prop:System.PropGroup.Image;System.Image.Dimensions;System.Image.HorizontalSize;"
    L"System.Image.VerticalSize;System.Image.BitDepth;System.Image.HorizontalResolution;"
    L"System.Image.VerticalResolution;System.Media.FrameCount;System.PropGroup.FileSystem;"
    L"System.ItemNameDisplay;System.ItemTypeText;System.ItemFolderPathDisplay;System.Size;"
    L"System.DateCreated;System.DateModified;System.FileAttributes;System.OfflineAvailability;"
    L"System.OfflineStatus;System.SharedWith;System.FileOwner;System.ComputerName";
constexpr wchar_t kPreviewDetails[] =
    L"prop:System.Image.Dimensions;System.Image.BitDepth;System.Size;System.DateModified";
constexpr wchar_t kInfoTip[] = L"prop:System.ItemTypeText;System.Image.Dimensions;System.Size";

// Each extension: a picture for the shell, with the photo thumbnail provider
// (under the extension and, where current Windows looks, under its system
// association), our lists of details, and per machine its kind and our
// property handler.
#define QPBM_EXTENSION(ext, mime)                                                                 \
  {L"." ext, nullptr, ValueKind::kKeyOnly, nullptr, 0},                                           \
      {L"." ext, L"Content Type", ValueKind::kString, mime, 0},                                   \
      {L"." ext, L"PerceivedType", ValueKind::kString, L"image", 0},                              \
      {L"." ext L"\\ShellEx", nullptr, ValueKind::kKeyOnly, nullptr, 0},                          \
      {L"." ext QPBM_THUMBNAILS, nullptr, ValueKind::kKeyOnly, nullptr, 0},                       \
      {L"." ext QPBM_THUMBNAILS, nullptr, ValueKind::kString, QPBM_PHOTO_THUMBNAILS, 0},          \
      {QPBM_ASSOCIATIONS ext, nullptr, ValueKind::kKeyOnly, nullptr, 0},                          \
      {QPBM_ASSOCIATIONS ext, L"FullDetails", ValueKind::kString, kFullDetails, 0},               \
      {QPBM_ASSOCIATIONS ext, L"PreviewDetails", ValueKind::kString, kPreviewDetails, 0},         \
      {QPBM_ASSOCIATIONS ext, L"InfoTip", ValueKind::kString, kInfoTip, 0},                       \
      {QPBM_ASSOCIATIONS ext L"\\ShellEx", nullptr, ValueKind::kKeyOnly, nullptr, 0},             \
      {QPBM_ASSOCIATIONS ext QPBM_THUMBNAILS, nullptr, ValueKind::kKeyOnly, nullptr, 0},          \
      {QPBM_ASSOCIATIONS ext QPBM_THUMBNAILS, nullptr, ValueKind::kString, QPBM_PHOTO_THUMBNAILS, \
       0},                                                                                        \
      {QPBM_KIND_MAP,          L"." ext, ValueKind::kString, L"picture", 0, nullptr,              \
       RegistryScope::kMachine},                                                                  \
      {QPBM_HANDLERS L"\\." ext, nullptr, ValueKind::kKeyOnly, nullptr, 0, nullptr,               \
       RegistryScope::kMachine},                                                                  \
  {                                                                                               \
    QPBM_HANDLERS L"\\." ext, nullptr, ValueKind::kGuid, nullptr, 0, &kPbmPropertyHandlerClsid,   \
        RegistryScope::kMachine                                                                   \
  }
// Each magic: its two bytes at offset 0. The identification layer takes the
// P in either case, so the mask leaves out the bit that tells them apart.
#define QPBM_PATTERN(index, digit)                                                          \
  {QPBM_DECODER L"\\Patterns\\" index, nullptr, ValueKind::kKeyOnly, nullptr, 0},           \
      {QPBM_DECODER L"\\Patterns\\" index, L"Position", ValueKind::kDword, nullptr, 0},     \
      {QPBM_DECODER L"\\Patterns\\" index, L"Length", ValueKind::kDword, nullptr, 2},       \
      {QPBM_DECODER L"\\Patterns\\" index, L"Pattern", ValueKind::kBinary, L"50" digit, 0}, \
      {QPBM_DECODER L"\\Patterns\\" index, L"Mask", ValueKind::kBinary, L"DFFF", 0}, {      \
    QPBM_DECODER L"\\Patterns\\" index, L"EndOfStream", ValueKind::kDword, nullptr, 0       \
  }
// Stands for one key per pixel format the frame gives (CodecRegistryEntry).
#define QPBM_FORMATS_KEY L"\\Formats\\{format}"

constexpr wchar_t kFriendlyName[] = L"QuentarPBM Netpbm Decoder";
constexpr wchar_t kHandlerName[] = L"QuentarPBM Netpbm Property Handler";

// The markers a key may hold, and the class each stands for (none: the
// entry's own GUID).
struct KeyMarker {
  const wchar_t* text;
  const CLSID* clsid;
};
const KeyMarker kKeyMarkers[] = {{L"{decoder}", &kPbmDecoderClsid},
                                 {L"{properties}", &kPbmPropertyHandlerClsid},
                                 {L"{format}", nullptr}};

constexpr wchar_t kClassesKey[] = L"Software\\Classes\\";
constexpr wchar_t kSoftwareKey[] = L"Software\\";

// Appends text to path (length used so far); false when it does not fit.
bool AppendText(wchar_t* path, size_t* used, const wchar_t* text, size_t length) {
  if (*used + length >= kRegistryKeyCapacity) return false;
  wmemcpy(path + *used, text, length);
  *used += length;
  path[*used] = L'\0';
  return true;
}

const RegistryEntry kCodecRegistry[] = {
    // The decoder's class, as WIC documents a decoder's entries.
    {QPBM_DECODER, nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {QPBM_DECODER, nullptr, ValueKind::kString, kFriendlyName, 0},
    {QPBM_DECODER, L"FriendlyName", ValueKind::kString, kFriendlyName, 0},
    {QPBM_DECODER, L"Author", ValueKind::kString, L"QuentarPBM project", 0},
    {QPBM_DECODER, L"Description", ValueKind::kString, L"PBM, PGM and PPM images (P1 to P6)", 0},
    {QPBM_DECODER, L"Vendor", ValueKind::kGuid, nullptr, 0, &kQuentarPbmVendor},
    {QPBM_DECODER, L"ContainerFormat", ValueKind::kGuid, nullptr, 0, &kNetpbmContainerFormat},
    {QPBM_DECODER, L"Version", ValueKind::kString, QUENTARPBM_VERSION_TEXT, 0},
    {QPBM_DECODER, L"SpecVersion", ValueKind::kString, L"1.0.0.0", 0},
    {QPBM_DECODER, L"MimeTypes", ValueKind::kString,
     L"image/x-portable-bitmap,image/x-portable-graymap,image/x-portable-pixmap,"
     L"image/x-portable-anymap",
     0},
    {QPBM_DECODER, L"FileExtensions", ValueKind::kString, L".pbm,.pgm,.ppm,.pnm", 0},
    {QPBM_DECODER, L"SupportAnimation", ValueKind::kDword, nullptr, 0},
    {QPBM_DECODER, L"SupportChromakey", ValueKind::kDword, nullptr, 0},
    {QPBM_DECODER, L"SupportLossless", ValueKind::kDword, nullptr, 1},
    {QPBM_DECODER, L"SupportMultiframe", ValueKind::kDword, nullptr, 1},
    // Behind any other decoder whose patterns also match (0 is first, 10
    // last): two bytes are the weakest claim a format can make.
    {QPBM_DECODER, L"ArbitrationPriority", ValueKind::kDword, nullptr, 10},
    {QPBM_DECODER L"\\InprocServer32", nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {QPBM_DECODER L"\\InprocServer32", nullptr, ValueKind::kModulePath, nullptr, 0},
    {QPBM_DECODER L"\\InprocServer32", L"ThreadingModel", ValueKind::kString, L"Both", 0},
    {QPBM_DECODER L"\\Formats", nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {QPBM_DECODER QPBM_FORMATS_KEY, nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {QPBM_DECODER L"\\Patterns", nullptr, ValueKind::kKeyOnly, nullptr, 0},
    QPBM_PATTERN(L"0", L"31"),
    QPBM_PATTERN(L"1", L"32"),
    QPBM_PATTERN(L"2", L"33"),
    QPBM_PATTERN(L"3", L"34"),
    QPBM_PATTERN(L"4", L"35"),
    QPBM_PATTERN(L"5", L"36"),
    // The decoder category's entry, by which WIC finds the decoder.
    {QPBM_INSTANCE, nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {QPBM_INSTANCE, L"CLSID", ValueKind::kGuid, nullptr, 0, &kPbmDecoderClsid},
    {QPBM_INSTANCE, L"FriendlyName", ValueKind::kString, kFriendlyName, 0},
    // The property handler's class.
    {QPBM_PROPERTIES, nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {QPBM_PROPERTIES, nullptr, ValueKind::kString, kHandlerName, 0},
    {QPBM_PROPERTIES L"\\InprocServer32", nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {QPBM_PROPERTIES L"\\InprocServer32", nullptr, ValueKind::kModulePath, nullptr, 0},
    {QPBM_PROPERTIES L"\\InprocServer32", L"ThreadingModel", ValueKind::kString, L"Both", 0},
    // The keys the extensions' entries go in; Windows has them already, so
    // only a registry without them (a fresh Wine prefix) sees them go again.
    // KindMap, which every system has, even empty, is never removed: it has
    // no entry of its own.
    {L"SystemFileAssociations", nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {L"Microsoft\\Windows\\CurrentVersion\\PropertySystem", nullptr, ValueKind::kKeyOnly, nullptr,
     0, nullptr, RegistryScope::kMachine},
    {QPBM_HANDLERS, nullptr, ValueKind::kKeyOnly, nullptr, 0, nullptr, RegistryScope::kMachine},
    QPBM_EXTENSION(L"pbm", L"image/x-portable-bitmap"),
    QPBM_EXTENSION(L"pgm", L"image/x-portable-graymap"),
    QPBM_EXTENSION(L"ppm", L"image/x-portable-pixmap"),
    QPBM_EXTENSION(L"pnm", L"image/x-portable-anymap"),
};
constexpr size_t kCodecRegistryCount = sizeof kCodecRegistry / sizeof kCodecRegistry[0];

// Where the formats' one entry stands in the table.
size_t FormatsEntryIndex() {
  size_t index = 0;
  while (wcsstr(kCodecRegistry[index].key, QPBM_FORMATS_KEY) == nullptr) ++index;
  return index;
}

}  // namespace

size_t CodecRegistryEntryCount() { return kCodecRegistryCount - 1 + kWicLayoutCount; }

RegistryEntry CodecRegistryEntry(size_t index) {
  const size_t formats = FormatsEntryIndex();
  if (index < formats) return kCodecRegistry[index];
  if (index >= formats + kWicLayoutCount) return kCodecRegistry[index - kWicLayoutCount + 1];
  RegistryEntry entry = kCodecRegistry[formats];
  entry.guid = kLayoutPixelFormats[index - formats].format;
  return entry;
}

bool EntryKeyPath(const RegistryEntry& entry, wchar_t path[kRegistryKeyCapacity]) {
  const wchar_t* root = entry.scope == RegistryScope::kClasses ? kClassesKey : kSoftwareKey;
  size_t used = 0;
  path[0] = L'\0';
  if (!AppendText(path, &used, root, wcslen(root))) return false;
  const wchar_t* rest = entry.key;
  for (const KeyMarker& marker : kKeyMarkers) {
    const wchar_t* at = wcsstr(rest, marker.text);
    if (at == nullptr) continue;
    wchar_t clsid[kGuidTextLength];
    const GUID& guid = marker.clsid != nullptr ? *marker.clsid : *entry.guid;
    if (StringFromGUID2(guid, clsid, kGuidTextLength) == 0) return false;
    if (!AppendText(path, &used, rest, static_cast<size_t>(at - rest)) ||
        !AppendText(path, &used, clsid, wcslen(clsid))) {
      return false;
    }
    rest = at + wcslen(marker.text);
  }
  return AppendText(path, &used, rest, wcslen(rest));
}

const wchar_t* EntryText(const RegistryEntry& entry, const wchar_t* modulePath,
                         wchar_t guidText[kGuidTextLength]) {
  if (entry.kind == ValueKind::kModulePath) return modulePath;
  if (entry.kind != ValueKind::kGuid) return entry.text;
  return StringFromGUID2(*entry.guid, guidText, kGuidTextLength) != 0 ? guidText : nullptr;
}

}  // namespace quentarpbm
