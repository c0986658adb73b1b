#pragma once
// The runtime's allocator: the process heap, taken once at start-up. Texts and byte sets made at
// run time come from here and go back through FreeMemory, which ignores the program's constants.
#include <cstddef>

namespace vl {

// Takes the process heap for all later allocations (start-up step 1). Until then the allocator
// takes it on first use.
void InitialiseHeap() noexcept;

// Exactly `size` bytes; never null: an allocation the heap refuses is a fatal runtime error
// whose message carries the size.
void* AllocateMemory(std::size_t size) noexcept;

// The runtime-internal variant: null when the heap refuses.
void* TryAllocateMemory(std::size_t size) noexcept;

// Ignores null and every pointer inside a registered constant range; all else goes back to the
// heap.
void FreeMemory(const void* p) noexcept;

// The memory of the program's C++ objects (its operator new and delete): the same heap, outside
// the counts below, which are about the values the program hands around. AllocateObjectMemory
// never returns null (a refusal is the fatal allocation failure); TryAllocateObjectMemory does.
void* AllocateObjectMemory(std::size_t size) noexcept;
void* TryAllocateObjectMemory(std::size_t size) noexcept;
// Ignores null.
void FreeObjectMemory(void* p) noexcept;

// What the allocator has handed out and taken back since the process started: a program that
// releases every text it owns ends with no live allocation and no refused release.
struct AllocationCounts {
  long live = 0;            // allocations not yet released
  long total = 0;           // allocations made
  long refusedReleases = 0; // releases the heap refused (a pointer released twice, or not ours)
};
AllocationCounts CurrentAllocationCounts() noexcept;

// Registers [start, start + length) as never freed. Returns false when the list is full.
bool RegisterConstantRange(const void* start, std::size_t length) noexcept;
bool IsInConstantRange(const void* p) noexcept;
// Forgets every registered range (end of the program, and tests).
void ClearConstantRanges() noexcept;

}  // namespace vl
