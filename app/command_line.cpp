#include "app/command_line.h"

#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kErrorInvalidParameter = 87;

std::vector<std::string> Words(const char* text)
{
    std::vector<std::string> words;
    std::string word;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (std::isspace(static_cast<unsigned char>(*p))) {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += *p;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

// The switch's name in lower case, or empty for a word that is no switch.
std::string SwitchName(const std::string& word)
{
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-'))
        return {};
    std::string name;
    for (size_t i = 1; i < word.size(); ++i)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
    return name;
}

}  // namespace

const char* SkipProgramName(const char* commandLine)
{
    if (!commandLine)
        return "";
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p && !std::isspace(static_cast<unsigned char>(*p)))
            ++p;
    }
    return p;
}

CommandLine ParseCommandLine(const char* arguments)
{
    CommandLine line;
    bool load = false;
    bool tray = false;
    bool help = false;
    bool unknown = false;
    for (const std::string& word : Words(arguments)) {
        const std::string name = SwitchName(word);
        if (name == "load")
            load = true;
        else if (name == "tray")
            tray = true;
        else if (name == "quiet")
            line.quiet = true;
        else if (name == "?")
            help = true;
        else
            unknown = true;
    }
    // Anything not understood is shown how it goes rather than guessed at; so is
    // /quiet on its own, which would otherwise quietly open the windows.
    if (unknown || (line.quiet && !load && !tray) || (load && tray)) {
        line.mode = StartMode::Usage;
        line.exitCode = kErrorInvalidParameter;
    } else if (help) {
        line.mode = StartMode::Usage;
    } else if (load) {
        line.mode = StartMode::Load;
    } else if (tray) {
        line.mode = StartMode::Tray;
    }
    return line;
}
