// Names that open no disk file: the cases both platforms run and what each holds.
#include "support/non_disk_files.h"

namespace quentarpbm::testing {

const NonDiskCase kNonDiskCases[9] = {
    {"Com1", NonDiskKind::kName, "COM1"},
    {"Nul", NonDiskKind::kName, "NUL"},
    {"Aux", NonDiskKind::kName, "AUX"},
    // A device name keeps its meaning behind an extension.
    {"Com1WithExtension", NonDiskKind::kName, "com1.pgm"},
    {"Com1DevicePath", NonDiskKind::kName, "\\\\.\\COM1"},
    {"DevNull", NonDiskKind::kName, "/dev/null"},
    {"FifoWithoutWriter", NonDiskKind::kFifo, nullptr},
    {"FifoWithIdleWriter", NonDiskKind::kFifoWithIdleWriter, nullptr},
    {"NamedPipeThatNeverWrites", NonDiskKind::kIdleNamedPipe, nullptr},
};

NonDiskFile::NonDiskFile(const NonDiskCase& nonDiskCase) {
  switch (nonDiskCase.kind) {
    case NonDiskKind::kName:
      path_ = nonDiskCase.name;
      break;
    case NonDiskKind::kFifo:
      path_ = FifoPath();
      break;
    case NonDiskKind::kFifoWithIdleWriter:
      path_ = FifoPath();
      held_ = HoldFifoWriter(path_);
      break;
    case NonDiskKind::kIdleNamedPipe:
      held_ = ServeIdleNamedPipe(&path_);
      break;
  }
}

NonDiskFile::~NonDiskFile() {
  if (held_ != -1) ReleaseHeld(held_);
}

}  // namespace quentarpbm::testing
