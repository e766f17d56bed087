// The network provider router: providers at the top of the network, their
// containers below, entries served in batches that fill the caller's buffer the
// way Windows packs them (structures first, their strings after), and faults by
// container name.
#include "sim_internal.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>

namespace {

using sim::NetResource;

struct Container {
    std::vector<NetResource> entries;
};

struct Provider {
    std::string name;
    sim::detail::NetProviderOptions options;
    sim::NetGenerator generator;                 // set: every container is computed, none stored
    Container top;                               // the provider's own level
    std::map<std::string, Container> containers; // by remote name
};

struct Faults {
    DWORD openError = 0;
    DWORD requestError = 0;
    unsigned requestFailures = 0;
    unsigned batchLimit = 0; // 0: as many as fit
    bool endless = false;
    DWORD reportedCount = 0; // 0: the count of entries written
};

struct Enumeration {
    std::string name; // the container's name, for its faults
    // Stored entries, or the entries a generator gave from `base` on that have not
    // been listed yet.
    std::vector<NetResource> entries;
    size_t base = 0;
    size_t next = 0;
    sim::NetGenerator generator;
};

// Entry `index` of an enumeration, or null past its end. A generated entry stays
// valid until the next call.
const NetResource* EntryAt(Enumeration& enumeration, size_t index) {
    if (!enumeration.generator)
        return index < enumeration.entries.size() ? &enumeration.entries[index] : nullptr;
    while (enumeration.base + enumeration.entries.size() <= index) {
        std::optional<NetResource> entry =
            enumeration.generator(enumeration.name, enumeration.base + enumeration.entries.size());
        if (!entry)
            return nullptr;
        enumeration.entries.push_back(std::move(*entry));
    }
    return &enumeration.entries[index - enumeration.base];
}

// Drops the generated entries before `next`: they have been listed.
void ForgetListed(Enumeration& enumeration) {
    if (!enumeration.generator)
        return;
    size_t listed = enumeration.next - enumeration.base;
    enumeration.entries.erase(enumeration.entries.begin(),
                              enumeration.entries.begin() + static_cast<std::ptrdiff_t>(listed));
    enumeration.base = enumeration.next;
}

std::vector<Provider> g_providers;
std::map<std::string, Faults> g_faults;
std::map<HANDLE, std::unique_ptr<Enumeration>> g_enumerations;
std::vector<std::string> g_opened;
size_t g_requests = 0;

Provider* FindProvider(const std::string& name) {
    for (Provider& provider : g_providers)
        if (provider.name == name)
            return &provider;
    return nullptr;
}

Provider& ProviderNamed(const std::string& name) {
    if (Provider* provider = FindProvider(name))
        return *provider;
    sim::AddNetProvider(name);
    return g_providers.back();
}

Container& ContainerOf(Provider& provider, const std::optional<std::string>& container) {
    return container ? provider.containers[*container] : provider.top;
}

Faults& FaultsOf(const std::string& container) {
    return g_faults[container];
}

// Whether an entry answers an enumeration of that type and usage (0: all).
bool Selected(const NetResource& entry, DWORD type, DWORD usage) {
    if (type != RESOURCETYPE_ANY && entry.type != RESOURCETYPE_ANY && (entry.type & type) == 0)
        return false;
    return usage == 0 || (entry.usage & usage) != 0;
}

void AppendSelected(const Container& container, DWORD type, DWORD usage,
                    std::vector<NetResource>* entries) {
    for (const NetResource& entry : container.entries)
        if (Selected(entry, type, usage))
            entries->push_back(entry);
}

bool HasEntryNamed(const Provider& provider, const std::string& remoteName) {
    auto named = [&](const Container& container) {
        for (const NetResource& entry : container.entries)
            if (entry.remoteName == remoteName)
                return true;
        return false;
    };
    if (named(provider.top))
        return true;
    for (const auto& [name, container] : provider.containers)
        if (named(container))
            return true;
    return false;
}

// The entries of a container of one provider, or the error its opening gives.
DWORD OpenProviderContainer(const Provider& provider, const std::string& remoteName, DWORD type,
                            DWORD usage, std::vector<NetResource>* entries) {
    if (!provider.options.enumerable)
        return ERROR_NOT_SUPPORTED;
    if (remoteName == provider.name) {
        AppendSelected(provider.top, type, usage, entries);
        return NO_ERROR;
    }
    auto it = provider.containers.find(remoteName);
    if (it != provider.containers.end()) {
        AppendSelected(it->second, type, usage, entries);
        return NO_ERROR;
    }
    if (provider.options.unknownEmpty)
        return NO_ERROR;
    if (provider.options.unknownError != 0)
        return provider.options.unknownError;
    return HasEntryNamed(provider, remoteName) ? ERROR_NOT_CONTAINER : ERROR_BAD_NET_NAME;
}

DWORD Fail(DWORD error) {
    SetLastError(error);
    return error;
}

size_t Length(const std::optional<std::string>& text) {
    return text ? text->size() + 1 : 0;
}

size_t BytesFor(const NetResource& entry) {
    return sizeof(NETRESOURCEA) + Length(entry.localName) + Length(entry.remoteName) +
           Length(entry.comment) + Length(entry.provider);
}

// Copies a string to the end of the free space and points `field` at it.
void PlaceString(const std::optional<std::string>& text, char** end, LPSTR* field) {
    if (!text) {
        *field = nullptr;
        return;
    }
    *end -= text->size() + 1;
    std::memcpy(*end, text->c_str(), text->size() + 1);
    *field = *end;
}

} // namespace

