// The plain heap (allocate, reallocate, free) behind the framework's strings
// and the program's containers. Tests swap the reallocator to make
// allocations fail on demand.
#pragma once

#include <cstddef>

namespace Heap {

using Reallocator = void* (*)(void* block, std::size_t bytes);

void* Allocate(std::size_t bytes);
void* Reallocate(void* block, std::size_t bytes);
void Free(void* block);

// Replaces the reallocator and returns the previous one; nullptr restores
// the C runtime's realloc.
Reallocator SetReallocator(Reallocator reallocator);

}  // namespace Heap
