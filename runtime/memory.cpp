#include "memory.h"

#include <cstdint>
#include <cstdlib>

#include "fatal_error.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vl {
namespace {

struct ConstantRange {
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;  // exclusive
};

// The program registers its constant segment, and a library may register its own constants:
// a handful at most.
constexpr int kMaxConstantRanges = 8;
ConstantRange g_constantRanges[kMaxConstantRanges];
int g_constantRangeCount = 0;

// Counted with interlocked operations: EndProgram and fatal errors may come from another thread.
volatile long g_live = 0;
volatile long g_total = 0;
volatile long g_refusedReleases = 0;

void CountAllocation() noexcept {
  __atomic_add_fetch(&g_live, 1, __ATOMIC_RELAXED);
  __atomic_add_fetch(&g_total, 1, __ATOMIC_RELAXED);
}

#ifdef _WIN32
HANDLE g_heap = nullptr;
HANDLE Heap() noexcept {
  if (g_heap == nullptr) g_heap = GetProcessHeap();
  return g_heap;
}
#endif

}  // namespace

void InitialiseHeap() noexcept {
#ifdef _WIN32
  g_heap = GetProcessHeap();
#endif
}

void* TryAllocateMemory(std::size_t size) noexcept {
#ifdef _WIN32
  void* p = HeapAlloc(Heap(), 0, size);
#else
  void* p = std::malloc(size == 0 ? 1 : size);
#endif
  if (p != nullptr) CountAllocation();
  return p;
}

void* AllocateMemory(std::size_t size) noexcept {
  void* p = TryAllocateMemory(size);
  if (p == nullptr) FatalAllocationFailure(size);
  return p;
}

void FreeMemory(const void* p) noexcept {
  if (p == nullptr || IsInConstantRange(p)) return;
#ifdef _WIN32
  // The heap checks the block first: a block released twice is refused and counted rather
  // than corrupting the heap.
  if (HeapValidate(Heap(), 0, p) == FALSE || HeapFree(Heap(), 0, const_cast<void*>(p)) == FALSE) {
    __atomic_add_fetch(&g_refusedReleases, 1, __ATOMIC_RELAXED);
    return;
  }
#else
  std::free(const_cast<void*>(p));
#endif
  __atomic_sub_fetch(&g_live, 1, __ATOMIC_RELAXED);
}

void* TryAllocateObjectMemory(std::size_t size) noexcept {
  // A zero-byte object still has an address of its own.
  if (size == 0) size = 1;
#ifdef _WIN32
  return HeapAlloc(Heap(), 0, size);
#else
  return std::malloc(size);
#endif
}

void* AllocateObjectMemory(std::size_t size) noexcept {
  void* p = TryAllocateObjectMemory(size);
  if (p == nullptr) FatalAllocationFailure(size);
  return p;
}

void FreeObjectMemory(void* p) noexcept {
  if (p == nullptr) return;
#ifdef _WIN32
  HeapFree(Heap(), 0, p);
#else
  std::free(p);
#endif
}

AllocationCounts CurrentAllocationCounts() noexcept {
  return AllocationCounts{__atomic_load_n(&g_live, __ATOMIC_RELAXED), __atomic_load_n(&g_total, __ATOMIC_RELAXED),
                          __atomic_load_n(&g_refusedReleases, __ATOMIC_RELAXED)};
}

bool RegisterConstantRange(const void* start, std::size_t length) noexcept {
  if (g_constantRangeCount == kMaxConstantRanges) return false;
  const auto begin = reinterpret_cast<std::uintptr_t>(start);
  g_constantRanges[g_constantRangeCount++] = {begin, begin + length};
  return true;
}

bool IsInConstantRange(const void* p) noexcept {
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  for (int i = 0; i < g_constantRangeCount; ++i) {
    if (at >= g_constantRanges[i].start && at < g_constantRanges[i].end) return true;
  }
  return false;
}

void ClearConstantRanges() noexcept { g_constantRangeCount = 0; }

}  // namespace vl
