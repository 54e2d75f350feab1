#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

/// Where the card writer gets the drive roots it offers: the removable drives of this machine
/// unless a test puts its own list (or nothing, for a machine whose drives can not be read).
using TDriveRootsProvider = std::function<std::optional<std::vector<std::string>>()>;

/// The provider the card writer asks; set it to replace the discovery, set it empty to restore.
TDriveRootsProvider &DriveRootsProvider();
