// Reading a tree file of the test network provider into the simulated router, so
// that the network the Wine checks browse through the real router can be browsed
// here too. Every line must be understood (the provider itself skips what it
// cannot read; here a mistake in a test network is reported instead).
#include "sim_internal.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using sim::NetResource;

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line at blanks outside double quotes; the quotes are removed.
std::vector<std::string> SplitLine(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size())
            break;
        std::string raw;
        bool inQuotes = false;
        for (; i < line.size() && (inQuotes || (line[i] != ' ' && line[i] != '\t')); ++i) {
            if (line[i] == '"')
                inQuotes = !inQuotes;
            raw += line[i];
        }
        tokens.push_back(raw);
    }
    return tokens;
}

Token Unquote(const std::string& raw) {
    Token token;
    for (char c : raw) {
        if (c == '"')
            token.quoted = true;
        else
            token.text += c;
    }
    return token;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The bare word NULL is a null pointer; "NULL" in quotes is a string.
std::optional<std::string> NullableString(const Token& token) {
    if (!token.quoted && token.text == "NULL")
        return std::nullopt;
    return token.text;
}

bool ParseNumber(const std::string& text, DWORD* value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
    if (*end != '\0' || parsed > 0xFFFFFFFFul)
        return false;
    *value = static_cast<DWORD>(parsed);
    return true;
}

bool LookUp(const std::vector<std::pair<const char*, DWORD>>& names, const std::string& word,
            DWORD* value) {
    std::string lower = Lower(word);
    for (const auto& [name, number] : names)
        if (lower == name) {
            *value = number;
            return true;
        }
    return ParseNumber(word, value);
}

const std::vector<std::pair<const char*, DWORD>> kKinds = {
    {"generic", 0},    {"domain", 1},    {"server", 2},  {"share", 3},
    {"file", 4},       {"group", 5},     {"network", 6}, {"root", 7},
    {"shareadmin", 8}, {"directory", 9}, {"tree", 10},   {"ndscontainer", 11},
};
const std::vector<std::pair<const char*, DWORD>> kTypes = {
    {"any", RESOURCETYPE_ANY},         {"disk", RESOURCETYPE_DISK},
    {"print", RESOURCETYPE_PRINT},     {"reserved", RESOURCETYPE_RESERVED},
    {"unknown", RESOURCETYPE_UNKNOWN},
};
const std::vector<std::pair<const char*, DWORD>> kUsages = {
    {"connectable", RESOURCEUSAGE_CONNECTABLE},
    {"container", RESOURCEUSAGE_CONTAINER},
    {"nolocaldevice", RESOURCEUSAGE_NOLOCALDEVICE},
    {"sibling", RESOURCEUSAGE_SIBLING},
    {"attached", RESOURCEUSAGE_ATTACHED},
    {"reserved", RESOURCEUSAGE_RESERVED},
    {"all", RESOURCEUSAGE_ALL},
};
const std::vector<std::pair<const char*, DWORD>> kErrors = {
    {"access_denied", ERROR_ACCESS_DENIED}, {"bad_netname", ERROR_BAD_NET_NAME},
    {"no_network", ERROR_NO_NETWORK},       {"not_container", ERROR_NOT_CONTAINER},
    {"not_supported", ERROR_NOT_SUPPORTED}, {"extended_error", ERROR_EXTENDED_ERROR},
    {"bad_value", ERROR_INVALID_PARAMETER}, {"out_of_memory", ERROR_NOT_ENOUGH_MEMORY},
    {"net_error", ERROR_UNEXP_NET_ERR},     {"bad_handle", ERROR_INVALID_HANDLE},
    {"bad_provider", ERROR_BAD_PROVIDER},   {"busy", ERROR_BUSY},
    {"bad_netpath", ERROR_BAD_NETPATH},     {"not_authenticated", ERROR_NOT_AUTHENTICATED},
    {"more_data", ERROR_MORE_DATA},         {"no_more_entries", ERROR_NO_MORE_ITEMS},
};

bool ParseError(std::string word, DWORD* value) {
    std::string lower = Lower(word);
    for (const char* prefix : {"wn_", "error_"})
        if (lower.rfind(prefix, 0) == 0)
            word = word.substr(std::string(prefix).size());
    return LookUp(kErrors, word, value);
}

bool ParseUsage(const std::string& text, DWORD* value) {
    *value = 0;
    std::stringstream parts(text);
    std::string part;
    while (std::getline(parts, part, '|')) {
        DWORD bit = 0;
        if (!LookUp(kUsages, part, &bit))
            return false;
        *value |= bit;
    }
    return true;
}

// Expands %d, %Nd and %0Nd (width up to 9999) to the index and %% to %.
bool ExpandPattern(const std::string& pattern, unsigned index, std::string* out) {
    out->clear();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            *out += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            *out += '%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool zeros = j < pattern.size() && pattern[j] == '0';
        size_t width = 0;
        for (; j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j])); ++j)
            width = width * 10 + static_cast<size_t>(pattern[j] - '0');
        if (j >= pattern.size() || pattern[j] != 'd' || width > 9999)
            return false;
        std::string digits = std::to_string(index);
        if (digits.size() < width)
            out->append(width - digits.size(), zeros ? '0' : ' ');
        *out += digits;
        i = j;
    }
    return true;
}

