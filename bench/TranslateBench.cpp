// The translation layer on the shipped executable: the bytes read to index its appended
// catalogs, opening the largest catalog (inflated from the executable's tail), and one lookup in
// it next to the lookup of a text it lacks.
// Prints one "name: value" line per figure.
#include "core/Translate.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

using namespace varnook;

int wmain(int argc, wchar_t** argv)
{
    wchar_t self[MAX_PATH]{};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe = exe.substr(0, exe.find_last_of(L'\\'));
    exe = exe.substr(0, exe.find_last_of(L'\\')) + L"\\varnook.exe";
    StartTranslator(std::u16string(exe.begin(), exe.end()));
    std::printf("catalog_index_bytes_read: %llu\n", static_cast<unsigned long long>(CatalogIndexBytesRead()));

    // Russian: the catalog with the most bytes (Cyrillic takes two per letter).
    UseLanguage(u"ru");
    const std::u16string present = u"Variable contains invalid path or you have no access to it";
    const std::u16string missing = u"Variable contains invalid path or you have no access to it!";
    // The first text asked for opens the catalog; starting again drops it.
    const int opens = 50;
    double openNs = 0;
    for (int i = 0; i < opens; ++i) {
        StartTranslator(std::u16string(exe.begin(), exe.end()));
        UseLanguage(u"ru");
        const auto start = std::chrono::steady_clock::now();
        gettext(present);
        openNs += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    }
    std::printf("catalog_open_us: %.0f\n", openNs / opens / 1000);
    if (gettext(present) == present)
        std::printf("gettext_note: no Russian catalog in %ls\n", exe.c_str());
    const int runs = argc > 1 ? _wtoi(argv[1]) * 20000 : 300000;
    auto time = [runs](const std::u16string& text) {
        size_t sink = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < runs; ++i)
            sink += gettext(text).size();
        const auto ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        return sink ? ns / runs : 0.0;
    };
    time(present); // the catalog opens on first use
    const double hit = time(present), miss = time(missing);
    std::printf("gettext_lookup_ns: %.0f\n", hit);
    std::printf("gettext_miss_ns: %.0f\n", miss);
    std::printf("gettext_lookup_to_miss_ratio: %.2f\n", miss > 0 ? hit / miss : 0.0);
    return 0;
}
