#include "support/CommandLineDoc.h"

#include "core/Strings.h"

#include <sstream>

namespace varnook::testing {

void PrintTo(const StoredValue& v, std::ostream* os)
{
    *os << (v.kind == rdString ? "REG_SZ " : v.kind == rdExpandString ? "REG_EXPAND_SZ " : "REG_DWORD ")
        << ToUtf8(v.text);
}

namespace {

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

std::vector<std::string> Cells(const std::string& row)
{
    std::vector<std::string> cells;
    std::string cell;
    for (size_t i = 1; i < row.size(); ++i) {
        if (row[i] == '|') {
            cells.push_back(Trim(cell));
            cell.clear();
        } else {
            cell += row[i];
        }
    }
    return cells;
}

} // namespace

std::vector<DocExample> ExamplesOf(std::string_view doc, std::string& error)
{
    std::vector<DocExample> examples;
    std::istringstream in{std::string(doc)};
    std::string line;
    int number = 0;
    bool inTable = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "| Before | Command | After | Exit code |") {
            inTable = true;
            std::getline(in, line); // the separator row
            ++number;
            continue;
        }
        if (!inTable)
            continue;
        if (line.empty() || line[0] != '|') {
            inTable = false;
            continue;
        }
        const auto cells = Cells(line);
        if (cells.size() != 4 || cells[1].size() < 2 || cells[1].front() != '`' || cells[1].back() != '`' ||
            (cells[3] != "0" && cells[3] != "1")) {
            error = "line " + std::to_string(number) + ": not an example row: " + line;
            return {};
        }
        examples.push_back({number, cells[0], cells[1].substr(1, cells[1].size() - 2), cells[2], cells[3][0] - '0'});
    }
    return examples;
}

bool ParseState(std::string_view cell, StoreState& state, bool& notAdmin, std::string& error)
{
    state.clear();
    notAdmin = false;
    if (cell == "not set")
        return true;
    size_t p = 0;
    auto take = [&](std::string_view word) {
        if (cell.substr(p, word.size()) != word)
            return false;
        p += word.size();
        return true;
    };
    auto fail = [&](std::string why) {
        error = std::move(why);
        return false;
    };
    auto upTo = [&](char end, std::string& out) {
        const size_t at = cell.find(end, p);
        if (at == std::string_view::npos)
            return false;
        out = std::string(cell.substr(p, at - p));
        p = at + 1;
        return true;
    };
    for (;;) {
        if (take("not an administrator")) {
            notAdmin = true;
        } else {
            const bool system = take("system ");
            std::string name, value, kind;
            if (!take("`") || !upTo('`', name) || !take(" = "))
                return fail("expected `NAME` = at " + std::to_string(p));
            if (take("`")) {
                if (!upTo('`', value))
                    return fail("unterminated value");
            } else if (take("empty")) {
            } else if (!upTo(' ', value)) {
                return fail("expected a value");
            } else {
                --p;
            }
            if (!take(" (") || !upTo(')', kind))
                return fail("expected (KIND) after " + name);
            StoredValue v;
            v.kind = kind == "REG_SZ" ? rdString : kind == "REG_EXPAND_SZ" ? rdExpandString
                   : kind == "REG_DWORD" ? rdInteger : rdUnknown;
            if (v.kind == rdUnknown)
                return fail("unknown kind " + kind);
            v.text = FromUtf8(value);
            state[{system, FromUtf8(name)}] = v;
        }
        if (p == cell.size())
            return true;
        if (!take(", "))
            return fail("expected \", \" at " + std::to_string(p));
    }
}

} // namespace varnook::testing
