#include "app/Options.h"

#include "core/Strings.h"
#include "core/Translate.h"
#include "platform/Services.h"

#include <chrono>
#include <ctime>

namespace varnook {

using namespace platform;

namespace {

constexpr char16_t kSection[] = u"Varnook";
constexpr char16_t kExclusionsSection[] = u"Exclusions";
constexpr char16_t kToolbarSectionPrefix[] = u"Toolbars_";
constexpr char16_t kKey[] = u"\\Software\\Varnook";
constexpr char16_t kExclusionsKey[] = u"\\Software\\Varnook\\Exclusions";
constexpr int32_t kToolbarRev = 2000;
constexpr int kDoNotSplit = 1;
constexpr int kDoNotValidate = 2;

constexpr char16_t kIniWriteError[] = N_(u"Unable to write to %s");
constexpr char16_t kKeyCreateError[] = N_(u"Failed to create key %s");

// Decimal text with an optional sign, blanks around it allowed, within 32 bits.
bool ParseDecimal(std::u16string_view text, int32_t& value)
{
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    int64_t n = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        n = n * 10 + (c - u'0');
        if (n > 2147483648LL)
            return false;
    }
    if (negative)
        n = -n;
    if (n > INT32_MAX)
        return false;
    value = static_cast<int32_t>(n);
    return true;
}

std::u16string Decimal(int64_t value)
{
    const std::string text = std::to_string(value);
    return std::u16string(text.begin(), text.end());
}

int ExclusionFlags(const TExclusion& entry)
{
    return (entry.isSplit() ? 0 : kDoNotSplit) + (entry.isCheck() ? 0 : kDoNotValidate);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// Runs at the end of a scope, also when it is left by an exception.
template <class F>
struct Finally {
    F f;
    ~Finally() { f(); }
};
template <class F>
Finally(F) -> Finally<F>;

} // namespace

std::u16string OptionsFilePath()
{
    std::u16string path = ProgramFiles().ExecutablePath();
    const size_t slash = path.find_last_of(u"\\/:");
    const size_t dot = path.rfind(u'.');
    if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash))
        path.resize(dot);
    return path + u".ini";
}

int32_t LocalTimeId()
{
    using namespace std::chrono;
    const int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    int64_t value = DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) * 86400 +
                    local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    if (ms % 1000 >= 500)
        ++value;
    // The identifier is 32 bits wide; from 2038 on it wraps, as it always has.
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

TOptions::TOptions(IToolbarOwner* owner) : exclusions(std::make_unique<TExclusions>()), fOwner(owner) {}

TOptions::~TOptions() = default;

bool TOptions::ReadBoolOption(std::u16string_view section, std::u16string_view key, bool defaultValue)
{
    if (FileMode()) {
        std::u16string text;
        int32_t value = 0;
        return IniFiles().ReadString(fIni, section, key, text) && ParseDecimal(text, value) ? value != 0 : defaultValue;
    }
    // A value not stored yet is the usual case on a first start: asked for, not raised and caught.
    if (!fReg || !fReg->ValueExists(key))
        return defaultValue;
    try {
        return fReg->ReadInteger(key) != 0;
    } catch (const EVarnookError&) {
        return defaultValue;
    }
}

int32_t TOptions::ReadIntegerOption(std::u16string_view section, std::u16string_view key, int32_t defaultValue)
{
    if (FileMode()) {
        std::u16string text;
        int32_t value = 0;
        return IniFiles().ReadString(fIni, section, key, text) && ParseDecimal(text, value) ? value : defaultValue;
    }
    // A value not stored yet is the usual case on a first start: asked for, not raised and caught.
    if (!fReg || !fReg->ValueExists(key))
        return defaultValue;
    try {
        return fReg->ReadInteger(key);
    } catch (const EVarnookError&) {
        return defaultValue;
    }
}

