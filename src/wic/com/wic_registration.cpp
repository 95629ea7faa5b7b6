// DllRegisterServer and DllUnregisterServer: the registration table written and removed, and the
// shell told.
#include <windows.h>

#include <olectl.h>
#include <shlobj.h>
#include <stdint.h>
#include <wchar.h>

#include "wic/com/wic_registration_table.h"

namespace quentarpbm {

namespace {

uint8_t HexDigit(wchar_t digit) {
  return static_cast<uint8_t>(digit <= L'9' ? digit - L'0' : digit - L'A' + 10);
}

// Writes the entry's value (or only makes its key) under root.
LSTATUS WriteEntry(HKEY root, const RegistryEntry& entry, const wchar_t* modulePath) {
  wchar_t path[kRegistryKeyCapacity];
  if (!EntryKeyPath(entry, path)) return ERROR_INVALID_DATA;
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                   nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  wchar_t guidText[kGuidTextLength];
  uint8_t bytes[8] = {};
  switch (entry.kind) {
    case ValueKind::kKeyOnly:
      break;
    case ValueKind::kDword:
      status = RegSetValueExW(key, entry.name, 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&entry.number), sizeof(DWORD));
      break;
    case ValueKind::kBinary: {
      const size_t count = wcslen(entry.text) / 2;
      for (size_t i = 0; i < count && i < sizeof bytes; ++i) {
        bytes[i] = static_cast<uint8_t>(HexDigit(entry.text[2 * i]) * 16 +
                                        HexDigit(entry.text[2 * i + 1]));
      }
      status = RegSetValueExW(key, entry.name, 0, REG_BINARY, bytes, static_cast<DWORD>(count));
      break;
    }
    case ValueKind::kGuid:
    case ValueKind::kModulePath:
    case ValueKind::kString: {
      const wchar_t* text = EntryText(entry, modulePath, guidText);
      status = text == nullptr
                   ? ERROR_INVALID_DATA
                   : RegSetValueExW(key, entry.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                    static_cast<DWORD>(wcslen(text) + 1) * sizeof(wchar_t));
      break;
    }
  }
  RegCloseKey(key);
  return status;
}

// What a registration under root writes: per user, not what Windows reads
// per machine alone (the property handler's and the kind's entries).
bool WrittenUnder(HKEY root, const RegistryEntry& entry) {
  return root == HKEY_LOCAL_MACHINE || entry.scope == RegistryScope::kClasses;
}

// Removes what the table wrote under root: every value it names, then each
// of its keys, last first, once nothing else is left in it. Keys that held
// other values or subkeys before stay, with those.
void RemoveEntries(HKEY root) {
  for (size_t i = CodecRegistryEntryCount(); i-- > 0;) {
    const RegistryEntry entry = CodecRegistryEntry(i);
    wchar_t path[kRegistryKeyCapacity];
    if (!WrittenUnder(root, entry) || !EntryKeyPath(entry, path)) continue;
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

// Explorer caches what it knows of each type (a blank thumbnail, no
// details): told that associations changed, it reads them again.
void TellTheShell() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

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
  for (size_t i = 0; i < CodecRegistryEntryCount(); ++i) {
    const RegistryEntry entry = CodecRegistryEntry(i);
    if (WrittenUnder(root, entry) && WriteEntry(root, entry, modulePath) != ERROR_SUCCESS) {
      RemoveEntries(root);
      TellTheShell();
      return SELFREG_E_CLASS;
    }
  }
  TellTheShell();
  return S_OK;
}

// Removes the entries from both places a registration may have put them.
extern "C" HRESULT WINAPI DllUnregisterServer() {
  quentarpbm::RemoveEntries(HKEY_LOCAL_MACHINE);
  quentarpbm::RemoveEntries(HKEY_CURRENT_USER);
  quentarpbm::TellTheShell();
  return S_OK;
}
