/* Resource ids of KVX_32.dll. */
#ifndef KVX_RESOURCE_H
#define KVX_RESOURCE_H

/* Browse Network dialog and its controls. */
#define IDD_BROWSE_NETWORK 134
#define IDC_PRINTER_NAME 1000
#define IDC_SHARED_LABEL 1002
#define IDC_PRINTER_LABEL 1003
#define IDC_TREE 1015

/* Tree images: bitmap IDB_TREE_FIRST + i is image index i of the tree. */
#define IDB_TREE_FIRST 200
#define IDB_TREE_OTHER 200
#define IDB_TREE_OTHER_SEL 201
#define IDB_TREE_DOMAIN 202
#define IDB_TREE_DOMAIN_SEL 203
#define IDB_TREE_SERVER 204
#define IDB_TREE_SERVER_SEL 205
#define IDB_TREE_PRINTER 206
#define IDB_TREE_PRINTER_SEL 207
#define IDB_TREE_LAST 207
#define KVX_TREE_IMAGE_COUNT 8

#endif /* KVX_RESOURCE_H */
