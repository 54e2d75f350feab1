#pragma once

#include "storage/skippedentry.h"

#include <string>
#include <string_view>
#include <vector>

/// The entries a reader leaves out (project file, CSV, workbook): the first ones in full, the rest
/// only counted in one closing entry, so a file of a million bad entries costs no more than one of
/// a hundred. The texts of an entry are only built when it is listed.
class TSkipList
{
public:
    static constexpr size_t MaxListed = 100;

    /// Empties the list.
    explicit TSkipList(std::vector<TSkippedEntry> &list) : List(list) { List.clear(); }
    TSkipList(const TSkipList &) = delete;
    TSkipList &operator=(const TSkipList &) = delete;
    ~TSkipList() { Close(); }

    /// Adds the closing entry that counts what was not listed, if anything was not; once.
    void Close()
    {
        if (More > 0)
            List.push_back(
                {"…", "пропущено записей сверх первых " + std::to_string(MaxListed) + ": " + std::to_string(More)});
        More = 0;
    }

    /// key() and reason() give the texts; hidden marks an entry kept in the model (TSkippedEntry).
    template <typename TKey, typename TReason>
    void AddEntry(const TKey &key, const TReason &reason, bool hidden = false)
    {
        if (List.size() < MaxListed)
            List.push_back({key(), reason(), hidden});
        else
            ++More;
    }

    template <typename TReason> void Add(const std::string &key, const TReason &reason)
    {
        AddEntry([&] { return key; }, reason);
    }

    /// An entry of a numbered section of an INI file: "[Groups] 3".
    template <typename TReason> void Add(std::string_view section, int key, const TReason &reason, bool hidden = false)
    {
        AddEntry([&] { return "[" + std::string(section) + "] " + std::to_string(key); }, reason, hidden);
    }

    /// An entry for a line of a file as a whole: "строка 12".
    template <typename TReason> void AddLine(size_t line, const TReason &reason)
    {
        AddEntry([line] { return "строка " + std::to_string(line); }, reason);
    }

private:
    std::vector<TSkippedEntry> &List;
    size_t More = 0;
};
