/* The library's version, in one place: its version record (version.rc), the
 * kit's package version and kvxctl --version take it from here. */
#ifndef KVX_VERSION_H
#define KVX_VERSION_H

#define KVX_VERSION_MAJOR 4
#define KVX_VERSION_MINOR 0
#define KVX_VERSION_BUILD 24
#define KVX_VERSION_REVISION 0

#define KVX_VERSION_NUMBERS                                                                        \
    KVX_VERSION_MAJOR, KVX_VERSION_MINOR, KVX_VERSION_BUILD, KVX_VERSION_REVISION

#define KVX_VERSION_QUOTE_(...) #__VA_ARGS__
#define KVX_VERSION_QUOTE(...) KVX_VERSION_QUOTE_(__VA_ARGS__)
/* "4, 0, 24, 0", as the version record's strings write it */
#define KVX_VERSION_TEXT KVX_VERSION_QUOTE(KVX_VERSION_NUMBERS)
/* "4.0.24.0" */
#define KVX_VERSION_DOTTED                                                                         \
    KVX_VERSION_QUOTE(KVX_VERSION_MAJOR.KVX_VERSION_MINOR.KVX_VERSION_BUILD.KVX_VERSION_REVISION)

#endif
