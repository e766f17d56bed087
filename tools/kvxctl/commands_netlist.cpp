// kvxctl browse: what lies under a network container, through GetPortsSelect.
#include "commands.h"

#include "json_output.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* KindName(unsigned displayType) {
    static const char* const kNames[] = {"generic",    "domain",    "server",  "share",
                                         "file",       "group",     "network", "root",
                                         "shareadmin", "directory", "tree",    "ndscontainer"};
    return displayType < sizeof kNames / sizeof kNames[0] ? kNames[displayType] : nullptr;
}

// The NetworkPath of the containers named, from the provider down.
bool BuildPath(const std::vector<std::string>& names, std::string* path) {
    size_t capacity = 1;
    for (const std::string& name : names)
        capacity += 4 + name.size();
    std::vector<char> buffer(capacity, '\0');
    for (const std::string& name : names)
        if (!kvx_network_path_append(buffer.data(), buffer.size(), name.c_str())) {
            std::fprintf(stderr, "kvxctl: a name may have at most %d characters\n",
                         KVX_NET_NAME_MAX);
            return false;
        }
    *path = buffer.data();
    return true;
}

// One GetPortsSelect call; the strings are built for the library to take over.
bool CallGetPortsSelect(const KvxLibrary& kvx, char* buffer, uint32_t* size,
                        const std::string& provider, const std::string& path) {
    const char* providerArgument = kvx_shared_string(provider.c_str());
    const char* pathArgument = kvx_shared_string(path.c_str());
    if (providerArgument == nullptr || pathArgument == nullptr) {
        kvx_shared_string_free(providerArgument);
        kvx_shared_string_free(pathArgument);
        std::fprintf(stderr, "kvxctl: out of memory\n");
        return false;
    }
    kvx.GetPortsSelect(buffer, size, providerArgument, pathArgument);
    return true;
}

// The sizing call, then the fetch of exactly the size it reported.
bool FetchList(const KvxLibrary& kvx, const std::string& provider, const std::string& path,
               std::vector<char>* list) {
    uint32_t size = 0;
    if (!CallGetPortsSelect(kvx, nullptr, &size, provider, path))
        return false;
    if (size == 0) {
        // A list was still pending from an earlier call, so the sizing call did
        // nothing: collect that one, then ask again.
        char discard = 0;
        uint32_t none = 0;
        kvx.GetPortsSelect(&discard, &none, nullptr, nullptr);
        if (!CallGetPortsSelect(kvx, nullptr, &size, provider, path) || size == 0)
            return false;
    }
    list->assign(size, '\0');
    return CallGetPortsSelect(kvx, list->data(), &size, "", "");
}

// Whether `list` holds an entry of `provider` named `name`: an entry the
// library's search descends into for that name (exact, case-sensitive).
bool ListsContainer(const std::vector<char>& list, const std::string& provider,
                    const std::string& name) {
    uint32_t offset = 0;
    kvx_net_entry entry;
    while (kvx_net_entry_next(list.data(), static_cast<uint32_t>(list.size()), &offset, &entry) ==
           1)
        if (provider == entry.provider && name == entry.remote_name)
            return true;
    return false;
}

// "SALES > \\PRN01"
std::string JoinNames(const std::vector<std::string>& names, size_t count) {
    std::string joined;
    for (size_t i = 0; i < count; ++i)
        joined += (i == 0 ? "" : " > ") + names[i];
    return joined;
}

// Names without --provider: the first provider, in the network's order, under
// which each name is listed in the container above it. GetPortsSelect cannot
// tell: a name it does not find sends its search into the first entry of that
// level instead, so every level is checked here. kExitOk with *provider set, or
// kExitRefused with each provider's missing name on standard error.
int FindProvider(const KvxLibrary& kvx, const std::vector<std::string>& names,
                 std::string* provider) {
    std::vector<char> providers;
    if (!FetchList(kvx, "", "", &providers)) {
        Complain("the library returned no list of the network's providers");
        return kExitRefused;
    }
    std::string misses;
    uint32_t offset = 0;
    kvx_net_entry entry;
    while (kvx_net_entry_next(providers.data(), static_cast<uint32_t>(providers.size()), &offset,
                              &entry) == 1) {
        std::string candidate = entry.provider;
        size_t found = 0;
        for (; found < names.size(); ++found) {
            std::string above;
            std::vector<char> list;
            if (!BuildPath({names.begin(), names.begin() + static_cast<std::ptrdiff_t>(found)},
                           &above) ||
                !FetchList(kvx, candidate, above, &list) ||
                !ListsContainer(list, candidate, names[found]))
                break;
        }
        if (found == names.size()) {
            *provider = candidate;
            return kExitOk;
        }
        misses += "\n" + candidate + ": no " + names[found] +
                  (found == 0 ? " at its top level" : " in " + JoinNames(names, found));
    }
    Complain("no network provider has " + JoinNames(names, names.size()) +
             (misses.empty() ? ": the network lists no provider" : misses) +
             "\n(--provider NAME lists under that provider as the library searches it)");
    return kExitRefused;
}

