// Peer readers: libnetpbm's pnm_readpnm, FreeImage_Load, stb_image's stbi_load.
#ifndef QUENTARPBM_BENCH_BENCH_PEERS_H
#define QUENTARPBM_BENCH_BENCH_PEERS_H

#include <vector>

#include "bench_methods.h"

// The peers this build found; none when their packages are missing.
std::vector<BenchMethod> PeerMethods();

#endif  // QUENTARPBM_BENCH_BENCH_PEERS_H
