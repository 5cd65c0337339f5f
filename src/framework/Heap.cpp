#include "framework/Heap.h"

#include <cstdlib>

namespace Heap {
namespace {

void* RuntimeRealloc(void* block, std::size_t bytes) { return std::realloc(block, bytes); }

Reallocator currentReallocator = RuntimeRealloc;

}  // namespace

void* Allocate(std::size_t bytes) { return currentReallocator(nullptr, bytes); }

void* Reallocate(void* block, std::size_t bytes) { return currentReallocator(block, bytes); }

void Free(void* block) { std::free(block); }

Reallocator SetReallocator(Reallocator reallocator)
{
    Reallocator previous = currentReallocator;
    currentReallocator = reallocator ? reallocator : RuntimeRealloc;
    return previous;
}

}  // namespace Heap
