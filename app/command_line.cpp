#include "app/command_line.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kErrorInvalidParameter = 87;

// Only a space and a tab end an argument: other white space (U+3000, a vertical tab)
// belongs to it, as in CommandLineToArgvW.
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// The switch's name with its ASCII letters in lower case, or empty for a word that is
// no switch. Nothing else is folded: a fullwidth or dotless letter is another letter.
std::u16string SwitchName(const std::u16string& word)
{
    if (word.size() < 2 || (word[0] != u'/' && word[0] != u'-'))
        return {};
    std::u16string name;
    for (size_t i = 1; i < word.size(); ++i)
        name += word[i] >= u'A' && word[i] <= u'Z' ? static_cast<char16_t>(word[i] - u'A' + u'a') : word[i];
    return name;
}

}  // namespace

std::vector<std::u16string> SplitArguments(const char16_t* arguments)
{
    std::vector<std::u16string> words;
    std::u16string word;
    bool inWord = false;    // a quote pair starts a word too, an empty one
    bool quoted = false;
    const char16_t* p = arguments ? arguments : u"";
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
        if (*p != u'\\' && *p != u'"') {
            word += *p++;
            continue;
        }
        size_t backslashes = 0;
        while (*p == u'\\') {
            ++backslashes;
            ++p;
        }
        if (*p != u'"') {
            word.append(backslashes, u'\\');
            continue;
        }
        word.append(backslashes / 2, u'\\');
        ++p;
        if (backslashes % 2 != 0) {
            word += u'"';
        } else if (!quoted) {
            quoted = true;
        } else {
            // The quote that ends a quoted part, doubled, is a quote of the text, and
            // the part ends all the same (CommandLineToArgvW, unlike the C runtime).
            quoted = false;
            if (*p == u'"') {
                word += u'"';
                ++p;
            }
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

const char16_t* SkipProgramName(const char16_t* commandLine)
{
    if (!commandLine)
        return u"";
    const char16_t* p = commandLine;
    if (*p == u'"') {
        ++p;
        while (*p && *p != u'"')
            ++p;
        if (*p == u'"')
            ++p;
    } else {
        while (*p && !IsBlank(*p))
            ++p;
    }
    return p;
}

CommandLine ParseCommandLine(const char16_t* arguments)
{
    CommandLine line;
    bool load = false;
    bool tray = false;
    bool quiet = false;
    bool help = false;
    bool unknown = false;
    for (const std::u16string& word : SplitArguments(arguments)) {
        const std::u16string name = SwitchName(word);
        if (name == u"load")
            load = true;
        else if (name == u"tray")
            tray = true;
        else if (name == u"quiet")
            quiet = true;
        else if (name == u"?")
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
