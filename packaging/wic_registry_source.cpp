// Prints the codec's registration table as WiX registry values, so that the installers write what
// DllRegisterServer writes per machine, from the same table.
//
// Usage: wic_registry_source FILE_ID          the table, the module path being [#FILE_ID]
//        wic_registry_source --open-with PROGID  PROGID under each extension's OpenWithProgids
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

#include <string>

#include "wic/com/wic_registration_table.h"

namespace quentarpbm {

namespace {

// ASCII text as XML takes it in an attribute; the table holds only ASCII.
std::string Attribute(const wchar_t* text) {
  std::string out;
  for (; *text != L'\0'; ++text) {
    const char c = static_cast<char>(*text);
    if (c == '&') {
      out += "&amp;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c == '<') {
      out += "&lt;";
    } else {
      out += c;
    }
  }
  return out;
}

void PrintValue(const wchar_t* key, const wchar_t* name, const char* type,
                const std::string& value) {
  printf("<RegistryValue Root=\"HKLM\" Key=\"%s\"", Attribute(key).c_str());
  if (name != nullptr) printf(" Name=\"%s\"", Attribute(name).c_str());
  printf(" Type=\"%s\" Value=\"%s\"/>\n", type, value.c_str());
}

// A key that holds no value of the table and no key below it: Windows
// Installer makes it only when told to ("*", which also removes it).
bool IsEmptyLeaf(size_t index, const wchar_t* path) {
  const size_t length = wcslen(path);
  for (size_t i = 0; i < CodecRegistryEntryCount(); ++i) {
    wchar_t other[kRegistryKeyCapacity];
    if (i == index || !EntryKeyPath(CodecRegistryEntry(i), other)) continue;
    if (wcsncmp(other, path, length) == 0 && (other[length] == L'\0' || other[length] == L'\\'))
      return false;
  }
  return true;
}

// Every entry as it is written per machine; false if one cannot be.
bool PrintTable(const wchar_t* fileId) {
  const std::wstring modulePath = std::wstring(L"[#") + fileId + L"]";
  for (size_t i = 0; i < CodecRegistryEntryCount(); ++i) {
    const RegistryEntry entry = CodecRegistryEntry(i);
    wchar_t path[kRegistryKeyCapacity];
    wchar_t guidText[kGuidTextLength];
    if (!EntryKeyPath(entry, path)) return false;
    switch (entry.kind) {
      case ValueKind::kKeyOnly:
        if (IsEmptyLeaf(i, path)) PrintValue(path, L"*", "string", "");
        break;
      case ValueKind::kDword:
        PrintValue(path, entry.name, "integer", std::to_string(entry.number));
        break;
      case ValueKind::kBinary:
        // Windows Installer's mark for binary data, which wixl leaves to us.
        PrintValue(path, entry.name, "binary", "#x" + Attribute(entry.text));
        break;
      case ValueKind::kGuid:
      case ValueKind::kModulePath:
      case ValueKind::kString: {
        const wchar_t* text = EntryText(entry, modulePath.c_str(), guidText);
        if (text == nullptr) return false;
        PrintValue(path, entry.name, "string", Attribute(text));
        break;
      }
    }
  }
  return true;
}

// The extensions are the table's keys of one dot and a name; false if one
// cannot be written.
bool PrintOpenWith(const wchar_t* progId) {
  for (size_t i = 0; i < CodecRegistryEntryCount(); ++i) {
    const RegistryEntry entry = CodecRegistryEntry(i);
    if (entry.kind != ValueKind::kKeyOnly || entry.scope != RegistryScope::kClasses ||
        entry.key[0] != L'.' || wcschr(entry.key, L'\\') != nullptr) {
      continue;
    }
    wchar_t path[kRegistryKeyCapacity];
    if (!EntryKeyPath(entry, path)) return false;
    PrintValue((std::wstring(path) + L"\\OpenWithProgids").c_str(), progId, "string", "");
  }
  return true;
}

}  // namespace

}  // namespace quentarpbm

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && wcscmp(argv[1], L"--open-with") == 0) {
    return quentarpbm::PrintOpenWith(argv[2]) ? 0 : 1;
  }
  if (argc != 2) {
    fprintf(stderr, "usage: wic_registry_source FILE_ID | --open-with PROGID\n");
    return 2;
  }
  return quentarpbm::PrintTable(argv[1]) ? 0 : 1;
}
