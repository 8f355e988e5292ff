#include "platform/profile.h"

#include <optional>
#include <string_view>
#include <vector>

#include "text/app_error.h"
#include "text/text_file.h"
#include "text/text_rules.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) { return LowerCase(a) == LowerCase(b); }

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

// The key of a "key=value" line (comments and lines without "=" have none).
std::optional<std::string_view> KeyName(std::string_view line) {
    std::string_view t = TrimBlanks(line);
    if (t.empty() || t.front() == ';') return std::nullopt;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return TrimBlanks(t.substr(0, eq));
}

std::vector<std::string> ProfileLines(std::string_view bytes) {
    if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
    return SplitLines(bytes);
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& default_value, const std::string& path) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return default_value;
    bool inside = false;
    bool seen_section = false;
    for (const std::string& line : ProfileLines(*bytes)) {
        if (std::optional<std::string_view> name = SectionName(line)) {
            // Only the first section of that name is read.
            if (seen_section) break;
            inside = SameName(*name, section);
            seen_section = inside;
            continue;
        }
        if (!inside) continue;
        std::optional<std::string_view> k = KeyName(line);
        if (k && SameName(*k, key)) {
            std::string_view t = TrimBlanks(line);
            return std::string(TrimBlanks(t.substr(t.find('=') + 1)));
        }
    }
    return default_value;
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path) {
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(value) || section.find(']') != std::string::npos ||
        key.find('=') != std::string::npos)
        return false;

    std::vector<std::string> lines;
    if (FileExists(path)) {
        // An existing file that cannot be read must not be replaced by one holding a single key.
        std::optional<std::string> bytes = ReadFileBytes(path);
        if (!bytes) return false;
        lines = ProfileLines(*bytes);
    }
    const std::string entry = key + "=" + value;

    // Find the first section of that name, its key, and the line after its last entry.
    size_t section_line = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string_view> name = SectionName(lines[i]);
        if (name && SameName(*name, section)) {
            section_line = i;
            break;
        }
    }
    if (section_line == lines.size()) {
        if (!lines.empty() && !TrimBlanks(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    } else {
        size_t insert_at = section_line + 1;
        bool replaced = false;
        for (size_t i = section_line + 1; i < lines.size(); ++i) {
            if (SectionName(lines[i])) break;
            std::optional<std::string_view> k = KeyName(lines[i]);
            if (k && SameName(*k, key)) {
                lines[i] = entry;
                replaced = true;
                break;
            }
            if (!TrimBlanks(lines[i]).empty()) insert_at = i + 1;
        }
        if (!replaced) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at), entry);
    }

    try {
        WriteTextFile(path, lines, ByteOrderMark::kWithout);
    } catch (const AppError&) {
        return false;
    }
    return true;
}
