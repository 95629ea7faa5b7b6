// Host-side wording of PBMOpen's result codes, for people who never saw the code table.
#ifndef QUENTARPBM_EXAMPLES_DESCRIBE_FAILURE_H
#define QUENTARPBM_EXAMPLES_DESCRIBE_FAILURE_H

#include <stdint.h>

#include <string>

// One sentence saying why fileName did not convert with result code; for a
// file in another image format it names that format.
std::string DescribeFailure(const char* fileName, int32_t code);

#endif  // QUENTARPBM_EXAMPLES_DESCRIBE_FAILURE_H
