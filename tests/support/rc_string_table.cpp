// Mirrors what the resource compiler (windres, after the C preprocessor) makes of a
// STRINGTABLE: object-like #defines from the script and the headers it includes with
// quotes, ids as expressions, adjacent literals joined and windres's own escapes.
#include "support/rc_string_table.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct RcToken {
    enum Kind { Number, String, Name, Punct } kind;
    std::string text;     // name, punctuation or decoded bytes
    uint32_t value = 0;
};

class RcReader {
public:
    std::map<uint32_t, std::string> Read(const fs::path& rcFile)
    {
        m_rcFolder = rcFile.parent_path();
        std::string body;
        Load(rcFile, true, 0, body);
        std::vector<RcToken> tokens;
        std::set<std::string> expanding;
        Tokenize(body, expanding, tokens);
        return StringTables(tokens);
    }

private:
    static constexpr int kMaxIncludeDepth = 16;

    fs::path m_rcFolder;
    std::map<std::string, std::string> m_defines;

    // Joins continued lines, drops carriage returns (windres never sees them) and
    // replaces comments by a space, leaving string literals alone.
    static std::string StripComments(const std::string& raw)
    {
        std::string text;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r')
                continue;
            if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == '\n' || raw[i + 1] == '\r')) {
                while (i + 1 < raw.size() && raw[i + 1] == '\r')
                    ++i;
                ++i;
                continue;
            }
            text += raw[i];
        }

        std::string out;
        size_t i = 0;
        while (i < text.size()) {
            char c = text[i];
            if (c == '"') {
                out += c;
                ++i;
                while (i < text.size() && text[i] != '\n') {
                    char s = text[i];
                    out += s;
                    ++i;
                    if (s == '\\' && i < text.size() && text[i] != '\n') {
                        out += text[i];
                        ++i;
                    } else if (s == '"') {
                        break;
                    }
                }
            } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                while (i < text.size() && text[i] != '\n')
                    ++i;
                out += ' ';
            } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
                i += 2;
                while (i < text.size() && !(text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/')) {
                    if (text[i] == '\n')
                        out += '\n';
                    ++i;
                }
                i = std::min(text.size(), i + 2);
                out += ' ';
            } else {
                out += c;
                ++i;
            }
        }
        return out;
    }

    static std::string Trim(const std::string& s)
    {
        size_t begin = s.find_first_not_of(" \t");
        if (begin == std::string::npos)
            return {};
        size_t end = s.find_last_not_of(" \t");
        return s.substr(begin, end - begin + 1);
    }

    static bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$'; }
    static bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.'; }

    // The preprocessor looks for quoted includes beside the including file first; the
    // build also passes the script's folder and the project root as include paths.
    std::optional<fs::path> ResolveInclude(const fs::path& from, const std::string& name) const
    {
        for (const fs::path& folder : {from.parent_path(), m_rcFolder, m_rcFolder.parent_path()}) {
            std::error_code ec;
            fs::path candidate = folder / name;
            if (fs::is_regular_file(candidate, ec))
                return candidate;
        }
        return std::nullopt;
    }

    // Collects defines and, unless the file is a header (windres ignores anything but
    // directives in included .h files), its text.
    void Load(const fs::path& file, bool keepText, int depth, std::string& body)
    {
        if (depth > kMaxIncludeDepth)
            return;
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return;
        std::string text = StripComments(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));

        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            std::string trimmed = Trim(line);
            if (!trimmed.empty() && trimmed[0] == '#') {
                Directive(file, Trim(trimmed.substr(1)), depth, body);
                if (keepText)
                    body += '\n';
            } else if (keepText) {
                body += line;
                body += '\n';
            }
            start = end + 1;
        }
    }

    void Directive(const fs::path& file, const std::string& directive, int depth, std::string& body)
    {
        size_t wordEnd = 0;
        while (wordEnd < directive.size() && IsNameChar(directive[wordEnd]))
            ++wordEnd;
        const std::string word = directive.substr(0, wordEnd);
        const std::string rest = Trim(directive.substr(wordEnd));

        if (word == "define") {
            size_t nameEnd = 0;
            while (nameEnd < rest.size() && IsNameChar(rest[nameEnd]))
                ++nameEnd;
            if (nameEnd == 0 || (nameEnd < rest.size() && rest[nameEnd] == '('))
                return;   // function-like macros never name string ids
            m_defines[rest.substr(0, nameEnd)] = Trim(rest.substr(nameEnd));
        } else if (word == "undef") {
            m_defines.erase(rest);
        } else if (word == "include" && rest.size() >= 2 && rest[0] == '"') {
            size_t close = rest.find('"', 1);
            if (close == std::string::npos)
                return;
            std::string name = rest.substr(1, close - 1);
            std::optional<fs::path> path = ResolveInclude(file, name);
            if (path) {
                const std::string ext = path->extension().string();
                Load(*path, ext != ".h" && ext != ".H", depth + 1, body);
            }
        }
        // Conditionals and the rest are not evaluated: a script's string tables do not
        // depend on them.
    }

    // windres's handle_quotes: its escapes (\a gives 0x08, like \b), octal up to three
    // digits, hex up to two (four in wide strings), "" for a quote, and an unknown
    // escape kept with its backslash. Bytes go to the table as they are; wide
    // characters beyond one byte become '?'.
    static std::string DecodeLiteral(const std::string& raw, bool wide)
    {
        std::string out;
        size_t i = 0;
        auto put = [&](uint32_t ch) {
            out += wide && ch > 0xFF ? '?' : static_cast<char>(ch & 0xFF);
        };
        while (i < raw.size()) {
            char c = raw[i];
            if (c == '"') {
                if (i + 1 < raw.size() && raw[i + 1] == '"') {
                    out += '"';
                    i += 2;
                } else {
                    ++i;
                }
                continue;
            }
            if (c != '\\') {
                out += c;
                ++i;
                continue;
            }
            if (++i == raw.size())
                break;   // a backslash at the end of the string is dropped
            char e = raw[i++];
            switch (e) {
            case 'a':
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'v': out += '\v'; break;
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'x':
            case 'X': {
                uint32_t ch = 0;
                for (int digits = wide ? 4 : 2; digits > 0 && i < raw.size(); --digits) {
                    uint32_t v;
                    if (!HexDigit(raw[i], v))
                        break;
                    ch = ch << 4 | v;
                    ++i;
                }
                put(ch);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint32_t ch = uint32_t(e - '0');
                    for (int digits = 2; digits > 0 && i < raw.size() && raw[i] >= '0' && raw[i] <= '7'; --digits)
                        ch = ch << 3 | uint32_t(raw[i++] - '0');
                    put(ch);
                } else {
                    out += '\\';
                    out += e;
                }
            }
        }
        return out;
    }

    // A hexadecimal digit's value; false for any other character.
    static bool HexDigit(char c, uint32_t& value)
    {
        if (c >= '0' && c <= '9')
            value = uint32_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            value = uint32_t(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            value = uint32_t(c - 'A' + 10);
        else
            return false;
        return true;
    }

    // windres's read_digit: a leading 0 means octal unless 0x (or 0o) follows, and an
    // L suffix is allowed.
    static uint32_t ReadNumber(const std::string& s, size_t& i)
    {
        uint32_t base = 10;
        uint32_t value = 0;
        if (s[i] == '0') {
            base = 8;
            ++i;
            if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
                base = 16;
                ++i;
            } else if (i < s.size() && (s[i] == 'o' || s[i] == 'O')) {
                ++i;
            }
        }
        for (; i < s.size(); ++i) {
            uint32_t v;
            if (!HexDigit(s[i], v))
                break;
            value = value * base + v;
        }
        if (i < s.size() && (s[i] == 'L' || s[i] == 'l'))
            ++i;
        return value;
    }

    void Tokenize(const std::string& s, std::set<std::string>& expanding, std::vector<RcToken>& out) const
    {
        size_t i = 0;
        while (i < s.size()) {
            char c = s[i];
            if (static_cast<unsigned char>(c) <= ' ') {
                ++i;
                continue;
            }
            bool wide = (c == 'L' || c == 'l') && i + 1 < s.size() && s[i + 1] == '"';
            if (c == '"' || wide) {
                i += wide ? 2 : 1;
                std::string raw;
                while (i < s.size() && s[i] != '\n') {
                    char r = s[i++];
                    if (r == '\\') {
                        raw += r;
                        if (i < s.size() && s[i] != '\n')
                            raw += s[i++];
                    } else if (r == '"') {
                        if (i < s.size() && s[i] == '"') {
                            raw += "\"\"";
                            ++i;
                        } else {
                            break;
                        }
                    } else {
                        raw += r;
                    }
                }
                out.push_back({RcToken::String, DecodeLiteral(raw, wide)});
            } else if (c >= '0' && c <= '9') {
                RcToken token{RcToken::Number, {}};
                token.value = ReadNumber(s, i);
                out.push_back(token);
            } else if (IsNameStart(c)) {
                size_t start = i;
                while (i < s.size() && IsNameChar(s[i]))
                    ++i;
                std::string name = s.substr(start, i - start);
                auto define = m_defines.find(name);
                if (define != m_defines.end() && !expanding.count(name)) {
                    expanding.insert(name);
                    Tokenize(define->second, expanding, out);
                    expanding.erase(name);
                } else {
                    out.push_back({RcToken::Name, name});
                }
            } else {
                out.push_back({RcToken::Punct, std::string(1, c)});
                ++i;
            }
        }
    }

    static bool IsWord(const RcToken& t, const char* word)
    {
        if (t.kind != RcToken::Name || t.text.size() != std::strlen(word))
            return false;
        for (size_t i = 0; i < t.text.size(); ++i)
            if (AsciiLower(t.text[i]) != AsciiLower(word[i]))
                return false;
        return true;
    }
    static bool IsPunct(const RcToken& t, char c) { return t.kind == RcToken::Punct && t.text[0] == c; }
    static bool Opens(const RcToken& t) { return IsPunct(t, '{') || IsWord(t, "BEGIN"); }
    static bool Closes(const RcToken& t) { return IsPunct(t, '}') || IsWord(t, "END"); }

    // An id expression with windres's operators and precedence (| ^ & + - * / % and
    // unary - ~). Fails on anything else, such as a name nobody defined.
    class Expression {
    public:
        Expression(const std::vector<RcToken>& tokens, size_t begin, size_t end)
            : m_tokens(tokens), m_pos(begin), m_end(end)
        {
        }

        std::optional<uint32_t> Evaluate()
        {
            std::optional<uint32_t> value = Binary(0);
            if (!value || m_pos != m_end)
                return std::nullopt;
            return value;
        }

    private:
        const std::vector<RcToken>& m_tokens;
        size_t m_pos;
        size_t m_end;

        static int Precedence(char op)
        {
            switch (op) {
            case '|': return 1;
            case '^': return 2;
            case '&': return 3;
            case '+':
            case '-': return 4;
            case '*':
            case '/':
            case '%': return 5;
            default: return 0;
            }
        }

        std::optional<uint32_t> Binary(int minPrecedence)
        {
            std::optional<uint32_t> left = Unary();
            while (left && m_pos < m_end && m_tokens[m_pos].kind == RcToken::Punct) {
                char op = m_tokens[m_pos].text[0];
                int precedence = Precedence(op);
                if (precedence == 0 || precedence <= minPrecedence)
                    break;
                ++m_pos;
                std::optional<uint32_t> right = Binary(precedence);
                if (!right)
                    return std::nullopt;
                switch (op) {
                case '|': *left |= *right; break;
                case '^': *left ^= *right; break;
                case '&': *left &= *right; break;
                case '+': *left += *right; break;
                case '-': *left -= *right; break;
                case '*': *left *= *right; break;
                case '/':
                case '%':
                    if (*right == 0)
                        return std::nullopt;
                    *left = op == '/' ? *left / *right : *left % *right;
                    break;
                }
            }
            return left;
        }

        std::optional<uint32_t> Unary()
        {
            if (m_pos >= m_end)
                return std::nullopt;
            const RcToken& t = m_tokens[m_pos++];
            if (t.kind == RcToken::Number)
                return t.value;
            if (IsPunct(t, '-') || IsPunct(t, '~')) {
                std::optional<uint32_t> operand = Unary();
                if (!operand)
                    return std::nullopt;
                return IsPunct(t, '-') ? 0u - *operand : ~*operand;
            }
            if (IsPunct(t, '(')) {
                std::optional<uint32_t> inner = Binary(0);
                if (!inner || m_pos >= m_end || !IsPunct(m_tokens[m_pos], ')'))
                    return std::nullopt;
                ++m_pos;
                return inner;
            }
            return std::nullopt;
        }
    };

    // Entries are `id, "text"` or `id "text"`; adjacent literals join. windres leaves
    // empty strings out of the table.
    static std::map<uint32_t, std::string> StringTables(const std::vector<RcToken>& tokens)
    {
        std::map<uint32_t, std::string> table;
        size_t i = 0;
        while (i < tokens.size()) {
            if (!IsWord(tokens[i++], "STRINGTABLE"))
                continue;
            while (i < tokens.size() && !Opens(tokens[i]))
                ++i;   // memory flags, LANGUAGE, CHARACTERISTICS, VERSION
            ++i;
            while (i < tokens.size() && !Closes(tokens[i])) {
                size_t idBegin = i;
                while (i < tokens.size() && tokens[i].kind != RcToken::String && !IsPunct(tokens[i], ',') &&
                       !Closes(tokens[i]))
                    ++i;
                size_t idEnd = i;
                if (i < tokens.size() && IsPunct(tokens[i], ','))
                    ++i;
                std::string text;
                bool hasText = false;
                while (i < tokens.size() && tokens[i].kind == RcToken::String) {
                    text += tokens[i++].text;
                    hasText = true;
                }
                std::optional<uint32_t> id = Expression(tokens, idBegin, idEnd).Evaluate();
                if (hasText && id && !text.empty())
                    table.emplace(*id, text);
            }
            ++i;
        }
        return table;
    }
};

}  // namespace

std::map<uint32_t, std::string> ReadRcStringTable(const fs::path& rcFile)
{
    return RcReader().Read(rcFile);
}
