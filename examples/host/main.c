/* kvx_host: what a label-printing program asks KVX_32.dll, printed.
 *   kvx_host [PROVIDER [CONTAINER...]]
 * lists the network providers and, when named, one container below a provider
 * (for instance: kvx_host "Kvx Network" SALES \\PRN01). Exit code 0 when every
 * request was answered. */
#include <kvx32.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int show_platform(void) {
    int16_t code = 0, major = 0, minor = 0, id = 0;
    GetPlatformFrom32(&code, &major, &minor, &id);
    printf("platform: code %d, Windows %d.%d, platform id %d\n", code, major, minor, id);
    return 1;
}

/* A first guess at the size; a call with too small a buffer gives the
 * directory's length instead. */
static int show_driver_directory(void) {
    uint32_t capacity = 16;
    uint32_t* length = &capacity;
    char* directory = malloc(capacity);
    uint32_t written = directory != NULL ? GetPrinterDriverDir(directory, &length) : 0;
    if (written == 0 && directory != NULL && capacity > 0) {
        char* larger = realloc(directory, ++capacity);
        if (larger != NULL) {
            directory = larger;
            written = GetPrinterDriverDir(directory, &length);
        }
    }
    if (written > 0)
        printf("driver directory: %s\n", directory);
    free(directory);
    return written > 0;
}

/* Two calls: the size of the list, then the list itself. */
static int show_ports(void) {
    uint32_t size = 0;
    char* ports;
    const char* port;
    EnumLocalPorts(NULL, &size);
    ports = malloc(size > 0 ? size : 1);
    if (ports == NULL)
        return 0;
    EnumLocalPorts(ports, &size);
    printf("local ports:");
    for (port = ports; port < ports + size && *port != '\0'; port += strlen(port) + 1)
        printf(" %s", port);
    printf("\n");
    free(ports);
    return size > 0;
}

static int show_names(void) {
    char user[KVX_USER_NAME_SIZE] = "", computer[KVX_COMPUTER_NAME_SIZE] = "";
    if (!NetGetInfos(user, computer))
        return 0;
    printf("user: %s, computer: %s\n", user, computer);
    return 1;
}

/* GetPortsSelect takes over (and frees) the strings it is given, so each call
 * gets strings of its own; the fetch call needs none. */
static char* fetch_container(const char* provider, const char* path, uint32_t* size) {
    const char* provider_arg = kvx_shared_string(provider);
    const char* path_arg = kvx_shared_string(path);
    char* list;
    *size = 0;
    if (provider_arg == NULL || path_arg == NULL) {
        kvx_shared_string_free(provider_arg);
        kvx_shared_string_free(path_arg);
        return NULL;
    }
    GetPortsSelect(NULL, size, provider_arg, path_arg);
    if (*size == 0 || (list = malloc(*size)) == NULL)
        return NULL;
    GetPortsSelect(list, size, NULL, NULL);
    return list;
}

static const char* kind_of(unsigned display_type) {
    switch (display_type) {
    case KVX_NET_NETWORK:
        return "network";
    case KVX_NET_DOMAIN:
        return "domain";
    case KVX_NET_SERVER:
        return "server";
    case KVX_NET_SHARE:
        return "share";
    default:
        return "other";
    }
}

static int show_container(const char* provider, const char* path, const char* title) {
    uint32_t size, offset = 0;
    kvx_net_entry entry;
    int read;
    char* list = fetch_container(provider, path, &size);
    if (list == NULL)
        return 0;
    printf("%s:\n", title);
    while ((read = kvx_net_entry_next(list, size, &offset, &entry)) == 1)
        printf("  %-8s %-24s %s\n", kind_of(entry.display_type), entry.remote_name, entry.provider);
    free(list);
    return read == 0;
}

/* A container named on the command line: its provider, then the containers
 * leading to it, which make its NetworkPath. */
static int browse(int count, char** names) {
    char path[1024] = "", title[1024] = "";
    int i;
    snprintf(title, sizeof title, "%s", names[0]);
    for (i = 1; i < count; ++i) {
        if (!kvx_network_path_append(path, sizeof path, names[i]))
            return 0;
        snprintf(title + strlen(title), sizeof title - strlen(title), " > %s", names[i]);
    }
    return show_container(names[0], path, title);
}

int main(int argc, char** argv) {
    int ok = show_platform();
    ok &= show_driver_directory();
    ok &= show_ports();
    ok &= show_names();
    ok &= show_container("", "", "network providers");
    if (argc > 1)
        ok &= browse(argc - 1, argv + 1);
    printf("%s\n", ok ? "all requests answered" : "some request failed");
    return ok ? 0 : 1;
}
