// The malloc family, interposed: glibc's own entry points do the work and the usable
// size of every block is added or taken off the running total.

#include "bench/HeapCounter.h"

#include <atomic>
#include <cstddef>
#include <malloc.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::int64_t> Current{0};
std::atomic<std::int64_t> Peak{0};
std::atomic<bool> Counting{true};

bool Counted() { return Counting.load(std::memory_order_relaxed); }

void Add(void* block) {
  if (block == nullptr || !Counted())
    return;
  const auto now = Current.fetch_add(static_cast<std::int64_t>(malloc_usable_size(block))) +
                   static_cast<std::int64_t>(malloc_usable_size(block));
  auto peak = Peak.load();
  while (now > peak && !Peak.compare_exchange_weak(peak, now)) {
  }
}

void Remove(void* block) {
  if (block != nullptr && Counted())
    Current.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(block)));
}

} // namespace

namespace Bench {

void HeapCounting(bool on) { Counting.store(on); }
void HeapResetPeak() { Peak.store(Current.load()); }
std::int64_t HeapCurrent() { return Current.load(); }
std::int64_t HeapPeak() { return Peak.load(); }

} // namespace Bench

extern "C" {

void* malloc(std::size_t size) {
  void* block = __libc_malloc(size);
  Add(block);
  return block;
}

void* calloc(std::size_t count, std::size_t size) {
  void* block = __libc_calloc(count, size);
  Add(block);
  return block;
}

void* realloc(void* block, std::size_t size) {
  if (!Counted())
    return __libc_realloc(block, size);
  const auto old = block != nullptr ? static_cast<std::int64_t>(malloc_usable_size(block)) : 0;
  void* result = __libc_realloc(block, size);
  if (result != nullptr || size == 0)
    Current.fetch_sub(old);
  Add(result);
  return result;
}

void free(void* block) {
  Remove(block);
  __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) {
  void* block = __libc_memalign(alignment, size);
  Add(block);
  return block;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
  void* block = __libc_memalign(alignment, size);
  if (block == nullptr)
    return 12; // ENOMEM
  Add(block);
  *result = block;
  return 0;
}

} // extern "C"
