// A real host: loads QUENTARPBM.dll, finds PBMOpen by name and by ordinal 1,
// and calls it with the standard Windows calling convention.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/test_files.h"

// Calls fn(args[0..5]) pushing the arguments as a stdcall caller does, and
// reports how far the stack pointer moved across the call: 0 when the callee
// removed its 24 bytes of arguments, as the Windows convention requires.
extern "C" int32_t CallWithSixArguments(const void* fn, const uint32_t* args, int32_t* stackMove);
asm(".text\n"
    ".globl _CallWithSixArguments\n"
    "_CallWithSixArguments:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl 12(%ebp), %esi\n"
    "  movl %esp, %edi\n"
    "  pushl 20(%esi)\n"
    "  pushl 16(%esi)\n"
    "  pushl 12(%esi)\n"
    "  pushl 8(%esi)\n"
    "  pushl 4(%esi)\n"
    "  pushl (%esi)\n"
    "  call *8(%ebp)\n"
    "  movl %esp, %ecx\n"
    "  subl %edi, %ecx\n"
    "  movl 16(%ebp), %edx\n"
    "  movl %ecx, (%edx)\n"
    "  movl %edi, %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");

namespace quentarpbm {
namespace {

class DllHost : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryA("QUENTARPBM.dll");
    ASSERT_NE(library_, nullptr);
  }
  void TearDown() override {
    if (library_ != nullptr) FreeLibrary(library_);
  }
  HMODULE library_ = nullptr;
};

uint32_t Arg(const void* pointer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

TEST_F(DllHost, ExportsPBMOpenByNameAndOrdinalOne) {
  FARPROC byName = GetProcAddress(library_, "PBMOpen");
  FARPROC byOrdinal = GetProcAddress(library_, MAKEINTRESOURCEA(1));
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(byName, byOrdinal);
  EXPECT_EQ(GetProcAddress(library_, MAKEINTRESOURCEA(2)), nullptr);
}

TEST_F(DllHost, CalleeRemovesItsArgumentsAndAnswersResultCodes) {
  const void* open = reinterpret_cast<const void*>(GetProcAddress(library_, "PBMOpen"));
  ASSERT_NE(open, nullptr);
  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  const std::string missing = testing::TestDirectory() + "missing.pgm";
  const std::string gif = testing::WriteTestFile("host.gif", "GIF89a");
  struct Call {
    const char* file;
    void** headerPointer;
    int32_t expected;
  } const calls[] = {{nullptr, nullptr, PBM_E_ARGUMENT},
                     {nullptr, &header, PBM_E_ARGUMENT},
                     {missing.c_str(), &header, PBM_E_OPEN},
                     {gif.c_str(), &header, PBM_E_UNSUPPORTED}};
  for (const Call& call : calls) {
    const uint32_t args[6] = {Arg(call.file),          Arg(name), Arg(&mapping),
                              Arg(call.headerPointer), 0,         0};
    int32_t stackMove = -1;
    EXPECT_EQ(CallWithSixArguments(open, args, &stackMove), call.expected);
    EXPECT_EQ(stackMove, 0) << "PBMOpen must remove its 24 bytes of arguments";
  }
}

}  // namespace
}  // namespace quentarpbm
