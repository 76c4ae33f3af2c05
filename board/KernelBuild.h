#pragma once

#include <vector>

// The builds of the bit-plane kernel: the same code compiled for the CPU
// every x86-64 (or other) machine has, with POPCNT, and with AVX2 and POPCNT.
// Results are identical; only the speed differs.
enum class KernelBuild { Portable, Popcnt, Avx2 };

const char* kernelBuildName(KernelBuild build);
// Whether the running CPU can execute `build`; Portable always.
bool kernelBuildSupported(KernelBuild build);
// Every build the running CPU can execute, slowest first.
std::vector<KernelBuild> supportedKernelBuilds();
// The build a new board starts with: the fastest supported one.
KernelBuild fastestKernelBuild();
