// DllRegisterServer and DllUnregisterServer: the codec's registry keys, written and removed from
// one table.
#include <windows.h>

#include <olectl.h>
#include <wchar.h>
#include <wincodec.h>

#include "wic/com/wic_com.h"
#include "wic_version.h"

namespace quentarpbm {

namespace {

enum class ValueKind { kKeyOnly, kString, kDword, kBinary, kGuid, kModulePath };

// One key, or one value in it. Keys say {decoder} for the decoder's CLSID;
// a null name is the key's default value. Every key has a kKeyOnly entry,
// before its values and its subkeys.
struct RegistryEntry {
  const wchar_t* key;
  const wchar_t* name;
  ValueKind kind;
  const wchar_t* text;         // kString; kBinary: the bytes, two hex digits each
  DWORD number;                // kDword
  const GUID* guid = nullptr;  // kGuid: written as text in braces
};

#define QPBM_DECODER L"CLSID\\{decoder}"
#define QPBM_INSTANCE L"CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance\\{decoder}"
// Each extension: a picture for the shell, with the photo thumbnail provider.
#define QPBM_EXTENSION(ext, mime)                                                               \
  {L"." ext, nullptr, ValueKind::kKeyOnly, nullptr, 0},                                         \
      {L"." ext, L"Content Type", ValueKind::kString, mime, 0},                                 \
      {L"." ext, L"PerceivedType", ValueKind::kString, L"image", 0},                            \
      {L"." ext L"\\ShellEx", nullptr, ValueKind::kKeyOnly, nullptr, 0},                        \
      {L"." ext L"\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}", nullptr,                  \
       ValueKind::kKeyOnly, nullptr, 0},                                                        \
  {                                                                                             \
    L"." ext L"\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}", nullptr, ValueKind::kString, \
        L"{C7657C4A-9F68-40fa-A4DF-96BC08EB3551}", 0                                            \
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
#define QPBM_FORMAT(guid) \
  { QPBM_DECODER L"\\Formats\\" guid, nullptr, ValueKind::kKeyOnly, nullptr, 0 }

constexpr wchar_t kFriendlyName[] = L"QuentarPBM Netpbm Decoder";

const RegistryEntry kCodecRegistry[] = {
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
    {QPBM_DECODER, L"SupportsAnimation", ValueKind::kDword, nullptr, 0},
    {QPBM_DECODER, L"SupportsChromakey", ValueKind::kDword, nullptr, 0},
    {QPBM_DECODER, L"SupportsLossless", ValueKind::kDword, nullptr, 1},
    {QPBM_DECODER, L"SupportsMultiframe", ValueKind::kDword, nullptr, 1},
    {QPBM_DECODER L"\\InprocServer32", nullptr, ValueKind::kKeyOnly, nullptr, 0},
    {QPBM_DECODER L"\\InprocServer32", nullptr, ValueKind::kModulePath, nullptr, 0},
    {QPBM_DECODER L"\\InprocServer32", L"ThreadingModel", ValueKind::kString, L"Both", 0},
    {QPBM_DECODER L"\\Formats", nullptr, ValueKind::kKeyOnly, nullptr, 0},
    QPBM_FORMAT(L"{6FDDC324-4E03-4BFE-B185-3D77768DC905}"),  // BlackWhite
    QPBM_FORMAT(L"{6FDDC324-4E03-4BFE-B185-3D77768DC908}"),  // 8bppGray
    QPBM_FORMAT(L"{6FDDC324-4E03-4BFE-B185-3D77768DC90C}"),  // 24bppBGR
    QPBM_FORMAT(L"{6FDDC324-4E03-4BFE-B185-3D77768DC90B}"),  // 16bppGray
    QPBM_FORMAT(L"{6FDDC324-4E03-4BFE-B185-3D77768DC915}"),  // 48bppRGB
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
    QPBM_EXTENSION(L"pbm", L"image/x-portable-bitmap"),
    QPBM_EXTENSION(L"pgm", L"image/x-portable-graymap"),
    QPBM_EXTENSION(L"ppm", L"image/x-portable-pixmap"),
    QPBM_EXTENSION(L"pnm", L"image/x-portable-anymap"),
};
constexpr size_t kEntryCount = sizeof kCodecRegistry / sizeof kCodecRegistry[0];

constexpr size_t kKeyCapacity = 256;
constexpr size_t kGuidTextLength = 39;  // "{8-4-4-4-12}" and its terminator

constexpr wchar_t kClassesKey[] = L"Software\\Classes\\";
constexpr wchar_t kDecoderMarker[] = L"{decoder}";

// Appends text to path (length used so far); false when it does not fit.
bool AppendText(wchar_t* path, size_t* used, const wchar_t* text, size_t length) {
  if (*used + length >= kKeyCapacity) return false;
  wmemcpy(path + *used, text, length);
  *used += length;
  path[*used] = L'\0';
  return true;
}

// The entry's key under root\Software\Classes, its {decoder} replaced.
bool EntryKeyPath(const RegistryEntry& entry, wchar_t* path) {
  wchar_t clsid[kGuidTextLength];
  if (StringFromGUID2(kPbmDecoderClsid, clsid, kGuidTextLength) == 0) return false;
  size_t used = 0;
  path[0] = L'\0';
  if (!AppendText(path, &used, kClassesKey, wcslen(kClassesKey))) return false;
  const wchar_t* marker = wcsstr(entry.key, kDecoderMarker);
  if (marker == nullptr) return AppendText(path, &used, entry.key, wcslen(entry.key));
  const wchar_t* rest = marker + wcslen(kDecoderMarker);
  return AppendText(path, &used, entry.key, static_cast<size_t>(marker - entry.key)) &&
         AppendText(path, &used, clsid, wcslen(clsid)) &&
         AppendText(path, &used, rest, wcslen(rest));
}

uint8_t HexDigit(wchar_t digit) {
  return static_cast<uint8_t>(digit <= L'9' ? digit - L'0' : digit - L'A' + 10);
}

// Writes the entry's value (or only makes its key) under root.
LSTATUS WriteEntry(HKEY root, const RegistryEntry& entry, const wchar_t* modulePath) {
  wchar_t path[kKeyCapacity];
  if (!EntryKeyPath(entry, path)) return ERROR_INVALID_DATA;
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                   nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  wchar_t clsid[kGuidTextLength];
  uint8_t bytes[8] = {};
  const wchar_t* text = entry.text;
  switch (entry.kind) {
    case ValueKind::kKeyOnly:
      break;
    case ValueKind::kDword:
      status = RegSetValueExW(key, entry.name, 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&entry.number), sizeof(DWORD));
      break;
    case ValueKind::kBinary: {
      const size_t count = wcslen(text) / 2;
      for (size_t i = 0; i < count && i < sizeof bytes; ++i) {
        bytes[i] = static_cast<uint8_t>(HexDigit(text[2 * i]) * 16 + HexDigit(text[2 * i + 1]));
      }
      status = RegSetValueExW(key, entry.name, 0, REG_BINARY, bytes, static_cast<DWORD>(count));
      break;
    }
    case ValueKind::kGuid:
      if (StringFromGUID2(*entry.guid, clsid, kGuidTextLength) == 0) {
        status = ERROR_INVALID_DATA;
        break;
      }
      text = clsid;
      [[fallthrough]];
    case ValueKind::kModulePath:
      if (entry.kind == ValueKind::kModulePath) text = modulePath;
      [[fallthrough]];
    case ValueKind::kString:
      status = RegSetValueExW(key, entry.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(wcslen(text) + 1) * sizeof(wchar_t));
      break;
  }
  RegCloseKey(key);
  return status;
}

// Removes what the table wrote under root: every value it names, then each
// of its keys, last first, once nothing else is left in it. Keys that held
// other values or subkeys before stay, with those.
void RemoveEntries(HKEY root) {
  for (size_t i = kEntryCount; i-- > 0;) {
    const RegistryEntry& entry = kCodecRegistry[i];
    wchar_t path[kKeyCapacity];
    if (!EntryKeyPath(entry, path)) continue;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
      continue;
    }
    if (entry.kind != ValueKind::kKeyOnly) RegDeleteValueW(key, entry.name);
    DWORD subkeys = 1;
    DWORD values = 1;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (entry.kind == ValueKind::kKeyOnly && subkeys == 0 && values == 0) {
      RegDeleteKeyW(root, path);
    }
  }
}

// Per machine when this process may write there (an administrator's),
// otherwise for the current user.
HKEY ChooseRoot() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID", 0, KEY_CREATE_SUB_KEY, &key) !=
      ERROR_SUCCESS) {
    return HKEY_CURRENT_USER;
  }
  RegCloseKey(key);
  return HKEY_LOCAL_MACHINE;
}

}  // namespace

}  // namespace quentarpbm

// Writes every entry; if one cannot be written, removes what was written and
// returns SELFREG_E_CLASS.
extern "C" HRESULT WINAPI DllRegisterServer() {
  using namespace quentarpbm;
  wchar_t modulePath[MAX_PATH];
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&DllRegisterServer), &module)) {
    return SELFREG_E_CLASS;
  }
  const DWORD length = GetModuleFileNameW(module, modulePath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  HKEY root = ChooseRoot();
  for (size_t i = 0; i < kEntryCount; ++i) {
    if (WriteEntry(root, kCodecRegistry[i], modulePath) != ERROR_SUCCESS) {
      RemoveEntries(root);
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

// Removes the entries from both places a registration may have put them.
extern "C" HRESULT WINAPI DllUnregisterServer() {
  quentarpbm::RemoveEntries(HKEY_LOCAL_MACHINE);
  quentarpbm::RemoveEntries(HKEY_CURRENT_USER);
  return S_OK;
}