class TreeReader {
public:
    bool Line(const std::vector<std::string>& raw, std::string* error) {
        std::string keyword = Lower(raw[0]);
        if (raw[0].front() == '[') {
            Finish();
            std::string name = Unquote(raw[0]).text;
            if (name.size() < 3 || name.back() != ']' || raw.size() != 1)
                return Bad("a section line reads [name]", error);
            section_ = name.substr(1, name.size() - 2);
            provider_ = section_;
            registered_ = false;
            options_ = {};
            return true;
        }
        if (section_.empty())
            return Bad("a line before the first [section]", error);
        if (keyword == "provider" && raw.size() == 2 && !registered_) {
            provider_ = Unquote(raw[1]).text;
            return true;
        }
        if (keyword == "nettype" && raw.size() == 2)
            return true;
        if (keyword == "enumeration" && raw.size() == 2) {
            options_.enumerable = Lower(raw[1]) != "off";
            Register();
            return true;
        }
        if (keyword == "unknown" && raw.size() == 2) {
            options_.unknownEmpty = Lower(raw[1]) == "empty";
            if (!options_.unknownEmpty && !ParseError(raw[1], &options_.unknownError))
                return Bad("unknown takes empty or an error code", error);
            Register();
            return true;
        }
        Register();
        if (keyword == "container" && raw.size() >= 2)
            return Container(raw, error);
        if (!inContainer_)
            return Bad("an entry before the first container line", error);
        if (keyword == "repeat")
            return Repeat(raw, error);
        NetResource entry;
        if (!Entry(raw, nullptr, &entry, error))
            return false;
        sim::AddNetEntry(provider_, container_, entry);
        return true;
    }

    // Registers the last section's provider, even when it declared nothing.
    void Finish() {
        if (!section_.empty())
            Register();
    }

private:
    static bool Bad(const std::string& message, std::string* error) {
        *error = message;
        return false;
    }

    void Register() {
        if (registered_) {
            sim::detail::SetNetProviderOptions(provider_, options_);
            return;
        }
        sim::AddNetProvider(provider_);
        sim::detail::SetNetProviderOptions(provider_, options_);
        registered_ = true;
    }

    bool Container(const std::vector<std::string>& raw, std::string* error) {
        container_ = NullableString(Unquote(raw[1]));
        sim::AddNetContainer(provider_, container_);
        inContainer_ = true;
        std::string name = container_ ? *container_ : provider_;
        for (size_t i = 2; i < raw.size(); ++i) {
            size_t equals = raw[i].find('=');
            std::string key = Lower(raw[i].substr(0, equals));
            std::string value =
                equals == std::string::npos ? "" : Unquote(raw[i].substr(equals + 1)).text;
            DWORD number = 0;
            if (key == "fail" && ParseError(value, &number))
                sim::FailNetOpen(name, number);
            else if (key == "enumfail" && ParseError(value, &number))
                sim::FailNetRequests(name, number, ~0u);
            else if (key == "batch" && ParseNumber(value, &number) && number != 0)
                sim::SetNetBatchLimit(name, number);
            else
                return Bad("unknown container option " + raw[i], error);
        }
        return true;
    }

