#include "HugePages.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

// A table of a million records then takes a few dozen page faults instead of twenty thousand.
void adviseHugePages(void* data, std::size_t bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr std::size_t huge = std::size_t(2) << 20;
    if (bytes < 2 * huge)
        return;
    const auto begin = (reinterpret_cast<quintptr>(data) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<quintptr>(data) + bytes) & ~(huge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}
