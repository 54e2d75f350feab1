#pragma once

#include "device/cardplan.h"
#include "device/drives.h"

#include <functional>
#include <optional>
#include <vector>

/// Where the card writer gets the drives it offers: the cards and sticks of this machine unless a
/// test puts its own list (or nothing, for a machine whose drives can not be read).
using TDriveProvider = std::function<std::optional<std::vector<TDrive>>()>;

/// The provider the card writer asks; set it to replace the discovery, set it empty to restore.
TDriveProvider &DriveProvider();

/// The card's free space as the card writer reads it: the file system's figure unless a test puts
/// a card of its own size here; set it empty to restore.
TFreeSpaceFn &CardFreeSpace();
