#include "scenario/script.h"

#include <sstream>
#include <stdexcept>

#include "core/text.h"

namespace lirafok::scenario {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A character code written as \xNN inside a quoted word; codes above 0x7F stand for that
// Unicode character.
void appendCode(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0, n = line.size();
    while (i < n) {
        while (i < n && isBlank(line[i])) ++i;
        if (i >= n) break;
        std::string w;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                char c = line[i];
                if (c == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (c == '\\' && i + 1 < n) {
                    char e = line[i + 1];
                    i += 2;
                    switch (e) {
                        case '"':
                            w += '"';
                            break;
                        case '\\':
                            w += '\\';
                            break;
                        case 'r':
                            w += '\r';
                            break;
                        case 'n':
                            w += '\n';
                            break;
                        case 't':
                            w += '\t';
                            break;
                        case 'x': {
                            int h = i < n ? hexValue(line[i]) : -1;
                            int l = i + 1 < n ? hexValue(line[i + 1]) : -1;
                            if (h < 0 || l < 0) throw std::runtime_error("bad \\x escape");
                            appendCode(w, static_cast<unsigned>(h * 16 + l));
                            i += 2;
                            break;
                        }
                        default:
                            w += '\\';
                            w += e;
                            break;
                    }
                    continue;
                }
                w += c;
                ++i;
            }
            if (!closed) throw std::runtime_error("unterminated quote");
        } else {
            while (i < n && !isBlank(line[i])) w += line[i++];
        }
        words.push_back(w);
    }
    return words;
}

std::vector<Command> parseScenario(const std::string& textIn) {
    std::vector<std::string> lines;
    {
        std::string cur;
        for (char c : textIn) {
            if (c == '\n') {
                if (!cur.empty() && cur.back() == '\r') cur.pop_back();
                lines.push_back(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        if (!cur.empty()) {
            if (cur.back() == '\r') cur.pop_back();
            lines.push_back(cur);
        }
    }
    std::vector<Command> out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& raw = lines[i];
        std::size_t first = raw.find_first_not_of(" \t");
        if (first == std::string::npos || raw[first] == '#') continue;
        Command c;
        c.line = static_cast<int>(i + 1);
        try {
            c.words = splitWords(raw);
        } catch (const std::exception& e) {
            throw std::runtime_error(std::to_string(c.line) + ": " + e.what());
        }
        bool block = (c.words.size() == 2 && c.words[0] == "file") ||
                     (c.words.size() == 2 && c.words[0] == "font-list") ||
                     (c.words.size() == 3 && c.words[0] == "expect" && c.words[1] == "file") ||
                     (c.words.size() == 2 && c.words[0] == "expect" && c.words[1] == "printed") ||
                     (c.words.size() == 2 && c.words[0] == "expect" && c.words[1] == "online");
        if (block) {
            bool ended = false;
            for (++i; i < lines.size(); ++i) {
                std::string t = lines[i];
                std::size_t a = t.find_first_not_of(" \t");
                std::size_t b = t.find_last_not_of(" \t");
                if (a != std::string::npos && t.substr(a, b - a + 1) == "end") {
                    ended = true;
                    break;
                }
                c.block.push_back(lines[i]);
            }
            if (!ended) throw std::runtime_error(std::to_string(c.line) + ": block without end");
        }
        out.push_back(std::move(c));
    }
    return out;
}

std::string blockLineBytes(const std::string& line) {
    std::string out, pending;
    auto flush = [&] {
        out += text::toCp932(pending);
        pending.clear();
    };
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            if (line[i + 1] == '\\') {
                pending += '\\';
                ++i;
                continue;
            }
            if (line[i + 1] == 'x' && i + 3 < line.size() && hexValue(line[i + 2]) >= 0 &&
                hexValue(line[i + 3]) >= 0) {
                flush();
                out += static_cast<char>(hexValue(line[i + 2]) * 16 + hexValue(line[i + 3]));
                i += 3;
                continue;
            }
        }
        pending += line[i];
    }
    flush();
    return out;
}

}  // namespace lirafok::scenario
