#!/usr/bin/env bash
# Checks QUENTARPBM.dll's tables: the one export PBMOpen at ordinal 1, and
# imports from an exact list of functions of KERNEL32.dll, GDI32.dll and
# msvcrt.dll, which is what the library and its static runtime call; and a
# lean file of at most 128 KB (the runtime's printf or a thread library would
# not fit).
# Usage: check_dll_exports.sh OBJDUMP DLL
set -euo pipefail
objdump=$1
dll=$2
tables=$("$objdump" -p "$dll")

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$tables" | grep -E '^\s*\[ *[0-9]+\]' || true)
ordinal_base=$(sed -n 's/^Ordinal Base[[:space:]]*//p' <<<"$tables" | head -n 1)
if [[ $(wc -l <<<"$exports") -ne 1 || ! $exports =~ \]\ PBMOpen$ || $ordinal_base != 1 ]]; then
  echo "expected exactly one export, PBMOpen at ordinal 1; found (base $ordinal_base):"
  echo "$exports"
  exit 1
fi

# The library's own calls.
allowed=(
  GDI32.dll!CreatePalette GDI32.dll!DeleteObject GDI32.dll!GetObjectA GDI32.dll!GetPaletteEntries
  KERNEL32.dll!CloseHandle KERNEL32.dll!CreateFileA KERNEL32.dll!CreateFileMappingA
  KERNEL32.dll!DeleteFileA KERNEL32.dll!GetFileType KERNEL32.dll!GetTempFileNameA
  KERNEL32.dll!GetTempPathA
  KERNEL32.dll!GlobalAlloc KERNEL32.dll!GlobalFree KERNEL32.dll!GlobalLock KERNEL32.dll!GlobalUnlock
  KERNEL32.dll!MapViewOfFile KERNEL32.dll!ReadFile KERNEL32.dll!UnmapViewOfFile
  KERNEL32.dll!VirtualAlloc KERNEL32.dll!VirtualFree
  msvcrt.dll!_close msvcrt.dll!_fdopen msvcrt.dll!_open_osfhandle
  msvcrt.dll!_filbuf msvcrt.dll!abort msvcrt.dll!calloc msvcrt.dll!fclose msvcrt.dll!feof
  msvcrt.dll!ferror msvcrt.dll!fread msvcrt.dll!free msvcrt.dll!fseek
  msvcrt.dll!ftell msvcrt.dll!memcpy msvcrt.dll!strstr
  # DllMain pins the module at process attach.
  KERNEL32.dll!GetModuleHandleExW
  # The static runtime: DLL start-up and exit, its error report, relocation
  # fix-ups, thread-local storage and the exception machinery's win32 locks.
  KERNEL32.dll!CreateSemaphoreW KERNEL32.dll!DeleteCriticalSection
  KERNEL32.dll!EnterCriticalSection KERNEL32.dll!GetCurrentThreadId KERNEL32.dll!GetLastError
  KERNEL32.dll!InitializeCriticalSection KERNEL32.dll!LeaveCriticalSection
  KERNEL32.dll!ReleaseSemaphore KERNEL32.dll!SetLastError KERNEL32.dll!Sleep
  KERNEL32.dll!TlsAlloc KERNEL32.dll!TlsFree KERNEL32.dll!TlsGetValue KERNEL32.dll!TlsSetValue
  KERNEL32.dll!VirtualProtect KERNEL32.dll!VirtualQuery KERNEL32.dll!WaitForSingleObject
  msvcrt.dll!_amsg_exit msvcrt.dll!_initterm msvcrt.dll!_lock msvcrt.dll!_unlock
  msvcrt.dll!fwrite msvcrt.dll!malloc msvcrt.dll!memset msvcrt.dll!realloc msvcrt.dll!strcmp
  msvcrt.dll!strlen msvcrt.dll!strncmp msvcrt.dll!vfprintf
)
case $(sed -n 's/.*file format //p' <<<"$tables" | head -n 1) in
  # DWARF unwind tables registered with a shared libgcc when one is loaded.
  pei-i386) allowed+=(KERNEL32.dll!FreeLibrary KERNEL32.dll!GetModuleHandleA
    KERNEL32.dll!GetProcAddress KERNEL32.dll!LoadLibraryA msvcrt.dll!_iob) ;;
  # Exceptions unwound through Windows' own tables.
  pei-x86-64) allowed+=(KERNEL32.dll!RaiseException KERNEL32.dll!RtlCaptureContext
    KERNEL32.dll!RtlLookupFunctionEntry KERNEL32.dll!RtlUnwindEx KERNEL32.dll!RtlVirtualUnwind
    msvcrt.dll!__iob_func) ;;
  *) echo "not a 32- or 64-bit x86 DLL: $dll"; exit 1 ;;
esac

# Every import as DLL!function, from the listing's per-DLL tables.
imports=$(awk '/^[[:space:]]*DLL Name:/ { dll = $3; next }
  dll != "" && /^[[:space:]]*$/ { dll = "" }
  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print dll "!" $3 }' <<<"$tables")
# Exactly the list: nothing more, and nothing listed that is no longer used.
unexpected=$(comm -23 <(sort -u <<<"$imports") <(printf '%s\n' "${allowed[@]}" | sort -u))
unused=$(comm -13 <(sort -u <<<"$imports") <(printf '%s\n' "${allowed[@]}" | sort -u))
if [[ -z $imports || -n $unexpected || -n $unused ]]; then
  echo "unexpected imports (or none found):"
  echo "$unexpected"
  echo "allowed but not imported:"
  echo "$unused"
  exit 1
fi
size=$(stat -c %s "$dll")
if ((size > 128 * 1024)); then
  echo "$dll is $size bytes, more than 128 KB"
  exit 1
fi
echo "exports: PBMOpen @1; $(wc -l <<<"$imports") imports, exactly those allowed; $size bytes"
