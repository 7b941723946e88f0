#include "cli/CommandLine.h"

#include "core/Registry.h"
#include "core/Strings.h"
#include "core/Tools.h"

namespace varnook {

std::vector<std::u16string> SplitCommandLine(std::u16string_view line)
{
    std::vector<std::u16string> words;
    size_t p = 0;
    const size_t end = line.size();
    for (;;) {
        for (;;) {
            while (p < end && line[p] != 0 && line[p] <= u' ')
                ++p;
            if (p + 1 < end && line[p] == u'"' && line[p + 1] == u'"')
                p += 2;
            else
                break;
        }
        std::u16string word;
        while (p < end && line[p] > u' ') {
            if (line[p] == u'"') {
                ++p;
                while (p < end && line[p] != 0 && line[p] != u'"')
                    word += line[p++];
                if (p < end && line[p] != 0)
                    ++p;
            } else {
                word += line[p++];
            }
        }
        // Only the end of the line gives an empty word: quoted stretches always hold something.
        if (word.empty())
            return words;
        words.push_back(std::move(word));
    }
}

TCommandLineRequest ParseArguments(const std::vector<std::u16string>& arguments)
{
    TCommandLineRequest r;
    for (const auto& argument : arguments) {
        const std::u16string key = AsciiUpper(argument);
        if (key == u"-S" || key == u"/S")
            r.Set = true;
        else if (key == u"-I" || key == u"/I")
            r.Insert = true;
        else if (key == u"-A" || key == u"/A")
            r.Append = true;
        else if (key == u"-C" || key == u"/C")
            r.Cleanup = true;
        else if (key == u"-E" || key == u"/E")
            r.Expandable = true;
        else if (key == u"-R" || key == u"/R")
            r.Remove = true;
        else if (key == u"-D" || key == u"/D")
            r.Delete = true;
        else if (key == u"-U" || key == u"/U")
            r.SystemScope = false;
        else if (key == u"-M" || key == u"/M")
            r.SystemScope = true;
        else if (r.Name.empty())
            r.Name = argument;
        else
            r.Value = argument;
    }
    return r;
}

int ExecuteCommandLine(const TCommandLineRequest& r)
{
    try {
        RegistryAccess reg(r.SystemScope ? platform::kRootLocalMachine : platform::kRootCurrentUser);
        const std::u16string_view key = r.SystemScope ? kSystemEnvironmentKey : kUserEnvironmentKey;

        if (r.Delete) {
            reg.OpenKey(key, false);
            reg.DeleteValue(r.Name);
            reg.CloseKey();
            BroadcastEnvironmentChange(5000);
            return 0;
        }

        // Windows cannot hold a variable whose name contains '='; writing one has left
        // machines that would not start.
        if (r.Name.find(u'=') != std::u16string::npos)
            return 1;

        reg.OpenKey(key, false);
        std::u16string v = r.Value;
        if (r.Insert)
            v = InsertValue(v, reg.ReadString(r.Name));
        if (r.Append)
            v = AppendValue(reg.ReadString(r.Name), v);
        if (r.Remove)
            v = RemoveElement(reg.ReadString(r.Name), v);
        if (r.Cleanup)
            v = CleanupValue(v);

        // An expandable variable stays expandable: writing it back as a plain string would
        // break every %SystemRoot% entry in it. -E makes the result expandable in any case.
        if (r.Expandable || reg.GetDataType(r.Name) == rdExpandString)
            reg.WriteExpandString(r.Name, v);
        else
            reg.WriteString(r.Name, v);
        reg.CloseKey();
        BroadcastEnvironmentChange(5000);
        return 0;
    } catch (const std::exception&) {
        return 1;
    }
}

TCommandLineOutcome ProcessCommandLine(std::u16string_view commandLine)
{
    auto words = SplitCommandLine(commandLine);
    if (words.size() <= 1)
        return {TCommandLineAction::StartEditor, 0};
    words.erase(words.begin());
    if (words.front() == u"-?" || words.front() == u"/?")
        return {TCommandLineAction::ShowHelp, 0};
    return {TCommandLineAction::Exit, ExecuteCommandLine(ParseArguments(words))};
}

} // namespace varnook
