#include "allocation_count.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace ferrik::bench {

namespace {

// On only while a memory figure is being taken.
bool g_counting = false;
long long g_current = 0;
long long g_peak = 0;

}  // namespace

void CountAllocation(long long delta) {
    g_current += delta;
    if (g_current > g_peak) g_peak = g_current;
}

void StartCounting() {
    g_current = 0;
    g_peak = 0;
    g_counting = true;
}

long long StopCounting() {
    g_counting = false;
    return g_peak;
}

bool Counting() {
    return g_counting;
}

}  // namespace ferrik::bench

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    if (ferrik::bench::Counting()) ferrik::bench::CountAllocation(static_cast<long long>(malloc_usable_size(p)));
    return p;
}
void operator delete(void* p) noexcept {
    if (p && ferrik::bench::Counting()) ferrik::bench::CountAllocation(-static_cast<long long>(malloc_usable_size(p)));
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
