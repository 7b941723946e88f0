#include "core/Translate.h"

#include "core/FileLocator.h"
#include "core/MoFile.h"
#include "core/Strings.h"
#include "platform/CatalogFiles.h"
#include "platform/Services.h"

#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <utility>

namespace varnook {

const std::array<TLanguage, 26> kLanguages = {{
    {u"en", u"English"},
    {u"ab", u"Abkhazian"},
    {u"pt_br", u"Brazilian Portuguese"},
    {u"zh", u"Chinese (simplified)"},
    {u"hr", u"Croatian"},
    {u"da", u"Danish"},
    {u"nl", u"Dutch"},
    {u"fi", u"Finnish"},
    {u"fr", u"French"},
    {u"de", u"German"},
    {u"el", u"Greek"},
    {u"hu", u"Hungarian"},
    {u"id", u"Indonesian"},
    {u"it", u"Italian"},
    {u"ja", u"Japanese"},
    {u"ko", u"Korean"},
    {u"lv", u"Latvian"},
    {u"no", u"Norwegian"},
    {u"pl", u"Polish"},
    {u"ro", u"Romanian"},
    {u"ru", u"Russian"},
    {u"sk", u"Slovak"},
    {u"es", u"Spanish"},
    {u"sv", u"Swedish"},
    {u"tr", u"Turkish"},
    {u"uk", u"Ukrainian"},
}};

namespace {

// The catalog of one domain in one language.
struct TDomain {
    std::u16string name = u"default";
    std::u16string code;
    std::shared_ptr<TMoFile> catalog;
    bool openFailed = false;
    bool enabled = true;
};

class TGnuGettextInstance {
public:
    void Start(const std::u16string& executablePath)
    {
        std::unique_lock guard(lock_);
        locator_ = TFileLocator();
        if (!executablePath.empty())
            locator_.Build(executablePath);
        creator_ = std::this_thread::get_id();
        domain_ = TDomain();
        cache_.clear();
        started_ = true;
    }

    void Use(std::u16string code)
    {
        std::unique_lock guard(lock_);
        if (code == domain_.code && started_)
            return;
        const bool enabled = domain_.enabled;
        domain_ = TDomain();
        domain_.code = std::move(code);
        domain_.enabled = enabled;
    }

    std::u16string Current()
    {
        std::shared_lock guard(lock_);
        return domain_.code;
    }

    std::u16string Translate(std::u16string_view text)
    {
        std::string id = ToUtf8(text);
        std::erase(id, '\r');
        std::string_view found = id;
        std::shared_ptr<TMoFile> catalog = Catalog();
        std::string_view translation;
        if (catalog && catalog->Lookup(id, translation))
            found = translation;
        std::string out;
        out.reserve(found.size() + 8);
        for (size_t i = 0; i < found.size(); ++i) {
            if (found[i] == '\n' && (i == 0 || found[i - 1] != '\r'))
                out.push_back('\r');
            out.push_back(found[i]);
        }
        return FromUtf8(out);
    }

    bool OnCreatorThread()
    {
        std::shared_lock guard(lock_);
        return !started_ || creator_ == std::this_thread::get_id();
    }

    uint64_t IndexBytesRead()
    {
        std::shared_lock guard(lock_);
        return locator_.BytesRead();
    }

    std::function<void(const std::u16string&, const std::u16string&)> reporter;

private:
    std::shared_ptr<TMoFile> Catalog()
    {
        {
            std::shared_lock guard(lock_);
            if (domain_.catalog || domain_.openFailed || !domain_.enabled || domain_.code.empty())
                return domain_.catalog;
        }
        std::u16string problem;
        std::shared_ptr<TMoFile> catalog;
        {
            std::unique_lock guard(lock_);
            if (domain_.catalog || domain_.openFailed || !domain_.enabled)
                return domain_.catalog;
            // Marked before opening: a catalog that raises is not tried again until the language
            // changes.
            domain_.openFailed = true;
            std::u16string path;
            std::shared_ptr<TMoFile> opened = Open(domain_.code, path);
            if (opened && !HeaderDeclaresUtf8(opened->Header())) {
                domain_.enabled = false;
                problem = u"The translation for the language code " + domain_.code + u" (in " + path +
                          u") does not have charset=utf-8 in its Content-Type. Translations are turned off.";
            } else if (opened) {
                domain_.openFailed = false;
                domain_.catalog = opened;
            }
            catalog = domain_.catalog;
        }
        if (!problem.empty() && reporter)
            reporter(u"Localization problem", problem);
        return catalog;
    }

    static std::u16string RelativeName(std::u16string_view code)
    {
        return u"locale\\" + std::u16string(code) + u"\\LC_MESSAGES\\default.mo";
    }

