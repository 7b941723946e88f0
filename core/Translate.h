// The translation lookup every user-visible text passes through at the moment it is shown, and
// the interface languages.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace varnook {

// The text in the interface language. English is the message identifier: a text the catalog
// lacks (or every text, with no catalog) comes back as it is, its line breaks made CR LF.
std::u16string gettext(std::u16string_view text);

// Marks a text for the catalog template where it stands in a table; translated when shown.
#define N_(text) text

struct TLanguage {
    const char16_t* code;
    const char16_t* name; // shown in the list, always in English
};
// English first, then the 25 catalogs in the list's order.
extern const std::array<TLanguage, 26> kLanguages;

// Makes code the language of every domain; each domain opens its catalog at its next lookup.
// An empty code takes the language from the environment.
void UseLanguage(std::u16string_view code);
// The code in use ("en" at start).
std::u16string CurrentLanguage();
// LANG up to its first ".", else the user's locale as language_COUNTRY, else a code from the
// thread locale.
std::u16string LanguageFromEnvironment();
// A resource string: translated on the thread that started the translator, English elsewhere.
std::u16string TranslateResourceString(std::u16string_view text);

// Where the translation layer reports a catalog it had to turn off ("Localization problem").
// Without a reporter the problem is silent.
void SetLocalizationProblemReporter(std::function<void(const std::u16string& caption, const std::u16string& text)> reporter);

// Starts the translator for the executable at path: indexes the appended catalogs and takes
// the language from the environment. Safe to call again (tests); the default path is none.
void StartTranslator(const std::u16string& executablePath);
// Bytes of the executable read to build the index of appended catalogs.
uint64_t CatalogIndexBytesRead();

// The code a thread locale identifier stands for when the locale has no names.
std::u16string CodeFromLocaleId(uint32_t localeId);

} // namespace varnook
