// Names table-driven test cases after their label field.
#ifndef QUENTARPBM_TESTS_SUPPORT_PARAM_LABEL_H
#define QUENTARPBM_TESTS_SUPPORT_PARAM_LABEL_H

#include <gtest/gtest.h>

#include <string>

namespace quentarpbm::testing {

template <typename Case>
std::string ParamLabel(const ::testing::TestParamInfo<Case>& param) {
  return param.param.label;
}

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_PARAM_LABEL_H