std::u16string TOptions::ReadStringOption(std::u16string_view section, std::u16string_view key,
                                          std::u16string_view defaultValue)
{
    std::u16string text;
    if (FileMode()) {
        // An empty value in the file is a value; only a missing key takes the default.
        return IniFiles().ReadString(fIni, section, key, text) ? text : std::u16string(defaultValue);
    }
    try {
        if (fReg)
            text = fReg->ReadString(key);
    } catch (const EVarnookError&) {
        text.clear();
    }
    return text.empty() ? std::u16string(defaultValue) : text;
}

std::vector<std::u16string> TOptions::ReadExclusionNames(std::u16string_view section)
{
    if (FileMode())
        return IniFiles().ReadKeyNames(fIni, section);
    std::vector<std::u16string> names;
    if (fReg)
        fReg->GetValueNames(names);
    return names;
}

bool TOptions::ReadRecordText(std::u16string_view section, std::u16string_view key, std::u16string& text)
{
    text.clear();
    if (FileMode()) {
        IniFiles().ReadString(fIni, section, key, text);
    } else {
        try {
            text = fReg->ReadString(key);
        } catch (const EVarnookError&) {
            text.clear();
        }
    }
    return !text.empty(); // an empty value says nothing about the toolbar
}

void TOptions::LoadToolbars()
{
    if (!fOwner)
        return;
    for (TToolbarArrangement toolbar : fOwner->GetToolbarArrangement()) {
        const std::u16string section = kToolbarSectionPrefix + toolbar.name;
        if (!FileMode()) {
            fReg->CloseKey();
            if (!fReg->OpenKeyReadOnly(std::u16string(kKey) + u"\\" + toolbar.name))
                continue;
        }
        std::u16string text;
        int32_t number = 0;
        // A record of another layout of the toolbars would put them in wrong places.
        if (!ReadRecordText(section, u"Rev", text) || !ParseDecimal(text, number) || number != kToolbarRev)
            continue;
        auto readNumber = [&](std::u16string_view key, int32_t& field) {
            std::u16string t;
            int32_t n = 0;
            if (ReadRecordText(section, key, t) && ParseDecimal(t, n))
                field = n;
        };
        int32_t visible = toolbar.visible ? 1 : 0;
        readNumber(u"Visible", visible);
        toolbar.visible = visible != 0;
        if (ReadRecordText(section, u"DockedTo", text))
            toolbar.dockedTo = text;
        if (ReadRecordText(section, u"LastDock", text))
            toolbar.lastDock = text;
        readNumber(u"DockRow", toolbar.dockRow);
        readNumber(u"DockPos", toolbar.dockPos);
        readNumber(u"FloatLeft", toolbar.floatLeft);
        readNumber(u"FloatTop", toolbar.floatTop);
        fOwner->ApplyToolbarArrangement(toolbar);
    }
    if (fReg)
        fReg->CloseKey();
}

