// The codec's registry entries as one table, which DllRegisterServer writes, DllUnregisterServer
// removes and the installers are generated from.
#ifndef QUENTARPBM_WIC_COM_WIC_REGISTRATION_TABLE_H
#define QUENTARPBM_WIC_COM_WIC_REGISTRATION_TABLE_H

#include <windows.h>

#include <stddef.h>

namespace quentarpbm {

enum class ValueKind { kKeyOnly, kString, kDword, kBinary, kGuid, kModulePath };

// Where an entry's key lies: under Software\Classes (of HKLM, or of HKCU
// when registering for one user), or under Software\ of HKLM only, for what
// Windows reads per machine alone.
enum class RegistryScope { kClasses, kMachine };

// One key, or one value in it. Keys say {decoder} and {properties} for the
// two classes' CLSIDs, and {format} for the entry's GUID; a null name is the
// key's default value. Every key of
// ours has a kKeyOnly entry, before its values and its subkeys; a key shared
// with the whole system that it always has (Explorer's KindMap) has none, and
// so is never removed.
struct RegistryEntry {
  const wchar_t* key;
  const wchar_t* name;
  ValueKind kind;
  const wchar_t* text;         // kString; kBinary: the bytes, two hex digits each
  DWORD number;                // kDword
  const GUID* guid = nullptr;  // kGuid, or a {format} key: written as text in braces
  RegistryScope scope = RegistryScope::kClasses;
};

// The table's entries in order, the key of the pixel formats the decoder
// gives made into one entry per format of kLayoutPixelFormats, so that the
// registration lists just what the frame gives.
size_t CodecRegistryEntryCount();
RegistryEntry CodecRegistryEntry(size_t index);

// Longest key path, in characters with its terminator, and a GUID's text
// ("{8-4-4-4-12}" and its terminator).
constexpr size_t kRegistryKeyCapacity = 256;
constexpr size_t kGuidTextLength = 39;

// The entry's key below its root (Software\Classes\... or Software\...),
// its markers replaced by the CLSIDs; false when it does not fit.
bool EntryKeyPath(const RegistryEntry& entry, wchar_t path[kRegistryKeyCapacity]);

// The text a kString, kGuid or kModulePath entry writes: its text, its
// GUID's in guidText, or modulePath; null when the GUID cannot be written.
const wchar_t* EntryText(const RegistryEntry& entry, const wchar_t* modulePath,
                         wchar_t guidText[kGuidTextLength]);

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_COM_WIC_REGISTRATION_TABLE_H
