#pragma once

#include "device/sounds.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

/// Called from a worker thread as the loudness of paths[index] becomes known.
using TLoudnessFn = std::function<void(size_t index, const TLoudness &loudness)>;

/// The loudness of each file, measured on every core (WorkerCount threads, each streaming one
/// file at a time), each distinct file (device, inode, size, time) once however many paths name
/// it. A file that can not be measured, and every file once stop is set, gets an unmeasured
/// result. each, when given, hears of every index, duplicates included.
std::vector<TLoudness> MeasureLoudnessOnCores(const std::vector<std::string> &paths, const TLoudnessFn &each = {},
                                              const std::atomic<bool> *stop = nullptr);
