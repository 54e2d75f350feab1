#pragma once

#include <cstddef>
#include <functional>

// Audio work (decoding, measuring, encoding) spread over the machine's cores.

/// Worker threads to use: one per core, at least one.
unsigned WorkerCount();

/// Calls work(i) for every i in [0, count), on up to WorkerCount() threads (the caller's among
/// them), each i once, in rising order of start; returns when all are done. work must not throw.
void ForEachOnCores(size_t count, const std::function<void(size_t)> &work);
