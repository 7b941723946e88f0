// The program's options: the user's preferences, the arrangement of the toolbars and the
// exclusion list. They live in the registry (HKEY_CURRENT_USER "Software\Varnook"), or in an
// INI file beside the executable that makes the program portable; a read-only file is read
// and never written.
#pragma once

#include "core/Exclusions.h"
#include "core/Registry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnook {

// How one toolbar stands, as the options keep it.
struct TToolbarArrangement {
    std::u16string name; // the toolbar's component name, such as "tbMain"
    bool visible = true;
    std::u16string dockedTo; // the dock's name, or "+" while the toolbar floats
    std::u16string lastDock; // the dock it was docked to last
    int32_t dockRow = 0;
    int32_t dockPos = 0;
    int32_t floatLeft = 0;
    int32_t floatTop = 0;
};

// What the options need of the window whose toolbars they arrange.
class IToolbarOwner {
public:
    virtual ~IToolbarOwner() = default;
    // Every docked or floating toolbar as it stands now.
    virtual std::vector<TToolbarArrangement> GetToolbarArrangement() = 0;
    // Puts one toolbar where a stored record says; toolbars without a record keep their place.
    virtual void ApplyToolbarArrangement(const TToolbarArrangement& arrangement) = 0;
};

class TOptions {
public:
    // Every field starts false, empty or 0 until Load. The owner may be none.
    explicit TOptions(IToolbarOwner* owner);
    ~TOptions();
    TOptions(const TOptions&) = delete;
    TOptions& operator=(const TOptions&) = delete;

    // Decides the storage mode for the life of the object and reads the toolbar arrangement,
    // every option and the exclusion list. Never fails: what cannot be read takes its default.
    void Load();
    // Writes to the store of the mode; in CD mode writes nothing. Raises the store's error
    // (ERegistryException, EIniFileException); an options file is then left as it was.
    void Save();

    // The shared exclusion list; the same object for the life of the options.
    TExclusions& GetExclusions() { return *exclusions; }

    // The readers of the current store; every failure gives the default. In registry mode the
    // section is not used: the open key plays its part.
    bool ReadBoolOption(std::u16string_view section, std::u16string_view key, bool defaultValue);
    int32_t ReadIntegerOption(std::u16string_view section, std::u16string_view key, int32_t defaultValue);
    std::u16string ReadStringOption(std::u16string_view section, std::u16string_view key,
                                    std::u16string_view defaultValue);
    std::vector<std::u16string> ReadExclusionNames(std::u16string_view section);

    // Portable mode: a writable options file beside the executable.
    bool IsPortable() const { return fUSB; }
    // CD mode: a read-only options file; nothing is ever written.
    bool IsCD() const { return fCD; }
    const std::u16string& GetLanguage() const { return fLanguage; }
    // What a save has to tell the user once (the original of an options file that could not be
    // read in full was kept beside it), then empty.
    std::u16string TakeNotice() { return std::exchange(fNotice, {}); }
    void SetLanguage(std::u16string language) { fLanguage = std::move(language); }

    bool onExitConfirmation = false;
    bool onDeleteConfirmation = false;
    bool isAnimation = false;
    bool checkForUpdates = false;
    bool showInformation = false;
    bool showReadonly = false;
    std::u16string skin;
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool isMaximized = false;
    int32_t id = 0;

private:
    bool FileMode() const { return fUSB || fCD; }
    // The text of a toolbar record's value; false when it is missing, empty or unreadable.
    bool ReadRecordText(std::u16string_view section, std::u16string_view key, std::u16string& text);
    void LoadToolbars();
    void SaveToFile();
    void SaveToRegistry();

    std::unique_ptr<TExclusions> exclusions;
    std::unique_ptr<RegistryAccess> fReg;
    std::u16string fIni; // the options file in the two file modes
    std::u16string fLanguage;
    IToolbarOwner* fOwner;
    bool fUSB = false;
    bool fCD = false;
    // The options file was read without a loss or a guess; otherwise its original is kept as
    // ".bak" before the first save rewrites it.
    bool fReadInFull = true;
    std::u16string fNotice;
};

// The options file: the executable's path with the extension ".ini".
std::u16string OptionsFilePath();

// The default installation identifier: the local date and time as seconds since 1970-01-01,
// to the nearest second.
int32_t LocalTimeId();

} // namespace varnook