namespace sim {

void AddNetProvider(const std::string& name) {
    if (FindProvider(name) == nullptr)
        g_providers.push_back(Provider{name, {}, {}, {}, {}});
}

void AddGeneratedNetProvider(const std::string& name, NetGenerator generator) {
    ProviderNamed(name).generator = std::move(generator);
}

size_t NetRequests() {
    return g_requests;
}

void AddNetContainer(const std::string& provider, const std::optional<std::string>& container) {
    ContainerOf(ProviderNamed(provider), container);
}

void AddNetEntry(const std::string& provider, const std::optional<std::string>& container,
                 const NetResource& entry) {
    ContainerOf(ProviderNamed(provider), container).entries.push_back(entry);
}

void FailNetOpen(const std::string& container, DWORD error) {
    FaultsOf(container).openError = error;
}

void FailNetRequests(const std::string& container, DWORD error, unsigned times) {
    FaultsOf(container).requestError = error;
    FaultsOf(container).requestFailures = times;
}

void SetNetBatchLimit(const std::string& container, unsigned entries) {
    FaultsOf(container).batchLimit = entries;
}

void SetNetReportedCount(const std::string& container, DWORD count) {
    FaultsOf(container).reportedCount = count;
}

void SetNetEndless(const std::string& container) {
    FaultsOf(container).endless = true;
}

size_t OpenNetEnumerations() {
    return g_enumerations.size();
}

std::vector<std::string> NetContainersOpened() {
    return g_opened;
}

namespace detail {

void ResetNetwork() {
    g_providers.clear();
    g_faults.clear();
    g_enumerations.clear();
    g_opened.clear();
    g_requests = 0;
}

void SetNetProviderOptions(const std::string& provider, const NetProviderOptions& options) {
    ProviderNamed(provider).options = options;
}

} // namespace detail
} // namespace sim

DWORD WNetOpenEnumA(DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEA container,
                    HANDLE* handle) {
    sim::detail::PlatformCall call("WNetOpenEnumA");
    if (call.Fails())
        return call.Error();
    if (handle == nullptr)
        return Fail(ERROR_INVALID_ADDRESS);
    if (g_providers.empty()) {
        *handle = nullptr;
        return Fail(ERROR_NO_NETWORK);
    }
    if (scope != RESOURCE_GLOBALNET)
        return Fail(ERROR_INVALID_PARAMETER);

    auto enumeration = std::make_unique<Enumeration>();
    DWORD result = NO_ERROR;
    const char* remoteName = container ? container->lpRemoteName : nullptr;
    const char* providerName = container ? container->lpProvider : nullptr;
    if (remoteName == nullptr && providerName == nullptr) {
        // The top of the network: one entry per provider.
        for (const Provider& provider : g_providers) {
            NetResource entry;
            entry.remoteName = entry.provider = provider.name;
            entry.displayType = RESOURCEDISPLAYTYPE_NETWORK;
            entry.usage = RESOURCEUSAGE_CONTAINER | RESOURCEUSAGE_RESERVED;
            enumeration->entries.push_back(entry);
        }
    } else if (providerName != nullptr) {
        const Provider* provider = FindProvider(providerName);
        enumeration->name = remoteName ? remoteName : providerName;
        if (provider == nullptr)
            result = ERROR_BAD_PROVIDER;
        else if (provider->generator)
            enumeration->generator = provider->generator;
        else
            result = OpenProviderContainer(*provider, enumeration->name, type, usage,
                                           &enumeration->entries);
    } else {
        // No provider named: every provider that knows the name contributes.
        enumeration->name = remoteName;
        result = ERROR_BAD_NET_NAME;
        for (const Provider& provider : g_providers)
            if (provider.options.enumerable && provider.containers.count(remoteName) != 0 &&
                OpenProviderContainer(provider, remoteName, type, usage, &enumeration->entries) ==
                    NO_ERROR)
                result = NO_ERROR;
    }
    g_opened.push_back(enumeration->name);
    auto fault = g_faults.find(enumeration->name);
    if (result == NO_ERROR && fault != g_faults.end() && fault->second.openError != 0)
        result = fault->second.openError;
    if (result != NO_ERROR)
        return Fail(result);
    *handle = enumeration.get();
    g_enumerations[*handle] = std::move(enumeration);
    return NO_ERROR;
}

