#pragma once
// The lock a decoding helper puts on itself before it reads the picture. A crafted picture may
// take over a decoder; what it can do then is what this leaves it:
//  - no capabilities, and no way to gain any (no_new_privs): even when the caller runs as root,
//    the helper cannot raise its limits or read other users' files;
//  - a seccomp filter that allows only what decoding needs: reading and writing descriptors it
//    already has, memory, threads of its own, time, signals to itself. Opening any file fails
//    (EACCES), so a picture that names another file (an SVG's <image xlink:href>, /proc/self/fd,
//    /dev/stdin, a FIFO) is drawn without it; sockets, exec, fork, ptrace and the rest fail
//    with EPERM; exec is never reached alive (the process is killed);
//  - memory: the data segment (heap, private mappings, thread stacks) may grow by the budget
//    over what was mapped at lock-down time (HelperProtocol.h, memoryBudget).
// Everything that must be loaded from files (Qt's plug-ins, fonts, codec libraries) is loaded
// before.
#include <cstdint>
#include <string>

namespace glint::helper {

// Locks the process down; the data segment may then grow by `initialBudget` bytes, and later by
// at most `largestBudget` (see raiseBudget). Returns an empty string on success, otherwise why
// it failed (the helper must then not decode).
std::string lockDown(std::int64_t initialBudget, std::int64_t largestBudget);

// Lets the data segment grow by `budget` bytes over the lock-down level (at most the largest
// budget given to lockDown). Called once the size of the picture is known.
void setBudget(std::int64_t budget);

}  // namespace glint::helper
