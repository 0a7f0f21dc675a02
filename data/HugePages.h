#pragma once

#include <cstddef>

// Asks for huge pages over the whole 2 MiB pages inside a large block, where the system grants
// them on request; elsewhere (and for small blocks) it does nothing.
void adviseHugePages(void* data, std::size_t bytes);
