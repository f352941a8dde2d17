#pragma once
// Notices failed memory allocations anywhere in a helper, also inside C libraries that only
// return an error code for them, so that a decoder's failure under the memory budget is told
// as "needs more memory than allowed" rather than as a damaged picture.
namespace glint::helper {

// Starts watching (the first call; the rest do nothing).
void watchAllocations();
// True once some allocation has failed.
bool allocationsFailed();

}  // namespace glint::helper