void TOptions::Load()
{
    fUSB = fCD = false;
    fIni = OptionsFilePath();
    const FileState file = ProgramFiles().GetFileState(fIni);
    fReadInFull = true;
    if (file.exists) {
        fCD = file.readOnly;
        fUSB = !file.readOnly;
        fReadInFull = IniFiles().IsReadInFull(fIni);
        LoadToolbars();
    } else {
        fIni.clear();
        if (!fReg)
            fReg = std::make_unique<RegistryAccess>(kRootCurrentUser, kKeyAllAccess);
        fReg->CloseKey();
        if (fReg->OpenKeyReadOnly(kKey))
            LoadToolbars();
        fReg->CloseKey();
        fReg->OpenKeyReadOnly(kKey); // when it is missing, every read gives its default
    }
    Finally closeKey{[this] {
        if (fReg)
            fReg->CloseKey();
    }};

    id = ReadIntegerOption(kSection, u"id", LocalTimeId());
    onExitConfirmation = ReadBoolOption(kSection, u"onExitConfirmation", false);
    onDeleteConfirmation = ReadBoolOption(kSection, u"onDeleteConfirmation", false);
    checkForUpdates = ReadBoolOption(kSection, u"checkForUpdates", true);
    isAnimation = ReadBoolOption(kSection, u"isAnimation", true);
    left = ReadIntegerOption(kSection, u"left", -1);
    top = ReadIntegerOption(kSection, u"top", -1);
    width = ReadIntegerOption(kSection, u"width", -1);
    height = ReadIntegerOption(kSection, u"height", -1);
    isMaximized = ReadBoolOption(kSection, u"isMaximized", false);
    showInformation = ReadBoolOption(kSection, u"showInformation", true);
    showReadonly = ReadBoolOption(kSection, u"showReadOnly", true);
    skin = ReadStringOption(kSection, u"skin", u"Default");
    fLanguage = ReadStringOption(kSection, u"language", u"English");

    if (!FileMode()) {
        fReg->CloseKey();
        fReg->OpenKeyReadOnly(kExclusionsKey);
    }
    if (exclusions->Count() > 0)
        exclusions->Clear();
    for (const std::u16string& name : ReadExclusionNames(kExclusionsSection)) {
        // A file may name a variable twice; the first entry counts and the others are dropped
        // with the next save.
        if (exclusions->ContainsKey(name))
            continue;
        const int32_t flags = ReadIntegerOption(kExclusionsSection, name, 0);
        exclusions->Add(name, (flags & kDoNotSplit) == 0, (flags & kDoNotValidate) == 0);
    }
}

void TOptions::Save()
{
    if (fCD)
        return;
    if (fUSB)
        SaveToFile();
    else
        SaveToRegistry();
}

// The options are written into a copy beside the file, which then takes the file's place in
// one step: a write that fails part-way leaves the previous options whole.
void TOptions::SaveToFile()
{
    const std::u16string copy = fIni + u".new";
    auto& ini = IniFiles();
    auto fail = [this]() { throw EIniFileException(FormatMessage1(gettext(kIniWriteError), fIni)); };
    bool replaced = false;
    Finally dropCopy{[&] {
        if (!replaced)
            ProgramFiles().RemoveFile(copy);
    }};
    if (!ini.CreateWorkingCopy(fIni, copy))
        fail();
    auto write = [&](std::u16string_view section, std::u16string_view key, std::u16string_view value) {
        if (!ini.WriteString(copy, section, key, value))
            fail();
    };
    auto flag = [](bool value) { return value ? u"1" : u"0"; };
    write(kSection, u"onExitConfirmation", flag(onExitConfirmation));
    write(kSection, u"onDeleteConfirmation", flag(onDeleteConfirmation));
    write(kSection, u"checkForUpdates", flag(checkForUpdates));
    write(kSection, u"isAnimation", flag(isAnimation));
    write(kSection, u"showInformation", flag(showInformation));
    write(kSection, u"showReadOnly", flag(showReadonly));
    write(kSection, u"skin", skin);
    write(kSection, u"isMaximized", flag(isMaximized));
    write(kSection, u"left", Decimal(left));
    write(kSection, u"top", Decimal(top));
    write(kSection, u"width", Decimal(width));
    write(kSection, u"height", Decimal(height));
    write(kSection, u"language", fLanguage);
    write(kSection, u"id", Decimal(id));

    if (fOwner)
        for (const TToolbarArrangement& toolbar : fOwner->GetToolbarArrangement()) {
            const std::u16string section = kToolbarSectionPrefix + toolbar.name;
            write(section, u"Rev", Decimal(kToolbarRev));
            write(section, u"Visible", flag(toolbar.visible));
            write(section, u"DockedTo", toolbar.dockedTo);
            write(section, u"LastDock", toolbar.lastDock);
            write(section, u"DockRow", Decimal(toolbar.dockRow));
            write(section, u"DockPos", Decimal(toolbar.dockPos));
            write(section, u"FloatLeft", Decimal(toolbar.floatLeft));
            write(section, u"FloatTop", Decimal(toolbar.floatTop));
        }

    // A damaged file may hold the section more than once; no old entry may survive.
    for (int pass = 0; pass == 0 || (pass < 64 && !ini.ReadKeyNames(copy, kExclusionsSection).empty()); ++pass)
        if (!ini.EraseSection(copy, kExclusionsSection))
            fail();
    for (int i = 0; i < exclusions->Count(); ++i)
        write(kExclusionsSection, exclusions->GetKey(i), Decimal(ExclusionFlags(exclusions->GetValue(i))));

    // A file that could not be read in full may hold what the rewrite loses: its original
    // stays beside it, once.
    if (!fReadInFull) {
        const std::u16string backup = fIni + u".bak";
        if (!ProgramFiles().CopyReplacing(fIni, backup))
            fail();
        fNotice = FormatMessage1(gettext(u"The options file %s could not be read in full."), fIni) + u"\r\n" +
                  FormatMessage1(gettext(u"Its original content is kept in %s."), backup);
    }
    if (!ProgramFiles().MoveReplacing(copy, fIni))
        fail();
    replaced = true;
    fReadInFull = true;
}