void PrintRaw(const std::vector<char>& list) {
    for (size_t line = 0; line < list.size(); line += 16) {
        std::printf("%08zx ", line);
        std::string text;
        for (size_t i = line; i < line + 16; ++i) {
            if (i < list.size()) {
                auto byte = static_cast<unsigned char>(list[i]);
                std::printf(" %02x", byte);
                text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
            } else {
                std::printf("   ");
            }
        }
        std::printf("  %s\n", text.c_str());
    }
}

struct BrowseOptions {
    std::string provider;
    bool raw = false;
    std::vector<std::string> containers; // from the provider down
};

int RunBrowse(const Invocation& call, const BrowseOptions& options) {
    bool raw = options.raw;
    if (raw && call.json) {
        std::fprintf(stderr, "kvxctl: --raw and --json exclude each other\n");
        return kExitUsage;
    }
    const std::vector<std::string>& names = options.containers;
    std::string path;
    if (!BuildPath(names, &path))
        return kExitUsage;
    std::string provider = options.provider;
    bool providerFound = provider.empty() && !names.empty();
    if (providerFound) {
        int result = FindProvider(call.kvx, names, &provider);
        if (result != kExitOk)
            return result;
    }
    std::vector<char> list;
    if (!FetchList(call.kvx, provider, path, &list)) {
        std::fprintf(stderr, "kvxctl: the library returned no list\n");
        return kExitRefused;
    }

    Json json;
    if (call.json) {
        json["provider"] = AnsiText(provider);
        json["provider_found"] = providerFound;
        json["containers"] = Json::array();
        for (const std::string& name : names)
            json["containers"].push_back(AnsiText(name));
        json["network_path"] = AnsiText(path);
        json["entries"] = Json::array();
    } else {
        if (providerFound)
            std::printf("found under the provider \"%s\", the first that has %s\n",
                        provider.c_str(), JoinNames(names, names.size()).c_str());
        std::string where = provider.empty() ? "the network" : provider;
        if (!names.empty())
            where += " > " + JoinNames(names, names.size());
        std::printf("under %s (NetworkPath \"%s\"):\n", where.c_str(), path.c_str());
        if (raw) {
            PrintRaw(list);
            return kExitOk;
        }
    }
    uint32_t offset = 0, count = 0;
    kvx_net_entry entry;
    int read;
    while ((read = kvx_net_entry_next(list.data(), static_cast<uint32_t>(list.size()), &offset,
                                      &entry)) == 1) {
        const char* kind = KindName(entry.display_type);
        std::string kindText = kind ? kind : "type " + std::to_string(entry.display_type);
        if (call.json) {
            json["entries"].push_back({{"kind", kindText},
                                       {"display_type", entry.display_type},
                                       {"remote_name", AnsiText(entry.remote_name)},
                                       {"provider", AnsiText(entry.provider)}});
        } else {
            std::printf("  %-10s %-28s %s\n", kindText.c_str(), entry.remote_name, entry.provider);
        }
        ++count;
    }
    if (read < 0) {
        std::fprintf(stderr, "kvxctl: the list breaks off at byte %u\n", offset);
        return kExitRefused;
    }
    if (call.json)
        PrintJson(json);
    else
        std::printf("%u %s\n", count, count == 1 ? "entry" : "entries");
    return kExitOk;
}

} // namespace

CommandRun DefineBrowse(CLI::App& command) {
    auto options = std::make_shared<BrowseOptions>();
    command
        .add_option("--provider", options->provider,
                    "the network provider (without it, the first that has the NAMEs)")
        ->type_name("NAME");
    command.add_flag("--raw", options->raw, "dump the bytes received");
    command.add_option("NAME", options->containers, "a container, from the provider down");
    return [options](const Invocation& call) { return RunBrowse(call, *options); };
}
