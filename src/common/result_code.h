// ResultCode: the library's status type; the values are the PBM_* codes.
#ifndef QUENTARPBM_COMMON_RESULT_CODE_H
#define QUENTARPBM_COMMON_RESULT_CODE_H

#include <stdint.h>

#include "quentarpbm.h"

namespace quentarpbm {

// 0 (PBM_OK) for success, one fixed negative PBM_E_* number per failure.
using ResultCode = int32_t;

}  // namespace quentarpbm

#endif  // QUENTARPBM_COMMON_RESULT_CODE_H