void TOptions::SaveToRegistry()
{
    if (!fReg)
        fReg = std::make_unique<RegistryAccess>(kRootCurrentUser, kKeyAllAccess);
    fReg->CloseKey();
    fReg->SetAccess(kKeyAllAccess);
    auto open = [this](const std::u16string& path) {
        if (!fReg->OpenKey(path, true))
            throw ERegistryException(FormatMessage1(gettext(kKeyCreateError), path.substr(1)));
    };
    Finally closeKey{[this] { fReg->CloseKey(); }};

    open(kKey);
    fReg->WriteBool(u"onExitConfirmation", onExitConfirmation);
    fReg->WriteBool(u"onDeleteConfirmation", onDeleteConfirmation);
    fReg->WriteBool(u"checkForUpdates", checkForUpdates);
    fReg->WriteBool(u"isAnimation", isAnimation);
    fReg->WriteBool(u"showInformation", showInformation);
    fReg->WriteBool(u"showReadOnly", showReadonly);
    fReg->WriteString(u"skin", skin);
    fReg->WriteBool(u"isMaximized", isMaximized);
    fReg->WriteInteger(u"left", left);
    fReg->WriteInteger(u"top", top);
    fReg->WriteInteger(u"width", width);
    fReg->WriteInteger(u"height", height);
    fReg->WriteString(u"language", fLanguage);
    fReg->WriteInteger(u"id", id);
    fReg->CloseKey();

    fReg->DeleteKey(kExclusionsKey);
    open(kExclusionsKey);
    for (int i = 0; i < exclusions->Count(); ++i)
        fReg->WriteInteger(exclusions->GetKey(i), ExclusionFlags(exclusions->GetValue(i)));
    fReg->CloseKey();

    if (fOwner)
        for (const TToolbarArrangement& toolbar : fOwner->GetToolbarArrangement()) {
            open(std::u16string(kKey) + u"\\" + toolbar.name);
            fReg->WriteString(u"Rev", Decimal(kToolbarRev));
            fReg->WriteString(u"Visible", toolbar.visible ? u"1" : u"0");
            fReg->WriteString(u"DockedTo", toolbar.dockedTo);
            fReg->WriteString(u"LastDock", toolbar.lastDock);
            fReg->WriteString(u"DockRow", Decimal(toolbar.dockRow));
            fReg->WriteString(u"DockPos", Decimal(toolbar.dockPos));
            fReg->WriteString(u"FloatLeft", Decimal(toolbar.floatLeft));
            fReg->WriteString(u"FloatTop", Decimal(toolbar.floatTop));
            fReg->CloseKey();
        }
}

} // namespace varnook