    // Called with the lock held for writing.
    std::shared_ptr<TMoFile> Open(const std::u16string& code, std::u16string& path)
    {
        auto& files = platform::CatalogFiles();
        // Norwegian locales say Bokmål (nb) or Nynorsk (nn); the catalog is the macrolanguage's.
        const std::u16string language = code.substr(0, 2);
        const std::u16string norwegian = language == u"nb" || language == u"nn" ? u"no" : language;
        for (const std::u16string& tried : {code, language, norwegian}) {
            const std::u16string name = RelativeName(tried);
            TEmbeddedFileInfo info;
            if (locator_.FindEmbedded(name, info)) {
                path = locator_.Folder() + name;
                return Cached(locator_.ExecutablePath(), info.offset, info.size, path, true);
            }
            uint64_t size = 0;
            const std::u16string disk = locator_.Folder() + name;
            if (!locator_.Folder().empty() && files.FileExists(disk) && files.GetFileSize(disk, size)) {
                path = disk;
                return Cached(disk, 0, size, path, false);
            }
        }
        return nullptr;
    }

    // An appended catalog is inflated once here and the cache keeps the inflated copy; a
    // translator's file beside the executable is a plain .mo, read in place.
    std::shared_ptr<TMoFile> Cached(const std::u16string& file, uint64_t offset, uint64_t size,
                                    const std::u16string& path, bool appended)
    {
        const auto key = std::make_pair(AsciiUpper(file), offset);
        if (auto kept = cache_[key].lock())
            return kept;
        std::unique_ptr<platform::IFileView> view = platform::CatalogFiles().MapRange(file, offset, size);
        if (appended)
            view = InflateAppendedCatalog(std::move(view));
        std::shared_ptr<TMoFile> opened = TMoFile::Open(std::move(view), path);
        cache_[key] = opened;
        return opened;
    }

    std::shared_mutex lock_;
    TFileLocator locator_;
    TDomain domain_;
    std::map<std::pair<std::u16string, uint64_t>, std::weak_ptr<TMoFile>> cache_;
    std::thread::id creator_;
    bool started_ = false;
};

TGnuGettextInstance& Instance()
{
    static TGnuGettextInstance instance;
    return instance;
}

} // namespace

std::u16string gettext(std::u16string_view text) { return Instance().Translate(text); }

void UseLanguage(std::u16string_view code)
{
    Instance().Use(code.empty() ? LanguageFromEnvironment() : std::u16string(code));
}

std::u16string CurrentLanguage() { return Instance().Current(); }

std::u16string TranslateResourceString(std::u16string_view text)
{
    return Instance().OnCreatorThread() ? gettext(text) : std::u16string(text);
}

void SetLocalizationProblemReporter(std::function<void(const std::u16string&, const std::u16string&)> reporter)
{
    Instance().reporter = std::move(reporter);
}

void StartTranslator(const std::u16string& executablePath)
{
    Instance().Start(executablePath);
    UseLanguage(u"");
}

uint64_t CatalogIndexBytesRead() { return Instance().IndexBytesRead(); }

std::u16string CodeFromLocaleId(uint32_t id)
{
    switch (id) {
    case 1030: return u"da_DK";
    case 1031: return u"de_DE";
    case 1032: return u"el_GR";
    case 1033: return u"en_US";
    case 1034:
    case 3082: return u"es_ES";
    case 1035: return u"fi_FI";
    case 1036: return u"fr_FR";
    case 1039: return u"is_IS";
    case 1040: return u"it_IT";
    case 1042: return u"ko_KO";
    case 1043: return u"nl_NL";
    case 1044: return u"nb_NO";
    case 1045: return u"pl_PL";
    case 1046: return u"pt_BR";
    case 1049: return u"ru_RU";
    case 1053: return u"sv_SE";
    case 2057: return u"en_GB";
    case 2060: return u"fr_BE";
    case 2067: return u"nl_BE";
    case 2068: return u"nn_NO";
    case 2070: return u"pt_PT";
    case 2077: return u"sv_FI";
    case 3084: return u"fr_CA";
    case 4103: return u"de_LU";
    default: return u"C";
    }
}

std::u16string LanguageFromEnvironment()
{
    std::u16string lang = platform::ProcessEnvironment().GetVariable(u"LANG");
    if (!lang.empty())
        return lang.substr(0, lang.find(u'.'));
    const platform::TLocaleNames names = platform::CatalogFiles().LocaleNames();
    if (!names.language.empty())
        return (names.language == u"no" ? u"nb" : names.language) + u"_" + names.country;
    return CodeFromLocaleId(names.threadLocale);
}

} // namespace varnook