DWORD WNetEnumResourceA(HANDLE handle, LPDWORD count, LPVOID buffer, LPDWORD bufferSize) {
    // A failing request leaves the count and the buffer size as they were (for
    // ERROR_MORE_DATA too, as Wine's router does when a provider's entry does not fit).
    sim::detail::PlatformCall call("WNetEnumResourceA");
    if (call.Fails())
        return call.Error();
    auto it = g_enumerations.find(handle);
    if (it == g_enumerations.end())
        return Fail(ERROR_INVALID_HANDLE);
    if (count == nullptr || buffer == nullptr || bufferSize == nullptr)
        return Fail(ERROR_INVALID_ADDRESS);
    ++g_requests;
    Enumeration& enumeration = *it->second;
    Faults& faults = FaultsOf(enumeration.name);
    if (faults.requestFailures != 0) {
        --faults.requestFailures;
        return Fail(faults.requestError);
    }
    ForgetListed(enumeration);
    const NetResource* first = EntryAt(enumeration, enumeration.next);
    if (first == nullptr) {
        if (!faults.endless)
            return Fail(ERROR_NO_MORE_ITEMS);
        *count = 0;
        return NO_ERROR;
    }
    size_t firstBytes = BytesFor(*first);

    size_t wanted = *count == 0xFFFFFFFF ? SIZE_MAX : *count;
    if (faults.batchLimit != 0 && faults.batchLimit < wanted)
        wanted = faults.batchLimit;
    size_t fitting = 0, bytes = 0;
    for (const NetResource* entry = first; entry != nullptr && fitting < wanted;
         entry = EntryAt(enumeration, enumeration.next + fitting)) {
        size_t next = BytesFor(*entry);
        if (bytes + next > *bufferSize)
            break;
        bytes += next;
        ++fitting;
    }
    if (fitting == 0 && wanted != 0) {
        *bufferSize = static_cast<DWORD>(firstBytes);
        return Fail(ERROR_MORE_DATA);
    }

    auto* records = static_cast<NETRESOURCEA*>(buffer);
    char* end = static_cast<char*>(buffer) + *bufferSize;
    for (size_t i = 0; i < fitting; ++i) {
        const NetResource& entry = *EntryAt(enumeration, enumeration.next + i);
        NETRESOURCEA& record = records[i];
        record.dwScope = RESOURCE_GLOBALNET;
        record.dwType = entry.type;
        record.dwDisplayType = entry.displayType;
        record.dwUsage = entry.usage;
        PlaceString(entry.localName, &end, &record.lpLocalName);
        PlaceString(entry.remoteName, &end, &record.lpRemoteName);
        PlaceString(entry.comment, &end, &record.lpComment);
        PlaceString(entry.provider, &end, &record.lpProvider);
    }
    enumeration.next += fitting;
    *count = faults.reportedCount != 0 ? faults.reportedCount : static_cast<DWORD>(fitting);
    return NO_ERROR;
}

DWORD WNetCloseEnum(HANDLE handle) {
    sim::detail::PlatformCall call("WNetCloseEnum");
    if (call.Fails())
        return call.Error(); // the enumeration stays open
    if (g_enumerations.erase(handle) == 0)
        return Fail(ERROR_INVALID_HANDLE);
    return NO_ERROR;
}
