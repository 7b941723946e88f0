// Value lists: a variable's value seen as elements separated by ';'. Pure text operations.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnook {

using TElementList = std::vector<std::u16string>;

// Splits a value at each ';' outside double quotes: an element starting with a double quote
// runs to the next quote and on to the next ';'. The empty value gives one empty element.
// Lossless: JoinElements(SplitValue(x)) == x for every text x.
TElementList SplitValue(const std::u16string& value);
// The elements with one ';' between neighbours.
std::u16string JoinElements(const TElementList& elements);
// The value without empty elements and without later case-insensitive duplicates.
std::u16string CleanupValue(const std::u16string& value);
// The value without every element exactly equal to element; leading empty elements vanish too.
std::u16string RemoveElement(const std::u16string& value, std::u16string_view element);
// newText + ";" + stored.
std::u16string InsertValue(std::u16string_view newText, std::u16string_view stored);
// stored + ";" + newText.
std::u16string AppendValue(std::u16string_view stored, std::u16string_view newText);
// True for a drive path (C:\...), a path from the drive root (\x) or a bare drive (D:).
bool IsLocalPath(std::u16string_view element);

// True when a file-system search for the text (wildcards allowed) finds at least one entry.
bool PathExists(const std::u16string& text);
// True when the path names an existing directory.
bool DirectoryExists(const std::u16string& path);

// The short (8.3) form of the path as the file system reports it; the text itself when the
// system gives none (missing path, no short names, a failed call).
std::u16string ToShortPath(const std::u16string& text);
// The path with each existing component, up to the first missing one, replaced by its name as
// the file system stores it (long form, stored letter case); the rest, from the first missing
// component or the first holding a wildcard, is kept as typed.
std::u16string ToLongPath(const std::u16string& text);

// Fail critical errors silently (no "insert a disk" dialog) until the matching PopErrorMode.
// Calls nest.
void PushErrorMode();
void PopErrorMode();

// Pushes the silent error mode for the life of the guard.
class TErrorModeGuard {
public:
    TErrorModeGuard() { PushErrorMode(); }
    ~TErrorModeGuard() { PopErrorMode(); }
    TErrorModeGuard(const TErrorModeGuard&) = delete;
    TErrorModeGuard& operator=(const TErrorModeGuard&) = delete;
};

} // namespace varnook
