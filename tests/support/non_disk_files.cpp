// Names that open no disk file: the cases both platforms run.
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

}  // namespace quentarpbm::testing
