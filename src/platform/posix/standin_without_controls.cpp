// The stand-in's test seam as shipped: no call is made to fail and nothing is counted.
#include "platform/posix/standin_test_seam.h"

namespace quentarpbm {

bool InjectedFailure(StandinApi) { return false; }

void ChangeLiveObjects(int) {}

bool InjectedTempNameCounter(unsigned*, unsigned*) { return false; }

}  // namespace quentarpbm
