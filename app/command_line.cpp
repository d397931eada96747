#include "app/command_line.h"

#include <cctype>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kErrorInvalidParameter = 87;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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

std::vector<std::string> SplitArguments(const char* arguments)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;    // a quote pair starts a word too, an empty one
    bool quoted = false;
    const char* p = arguments ? arguments : "";
    while (*p) {
        if (IsBlank(*p) && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++p;
            continue;
        }
        inWord = true;
        if (*p != '\\' && *p != '"') {
            word += *p++;
            continue;
        }
        size_t backslashes = 0;
        while (*p == '\\') {
            ++backslashes;
            ++p;
        }
        if (*p != '"') {
            word.append(backslashes, '\\');
            continue;
        }
        word.append(backslashes / 2, '\\');
        ++p;
        if (backslashes % 2 != 0) {
            word += '"';
        } else if (!quoted) {
            quoted = true;
        } else {
            // The quote that ends a quoted part, doubled, is a quote of the text, and
            // the part ends all the same (CommandLineToArgvW, unlike the C runtime).
            quoted = false;
            if (*p == '"') {
                word += '"';
                ++p;
            }
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

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
    bool quiet = false;
    bool help = false;
    bool unknown = false;
    for (const std::string& word : SplitArguments(arguments)) {
        const std::string name = SwitchName(word);
        if (name == "load")
            load = true;
        else if (name == "tray")
            tray = true;
        else if (name == "quiet")
            quiet = true;
        else if (name == "?")
            help = true;
        else
            unknown = true;
    }
    // Anything not understood shows how the line goes rather than being guessed at.
    // /quiet silences what /load and /tray show, the usage box of a bad line among
    // them; on its own it has nothing to silence, so it makes a bad line like any other
    // and the usage box shows.
    line.quiet = quiet && (load || tray);
    if (unknown || (quiet && !load && !tray) || (load && tray)) {
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
