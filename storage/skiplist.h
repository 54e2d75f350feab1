#pragma once

#include "storage/projectfile.h"

#include <string>
#include <vector>

/// The entries an import leaves out: the first ones in full, the rest only counted in one closing
/// entry, so a file of a million bad rows costs no more than one of a hundred.
class TImportSkips
{
public:
    static constexpr size_t MaxListed = 100;

    explicit TImportSkips(std::vector<TSkippedEntry> &list) : List(list) {}
    TImportSkips(const TImportSkips &) = delete;
    TImportSkips &operator=(const TImportSkips &) = delete;
    ~TImportSkips()
    {
        if (More > 0)
            List.push_back(
                {"…", "пропущено записей сверх первых " + std::to_string(MaxListed) + ": " + std::to_string(More)});
    }

    /// reason() gives the text; it is only built for an entry that is listed.
    template <typename TReason> void Add(const std::string &key, const TReason &reason)
    {
        if (List.size() < MaxListed)
            List.push_back({key, reason()});
        else
            ++More;
    }

private:
    std::vector<TSkippedEntry> &List;
    size_t More = 0;
};
