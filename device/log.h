#pragma once

#include <string>
#include <string_view>
#include <vector>

/// Where the project check and the card writer put their lines: the window's log box,
/// the companion tool's output, or a list in the tests.
class TLogSink
{
public:
    virtual ~TLogSink() = default;
    virtual void ClearLog() = 0;
    virtual void AddLog(std::string_view line) = 0;
    /// True for a sink that writes bytes (a file, a pipe): the clash check then hands its report
    /// over in large blocks through AddLines, and to any other sink line by line.
    virtual bool TakesBlocks() const { return false; }
    /// Many lines at once, each ended by "\n". By default each line goes to AddLog.
    virtual void AddLines(std::string_view lines)
    {
        for (size_t end = lines.find('\n'); end != std::string_view::npos; end = lines.find('\n')) {
            AddLog(lines.substr(0, end));
            lines.remove_prefix(end + 1);
        }
    }
};

/// A log kept as a list of lines.
class TVectorLog : public TLogSink
{
public:
    void ClearLog() override { Lines.clear(); }
    void AddLog(std::string_view line) override { Lines.emplace_back(line); }

    std::vector<std::string> Lines;
};

/// A log that only counts its lines: for reports of millions of lines that nobody reads.
class TCountingLog : public TLogSink
{
public:
    void ClearLog() override { Lines = 0; }
    void AddLog(std::string_view) override { ++Lines; }

    long Lines = 0;
};
