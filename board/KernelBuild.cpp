#include "board/KernelBuild.h"

const char* kernelBuildName(KernelBuild build)
{
    switch (build) {
    case KernelBuild::Portable:
        return "portable";
    case KernelBuild::Popcnt:
        return "popcnt";
    case KernelBuild::Avx2:
        return "avx2";
    }
    return "unknown";
}

bool kernelBuildSupported(KernelBuild build)
{
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    switch (build) {
    case KernelBuild::Portable:
        return true;
    case KernelBuild::Popcnt:
        return __builtin_cpu_supports("popcnt");
    case KernelBuild::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    }
    return false;
#else
    // Elsewhere the x86 builds are the portable code under another name.
    return build == KernelBuild::Portable;
#endif
}

std::vector<KernelBuild> supportedKernelBuilds()
{
    std::vector<KernelBuild> builds;
    for (KernelBuild build : {KernelBuild::Portable, KernelBuild::Popcnt, KernelBuild::Avx2})
        if (kernelBuildSupported(build))
            builds.push_back(build);
    return builds;
}

KernelBuild fastestKernelBuild()
{
    static const KernelBuild fastest = supportedKernelBuilds().back();
    return fastest;
}
