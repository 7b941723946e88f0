// The backup: the string values of the environment keys written as a file the registry editor
// imports back exactly.
#pragma once

#include "core/Registry.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnook {

// One string value as the store holds it (data up to its first NUL, never expanded).
struct TRegValue {
    std::u16string name;
    TRegDataType kind = rdString; // rdString or rdExpandString
    std::u16string data;
};

// A comment line and a bracketed key line (the heading, CR LF between them), then values.
struct TRegSection {
    std::u16string heading;
    std::vector<TRegValue> values;
};

// "REGEDIT4" text in the ANSI code page, or "Windows Registry Editor Version 5.00" in UTF-16 LE
// with a byte-order mark.
enum class TRegFileFormat { Regedit4, Regedit5 };

// The text in the system's ANSI code page; false when a character would not come back unchanged.
using TAnsiEncoder = std::function<bool(std::u16string_view text, std::string& bytes)>;

// Quoted-text escaping of the registry editor: backslash and double quote get a backslash.
std::u16string EscapeRegText(std::u16string_view text);

// Whether the registry editor can read the name back exactly: a line break ends every line of
// the file, and names have no other form than quoted text.
bool CanWriteRegName(std::u16string_view name);

// The format every value of the sections fits: version 4 unless a text is not exact in the ANSI
// code page or a plain string holds a line break.
TRegFileFormat ChooseRegFileFormat(const std::vector<TRegSection>& sections, const TAnsiEncoder& ansi);

// The line of one value, without its line end. In version 4 expandable data is written as its
// ANSI bytes; in version 5 as UTF-16 LE bytes, and so is plain data holding a line break.
std::u16string RegValueLine(const TRegValue& value, TRegFileFormat format, const TAnsiEncoder& ansi);

// Appends the lines of the values, each ended by CR LF.
void WriteKeyValues(std::u16string& text, const std::vector<TRegValue>& values, TRegFileFormat format,
                    const TAnsiEncoder& ansi);

// The file a backup writes, built in memory: its format depends on every value it will hold.
class TRegExport {
public:
    explicit TRegExport(TAnsiEncoder ansi);

    // Adds one section: the heading, then the string values of the key in index order. A key
    // that cannot be opened gives the heading alone. Values whose name no line can carry are
    // left out and listed in Skipped().
    void ExportKeyToRegFile(RegHandle root, std::u16string_view keyPath, std::u16string_view heading);
    void AddSection(TRegSection section);

    const std::vector<TRegSection>& Sections() const { return sections_; }
    const std::vector<std::u16string>& Skipped() const { return skipped_; }
    TRegFileFormat Format() const;
    // The whole file as bytes.
    std::string Render() const;
    // Writes the file under a temporary name beside fileName and puts it in that place only when
    // it is complete. Raises EVarnookError naming the file; the file is then as it was.
    void SaveToFile(const std::u16string& fileName) const;

private:
    TAnsiEncoder ansi_;
    std::vector<TRegSection> sections_;
    std::vector<std::u16string> skipped_;
};

// The encoder of the platform's ANSI code page.
TAnsiEncoder SystemAnsiEncoder();

// "backup_yymmdd_hhnnss.reg" for the given local time.
std::u16string BackupFileName(int year, int month, int day, int hour, int minute, int second);

} // namespace varnook
