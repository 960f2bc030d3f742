#pragma once
// Peak memory of a piece of work in the benchmark binary: its global allocation functions count
// the bytes held while counting is on.
namespace ferrik::bench {

void StartCounting();
// The most bytes held at once since StartCounting.
long long StopCounting();
bool Counting();
// For allocators of other libraries (gumbo's hooks): `delta` bytes taken (or given back, negative).
void CountAllocation(long long delta);

}  // namespace ferrik::bench
