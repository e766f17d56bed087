// Expanding a server of the Browse Network dialog, with 1,000 and 10,000 printer
// shares:
//   ExpandServer  the whole expansion, over the simulated network: the fetch
//                 through GetPortsSelect, one tree item and one node per share;
//   InsertShares  the dialog's own part of it: reading the fetched records,
//                 inserting the items and appending the nodes, then finding each
//                 node by its item as the handlers do.
// The dialog's part must cost the same per share whatever the number of shares.
// The fetch doubles its result block each time it grows it, so moving the
// block (the simulated GlobalReAlloc always moves it) stays linear in the list.
//
//   build/<preset>/kvx_bench (a Release build gives the figures that matter)
#include "net_workloads.h"
#include "sim_resources.h"

#include "browse_network/browse_network_dialog.h"
#include "browse_network/net_records.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

const char kProvider[] = "Bench Network";

std::string ServerName(int shares) {
    return "\\\\S" + std::to_string(shares);
}

// A provider with one workgroup holding one server of `shares` printer shares,
// listed in the order of their names as a server lists them.
void BuildNetwork(int shares) {
    sim::Reset();
    sim_resources::InstallBrowseResources();
    sim::AddNetProvider(kProvider);
    sim::NetResource domain;
    domain.remoteName = "BENCH";
    domain.provider = kProvider;
    domain.displayType = RESOURCEDISPLAYTYPE_DOMAIN;
    sim::AddNetEntry(kProvider, std::nullopt, domain);
    sim::NetResource server;
    server.remoteName = ServerName(shares);
    server.provider = kProvider;
    server.displayType = RESOURCEDISPLAYTYPE_SERVER;
    sim::AddNetEntry(kProvider, std::string("BENCH"), server);
    for (int i = 0; i < shares; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s\\P%05d", ServerName(shares).c_str(), i);
        sim::NetResource share;
        share.remoteName = name;
        share.provider = kProvider;
        share.displayType = RESOURCEDISPLAYTYPE_SHARE;
        share.type = RESOURCETYPE_PRINT;
        share.usage = RESOURCEUSAGE_CONNECTABLE;
        sim::AddNetEntry(kProvider, ServerName(shares), share);
    }
}

// The item the dialog inserted for `label` under `parent`, found through its nodes.
HTREEITEM Child(const BrowseNetworkDialog& dialog, HTREEITEM parent, const std::string& label) {
    for (const BrowseNode* node = dialog.Nodes().First(); node != nullptr; node = node->next)
        if (node->parent == parent && label == node->label)
            return node->item;
    return nullptr;
}

size_t ChildCount(const BrowseNetworkDialog& dialog, HTREEITEM parent) {
    size_t count = 0;
    for (const BrowseNode* node = dialog.Nodes().First(); node != nullptr; node = node->next)
        count += node->parent == parent ? 1 : 0;
    return count;
}

void ExpandServer(benchmark::State& state) {
    const int shares = static_cast<int>(state.range(0));
    BuildNetwork(shares);
    for (auto _ : state) {
        state.PauseTiming();
        BrowseNetworkDialog dialog;
        sim::SetDialogDriver([&](HWND window) {
            HWND tree = GetDlgItem(window, IDC_TREE);
            HTREEITEM provider = Child(dialog, nullptr, kProvider);
            sim::ClickExpandButton(tree, provider);
            HTREEITEM domain = Child(dialog, provider, "BENCH");
            sim::ClickExpandButton(tree, domain);
            HTREEITEM server = Child(dialog, domain, ServerName(shares));

            state.ResumeTiming();
            sim::ClickExpandButton(tree, server);
            state.PauseTiming();

            if (ChildCount(dialog, server) != static_cast<size_t>(shares))
                state.SkipWithError("the server's shares were not all inserted");
            sim::ClickButton(window, IDCANCEL);
        });
        dialog.DoModal();
        state.ResumeTiming();
    }
    state.counters["per_share"] = benchmark::Counter(static_cast<double>(shares),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void InsertShares(benchmark::State& state) {
    const int shares = static_cast<int>(state.range(0));
    // The records as the fetch delivers them.
    BuildNetwork(shares);
    std::vector<char> data;
    bench::ListWithGetPortsSelect(&data, kProvider, "BENCH", ServerName(shares).c_str());
    sim::Reset();
    for (auto _ : state) {
        state.PauseTiming();
        HWND window =
            CreateWindowExA(0, WC_TREEVIEWA, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        CTreeCtrl tree;
        tree.Attach(window);
        {
            BrowseNodeList nodes;
            TVINSERTSTRUCTA insert = {};
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT;
            insert.item.pszText = const_cast<char*>("\\\\S");
            HTREEITEM server = tree.InsertItem(&insert);
            nodes.AppendNode(server, nullptr, "\\\\S", kProvider, "\\\\S", 2, kNodeServer);

            state.ResumeTiming();
            InsertNetEntries(tree, nodes, data.data(), static_cast<uint32_t>(data.size()), server);
            for (const BrowseNode* node = nodes.First(); node != nullptr; node = node->next)
                benchmark::DoNotOptimize(nodes.FindNode(node->item));
            state.PauseTiming();

            if (nodes.Count() != static_cast<size_t>(shares) + 1)
                state.SkipWithError("the shares were not all inserted");
        }
        tree.Detach();
        DestroyWindow(window);
        state.ResumeTiming();
    }
    state.counters["per_share"] = benchmark::Counter(static_cast<double>(shares),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

BENCHMARK(ExpandServer)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(InsertShares)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