    bool Repeat(const std::vector<std::string>& raw, std::string* error) {
        DWORD count = 0, start = 1;
        if (raw.size() < 4 || !ParseNumber(raw[1], &count) || count > 1000000)
            return Bad("repeat reads: repeat <n> <kind> <pattern> [attributes] [start=<k>]", error);
        std::vector<std::string> rest(raw.begin() + 2, raw.end());
        for (auto it = rest.begin(); it != rest.end(); ++it)
            if (Lower(*it).rfind("start=", 0) == 0) {
                if (!ParseNumber(it->substr(6), &start))
                    return Bad("bad start " + *it, error);
                rest.erase(it);
                break;
            }
        Token pattern = Unquote(rest[1]);
        for (DWORD i = 0; i < count; ++i) {
            std::string name;
            if (!ExpandPattern(pattern.text, start + i, &name))
                return Bad("bad pattern " + pattern.text, error);
            NetResource entry;
            if (!Entry(rest, &name, &entry, error))
                return false;
            sim::AddNetEntry(provider_, container_, entry);
        }
        return true;
    }

    // Reads "<kind> <remote> [attributes]"; a repeated entry gives its expanded
    // name instead of the remote token.
    bool Entry(const std::vector<std::string>& raw, const std::string* name, NetResource* entry,
               std::string* error) {
        if (raw.size() < 2)
            return Bad("an entry reads: <kind> <remote> [attributes]", error);
        if (!LookUp(kKinds, raw[0], &entry->displayType))
            return Bad("unknown keyword or kind " + raw[0], error);
        entry->remoteName =
            name ? std::optional<std::string>(*name) : NullableString(Unquote(raw[1]));
        entry->provider = provider_;
        entry->type =
            entry->displayType == RESOURCEDISPLAYTYPE_SHARE ? RESOURCETYPE_PRINT : RESOURCETYPE_ANY;
        switch (entry->displayType) {
        case RESOURCEDISPLAYTYPE_SHARE:
        case RESOURCEDISPLAYTYPE_FILE:
        case RESOURCEDISPLAYTYPE_SHAREADMIN:
            entry->usage = RESOURCEUSAGE_CONNECTABLE;
            break;
        default:
            entry->usage = RESOURCEUSAGE_CONTAINER;
        }
        for (size_t i = 2; i < raw.size(); ++i) {
            size_t equals = raw[i].find('=');
            if (equals == std::string::npos)
                return Bad("an attribute reads key=value: " + raw[i], error);
            std::string key = Lower(raw[i].substr(0, equals));
            Token value = Unquote(raw[i].substr(equals + 1));
            bool understood = true;
            if (key == "provider")
                entry->provider = NullableString(value);
            else if (key == "comment")
                entry->comment = NullableString(value);
            else if (key == "local")
                entry->localName = NullableString(value);
            else if (key == "display")
                understood = LookUp(kKinds, value.text, &entry->displayType);
            else if (key == "type")
                understood = LookUp(kTypes, value.text, &entry->type);
            else if (key == "usage")
                understood = ParseUsage(value.text, &entry->usage);
            else
                understood = key == "scope"; // every entry is listed with the global scope
            if (!understood)
                return Bad("unknown attribute " + raw[i], error);
        }
        return true;
    }

    std::string section_;
    std::string provider_;
    bool registered_ = false;
    sim::detail::NetProviderOptions options_;
    std::optional<std::string> container_;
    bool inContainer_ = false;
};

} // namespace

namespace sim {

bool LoadNetworkTree(const std::string& text, std::string* error) {
    std::string content = text;
    if (content.rfind("\xEF\xBB\xBF", 0) == 0)
        content.erase(0, 3);
    TreeReader reader;
    std::stringstream lines(content);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> raw = SplitLine(line);
        if (raw.empty() || raw[0][0] == '#')
            continue;
        std::string message;
        if (!reader.Line(raw, &message)) {
            *error = "line " + std::to_string(number) + ": " + message;
            return false;
        }
    }
    reader.Finish();
    return true;
}

bool LoadNetworkTreeFile(const std::string& path, std::string* error) {
    // A folder opens as a stream that reads as empty: it is refused, not taken
    // for a network without providers.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        *error = "cannot read the network tree " + path + ": it is a folder";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    if (!file) {
        *error = "cannot read the network tree " + path;
        return false;
    }
    if (!LoadNetworkTree(text.str(), error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

} // namespace sim
