#include "framework/Heap.h"

#include <cstdlib>

namespace Heap {
namespace {

void* RuntimeRealloc(void* block, std::size_t bytes) { return std::realloc(block, bytes); }

Reallocator gReallocator = RuntimeRealloc;

}  // namespace

void* Allocate(std::size_t bytes) { return gReallocator(nullptr, bytes); }

void* Reallocate(void* block, std::size_t bytes) { return gReallocator(block, bytes); }

void Free(void* block) { std::free(block); }

Reallocator SetReallocator(Reallocator reallocator)
{
    Reallocator previous = gReallocator;
    gReallocator = reallocator ? reallocator : RuntimeRealloc;
    return previous;
}

}  // namespace Heap
